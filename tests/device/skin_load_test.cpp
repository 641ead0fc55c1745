// LoadSkin and the line reader on the simulated device: failure messages,
// cut file names, and code pages.
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
    skinTables = SkinTables{};
}

static std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const DeviceMessageBox &box : DeviceMessageBoxes())
        texts.push_back(DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text));
    return texts;
}

// A file name beyond 63 characters is cut, and the cut name is what loads;
// a missing mask is told, and the lines after it still apply.
TEST(LoadSkinDevice, CutNamesLoadAndMissingImagesAreTold) {
    DeviceReset();
    TestFolder root("load");
    std::string cutName(63, 'n');
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt",
                               "G0," + cutName + "ignored.bmp,0,0\r\nM0,missing.bmp,0,0\r\nD8,8,0,0\r\n"));
    ASSERT_EQ(1, WriteBmpFile(root.path / "cat" / cutName, BmpSpec{}));
    UseExeFolder(root);

    ASSERT_EQ(1, LoadSkin());
    std::string missing = TestUtf8(TestDevicePath(root.path / "cat" / "missing.bmp"));
    EXPECT_EQ(std::vector<std::string>({"Error: File Open error " + missing}), MessageTexts());
    EXPECT_EQ(cutName, TestUtf8(skinTables.graphics[0].fileName));
    EXPECT_NE(nullptr, skinTables.graphics[0].pixels);
    EXPECT_EQ(nullptr, skinTables.masks[0].pixels);
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
    DeviceAction remove, enter;
    remove.custom = [doomed] { fs::remove(doomed); };
    enter.kind = DeviceEnter;
    DeviceQueueAction(10, remove);
    DeviceQueueAction(20, enter);

    EXPECT_EQ(0, LoadSkin());
    EXPECT_EQ(std::vector<std::string>({"Error: File Open error " + TestUtf8(TestDevicePath(doomed))}),
              MessageTexts());
}

TEST(LoadSkinDevice, TextsAreWidenedByTheCodePage) {
    const std::pair<unsigned, const char *> rows[] = {
        {932, "\xE3\x82\xAD\xE3\x83\x83\xE3\x83\x88 %h"},
        {1252, "\xC6\x92L\xC6\x92" "b\xC6\x92g %h"},
    };
    for (const auto &[codePage, expected] : rows) {
        DeviceReset();
        DeviceSetCodePage(codePage);
        TestFolder root("load");
        ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", "S0,12,0,0,0,0,0,\x83\x4C\x83\x62\x83\x67 %h\r\n"));
        UseExeFolder(root);
        ASSERT_EQ(1, LoadSkin()) << codePage;
        EXPECT_EQ(expected, TestUtf8(skinTables.texts[0].text)) << "code page " << codePage;
    }
}

// A long line cut in the middle of a double-byte character, or made of lead
// bytes only, still fits the buffer: nothing is written past its 1000 units.
TEST(ReadScriptLineDevice, LongDoubleByteLinesStayInsideTheBuffer) {
    const std::string lines[] = {std::string(998, 'a') + "\x83\x4C", std::string(997, 'a') + "\x83\x4C\x83\x4C",
                                 std::string(1200, '\x83')};
    for (unsigned codePage : {932u, 1252u}) {
        for (const std::string &line : lines) {
            DeviceReset();
            DeviceSetCodePage(codePage);
            TestFolder root("load");
            ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", line + "\r\nnext\r\n"));
            HANDLE file = CreateFileW(TestDevicePath(root.path / "skin.txt").c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            WCHAR buffer[kLineUnits + 16];
            std::fill(std::begin(buffer), std::end(buffer), (WCHAR)0x7777);
            ASSERT_EQ(1, ReadScriptLine(file, buffer));
            for (int i = kLineUnits; i < kLineUnits + 16; i++)
                ASSERT_EQ(0x7777, (int)buffer[i]) << "unit " << i << ", code page " << codePage;
            ASSERT_EQ(1, ReadScriptLine(file, buffer));
            EXPECT_EQ("next", TestUtf8(buffer)) << "code page " << codePage;
            CloseHandle(file);
        }
    }
}
