// The skin catalogue on the simulated device: the Select dialog driven by
// scripted input, the titles it lists, and the catalogue's messages.
#include "skin/catalogue.h"

#include "device.h"
#include "shell/globals.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

enum { kSelectList = 1060 };

// A fresh device whose executable's folder holds one skin per {folder, script}.
static void MakeSkins(const TestFolder &root, const std::vector<std::pair<std::string, std::string>> &skins) {
    DeviceReset();
    for (const auto &[name, script] : skins) ASSERT_EQ(1, WriteTestFile(root.path / name / "skin.txt", script));
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path, true)));
    appInstance = (HINSTANCE)GetModuleHandleW(NULL);
    mainWindow = NULL;
}

static DeviceAction Act(DeviceActionKind kind, int index = 0) {
    DeviceAction action;
    action.kind = kind;
    action.id = kSelectList;
    action.index = index;
    return action;
}

// At 10 ms notes the open dialog's resource id, list items and selection.
static void QueueLook(std::string *view) {
    DeviceAction look;
    look.custom = [view] {
        std::vector<DeviceDialogInfo> open = DeviceOpenDialogs();
        if (open.empty()) return;
        *view = std::to_string(open.back().resourceId) + " @" +
                std::to_string(DeviceControlSelection(open.back().window, kSelectList));
        for (const std::u16string &item : DeviceControlItems(open.back().window, kSelectList))
            *view += " [" + DeviceUtf8(item) + "]";
    };
    DeviceQueueAction(10, look);
}

static std::string ScriptPath(const TestFolder &root, const std::string &skin) {
    return TestUtf8(TestDevicePath(root.path / skin / "skin.txt"));
}

// A skin is listed by its last T or t line from the third character on, at
// most 80 characters; without a complete T line, by its whole path.
TEST(SelectDialog, ListsEachSkinByItsLastTitleLine) {
    TestFolder root("select");
    std::string eighty(80, 'x'), untitled = "b" + std::string(100, 'p');
    MakeSkins(root, {{"a", "T Cat\r\nD1,1,1,1\r\n"}, {untitled, "D1,1,1,1\r\n"}, {"c", "T First\r\nt Second\r\n"},
                     {"d", "TCat\r\n"}, {"e", "T " + eighty + "yz\r\n"}, {"f", "T\r\n"}, {"g", "T Last line lost"}});
    std::string view;
    QueueLook(&view);
    DeviceQueueAction(20, Act(DeviceEnter));

    WCHAR path[kScriptPathUnits] = {};
    ASSERT_EQ(1, ChooseSkin(path));
    EXPECT_EQ(std::to_string(kDialogSelect) + " @0 [Cat] [" + ScriptPath(root, untitled) + "] [Second] [at] [" +
                  eighty + "] [] [" + ScriptPath(root, "g") + "]",
              view);
    EXPECT_EQ(ScriptPath(root, "a"), TestUtf8(path));
    EXPECT_TRUE(DeviceOpenDialogs().empty());
    EXPECT_TRUE(DeviceMessageBoxes().empty());
}

// Enter or a double tap take the highlighted skin; Escape or the close box
// the first. Folders past the 32nd are not listed.
TEST(SelectDialog, ReturnsTheHighlightedSkinOrTheFirstOnCancel) {
    struct Row {
        const char *name;
        std::vector<DeviceAction> actions;
        const char *expected;
    } rows[] = {
        {"enter", {Act(DeviceEnter)}, "s00"},
        {"escape", {Act(DeviceEscape)}, "s00"},
        {"close box", {Act(DeviceCloseBox)}, "s00"},
        {"double tap", {Act(DeviceDoubleTapItem, 2)}, "s02"},
        {"double tap the 32nd", {Act(DeviceDoubleTapItem, 31)}, "s31"},
        {"choose then enter", {Act(DeviceChoose, 1), Act(DeviceEnter)}, "s01"},
        {"choose then escape", {Act(DeviceChoose, 2), Act(DeviceEscape)}, "s00"},
    };
    TestFolder root("select");
    std::vector<std::pair<std::string, std::string>> skins;
    for (int i = 0; i < 40; i++) {
        char name[8];
        snprintf(name, sizeof name, "s%02d", i);
        skins.push_back({name, std::string("T ") + name + "\r\n"});
    }
    for (const Row &row : rows) {
        MakeSkins(root, skins);
        std::string view;
        QueueLook(&view);
        uint64_t at = 10;
        for (const DeviceAction &action : row.actions) DeviceQueueAction(at += 10, action);

        WCHAR path[kScriptPathUnits] = {};
        ASSERT_EQ(1, ChooseSkin(path)) << row.name;
        EXPECT_EQ(32, skinCount) << row.name;
        EXPECT_EQ("[s31]", view.substr(view.size() - 5)) << row.name << ": " << view;
        EXPECT_EQ(ScriptPath(root, row.expected), TestUtf8(path)) << row.name;
        EXPECT_EQ(TestUtf8(TestDevicePath(root.path / row.expected, true)), TestUtf8(exeFolder)) << row.name;
        EXPECT_TRUE(DeviceOpenDialogs().empty()) << row.name;
    }
}

TEST(ChooseSkinMessages, NoSkinOrNoSearch) {
    TestFolder root("select");
    const std::pair<std::string, const char *> rows[] = {
        {"", "No skin.txt is found."},          // only a skin.txt beside the executable
        {"missing", "File Error (1)."},         // the folder does not exist
    };
    for (const auto &[folder, expected] : rows) {
        MakeSkins(root, {});
        ASSERT_EQ(1, WriteTestFile(root.path / "skin.txt", "T Root\r\n"));
        ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(root.path / folder, true)));
        WCHAR path[kScriptPathUnits] = {};
        EXPECT_EQ(0, ChooseSkin(path)) << expected;
        ASSERT_EQ(1u, DeviceMessageBoxes().size()) << expected;
        const DeviceMessageBox &box = DeviceMessageBoxes()[0];
        EXPECT_EQ(std::string("Error: ") + expected + " style 0 owner 0",
                  DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text) + " style " + std::to_string(box.style) +
                      " owner " + std::to_string(box.owner != nullptr));
    }
}
