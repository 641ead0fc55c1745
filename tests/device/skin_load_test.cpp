// LoadSkin and the line reader on the simulated device: the failure
// messages, images that do not load, and code pages.
#include "skin/readers.h"
#include "skin/script.h"

#include "device.h"
#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

static void UseExeFolder(const TestFolder &root) {
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path, true)));
    appInstance = (HINSTANCE)GetModuleHandleW(NULL);
    mainWindow = NULL;
    screenWidth = 240;
    screenHeight = 320;
    skinTables = SkinTables{};
}

static std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const DeviceMessageBox &box : DeviceMessageBoxes()) texts.push_back(DeviceUtf8(box.text));
    return texts;
}

// A missing image is told and left unloaded; the lines after it still apply.
// A file name beyond 63 characters is cut, and the cut name is what loads.
TEST(LoadSkinDevice, ImagesThatDoNotLoadAreToldAndSkipped) {
    DeviceReset();
    TestFolder root("load");
    std::string cutName(63, 'n');
    std::string script = "G0,missing.bmp,0,0\r\n"
                         "G1," + cutName + "ignored.bmp,0,0\r\n"
                         "M0,missing.bmp,0,0\r\n"
                         "D8,8,0,0\r\n";
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", script));
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / cutName, BmpSpec{}));
    UseExeFolder(root);

    ASSERT_EQ(1, LoadSkin());
    std::string missing = "File Open error " + TestUtf8(TestDevicePath(root.path / "cat" / "missing.bmp"));
    EXPECT_EQ(std::vector<std::string>({missing, missing}), MessageTexts());
    EXPECT_EQ(nullptr, skinTables.graphics[0].pixels);
    EXPECT_EQ(nullptr, skinTables.masks[0].pixels);
    EXPECT_EQ(cutName, TestUtf8(skinTables.graphics[1].fileName));
    EXPECT_NE(nullptr, skinTables.graphics[1].pixels);
    EXPECT_EQ(8, skinTables.areaWidth);
}

// The script vanishes while the Select dialog is up: the first pass cannot
// open it and says which file it wanted.
TEST(LoadSkinDevice, ScriptThatCannotBeOpened) {
    DeviceReset();
    TestFolder root("load");
    fs::path doomed = root.path / "a" / "skin.txt";
    ASSERT_EQ(1, WriteTestFile(doomed, "T A\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "b" / "skin.txt", "T B\r\n"));
    UseExeFolder(root);
    DeviceAction remove;
    remove.custom = [doomed] { fs::remove(doomed); };
    DeviceQueueAction(10, remove);
    DeviceAction enter;
    enter.kind = DeviceEnter;
    DeviceQueueAction(20, enter);

    EXPECT_EQ(0, LoadSkin());
    std::string expected = "File Open error " + TestUtf8(TestDevicePath(doomed));
    EXPECT_EQ(std::vector<std::string>({expected}), MessageTexts());
    ASSERT_EQ(1u, DeviceMessageBoxes().size());
    EXPECT_EQ("Error", DeviceUtf8(DeviceMessageBoxes()[0].caption));
}

TEST(LoadSkinDevice, TextsAreWidenedByTheCodePage) {
    struct Row {
        unsigned codePage;
        const char *expected;   // UTF-8
    } rows[] = {
        {932, "\xE3\x82\xAD\xE3\x83\x83\xE3\x83\x88 %h"},
        {1252, "\xC6\x92L\xC6\x92" "b\xC6\x92g %h"},
    };
    for (const Row &row : rows) {
        DeviceReset();
        DeviceSetCodePage(row.codePage);
        TestFolder root("load");
        ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt",
                                   "S0,12,0,0,0,0,0,\x83\x4C\x83\x62\x83\x67 %h\r\n"));
        UseExeFolder(root);
        ASSERT_EQ(1, LoadSkin()) << row.codePage;
        EXPECT_EQ(row.expected, TestUtf8(skinTables.texts[0].text)) << "code page " << row.codePage;
    }
}

// A long line cut in the middle of a double-byte character still fits the
// buffer: nothing is written past its 1000 units.
TEST(ReadScriptLineDevice, LongDoubleByteLinesStayInsideTheBuffer) {
    const std::string lines[] = {
        std::string(998, 'a') + "\x83\x4C",                 // lead byte kept, trail byte cut
        std::string(997, 'a') + "\x83\x4C\x83\x4C",
        std::string(1200, '\x83'),                          // lead bytes only
    };
    for (unsigned codePage : {932u, 1252u}) {
        for (const std::string &line : lines) {
            DeviceReset();
            DeviceSetCodePage(codePage);
            TestFolder root("load");
            ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", line + "\r\nnext\r\n"));
            TestWString path = TestDevicePath(root.path / "skin.txt");
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            WCHAR buffer[kLineUnits + 16];
            for (WCHAR &unit : buffer) unit = 0x7777;
            ASSERT_EQ(1, ReadScriptLine(file, buffer));
            for (int i = kLineUnits; i < kLineUnits + 16; i++)
                ASSERT_EQ(0x7777, (int)buffer[i]) << "unit " << i << ", code page " << codePage;
            EXPECT_LT(TestUtf8(buffer).size(), 4000u);
            ASSERT_EQ(1, ReadScriptLine(file, buffer));
            EXPECT_EQ("next", TestUtf8(buffer)) << "code page " << codePage;
            CloseHandle(file);
        }
    }
}
