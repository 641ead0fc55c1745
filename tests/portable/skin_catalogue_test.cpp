// ChooseSkin with a single skin, which shows nothing: what counts as a skin
// and the paths it hands on. Cases that show the Select dialog or a message
// box are device tests, since on the real platform both wait for a person.
#include "skin/catalogue.h"

#include "shell/globals.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <utility>

// Only a plain folder with a skin.txt is a skin: not a read-only or hidden
// folder, a skin.txt in the executable's own folder, a file or a folder
// without a skin.txt. A folder whose skin.txt path would not fit 260 units
// is passed over too.
TEST(ChooseSkin, OnlyPlainFoldersWithASkinTxtCount) {
    TestFolder root("catalogue");
    TestWString rootPath = TestDevicePath(root.path, true);
    std::string tooLong(kScriptPathUnits - rootPath.size() - 9, 'g');   // 9: "\skin.txt"
    ASSERT_EQ(1, WriteTestFile(root.path / "cat" / "skin.txt", "T Cat\r\n"));
    for (const char *other : {"locked", ".hidden"})
        ASSERT_EQ(1, WriteTestFile(root.path / other / "skin.txt", "T Not a skin\r\n"));
    // Where the platform will not set an attribute, the folder must go, or
    // the Select dialog would wait for a person.
    int attributes = 1;
    const std::pair<const char *, int> marked[] = {{"locked", kTestFolderReadOnly},
                                                   {".hidden", kTestFolderHidden}};
    for (const auto &[name, flag] : marked)
        if (!MakeTestFolder(root.path / name, flag)) {
            attributes = 0;
            std::error_code error;
            std::filesystem::remove_all(root.path / name, error);
        }
    ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", "T Not a skin\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "dog", "T Not a folder\r\n"));
    ASSERT_EQ(1, MakeTestFolder(root.path / "empty", kTestFolderPlain));
    bool longMade = tooLong.size() < 250 && WriteTestFile(root.path / tooLong / "skin.txt", "\r\n");
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, rootPath));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(1, skinCount) << "read-only and hidden applied: " << attributes
                            << ", over-long path made: " << longMade;
    EXPECT_EQ(0, selectedSkin);
    EXPECT_EQ(TestUtf8(TestDevicePath(root.path / "cat" / "skin.txt")), TestUtf8(path));
    EXPECT_EQ(TestUtf8(TestDevicePath(root.path / "cat", true)), TestUtf8(exeFolder));
}
