// The control panel and the About box, opened from the tray icon, a second
// start and WM_HELP, driven through WinMain on the simulated device.
#include "shell_run.h"

#include <gtest/gtest.h>

namespace {

std::string Items(HWND dialog) {
    std::string out;
    for (const std::u16string &item : DeviceControlItems(dialog, kPanelList))
        out += (out.empty() ? "" : " ") + DeviceUtf8(item);
    return out;
}

// The list offers what the depth allows, the start mode is selected, and a
// fainter preview mode holds only while the panel is open.
TEST(ShellPanel, ListAndPreviewModeFollowTheDepth) {
    struct Row {
        int depth;
        const char *items;
        int selected, preview, after;
    } rows[] = {
        /* depth  items                          sel preview after */
        {16, "100% 75% 50% 25% Half", 2, 3, 2},
        {24, "100% 75% 50% 25% Half", 2, 3, 2},
        {8, "100% Half", 0, 4, 0},
    };
    for (const Row &row : rows) {
        ShellRun run(row.depth);
        std::string items;
        int selected = -1, preview = -1, paused = -1, open = 0;
        run.Act(500, DeviceTrayDoubleTap);
        run.At(600, [&] {
            open = TopmostDialogId();
            items = Items(TopmostDialogWindow());
            selected = DeviceControlSelection(TopmostDialogWindow(), kPanelList);
            preview = blendMode;
            paused = animation.paused;
        });
        run.Act(700, DeviceEscape);
        run.Run(900);
        EXPECT_EQ(open, 125) << "depth " << row.depth;
        EXPECT_EQ(items, row.items) << "depth " << row.depth;
        EXPECT_EQ(selected, row.selected) << "depth " << row.depth;
        EXPECT_EQ(preview, row.preview) << "depth " << row.depth;
        EXPECT_EQ(paused, 0) << "the mascot runs behind the panel, depth " << row.depth;
        EXPECT_EQ(blendMode, row.after) << "depth " << row.depth;
        EXPECT_EQ(panelOpen, 0) << "depth " << row.depth;
        EXPECT_TRUE(DeviceOpenDialogs().empty()) << "depth " << row.depth;
    }
}

// How each way of closing leaves the mode and the mascot.
TEST(ShellPanel, CloseStepsApplyTheChosenMode) {
    struct Row {
        const char *name;
        int choose;          // item to choose first, -1: none
        DeviceActionKind close;
        int closeId;
        int mode;
        bool shown;
    } rows[] = {
        /* name                 choose close            id          mode shown */
        {"OK unchanged", -1, DeviceEnter, 0, 2, true},
        {"Cancel unchanged", -1, DeviceEscape, 0, 2, true},
        {"close box", -1, DeviceCloseBox, 0, 2, true},
        {"Half then Cancel", 4, DeviceEscape, 0, 4, true},
        {"100% then OK", 0, DeviceEnter, 0, 0, true},
        {"Hide unchanged", -1, DevicePress, kPanelHide, 2, false},
        {"Hide after a change", 1, DevicePress, kPanelHide, 1, true},
    };
    for (const Row &row : rows) {
        ShellRun run;
        std::vector<COLORREF> before = ScreenPixels();
        int modeWhileOpen = -1;
        run.Act(500, DeviceTrayDoubleTap);
        if (row.choose >= 0) run.Act(600, DeviceChoose, kPanelList, row.choose);
        run.At(650, [&] { modeWhileOpen = blendMode; });
        run.Act(700, row.close, row.closeId);
        run.Run(1000);
        EXPECT_EQ(modeWhileOpen, 3) << row.name << ": a choice waits for the close";
        EXPECT_EQ(blendMode, row.mode) << row.name;
        EXPECT_EQ(animation.paused, row.shown ? 0 : 1) << row.name;
        EXPECT_EQ(MascotShownAt(kAreaX, kAreaY), row.shown) << row.name;
        if (!row.shown) {
            EXPECT_EQ(ChangedPixels(before), 0) << row.name;
        }
        EXPECT_EQ(panelOpen, 0) << row.name;
        EXPECT_TRUE(DeviceOpenDialogs().empty()) << row.name;
    }
}

// A mode the short list lacks selects the nearest item; closing with no
// valid selection keeps the stored mode.
TEST(ShellPanel, ModesTheListLacksAndNoSelection) {
    struct Row {
        int stored, selected, afterNoSelection;
    } rows[] = {{0, 0, 0}, {1, 0, 1}, {2, 1, 2}, {3, 1, 3}, {4, 1, 4}};
    for (const Row &row : rows) {
        ShellRun run(8);
        int selected = -2;
        run.At(400, [&] { blendMode = row.stored; });
        run.Act(500, DeviceTrayDoubleTap);
        run.At(600, [&] {
            selected = DeviceControlSelection(TopmostDialogWindow(), kPanelList);
            SendDlgItemMessageW(TopmostDialogWindow(), kPanelList, CB_SETCURSEL, (WPARAM)-1, 0);
        });
        run.Act(700, DeviceEnter);
        run.Run(900);
        EXPECT_EQ(selected, row.selected) << "stored mode " << row.stored;
        EXPECT_EQ(blendMode, row.afterNoSelection) << "stored mode " << row.stored;
    }
}

// Each button moves by its step, the steps add up, and the mascot is drawn
// at the new place at once.
TEST(ShellPanel, MovesAddUp) {
    struct Row {
        int id;
        int32_t dx, dy;
    } rows[] = {
        {kPanelUp, 0, -1},     {kPanelDown, 0, 1},      {kPanelLeft, -1, 0},
        {kPanelRight, 1, 0},   {kPanelUpTen, 0, -10},   {kPanelDownTen, 0, 10},
        {kPanelLeftTen, -10, 0}, {kPanelRightTen, 10, 0}, {kPanelLeftTen, -10, 0},
        {kPanelUpTen, 0, -10},
    };
    ShellRun run;
    std::vector<std::pair<int32_t, int32_t>> offsets;
    std::vector<bool> drawnAtOnce;
    run.Act(500, DeviceTrayDoubleTap);
    uint64_t at = 600;
    for (const Row &row : rows) {
        run.Act(at, DevicePress, row.id);
        run.At(at, [&] {
            offsets.push_back({offsetX, offsetY});
            drawnAtOnce.push_back(MascotShownAt(skinTables.areaX, skinTables.areaY));
        });
        at += 10;
    }
    run.Act(at, DeviceEscape);
    run.Run(at + 100);
    ASSERT_EQ(offsets.size(), std::size(rows));
    int32_t x = 0, y = 0;
    for (size_t i = 0; i < std::size(rows); i++) {
        x += rows[i].dx;
        y += rows[i].dy;
        EXPECT_EQ(offsets[i].first, x) << "after press " << i << " (id " << rows[i].id << ")";
        EXPECT_EQ(offsets[i].second, y) << "after press " << i << " (id " << rows[i].id << ")";
        EXPECT_TRUE(drawnAtOnce[i]) << "after press " << i;
    }
    EXPECT_EQ(skinTables.areaX, kAreaX + x);
    EXPECT_EQ(skinTables.areaY, kAreaY + y);
}

// While the panel is open a double tap pauses the mascot and opens nothing;
// a second start does exactly the same.
TEST(ShellPanel, DoubleTapAndSecondStartWhileOpen) {
    struct Row {
        const char *name;
        bool secondStart;
    } rows[] = {{"double tap", false}, {"second start", true}};
    for (const Row &row : rows) {
        ShellRun run;
        size_t dialogs = 0;
        int paused = -1;
        uint64_t handOverReturned = 0;
        run.Act(500, DeviceTrayDoubleTap);
        if (row.secondStart) {
            run.At(600, [&] {
                SendMessageW(LoadWindowHandle(), 1026, 0, 515);
                handOverReturned = DeviceElapsed();
            });
        } else {
            run.Act(600, DeviceTrayDoubleTap);
        }
        run.At(700, [&] {
            dialogs = DeviceOpenDialogs().size();
            paused = animation.paused;
        });
        run.Act(800, DeviceEscape);
        run.Run(1000);
        EXPECT_EQ(dialogs, 1u) << row.name;
        EXPECT_EQ(paused, 1) << row.name;
        EXPECT_EQ(animation.paused, 1) << row.name << ": an unchanged close restarts nothing";
        if (row.secondStart) {
            EXPECT_EQ(handOverReturned, 600u) << "the hand-over returns at once";
        }
    }
}

// A second start while the panel is closed: the running copy opens its panel,
// and the hand-over returns only when the panel has closed.
TEST(ShellPanel, SecondStartWaitsForThePanel) {
    ShellRun run;
    uint64_t returnedAt = 0;
    int openDuring = 0;
    run.At(500, [&] {
        SendMessageW(LoadWindowHandle(), 1026, 0, 515);
        returnedAt = DeviceElapsed();
    });
    run.At(600, [&] { openDuring = TopmostDialogId(); });
    run.Act(800, DeviceEscape);
    run.Run(1000);
    EXPECT_EQ(openDuring, 125);
    EXPECT_EQ(returnedAt, 800u);
}

TEST(ShellPanel, AboutFromThePanelAndFromHelp) {
    ShellRun run;
    std::vector<int> stackFromPanel, stackAfterOk, stackFromHelp;
    bool okHasFocus = false;
    auto stack = [] {
        std::vector<int> ids;
        for (const DeviceDialogInfo &info : DeviceOpenDialogs()) ids.push_back(info.resourceId);
        return ids;
    };
    run.Act(500, DeviceTrayDoubleTap);
    run.Act(600, DevicePress, kPanelAbout);
    run.At(650, [&] {
        stackFromPanel = stack();
        okHasFocus = DeviceFocus() == GetDlgItem(TopmostDialogWindow(), IDOK);
    });
    run.Act(700, DeviceEnter);
    run.At(750, [&] { stackAfterOk = stack(); });
    run.Act(800, DeviceEscape);
    run.Act(900, DeviceHelp);
    run.At(950, [&] { stackFromHelp = stack(); });
    run.Act(1000, DeviceEscape);
    run.Run(1200);
    EXPECT_EQ(stackFromPanel, (std::vector<int>{125, 105}));
    EXPECT_TRUE(okHasFocus);
    EXPECT_EQ(stackAfterOk, (std::vector<int>{125}));
    EXPECT_EQ(stackFromHelp, (std::vector<int>{105}));
    EXPECT_TRUE(DeviceOpenDialogs().empty());
}

TEST(ShellPanel, QuitLeavesTheScreenAsItWas) {
    ShellRun run;
    std::vector<COLORREF> before = ScreenPixels();
    run.Act(500, DeviceTrayDoubleTap);
    run.Act(600, DevicePress, kPanelRightTen);
    run.Act(700, DevicePress, kPanelQuit);
    run.Run(5000);
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ChangedPixels(before), 0);
    EXPECT_TRUE(DeviceTrayIcons().empty());
    EXPECT_TRUE(DeviceOpenDialogs().empty());
}

}  // namespace
