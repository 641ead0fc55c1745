// ChooseSkin with a single skin, which shows nothing: the paths it hands on
// and what does not count as a skin. Cases that show the Select dialog or a
// message box are device tests, since on the real platform both wait for a
// person.
#include "skin/catalogue.h"

#include "shell/globals.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

// exeFolder holds root; besides the skin "cat" it holds things that are no
// skins: a skin.txt of its own, a file, and a folder without a skin.txt.
TEST(ChooseSkin, OneSkinIsChosenWithoutAsking) {
    TestFolder root("catalogue");
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", "T Cat\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", "T Not a skin\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "dog", "T Not a folder\r\n"));
    ASSERT_EQ(1, MakeTestFolder(root.path / "empty", kTestFolderPlain));
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path, true)));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(1, skinCount);
    EXPECT_EQ(0, selectedSkin);
    EXPECT_EQ(TestUtf8(TestDevicePath(root.path / "cat" / "skin.txt")), TestUtf8(path));
    EXPECT_EQ(TestUtf8(TestDevicePath(root.path / "cat", true)), TestUtf8(exeFolder));
}

// A folder whose skin.txt path would not fit 260 units is passed over.
TEST(ChooseSkin, FolderWithTooLongAPathIsSkipped) {
    TestFolder root("catalogue");
    TestWString rootPath = TestDevicePath(root.path, true);
    size_t room = kScriptPathUnits - 1 - rootPath.size() - 9;   // 9: "\skin.txt"
    if (room + 1 > 255) GTEST_SKIP() << "the temporary folder's path is too short for this case";
    std::string fits(room, 'f');
    std::string tooLong(room + 1, 'g');
    ASSERT_EQ(1, WriteTestFile(root.path / fits / "skin.txt", "\r\n"));
    if (!WriteTestFile(root.path / tooLong / "skin.txt", "\r\n"))
        GTEST_SKIP() << "the host file system refuses names of " << tooLong.size() << " characters";
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, rootPath));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(1, skinCount);
    EXPECT_EQ(TestUtf8(rootPath) + fits + "\\skin.txt", TestUtf8(path));
}
