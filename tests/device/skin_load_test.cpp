// Choosing and loading a skin on the simulated device: the Select dialog
// driven by scripted input, a missing picture and a cut file name.
#include "skin/catalogue.h"
#include "skin/script.h"

#include "core/process.h"
#include "device.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

// The message boxes shown so far as "caption: text", "; " between them.
static std::string Messages() {
    std::string all;
    for (const DeviceMessageBox &box : DeviceMessageBoxes())
        all += (all.empty() ? "" : "; ") + DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text);
    return all;
}

// A fresh device whose executable's folder holds one skin per {folder, script}.
static void MakeSkins(const TestFolder &root, const std::vector<std::pair<std::string, std::string>> &skins) {
    DeviceReset();
    for (const auto &[name, script] : skins) ASSERT_EQ(1, WriteTestFile(root.path / name / "skin.txt", script));
    ASSERT_EQ(1, SetTestFolder(TestDevicePath(root.path, true)));
    SetAppInstance((HINSTANCE)GetModuleHandleW(NULL));
    SetMainWindow(NULL);
    FreeSkinTables();
}

// Queues actions on the Select list 10 ms apart after one that notes its selection and items.
static void QueueSelect(std::string *view, std::vector<std::pair<DeviceActionKind, int>> actions) {
    DeviceAction look;
    look.custom = [view] {
        HWND dialog = DeviceOpenDialogs().back().window;
        *view = "@" + std::to_string(DeviceControlSelection(dialog, IDC_SKIN_LIST));
        for (const std::u16string &item : DeviceControlItems(dialog, IDC_SKIN_LIST))
            *view += " [" + DeviceUtf8(item) + "]";
    };
    DeviceQueueAction(10, look);
    uint64_t at = 10;
    for (const auto &[kind, index] : actions)
        DeviceQueueAction(at += 10, {.kind = kind, .id = IDC_SKIN_LIST, .index = index, .custom = {}, .text = {}});
}

// A skin is listed by its last T or t line from the third character, cut at
// 80 characters; without a complete T line, by its script's path.
TEST(SelectDialog, ListsEachSkinByItsLastTitleLine) {
    TestFolder root("select");
    std::string eighty(80, 'x');
    MakeSkins(root, {{"a", "T Cat\r\n"},
                     {"b", "D1,1,1,1\r\nT Lost"},
                     {"c", "T First\r\nt Second\r\n"},
                     {"d", "T " + eighty + "yz\r\n"}});
    std::string view;
    QueueSelect(&view, {{DeviceEnter, 0}});
    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ("@0 [Cat] [" + TestUtf8(TestDevicePath(root.path / "b" / "skin.txt")) + "] [Second] [" + eighty + "]",
              view);
}

// Enter or a double tap take the highlighted skin, Escape or the close box
// the first; folders past the 32nd are not listed.
TEST(SelectDialog, ReturnsTheHighlightedSkinOrTheFirstOnCancel) {
    const std::pair<std::vector<std::pair<DeviceActionKind, int>>, const char *> rows[] = {
        {{{DeviceChoose, 1}, {DeviceEnter, 0}}, "s01"},
        {{{DeviceDoubleTapItem, 31}}, "s31"},
        {{{DeviceChoose, 2}, {DeviceEscape, 0}}, "s00"},
        {{{DeviceChoose, 2}, {DeviceCloseBox, 0}}, "s00"},
    };
    TestFolder root("select");
    std::vector<std::pair<std::string, std::string>> skins;
    for (int i = 0; i < 40; i++) skins.push_back({(i < 10 ? "s0" : "s") + std::to_string(i), "T t\r\n"});
    for (const auto &[actions, expected] : rows) {
        MakeSkins(root, skins);
        std::string view;
        QueueSelect(&view, actions);
        WCHAR path[kScriptPathUnits] = {};
        ASSERT_EQ(1, ChooseSkin(path)) << expected;
        EXPECT_EQ(32, SkinCount()) << expected;
        EXPECT_EQ(TestUtf8(TestDevicePath(root.path / expected / "skin.txt")), TestUtf8(path));
        EXPECT_TRUE(DeviceOpenDialogs().empty()) << expected;
    }
}

// A file name beyond 63 characters is cut and the cut name loads; with UTF-8 as the code page a
// character may take two units, and a text, face or file name cut at its limit drops a pair that
// would be split. A missing mask is told, and the lines after it still apply.
TEST(LoadSkinDevice, CutsKeepWholeCharactersAndMissingImagesAreTold) {
    const std::string face(14, 'f'), text(126, 't'), name(62, 'n'), pair = "\xF0\x9F\x90\xB8";  // U+1F438
    const std::string fits(125, 't'), cutName(63, 'c');
    TestFolder root("pairs");
    MakeSkins(root, {{"cat", "F " + face + pair + "\r\nS0,8,0,0,0,0,0," + text + pair + "\r\nS1,8,0,0,0,0,0," + fits +
                                 pair + "x\r\nG0," + name + pair + ".bmp,0,0\r\nG1," + cutName +
                                 "ignored.bmp,0,0\r\nM0,missing.bmp,0,0\r\nD8,8,0,0\r\n"}});
    DeviceSetCodePage(CP_UTF8);
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / name, BmpSpec{}));
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / cutName, BmpSpec{}));
    ASSERT_EQ(1, LoadSkin());
    EXPECT_EQ(face, TestUtf8(skinTables.fontFace));
    EXPECT_EQ(text, TestUtf8(skinTables.texts[0].text));
    EXPECT_EQ(fits + pair, TestUtf8(skinTables.texts[1].text)) << "a whole pair at the end stays";
    EXPECT_EQ(name, TestUtf8(skinTables.graphics[0].fileName));
    EXPECT_TRUE(skinTables.graphics[0].pixels && skinTables.graphics[1].pixels) << "the cut names load";
    EXPECT_EQ("Error: File Open error " + TestUtf8(TestDevicePath(root.path / "cat" / "missing.bmp")), Messages());
    EXPECT_EQ(8, skinTables.areaWidth);
}

static std::string Shape(const ImageRecord &image) {
    return image.pixels ? std::to_string(image.width) + "x" + std::to_string(image.height) : "-";
}

// A line that reuses an index replaces the earlier picture whatever it gives: another picture, a
// missing or bad file, or no file name. The sanitizer build runs this test alone with leak
// detection on, so an earlier picture that is not freed fails it.
TEST(LoadSkinDevice, RepeatedIndexReplacesTheEarlierPicture) {
    // Lines for index I, then the graphic's and the mask's shape.
    const std::pair<const char *, const char *> rows[] = {
        {"GI,wide.bmp,\r\nGI,tall.bmp,\r\nMI,wide.bmp,\r\nMI,tall.bmp,\r\n", "1x3 1x3"},
        {"GI,wide.bmp,\r\nGI,none.bmp,\r\nMI,wide.bmp,\r\nMIm,\r\n", "- -"},
        {"GI,wide.bmp,\r\nGI,bad.bmp,\r\nMI,wide.bmp,\r\nMI,bad.bmp,\r\n", "- -"},
    };
    TestFolder root("repeat");
    std::string script;
    for (size_t i = 0; i < std::size(rows); i++) {
        std::string lines = rows[i].first;
        for (size_t at; (at = lines.find('I')) != std::string::npos;) lines.replace(at, 1, std::to_string(i));
        script += lines;
    }
    MakeSkins(root, {{"cat", script}});
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / "wide.bmp", {.width = 3}));
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / "tall.bmp", {.height = 3}));
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "bad.bmp", "BA"));
    ASSERT_EQ(1, LoadSkin());
    for (size_t i = 0; i < std::size(rows); i++)
        EXPECT_EQ(rows[i].second, Shape(skinTables.graphics[i]) + " " + Shape(skinTables.masks[i])) << rows[i].first;
}

// One skin's pictures share kSkinPixelBudget: the line that would go over it
// is told and left empty, later lines that fit still load, and the next skin
// loaded starts with the whole budget again. Each big picture holds 12.6 MB of pixels.
TEST(LoadSkinDevice, PixelBudgetRefusesTheLineThatGoesOverIt) {
    TestFolder root("budget");
    const BmpSpec big = {.width = 3080, .height = 4096, .bitsPerPixel = 8, .palette = std::vector(256, 0x336699u)};
    std::string script;
    for (int i = 0; i < 6; i++) script += "G" + std::to_string(i) + ",big.bmp,0,0\r\n";
    MakeSkins(root, {{"cat", script + "G6,small.bmp,0,0\r\n"}});
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / "big.bmp", big));
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / "small.bmp", BmpSpec{}));
    ASSERT_EQ(1, LoadSkin());
    std::string shapes;
    for (int i = 0; i <= 6; i++) shapes += " " + Shape(skinTables.graphics[i]);
    EXPECT_EQ(" 3080x4096 3080x4096 3080x4096 3080x4096 3080x4096 - 1x1", shapes);
    EXPECT_EQ("Error: Out of memory.", Messages());

    MakeSkins(root, {{"cat", "G0,big.bmp,0,0\r\n"}});
    ASSERT_EQ(1, LoadSkin());
    EXPECT_EQ("3080x4096", Shape(skinTables.graphics[0]));
    EXPECT_EQ("", Messages());
}
