// ChooseSkin with a single skin, which shows nothing: what counts as a skin
// and the paths it hands on. (The Select dialog and message boxes wait for a
// person on the real platform, so they are device tests.)
#include "skin/catalogue.h"

#include "core/process.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

// Only a plain folder with a skin.txt is a skin: not a read-only or hidden
// folder, the executable's own skin.txt, a file, a folder without skin.txt,
// or one whose skin.txt path would not fit 260 units.
TEST(ChooseSkin, OnlyPlainFoldersWithASkinTxtCount) {
    TestFolder root("catalogue");
    TestWString rootPath = TestDevicePath(root.path, true);
    std::string tooLong(kScriptPathUnits - rootPath.size() - 9, 'g');  // 9: "\skin.txt"
    for (const char *name : {"cat", "locked", ".hidden", "."})
        ASSERT_EQ(1, WriteTestFile(root.path / name / "skin.txt", "T Cat\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "dog", "T Not a folder\r\n"));
    ASSERT_EQ(1, MakeTestFolder(root.path / "empty", kTestFolderPlain));
    // A folder whose attribute the platform will not set must go, or the Select dialog would wait.
    std::error_code error;
    for (auto [name, flags] : {std::pair{"locked", kTestFolderReadOnly}, {".hidden", kTestFolderHidden}})
        if (!MakeTestFolder(root.path / name, flags)) std::filesystem::remove_all(root.path / name, error);
    if (tooLong.size() < 250) WriteTestFile(root.path / tooLong / "skin.txt", "\r\n");
    ASSERT_EQ(1, SetTestFolder(rootPath));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(1, SkinCount());
    EXPECT_EQ(TestUtf8(TestDevicePath(root.path / "cat" / "skin.txt")), TestUtf8(path));
    EXPECT_EQ(TestUtf8(TestDevicePath(root.path / "cat", true)), TestUtf8(exeFolder));
}
