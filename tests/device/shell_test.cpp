// The whole program (WinMain) on the simulated device with a small test skin:
// start-up, the single instance, the tray icon, the main window's messages,
// the control panel and the About box. Checks run at device times inside the
// run; every run starts from a fresh device and the program's start values,
// as a new process would.
#include "device.h"
#include "engine/schedule.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"
#include "shell/instance.h"
#include "shell/mainwindow.h"
#include "shell/panel.h"
#include "skin/tables.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

// The program keeps what it allocates until its process ends; each run of
// WinMain in this test process adds another set, which is not a leak.
extern "C" __attribute__((used)) const char *__asan_default_options() { return "detect_leaks=0"; }

namespace {

// The test skin: one red 20 x 20 picture in frames of 100 ms, 10 pixels from
// the right and bottom edges of the 240 x 320 screen.
enum { kAreaX = 210, kAreaY = 290, kAreaSize = 20, kMargin = 10 };
enum { kPanel = 125, kAbout = 105, kList = 1061, kHide = 1058, kAboutButton = 1056, kQuit = 1057 };
enum { kUp = 1067, kDown = 1069, kLeft = 1068, kRight = 1063, kUpTen = 1062, kDownTen = 1065,
       kLeftTen = 1064, kRightTen = 1066 };

std::vector<COLORREF> ScreenPixels() {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < DeviceScreenHeight(); y++)
        for (int x = 0; x < DeviceScreenWidth(); x++) pixels.push_back(DeviceReadScreen(x, y));
    return pixels;
}

int ChangedPixels(const std::vector<COLORREF> &before) {
    std::vector<COLORREF> now = ScreenPixels();
    if (now.size() != before.size()) return -1;
    int changed = 0;
    for (size_t i = 0; i < now.size(); i++) changed += now[i] != before[i];
    return changed;
}

bool MascotShownAt(int x, int y) {
    return DeviceReadScreen(x + kAreaSize / 2, y + kAreaSize / 2) != DeviceReadScreen(0, 0);
}

std::vector<int> DialogStack() {
    std::vector<int> ids;
    for (const DeviceDialogInfo &info : DeviceOpenDialogs()) ids.push_back(info.resourceId);
    return ids;
}

HWND TopDialog() {
    std::vector<DeviceDialogInfo> open = DeviceOpenDialogs();
    return open.empty() ? nullptr : open.back().window;
}

struct ShellRun {
    TestFolder folder{"shell"};
    int exitCode = -1, checks = 0, checksReached = 0;
    bool ended = false;

    explicit ShellRun(int depth = 16) {
        // The previous run's surfaces lived on the previous device: a size no
        // surface can have leaves them not ready, as at process start.
        skinTables.areaWidth = -1;
        CreateWorkSurfaces();
        blendMode = 2;
        offsetX = offsetY = moveBusy = panelOpen = savedBlendMode = quitPending = 0;
        mainWindow = nullptr;
        instanceMutex = nullptr;
        exeFolder[0] = 0;
        animation = AnimationState{};
        DeviceReset();
        DeviceSetScreen(240, 320, depth, 0x808080);
        DeviceSetExecutable((folder.path / "pondlet.exe").string());
        BmpSpec red;
        red.width = red.height = kAreaSize;
        red.pixels.assign(kAreaSize * kAreaSize, 0x0000FF);
        WriteBmpFile(folder.path / "test" / "red.bmp", red);
        WriteTestFile(folder.path / "test" / "skin.txt",
                      "T Test skin\r\nD20,20,10,10\r\nG0,red.bmp,0,0\r\n#0 100 0\r\n");
    }
    // A check (or a step of a second program) at a device time.
    void At(uint64_t ms, std::function<void()> check) {
        checks++;
        DeviceAction action;
        action.custom = [this, check] { checksReached++, check(); };
        DeviceQueueAction(ms, action);
    }
    // A settings change takes the new width and height as id and index.
    void Act(uint64_t ms, DeviceActionKind kind, int id = 0, int index = 0) {
        DeviceAction action;
        action.kind = kind;
        action.id = action.width = id;
        action.index = action.height = index;
        DeviceQueueAction(ms, action);
    }
    // Runs WinMain until it returns or the device time reaches limitMs.
    void Run(uint64_t limitMs) {
        DeviceSetRunLimit(limitMs);
        try {
            exitCode = WinMain((HINSTANCE)GetModuleHandleW(nullptr), nullptr, (LPSTR) "", 0);
            ended = true;
        } catch (const DeviceRunEnded &) {
        }
        EXPECT_EQ(checks, checksReached) << "checks reached before the run ended at " << DeviceElapsed();
    }
};

std::string HandleBytes(HWND window) {
    uint32_t value = (uint32_t)(uintptr_t)window;
    return {(char)value, (char)(value >> 8), (char)(value >> 16), (char)(value >> 24)};
}

// One run: start-up, the tap toggle, a settings change that keeps the
// distances to the edges (the user's move included) and, once back at the
// old size, leaves no frame behind; then a foreign move of our window, which
// leaves the last frame and stops until a tap.
TEST(Shell, StartTapSettingsChangeAndWindowMove) {
    ShellRun run;
    std::vector<COLORREF> before = ScreenPixels();
    run.At(300, [] { EXPECT_TRUE(MascotShownAt(kAreaX, kAreaY)) << "at start"; });
    run.Act(400, DeviceTrayTap);
    run.At(500, [&] {
        EXPECT_EQ(std::pair(0, 1), std::pair(ChangedPixels(before), animation.paused)) << "hidden, stopped";
    });
    run.Act(600, DeviceTrayTap);
    run.At(700, [] {
        EXPECT_EQ(std::pair(true, 0), std::pair(MascotShownAt(kAreaX, kAreaY), animation.paused)) << "shown";
        offsetX = -5, offsetY = 3;
    });
    run.Act(800, DeviceSettingsChange, 320, 240);
    run.At(1000, [] {
        EXPECT_EQ(320 - kMargin - kAreaSize - 5, skinTables.areaX);
        EXPECT_EQ(240 - kMargin - kAreaSize + 3, skinTables.areaY);
        EXPECT_EQ(0, animation.paused) << "our own resize does not stop the mascot";
        EXPECT_TRUE(MascotShownAt(skinTables.areaX, skinTables.areaY));
    });
    run.Act(1100, DeviceSettingsChange, 240, 320);
    run.Act(1300, DeviceSettingsChange, 240, 320);  // the old place stays on the screen
    run.Act(1450, DeviceTrayTap);
    run.At(1550, [&] { EXPECT_EQ(0, ChangedPixels(before)) << "hidden after the settings changes"; });
    run.Act(1600, DeviceTrayTap);
    run.Act(1700, DeviceWindowMoved);
    uint64_t writesAtMove = 0;
    run.At(1701, [&] { writesAtMove = DeviceScreenWrites(); });
    run.At(1900, [&] {
        bool shown = MascotShownAt(skinTables.areaX, skinTables.areaY);
        EXPECT_EQ(std::pair(true, 1), std::pair(shown, animation.paused)) << "the last frame stays, stopped";
        EXPECT_EQ(writesAtMove, DeviceScreenWrites()) << "drawn while stopped";
    });
    run.Act(2000, DeviceTrayTap);
    run.At(2100, [] { EXPECT_EQ(0, animation.paused) << "a tap resumes"; });
    run.Run(2200);
    ASSERT_FALSE(run.ended) << "the program ended early with " << run.exitCode;
    std::ifstream handleFile(run.folder.path / "__tmp", std::ios::binary);
    EXPECT_EQ(HandleBytes(DeviceMainWindow()), std::string(std::istreambuf_iterator<char>(handleFile), {}))
        << "__tmp";
    // The taps above reached the icon's window, id and message; the tip is its own.
    ASSERT_EQ(1u, DeviceTrayIcons().size());
    EXPECT_EQ("QXTIMER", DeviceUtf8(DeviceTrayIcons()[0].tip));
    EXPECT_TRUE(DeviceMutexHeld(u"Pondlet"));
    EXPECT_EQ(TestDevicePath(run.folder.path / "test", true), exeFolder) << TestUtf8(exeFolder);
}

// 32 bits are recorded as 24; where only "100%" and "Half" exist the mascot
// starts at 100% (mode 2 would draw it black). The panel offers what the depth
// allows, selects the start mode and previews a fainter mode while open.
TEST(Shell, DepthDecidesStartModeListAndPreview) {
    const struct { int depth, recorded, mode; const char *items; int selected, preview; } rows[] = {
        {16, 24, 2, "100% 75% 50% 25% Half", 2, 3},
        {32, 24, 2, "100% 75% 50% 25% Half", 2, 3},
        {8, 8, 0, "100% Half", 0, 4},
    };
    for (const auto &row : rows) {
        ShellRun run(row.depth);
        run.At(300, [&] {
            EXPECT_EQ(row.recorded, displayFormat.depth) << "depth " << row.depth;
            EXPECT_EQ(row.mode, blendMode) << "depth " << row.depth;
            EXPECT_TRUE(MascotShownAt(kAreaX, kAreaY)) << "depth " << row.depth;
        });
        run.Act(500, DeviceTrayDoubleTap);
        run.At(600, [&] {
            std::string items;
            for (const std::u16string &item : DeviceControlItems(TopDialog(), kList))
                items += (items.empty() ? "" : " ") + DeviceUtf8(item);
            EXPECT_EQ(row.items, items) << "depth " << row.depth;
            EXPECT_EQ(row.selected, DeviceControlSelection(TopDialog(), kList)) << "depth " << row.depth;
            EXPECT_EQ(row.preview, blendMode) << "depth " << row.depth;
            EXPECT_EQ(0, animation.paused) << "runs behind the panel, depth " << row.depth;
        });
        run.Act(700, DeviceEscape);
        run.Run(900);
        EXPECT_EQ(row.mode, blendMode) << "after the panel, depth " << row.depth;
    }
}

// How each way of closing the panel leaves the mode and the mascot.
TEST(Shell, PanelCloseStepsApplyTheChosenMode) {
    // choose: the item chosen before the close, -1: none
    const struct { const char *name; int choose; DeviceActionKind close; int closeId, mode; bool shown; }
        rows[] = {
        {"OK unchanged", -1, DeviceEnter, 0, 2, true},
        {"Cancel unchanged", -1, DeviceEscape, 0, 2, true},
        {"close box", -1, DeviceCloseBox, 0, 2, true},
        {"Half then Cancel", 4, DeviceEscape, 0, 4, true},
        {"100% then OK", 0, DeviceEnter, 0, 0, true},
        {"Hide unchanged", -1, DevicePress, kHide, 2, false},
        {"Hide after a change", 1, DevicePress, kHide, 1, true},
    };
    for (const auto &row : rows) {
        ShellRun run;
        std::vector<COLORREF> before = ScreenPixels();
        run.Act(500, DeviceTrayDoubleTap);
        if (row.choose >= 0) run.Act(600, DeviceChoose, kList, row.choose);
        run.At(650, [&] { EXPECT_EQ(3, blendMode) << row.name << ": a choice waits for the close"; });
        run.Act(700, row.close, row.closeId);
        run.Run(1000);
        EXPECT_EQ(row.mode, blendMode) << row.name;
        EXPECT_EQ(row.shown ? 0 : 1, animation.paused) << row.name;
        EXPECT_EQ(row.shown, MascotShownAt(kAreaX, kAreaY)) << row.name;
        EXPECT_TRUE(row.shown || ChangedPixels(before) == 0) << row.name << ": " << ChangedPixels(before);
        EXPECT_EQ(std::pair(0, size_t(0)), std::pair(panelOpen, DeviceOpenDialogs().size())) << row.name;
    }
}

// On the short list a stored mode selects the nearest item; closing with no
// valid selection keeps the stored mode.
TEST(Shell, ShortListSelectsTheNearestModeAndNoSelectionKeepsIt) {
    const int selectedForMode[] = {0, 0, 1, 1, 1};
    ShellRun run(8);
    for (int mode = 0; mode < 5; mode++) {
        uint64_t at = 500 + 500 * (uint64_t)mode;
        run.At(at, [mode] { blendMode = mode; });
        run.Act(at + 100, DeviceTrayDoubleTap);
        run.At(at + 200, [&, mode] {
            EXPECT_EQ(selectedForMode[mode], DeviceControlSelection(TopDialog(), kList)) << "mode " << mode;
            SendDlgItemMessageW(TopDialog(), kList, CB_SETCURSEL, (WPARAM)-1, 0);
        });
        run.Act(at + 300, DeviceEnter);
        run.At(at + 400, [mode] { EXPECT_EQ(mode, blendMode) << "no selection, stored mode " << mode; });
    }
    run.Run(3100);
}

// One run through the panel: moves add up and draw at once; About from the
// panel and from WM_HELP; a double tap or a second start while the panel is
// open pauses and opens nothing; a second start while it is closed opens it
// and returns when it closes; Quit leaves the screen as it was.
TEST(Shell, PanelMovesAboutSecondStartAndQuit) {
    const struct { int id; int32_t dx, dy; } moves[] = {
        {kUp, 0, -1},     {kDown, 0, 1},      {kLeft, -1, 0},    {kRight, 1, 0},
        {kUpTen, 0, -10}, {kDownTen, 0, 10},  {kLeftTen, -10, 0}, {kRightTen, 10, 0},
        {kLeftTen, -10, 0}, {kUpTen, 0, -10},
    };
    ShellRun run;
    std::vector<COLORREF> before = ScreenPixels();
    run.Act(500, DeviceTrayDoubleTap);
    int32_t x = 0, y = 0;
    for (size_t i = 0; i < std::size(moves); i++) {
        x += moves[i].dx;
        y += moves[i].dy;
        run.Act(600 + 10 * i, DevicePress, moves[i].id);
        run.At(600 + 10 * i, [=] {
            EXPECT_EQ(std::make_pair(x, y), std::make_pair(offsetX, offsetY)) << "after press " << i;
            EXPECT_TRUE(MascotShownAt(kAreaX + x, kAreaY + y)) << "after press " << i;
        });
    }
    run.Act(800, DevicePress, kAboutButton);
    run.At(850, [] {
        EXPECT_EQ((std::vector<int>{kPanel, kAbout}), DialogStack());
        EXPECT_EQ(GetDlgItem(TopDialog(), IDOK), DeviceFocus()) << "About's OK has the focus";
    });
    run.Act(900, DeviceEnter);
    run.At(950, [] { EXPECT_EQ(std::vector<int>{kPanel}, DialogStack()) << "About closed"; });
    run.At(1000, [] {
        SendMessageW(LoadWindowHandle(), 1026, 0, 515);
        EXPECT_EQ(1000u, DeviceElapsed()) << "the hand-over returns at once";
        EXPECT_EQ(std::pair(std::vector<int>{kPanel}, 1), std::pair(DialogStack(), animation.paused))
            << "second start while open";
    });
    run.Act(1100, DeviceEscape);
    run.At(1200, [] { EXPECT_EQ(1, animation.paused) << "an unchanged close restarts nothing"; });
    run.Act(1300, DeviceHelp);
    run.At(1350, [] { EXPECT_EQ(std::vector<int>{kAbout}, DialogStack()) << "About from help"; });
    run.Act(1400, DeviceEscape);
    run.At(1500, [] {
        SendMessageW(LoadWindowHandle(), 1026, 0, 515);
        EXPECT_EQ(1800u, DeviceElapsed()) << "the hand-over waits for the panel";
    });
    run.Act(1600, DeviceTrayDoubleTap);
    run.At(1700, [] {
        EXPECT_EQ(std::pair(std::vector<int>{kPanel}, 1), std::pair(DialogStack(), animation.paused))
            << "double tap while open";
    });
    run.Act(1800, DeviceEscape);
    run.Act(1900, DeviceTrayDoubleTap);
    run.Act(2000, DevicePress, kQuit);
    run.Run(5000);
    EXPECT_TRUE(run.ended && run.exitCode == 0) << "exit code " << run.exitCode;
    EXPECT_EQ(0, ChangedPixels(before)) << "after Quit";
    EXPECT_EQ(std::pair(size_t(0), size_t(0)), std::pair(DeviceTrayIcons().size(), DeviceOpenDialogs().size()))
        << "icons and dialogs left";
}

// Without work surfaces the animation stays stopped whatever the tray or the
// panel asks, and nothing is drawn.
TEST(Shell, AfterASurfaceFailureNothingIsDrawn) {
    const char *const rows[][2] = {{"CreateDIBSection", "baseBmp error ("},
                                   {"CreateCompatibleDC", "baseDC error ("}};
    for (const auto &row : rows) {
        ShellRun run;
        DeviceFailNext(row[0], 1);
        std::vector<COLORREF> before = ScreenPixels();
        run.Act(500, DeviceTrayTap);
        run.Act(700, DeviceTrayDoubleTap);
        run.Act(800, DevicePress, kRight);
        run.Act(900, DeviceEscape);
        run.Act(1000, DeviceTrayTap);
        run.Run(1500);
        EXPECT_FALSE(run.ended) << row[0];
        ASSERT_FALSE(DeviceMessageBoxes().empty()) << row[0];
        EXPECT_EQ("Error", DeviceUtf8(DeviceMessageBoxes()[0].caption)) << row[0];
        EXPECT_EQ(0u, DeviceUtf8(DeviceMessageBoxes()[0].text).rfind(row[1], 0))
            << row[0] << ": " << DeviceUtf8(DeviceMessageBoxes()[0].text);
        EXPECT_EQ(64u, DeviceBeeps().empty() ? 0 : DeviceBeeps()[0]) << row[0] << ": beep";
        EXPECT_EQ(0, ChangedPixels(before)) << row[0];
        EXPECT_EQ(1, animation.paused) << row[0];
        EXPECT_EQ(1u, DeviceTrayIcons().size()) << row[0];
    }
}

// A second copy finds the mutex taken, sends the double-tap message to the
// handle in __tmp (only a whole one) and ends with 0, creating nothing.
TEST(Shell, SecondStartHandsOverToTheHandleInTheFile) {
    static std::vector<LPARAM> received;
    for (int fileBytes : {4, 3, 0, -1}) {  // -1: no file
        ShellRun run;
        received.clear();
        WNDCLASSW recorder = {};
        recorder.lpszClassName = WSTR("Running copy");
        recorder.lpfnWndProc = [](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
            if (message == 1026) received.push_back(lParam);
            return 0;
        };
        RegisterClassW(&recorder);
        HWND running = CreateWindowExW(0, WSTR("Running copy"), WSTR(""), 0, 0, 0, 10, 10, nullptr,
                                       nullptr, nullptr, nullptr);
        if (fileBytes >= 0)
            WriteTestFile(run.folder.path / "__tmp", HandleBytes(running).substr(0, fileBytes));
        DeviceHoldMutex(u"Pondlet");
        run.Run(1000);
        EXPECT_TRUE(run.ended && run.exitCode == 0) << fileBytes << " bytes: exit " << run.exitCode;
        EXPECT_EQ(fileBytes == 4 ? std::vector<LPARAM>{515} : std::vector<LPARAM>{}, received)
            << fileBytes << " bytes";
        EXPECT_TRUE(DeviceTrayIcons().empty()) << fileBytes << " bytes";
    }
}

// The folder of an executable in the root is a single backslash (elsewhere
// the runs above check it), a handle file that cannot be written is told, and
// the tray tip is cut to 63 characters (none given: empty).
TEST(Shell, RootFolderUnsavedHandleFileAndTrayTip) {
    DeviceReset();
    DeviceSetExecutable("/pondlet.exe");
    FindExeFolder();
    EXPECT_EQ("\\", DeviceUtf8(exeFolder));
    TestFolder folder("shell-handle");
    DeviceSetExecutable((folder.path / "missing" / "pondlet.exe").string());
    SaveWindowHandle((HWND)(uintptr_t)0x1234);
    ASSERT_EQ(1u, DeviceMessageBoxes().size());
    EXPECT_EQ("File Save error", DeviceUtf8(DeviceMessageBoxes()[0].text));
    EXPECT_EQ("Error", DeviceUtf8(DeviceMessageBoxes()[0].caption));
    EXPECT_EQ(nullptr, DeviceMessageBoxes()[0].owner);

    std::u16string tip(80, u'x');
    AddTrayIcon(nullptr, nullptr, 7, tip.c_str());
    AddTrayIcon(nullptr, nullptr, 8, nullptr);
    ASSERT_EQ(2u, DeviceTrayIcons().size());
    EXPECT_EQ(tip.substr(0, 63), DeviceTrayIcons()[0].tip);
    EXPECT_EQ(u"", DeviceTrayIcons()[1].tip);
}

}  // namespace
