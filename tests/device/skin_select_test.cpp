// The skin catalogue on the simulated device: the Select dialog driven by
// scripted input, the list it shows, what counts as a skin, and the
// catalogue's messages.
#include "skin/catalogue.h"

#include "device.h"
#include "shell/globals.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

enum { kSelectList = 1060 };

static void UseExeFolder(const TestFolder &root) {
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path, true)));
    appInstance = (HINSTANCE)GetModuleHandleW(NULL);
    mainWindow = NULL;
}

static void AddSkin(const TestFolder &root, const std::string &name, const std::string &script) {
    ASSERT_EQ(1, WriteTestFile(root.path / name / "skin.txt", script));
}

static DeviceAction Act(DeviceActionKind kind, int id = 0, int index = 0) {
    DeviceAction action;
    action.kind = kind;
    action.id = id;
    action.index = index;
    return action;
}

// What the Select dialog showed when a look was taken.
struct DialogView {
    int resourceId = -1;
    std::vector<std::string> items;
    int selection = -2;
};

static void QueueLook(uint64_t at, DialogView *view) {
    DeviceAction look;
    look.custom = [view] {
        std::vector<DeviceDialogInfo> open = DeviceOpenDialogs();
        if (open.empty()) return;
        view->resourceId = open.back().resourceId;
        for (const std::u16string &item : DeviceControlItems(open.back().window, kSelectList))
            view->items.push_back(DeviceUtf8(item));
        view->selection = DeviceControlSelection(open.back().window, kSelectList);
    };
    DeviceQueueAction(at, look);
}

static std::string ScriptPath(const TestFolder &root, const std::string &skin) {
    return TestUtf8(TestDevicePath(root.path / skin / "skin.txt"));
}

// A skin without a T line is listed by its whole path, however long.
TEST(SelectDialog, ListsEachSkinByItsLastTitleLine) {
    DeviceReset();
    TestFolder root("select");
    std::string eighty(80, 'x');
    std::string untitled = "b" + std::string(100, 'p');
    AddSkin(root, "a", "T Cat\r\nD1,1,1,1\r\n");
    AddSkin(root, untitled, "D1,1,1,1\r\n");
    AddSkin(root, "c", "T First\r\nt Second\r\n");
    AddSkin(root, "d", "TCat\r\n");
    AddSkin(root, "e", "T " + eighty + "yz\r\n");
    AddSkin(root, "f", "T\r\n");
    AddSkin(root, "g", "T Last line lost");
    UseExeFolder(root);
    DialogView view;
    QueueLook(10, &view);
    DeviceQueueAction(20, Act(DeviceEnter));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(kDialogSelect, view.resourceId);
    std::vector<std::string> expected = {"Cat", ScriptPath(root, untitled), "Second", "at", eighty, "",
                                         ScriptPath(root, "g")};
    EXPECT_EQ(expected, view.items);
    EXPECT_EQ(0, view.selection);
    EXPECT_EQ(ScriptPath(root, "a"), TestUtf8(path));
    EXPECT_TRUE(DeviceOpenDialogs().empty());
    EXPECT_TRUE(DeviceMessageBoxes().empty());
}

TEST(SelectDialog, ReturnsTheHighlightedSkinOrTheFirstOnCancel) {
    struct Row {
        const char *name;
        std::vector<DeviceAction> actions;
        const char *expected;
    } rows[] = {
        {"enter", {Act(DeviceEnter)}, "a"},
        {"escape", {Act(DeviceEscape)}, "a"},
        {"close box", {Act(DeviceCloseBox)}, "a"},
        {"double tap", {Act(DeviceDoubleTapItem, kSelectList, 2)}, "c"},
        {"choose then enter", {Act(DeviceChoose, kSelectList, 1), Act(DeviceEnter)}, "b"},
        {"choose then escape", {Act(DeviceChoose, kSelectList, 2), Act(DeviceEscape)}, "a"},
    };
    for (const Row &row : rows) {
        DeviceReset();
        TestFolder root("select");
        for (const char *skin : {"a", "b", "c"}) AddSkin(root, skin, std::string("T ") + skin + "\r\n");
        UseExeFolder(root);
        uint64_t at = 10;
        for (const DeviceAction &action : row.actions) DeviceQueueAction(at += 10, action);

        WCHAR path[kScriptPathUnits] = {};
        ASSERT_EQ(1, ChooseSkin(path)) << row.name;
        EXPECT_EQ(ScriptPath(root, row.expected), TestUtf8(path)) << row.name;
        EXPECT_EQ(TestUtf8(TestDevicePath(root.path / row.expected, true)), TestUtf8(exeFolder))
            << row.name;
        EXPECT_TRUE(DeviceOpenDialogs().empty()) << row.name;
    }
}

// Read-only and hidden folders, a skin.txt in the executable's own folder,
// a file and a folder without skin.txt are no skins.
TEST(SelectDialog, ListsOnlyPlainFoldersWithASkinTxt) {
    DeviceReset();
    TestFolder root("select");
    AddSkin(root, "a", "T A\r\n");
    AddSkin(root, "z", "T Z\r\n");
    AddSkin(root, ".hidden", "T Hidden\r\n");
    AddSkin(root, "locked", "T Locked\r\n");
    ASSERT_EQ(1, MakeTestFolder(root.path / ".hidden", kTestFolderHidden));
    ASSERT_EQ(1, MakeTestFolder(root.path / "locked", kTestFolderReadOnly));
    ASSERT_EQ(1, MakeTestFolder(root.path / "empty", kTestFolderPlain));
    ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", "T Root\r\n"));
    ASSERT_EQ(1, WriteTestFile(root.path / "file", "T File\r\n"));
    UseExeFolder(root);
    DialogView view;
    QueueLook(10, &view);
    DeviceQueueAction(20, Act(DeviceEnter));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(std::vector<std::string>({"A", "Z"}), view.items);
    EXPECT_EQ(2, skinCount);
}

TEST(SelectDialog, ListsAtMost32Skins) {
    DeviceReset();
    TestFolder root("select");
    for (int i = 0; i < 40; i++) {
        char name[8];
        snprintf(name, sizeof name, "s%02d", i);
        AddSkin(root, name, std::string("T ") + name + "\r\n");
    }
    UseExeFolder(root);
    DialogView view;
    QueueLook(10, &view);
    DeviceQueueAction(20, Act(DeviceDoubleTapItem, kSelectList, 31));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    ASSERT_EQ(32u, view.items.size());
    EXPECT_EQ("s31", view.items[31]);
    EXPECT_EQ(ScriptPath(root, "s31"), TestUtf8(path));
}

static void ExpectOneError(const char *expected) {
    const std::vector<DeviceMessageBox> &boxes = DeviceMessageBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(expected, DeviceUtf8(boxes[0].text));
    EXPECT_EQ("Error", DeviceUtf8(boxes[0].caption));
    EXPECT_EQ((UINT)MB_OK, boxes[0].style);
    EXPECT_EQ(nullptr, boxes[0].owner);
}

TEST(ChooseSkinMessages, NoSkinFolder) {
    DeviceReset();
    TestFolder root("select");
    ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", "T Root\r\n"));
    UseExeFolder(root);
    WCHAR path[kScriptPathUnits] = {};
    EXPECT_EQ(0, ChooseSkin(path));
    ExpectOneError("No skin.txt is found.");
}

TEST(ChooseSkinMessages, SearchCannotStart) {
    DeviceReset();
    TestFolder root("select");
    UseExeFolder(root);
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits,
                              TestDevicePath(root.path / "missing", true)));
    WCHAR path[kScriptPathUnits] = {};
    EXPECT_EQ(0, ChooseSkin(path));
    ExpectOneError("File Error (1).");
}
