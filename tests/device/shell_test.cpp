// The whole program (WinMain) on the simulated device, driven by scripted
// input with checks at device times; each run starts as a new process would.
#include "core/process.h"
#include "core/tables.h"
#include "device.h"
#include "engine/schedule.h"
#include "graphics/pixels.h"
#include "shell/instance.h"
#include "shell/mainwindow.h"
#include "support/bmp_writer.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

namespace {

// The test skin: a red 20 x 20 picture 10 pixels from the edges of 240 x 320.
enum { kAreaX = 210, kAreaY = 290, kAreaSize = 20 };

std::vector<COLORREF> ScreenPixels() {
    std::vector<COLORREF> pixels;
    for (int i = 0; i < DeviceScreenHeight() * DeviceScreenWidth(); i++)
        pixels.push_back(DeviceReadScreen(i % DeviceScreenWidth(), i / DeviceScreenWidth()));
    return pixels;
}

bool MascotShownAt(int x, int y) {
    COLORREF desk = DeviceReadScreen(0, 0);
    return DeviceReadScreen(x, y) != desk && DeviceReadScreen(x + kAreaSize - 1, y + kAreaSize - 1) != desk;
}

std::vector<int> DialogStack() {
    std::vector<int> ids;
    for (const DeviceDialogInfo &info : DeviceOpenDialogs()) ids.push_back(info.resourceId);
    return ids;
}

HWND TopDialog() { return DeviceOpenDialogs().empty() ? nullptr : DeviceOpenDialogs().back().window; }

struct ShellRun {
    TestFolder folder{"shell"};
    int exitCode = -1, checks = 0, checksReached = 0;
    bool ended = false;
    std::vector<COLORREF> desktop;  // the screen as the run found it

    explicit ShellRun(int depth = 16) {
        ResetProcessState();
        DeviceReset();
        DeviceSetScreen(240, 320, depth, 0x808080);
        DeviceSetExecutable((folder.path / "pondlet.exe").string());
        std::vector<uint32_t> red(kAreaSize * kAreaSize, 0x0000FF);
        WriteBmpFile(folder.path / "test" / "red.bmp", {.width = kAreaSize, .height = kAreaSize, .pixels = red});
        WriteTestFile(folder.path / "test" / "skin.txt",
                      "T Test skin\r\nD20,20,10,10\r\nG0,red.bmp,0,0\r\n#0 100 0\r\n");
        desktop = ScreenPixels();
    }
    // Pixels that differ from the desktop, leaving out those inside `skip`.
    int ChangedPixels(RECT skip = {}) const {
        std::vector<COLORREF> now = ScreenPixels();
        int changed = now.size() == desktop.size() ? 0 : -1;
        for (int i = 0; changed >= 0 && i < (int)now.size(); i++) {
            int x = i % DeviceScreenWidth(), y = i / DeviceScreenWidth();
            bool skipped = x >= skip.left && x < skip.right && y >= skip.top && y < skip.bottom;
            changed += !skipped && now[i] != desktop[i];
        }
        return changed;
    }
    void At(uint64_t ms, std::function<void()> check) {
        checks++;
        DeviceAction action;
        action.custom = [this, check] {
            checksReached++;
            check();
        };
        DeviceQueueAction(ms, action);
    }
    // A settings or work-area change takes its width and height as id and index.
    void Act(uint64_t ms, DeviceActionKind kind, int id = 0, int index = 0, int x = 0, int y = 0) {
        DeviceAction action;
        action.kind = kind;
        action.id = action.width = id;
        action.index = action.height = index;
        action.x = x;
        action.y = y;
        DeviceQueueAction(ms, action);
    }
    void Run(uint64_t limitMs) {
        DeviceSetRunLimit(limitMs);
        try {
            exitCode = WinMain((HINSTANCE)GetModuleHandleW(nullptr), nullptr, (LPSTR) "", 0);
            ended = true;
        } catch (const DeviceRunEnded &) {}
        EXPECT_EQ(checks, checksReached) << "checks reached before the run ended at " << DeviceElapsed();
    }
};

// A settings change keeps the distances to the edges, the user's move included,
// and leaves no frame behind; the frame a window move leaves showing is never
// taken for desktop, neither by the tap that resumes nor by a taskbar change.
TEST(Shell, TapSettingsChangeAndWindowMove) {
    ShellRun run;
    run.At(700, [] { MoveUserOffset(-5, 3); });
    run.Act(800, DeviceSettingsChange, 320, 240);
    run.At(1000, [] { EXPECT_TRUE(MascotShownAt(320 - 30 - 5, 240 - 30 + 3)); });
    run.Act(1100, DeviceSettingsChange, 240, 320);
    run.Act(1300, DeviceSettingsChange, 240, 320);  // the old place stays on the screen
    run.Act(1450, DeviceTrayTap);
    run.At(1550, [&] { EXPECT_EQ(std::pair(0, 1), std::pair(run.ChangedPixels(), animation.paused)) << "hidden"; });
    run.Act(1600, DeviceTrayTap);
    run.Act(1700, DeviceWindowMoved);
    run.At(1900, [&] { EXPECT_EQ(1, animation.paused) << "a foreign move stops the mascot"; });
    run.Act(2000, DeviceTrayTap);
    run.At(2100, [] { EXPECT_EQ(0, animation.paused) << "a tap resumes"; });
    run.Act(2150, DeviceTrayTap);
    run.At(2200, [&] { EXPECT_EQ(0, run.ChangedPixels()) << "hidden after a move and a resume"; });
    run.Act(2250, DeviceTrayTap);
    run.Act(2400, DeviceWindowMoved);
    run.Act(2500, DeviceWorkAreaChange, 240, 290);
    run.Act(2600, DeviceTrayTap);
    run.At(2700, [&] { EXPECT_EQ(0, run.ChangedPixels()) << "hidden after a move and a new taskbar"; });
    run.Run(2800);
}

// The mascot keeps its margins from the corner of the work area's part on the
// screen and leaves nothing at its old place. The messages re-place it at once
// (a desktop does not resize the window); a tick catches an unannounced resize.
TEST(Shell, FollowsTheDisplayAndTheWorkArea) {
    const struct {
        const char *name;
        RECT startArea, change;
        DeviceActionKind kind;
        bool atOnce;
        int32_t x, y;  // where the 20 x 20 picture ends up
    } rows[] = {
        {"display change", {0, 0, 240, 320}, {0, 0, 300, 300}, DeviceDisplayChange, true, 270, 270},
        {"taskbar at the bottom", {0, 0, 240, 320}, {0, 0, 240, 290}, DeviceWorkAreaChange, true, 210, 260},
        {"taskbar at the right", {0, 0, 240, 320}, {0, 0, 200, 320}, DeviceWorkAreaChange, true, 170, 290},
        {"taskbar at the top", {0, 0, 240, 320}, {0, 30, 240, 320}, DeviceWorkAreaChange, true, 210, 290},
        {"unannounced resize", {0, 0, 240, 320}, {0, 0, 300, 300}, DeviceCustom, false, 270, 270},
        {"docked from the start", {0, 0, 240, 290}, {0, 0, 240, 320}, DeviceCustom, true, 210, 260},
        {"display change, bar kept", {0, 0, 240, 290}, {0, 0, 300, 300}, DeviceDisplayChange, true, 270, 240},
        {"area past the screen", {0, 0, 240, 320}, {-50, 0, 640, 290}, DeviceWorkAreaChange, true, 210, 260},
        {"area off the screen", {0, 0, 240, 320}, {300, 0, 400, 300}, DeviceWorkAreaChange, true, 210, 290},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ShellRun run;
        const RECT &start = row.startArea, &change = row.change;
        DeviceSetWorkArea(start.left, start.top, start.right, start.bottom);
        if (row.kind == DeviceCustom)
            run.At(500, [&] { DeviceResizeScreen(change.right, change.bottom, 0x808080); });
        else
            run.Act(500, row.kind, change.right - change.left, change.bottom - change.top, change.left, change.top);
        if (row.atOnce)
            run.At(500, [&] { EXPECT_EQ(std::pair(row.x, row.y), std::pair(skinTables.areaX, skinTables.areaY)); });
        run.At(1600, [&] {  // the picture there and nothing anywhere else
            run.desktop.assign(DeviceScreenWidth() * DeviceScreenHeight(), DeviceReadScreen(0, 0));
            RECT box = {row.x, row.y, row.x + kAreaSize, row.y + kAreaSize};
            EXPECT_EQ(std::pair(400, 0), std::pair(run.ChangedPixels(), run.ChangedPixels(box)));
        });
        run.Run(1700);
    }
}

// 32 bits are recorded as 24; with only "100%" and "Half" the mascot starts at
// 100% (mode 2 would draw it black). The panel selects the stored mode or the
// nearest item; a choice waits for the close, whichever button closes.
TEST(Shell, PanelOffersTheDepthsModesAndAppliesTheChoiceOnClose) {
    enum { kNoChoice = -1, kNoSelection = -2 };
    const struct {
        int depth, recorded, startMode;
        const char *items;
        int stored, selected, preview, choose;
        DeviceActionKind close;
        int closeId, mode;
        bool shown;
    } rows[] = {
        {16, 24, 2, "100% 75% 50% 25% Half ", 2, 2, 3, kNoSelection, DeviceEnter, 0, 2, true},
        {32, 24, 2, "100% 75% 50% 25% Half ", 1, 1, 3, kNoSelection, DeviceEnter, 0, 1, true},
        {8, 8, 0, "100% Half ", 0, 0, 4, kNoSelection, DeviceEnter, 0, 0, true},
        {8, 8, 0, "100% Half ", 1, 0, 4, kNoSelection, DeviceEnter, 0, 1, true},
        {8, 8, 0, "100% Half ", 2, 1, 4, kNoSelection, DeviceEnter, 0, 2, true},
        {16, 24, 2, "100% 75% 50% 25% Half ", 2, 2, 3, 4, DeviceEscape, 0, 4, true},  // Half then Cancel
        {16, 24, 2, "100% 75% 50% 25% Half ", 2, 2, 3, 0, DeviceEnter, 0, 0, true},   // 100% then OK
        {16, 24, 2, "100% 75% 50% 25% Half ", 2, 2, 3, kNoChoice, DevicePress, IDC_HIDE, 2, false},
        {16, 24, 2, "100% 75% 50% 25% Half ", 2, 2, 3, 1, DevicePress, IDC_HIDE, 1, true},  // Hide after a change
    };
    for (const auto &row : rows) {
        ShellRun run(row.depth);
        SCOPED_TRACE(testing::Message() << row.depth << " bits, stored " << row.stored << ", choice " << row.choose);
        run.At(300, [&] {
            EXPECT_EQ(std::pair(row.recorded, row.startMode), std::pair(displayFormat.depth, blendMode));
            EXPECT_TRUE(MascotShownAt(kAreaX, kAreaY));
            SetBlendMode(row.stored);
        });
        run.Act(500, DeviceTrayDoubleTap);
        run.At(550, [&] {
            std::string items;
            for (const auto &item : DeviceControlItems(TopDialog(), IDC_BLEND_LIST)) items += DeviceUtf8(item) + " ";
            EXPECT_EQ(row.items, items);
            EXPECT_EQ(row.selected, DeviceControlSelection(TopDialog(), IDC_BLEND_LIST));
            if (row.choose == kNoSelection)
                SendDlgItemMessageW(TopDialog(), IDC_BLEND_LIST, CB_SETCURSEL, (WPARAM)-1, 0);
        });
        if (row.choose >= 0) run.Act(600, DeviceChoose, IDC_BLEND_LIST, row.choose);
        run.At(650, [&] { EXPECT_EQ(row.preview, blendMode) << "a choice waits for the close"; });
        run.Act(700, row.close, row.closeId);
        run.Run(1000);
        EXPECT_EQ(std::pair(row.mode, row.shown ? 0 : 1), std::pair(blendMode, animation.paused));
        EXPECT_TRUE(row.shown ? MascotShownAt(kAreaX, kAreaY) : run.ChangedPixels() == 0);
        EXPECT_EQ(std::pair(0, size_t(0)), std::pair(panelOpen, DeviceOpenDialogs().size()));
    }
}

// Moves add up and draw at once; a double tap while the panel is open pauses; a
// second start returns when the panel it opened closes.
TEST(Shell, PanelMovesAboutSecondStartAndQuit) {
    ShellRun run;
    run.Act(500, DeviceTrayDoubleTap);
    run.Act(600, DevicePress, IDC_UP);
    run.At(600, [] { EXPECT_TRUE(MascotShownAt(kAreaX, kAreaY - 1)) << "up"; });
    run.Act(610, DevicePress, IDC_LEFT_TEN);
    run.At(610, [] { EXPECT_TRUE(MascotShownAt(kAreaX - 10, kAreaY - 1)) << "ten left"; });
    run.Act(620, DevicePress, IDC_RIGHT);
    run.At(620, [] { EXPECT_TRUE(MascotShownAt(kAreaX - 9, kAreaY - 1)) << "right"; });
    run.Act(800, DevicePress, IDC_ABOUT_BUTTON);
    run.At(850, [] { EXPECT_EQ((std::vector<int>{IDD_PANEL, IDD_ABOUT}), DialogStack()); });
    run.Act(900, DeviceEnter);
    run.Act(1000, DeviceTrayDoubleTap);
    run.At(1050, [] { EXPECT_EQ(std::pair(std::vector{IDD_PANEL}, 1), std::pair(DialogStack(), animation.paused)); });
    run.Act(1100, DeviceEscape);
    run.Act(1300, DeviceHelp);
    run.At(1350, [] { EXPECT_EQ(std::vector<int>{IDD_ABOUT}, DialogStack()) << "About from help"; });
    run.Act(1400, DeviceEscape);
    run.At(1500, [] {
        SendMessageW(LoadWindowHandle(), 1026, 0, 515);
        EXPECT_EQ(1800u, DeviceElapsed()) << "the hand-over waits for the panel";
    });
    run.Act(1800, DeviceEscape);
    run.Act(1900, DeviceTrayDoubleTap);
    run.Act(2000, DevicePress, IDC_QUIT);
    run.Run(5000);
    EXPECT_EQ(std::tuple(true, 0, 0), std::tuple(run.ended, run.exitCode, run.ChangedPixels())) << "ended, 0, restored";
    EXPECT_EQ(std::pair(size_t(0), size_t(0)), std::pair(DeviceTrayIcons().size(), DeviceOpenDialogs().size()));
}

// Nothing is put back before the first tick has captured the desktop: the
// restart after a panel or settings change would otherwise take the wrongly
// restored pixels for the desktop.
TEST(Shell, NothingIsPutBackBeforeTheFirstCapture) {
    const struct {
        const char *name;
        DeviceActionKind first, then;  // DeviceCustom: custom first, nothing then
        bool ends;
        std::function<void()> custom;
    } rows[] = {
        {"tap", DeviceTrayTap, DeviceTrayTap, false, nullptr},
        {"double tap", DeviceTrayDoubleTap, DeviceEscape, false, nullptr},
        {"second start", DeviceCustom, DeviceEscape, false, [] { SendMessageW(DeviceMainWindow(), 1026, 0, 515); }},
        {"settings change", DeviceSettingsChange, DeviceCustom, false, nullptr},
        {"destruction", DeviceCustom, DeviceCustom, true, [] { DestroyWindow(DeviceMainWindow()); }},
    };
    for (const auto &row : rows) {
        ShellRun run(24);
        if (row.custom) run.At(0, row.custom);
        if (!row.custom) run.Act(0, row.first, 240, 320);  // a settings change keeps the size
        if (row.then != DeviceCustom) run.Act(100, row.then);
        if (!row.ends) {
            run.At(400, [] { EXPECT_TRUE(MascotShownAt(kAreaX, kAreaY)) << "the mascot comes back"; });
            run.Act(500, DeviceTrayTap);
            run.At(600, [&] { EXPECT_EQ(0, run.ChangedPixels()) << row.name << ", then hidden"; });
        }
        run.Run(700);
        EXPECT_EQ(std::pair(row.ends, 0), std::pair(run.ended, run.ChangedPixels())) << row.name;
    }
}

// The timer goes before the background comes back: a tick dispatched while a
// dialog's loop still runs would otherwise draw the mascot again.
TEST(Shell, ShutDownStopsTheTimerBeforeRestoring) {
    ShellRun run;
    static int timerAliveAtRestore = -1;
    run.At(300, [] {
        DeviceObservers observers;
        observers.screenChanged = [] {
            if (timerAliveAtRestore < 0) timerAliveAtRestore = KillTimer(DeviceMainWindow(), 900);
        };
        DeviceSetObservers(observers);
        ShutDown();
    });
    run.Run(1000);
    EXPECT_EQ(0, timerAliveAtRestore) << "timer still set when the background was put back";
}

// The desktop around the mascot keeps its own bytes, also where another program
// draws (the second time within the same 5-6-5 value). The skin: a 20 x 20
// picture in the middle of a 40 x 40 area.
TEST(Shell, UncoveredPixelsKeepTheDesktopBytes) {
    for (int depth : {16, 24, 32, 8}) {
        ShellRun run(depth);
        WriteTestFile(run.folder.path / "test" / "skin.txt",
                      "T Test skin\r\nD40,40,10,10\r\nG0,red.bmp,10,10\r\n#0 100 0\r\n");
        for (int y = 0; y < 320; y++) DeviceFillScreen(0, y, 240, 1, RGB(y * 7 / 10, 255 - y * 7 / 10, 37 + y / 3));
        const int left = 240 - 10 - 40, top = 320 - 10 - 40;
        // A palette grey whose 5-6-5 value lies nearer another entry.
        DeviceFillScreen(left, top + 32, 40, 8, RGB(160, 160, 164));
        run.desktop = ScreenPixels();
        const RECT picture = {left + 10, top + 10, left + 30, top + 30};
        auto paint = [&](COLORREF colour) {
            DeviceFillScreen(left + 2, top + 2, 5, 5, colour);
            for (int i = 0; i < 25; i++)
                run.desktop[(top + 2 + i / 5) * 240 + left + 2 + i % 5] = DeviceReadScreen(left + 2, top + 2);
        };
        run.At(300, [&] {
            EXPECT_EQ(0, run.ChangedPixels(picture)) << "depth " << depth;
            EXPECT_TRUE(MascotShownAt(left + 10, top + 10)) << "depth " << depth;
            paint(0x135797);  // another program, off the 5-6-5 grid
        });
        run.At(450, [&] { paint(0x105490); });
        run.At(600, [&] { EXPECT_EQ(0, run.ChangedPixels(picture)) << "after a foreign paint, depth " << depth; });
        run.Act(700, DeviceTrayTap);
        run.At(800, [&] { EXPECT_EQ(0, run.ChangedPixels()) << "hidden, depth " << depth; });
        run.Run(900);
    }
}

// A skin that does not load ends the program, and the tray icon goes with it.
TEST(Shell, ASkinThatDoesNotLoadLeavesNoTrayIcon) {
    ShellRun run;
    std::filesystem::remove_all(run.folder.path / "test");
    run.Run(1000);
    EXPECT_EQ(std::tuple(true, 0, size_t(0), 0),
              std::tuple(run.ended, run.exitCode, DeviceTrayIcons().size(), run.ChangedPixels()));
}

// Without work surfaces nothing is drawn whatever the tray or the panel asks.
// The skin's own picture takes the first allocation, the surfaces the next.
TEST(Shell, AfterASurfaceFailureNothingIsDrawn) {
    for (const auto &[call, after] : {std::pair("CreateDIBSection", 0), std::pair("LocalAlloc", 3)}) {
        ShellRun run;
        DeviceFailNext(call, 1, after);
        run.Act(500, DeviceTrayTap);
        run.Act(700, DeviceTrayDoubleTap);
        run.Act(800, DevicePress, IDC_RIGHT);
        run.Act(900, DeviceEscape);
        run.Act(1000, DeviceTrayTap);
        run.Run(1500);
        ASSERT_FALSE(run.ended || DeviceMessageBoxes().empty()) << call;
        EXPECT_EQ("baseBmp error (", DeviceUtf8(DeviceMessageBoxes()[0].text).substr(0, 15)) << call;
        EXPECT_EQ(std::pair(0, 1), std::pair(run.ChangedPixels(), animation.paused)) << call << ": changed, paused";
    }
}

// A second copy finds the mutex taken, sends the double-tap message and ends
// with 0, creating nothing. Only a window of Pondlet's class gets it: the one
// __tmp names, else the one found by class.
TEST(Shell, SecondStartHandsOverOnlyToPondletsWindow) {
    static std::string received;
    WNDPROC recorder = [](HWND window, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        WCHAR name[16] = {};
        if (message == 1026)
            received += std::to_string(lParam) + " " + DeviceUtf8((GetClassNameW(window, name, 16), name));
        return 0;
    };
    enum { kNone, kPondlet, kStranger };
    const struct {
        const char *name, *expected;
        bool running, readOnly;
        int stored, fileBytes;
    } rows[] = {
        {"__tmp names it", "515 Pondlet", true, false, kPondlet, 4},
        {"__tmp cut short", "515 Pondlet", true, false, kPondlet, 3},
        {"__tmp names a stranger", "515 Pondlet", true, false, kStranger, 4},
        {"a stranger, no running window", "", false, false, kStranger, 4},
        {"read-only folder without __tmp", "515 Pondlet", true, true, kNone, 0},
    };
    for (const auto &row : rows) {
        ShellRun run;
        received.clear();
        auto window = [&](const char16_t *name) {
            WNDCLASSW windowClass = {0, recorder, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, name};
            RegisterClassW(&windowClass);
            return CreateWindowExW(0, name, nullptr, 0, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
        };
        HWND windows[3] = {nullptr, row.running ? window(u"Pondlet") : nullptr, window(u"Stranger")};
        uint32_t handle = (uint32_t)(uintptr_t)windows[row.stored];  // little-endian, as the running copy writes it
        if (row.fileBytes) WriteTestFile(run.folder.path / "__tmp", std::string((const char *)&handle, row.fileBytes));
        if (row.readOnly) MakeTestFolder(run.folder.path, kTestFolderReadOnly);
        DeviceHoldMutex(u"Pondlet");
        EXPECT_EQ(0, InitInstance(nullptr, 0)) << row.name;
        EXPECT_TRUE(DeviceTrayIcons().empty() && DeviceMessageBoxes().empty()) << row.name;
        EXPECT_EQ(row.expected, received) << row.name;
    }
}

// The running copy's main window exists (and is found by its class) while the
// Select dialog is still up; a hand-over then is ignored, not a panel over it.
TEST(Shell, HandOverDuringStartUpIsIgnored) {
    ShellRun run;
    std::filesystem::copy(run.folder.path / "test", run.folder.path / "test2");
    run.At(100, [] { PostMessageW(FindRunningCopy(), 1026, 0, 515); });
    run.At(200,
           [] { EXPECT_TRUE(DialogStack() == std::vector{IDD_SELECT} && FindRunningCopy() == DeviceMainWindow()); });
    run.Act(300, DeviceEnter);
    run.At(600, [] { EXPECT_TRUE(DialogStack().empty() && MascotShownAt(kAreaX, kAreaY)); });
    run.Run(700);
}

// __tmp keeps the low 32 bits, which a 64-bit system sign-extends. A read-only
// folder refuses the file without a message; any other failure is reported.
TEST(Shell, HandleFileRoundTrip) {
    const struct {
        const char *name;
        intptr_t handle, loaded;
        bool readOnly, heldOpen;
        size_t boxes;
    } rows[] = {
        {"low handle", 0x10004, 0x10004, false, false, 0},
        {"top bit set", (int32_t)0x80001234, (int32_t)0x80001234, false, false, 0},
        {"read-only folder", 0x10004, 0, true, false, 0},
        {"held open", 0x10004, 0, false, true, 1},
    };
    for (const auto &row : rows) {
        ShellRun run;
        if (row.readOnly) MakeTestFolder(run.folder.path, kTestFolderReadOnly);
        std::u16string path = DevicePathFromHost((run.folder.path / "__tmp").string());
        HANDLE held =
            row.heldOpen ? CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr) : nullptr;
        SaveWindowHandle((HWND)row.handle);
        if (held) CloseHandle(held);
        EXPECT_EQ(std::pair(row.loaded, row.boxes),
                  std::pair((intptr_t)LoadWindowHandle(), DeviceMessageBoxes().size()))
            << row.name;
    }
}

}  // namespace

// The tool and these tests start the program many times in one process: a run
// stopped inside the panel leaves nothing that changes the next golden run
// (the hourly event fires again), and the reset gives back every block.
TEST(Shell, ResetProcessStateLeavesNothingOfARun) {
    TestFolder golden("reset");
    std::filesystem::copy(BundledSkin(), golden.path / "pondlet");
    const SYSTEMTIME hourly = {2026, 12, 1, 7, 8, 59, 59, 900};
    ResetProcessState();
    size_t allocations = DeviceLiveAllocations();
    uint32_t first = RunAndHash(golden.path, 24, 1, hourly, 3);
    ShellRun run;
    run.At(300, [] { SetBlendMode(3); });
    run.Act(400, DeviceTrayDoubleTap);
    run.Act(500, DevicePress, IDC_LEFT_TEN);
    run.Run(600);
    ASSERT_EQ(std::pair(1, kAreaX - 10), std::pair(panelOpen, skinTables.areaX)) << "stopped in the panel, moved";
    EXPECT_EQ(first, RunAndHash(golden.path, 24, 1, hourly, 3));
    ASSERT_NE(0, DeviceLiveGdiObjects());
    ResetProcessState();
    EXPECT_EQ(std::pair(allocations, 0), std::pair(DeviceLiveAllocations(), DeviceLiveGdiObjects()));
}
