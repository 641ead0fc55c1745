// Runs the whole program (WinMain) on the simulated device with a small test
// skin, for the shell's tests. Each run starts from a fresh device and the
// program's start values, as a new process would.
#pragma once

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

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// The program keeps what it allocates until its process ends; each run of
// WinMain in a test process adds another set, which is not a leak of the
// program's. (Each shell test program includes this header from one source.)
extern "C" __attribute__((used)) const char *__asan_default_options() { return "detect_leaks=0"; }

// The test skin's work area on the 240 x 320 screen: 20 x 20 at 10 pixels
// from the right and bottom edges.
enum { kAreaX = 210, kAreaY = 290, kAreaSize = 20, kMargin = 10 };
// Panel and About controls.
enum {
    kPanelList = 1061, kPanelHide = 1058, kPanelAbout = 1056, kPanelQuit = 1057,
    kPanelUp = 1067, kPanelDown = 1069, kPanelLeft = 1068, kPanelRight = 1063,
    kPanelUpTen = 1062, kPanelDownTen = 1065, kPanelLeftTen = 1064, kPanelRightTen = 1066
};
const COLORREF kDesktop = 0x808080;

// A skin of one red 20 x 20 picture, shown in frames of 100 ms.
inline void WriteTestSkin(const std::filesystem::path &folder, const char *title) {
    BmpSpec red;
    red.width = red.height = kAreaSize;
    red.pixels.assign(kAreaSize * kAreaSize, 0x0000FF);
    WriteBmpFile(folder / "red.bmp", red);
    WriteTestFile(folder / "skin.txt", std::string("T ") + title +
                                           "\r\nD20,20,10,10\r\nG0,red.bmp,0,0\r\n#0 100 0\r\n");
}

// Puts the program's process-wide values back to their start values. The
// previous run's work surfaces lived on the previous device: a size that
// cannot be made leaves the surfaces marked as not ready, as at process start
// (the refusal is told on the old device, before the caller resets it).
inline void ResetProgramState() {
    skinTables.areaWidth = -1;
    CreateWorkSurfaces();
    blendMode = 2;
    offsetX = offsetY = 0;
    moveBusy = panelOpen = 0;
    savedBlendMode = 0;
    mainWindow = nullptr;
    instanceMutex = nullptr;
    quitPending = 0;
    exeFolder[0] = 0;
    animation = AnimationState{};
}

struct ShellRun {
    TestFolder folder{"shell"};
    int exitCode = -1;      // WinMain's result, -1 while the run was cut off
    bool ended = false;     // WinMain returned

    // A fresh device with the executable in the test folder and, when asked,
    // the test skin beside it.
    explicit ShellRun(int depth = 16, bool withSkin = true) {
        ResetProgramState();
        DeviceReset();
        DeviceSetScreen(240, 320, depth, kDesktop);
        DeviceSetExecutable((folder.path / "pondlet.exe").string());
        if (withSkin) WriteTestSkin(folder.path / "test", "Test skin");
    }

    // Queues a callback at a device time.
    void At(uint64_t ms, std::function<void()> what) {
        DeviceAction action;
        action.kind = DeviceCustom;
        action.custom = std::move(what);
        DeviceQueueAction(ms, action);
    }
    void Act(uint64_t ms, DeviceActionKind kind, int id = 0, int index = 0) {
        DeviceAction action;
        action.kind = kind;
        action.id = id;
        action.index = index;
        DeviceQueueAction(ms, action);
    }

    // Runs WinMain until it returns or the device time reaches limitMs.
    void Run(uint64_t limitMs) {
        DeviceSetRunLimit(limitMs);
        try {
            exitCode = WinMain((HINSTANCE)GetModuleHandleW(nullptr), nullptr, (LPSTR) "", 0);
            ended = true;
        } catch (const DeviceRunEnded &) {
            ended = false;
        }
    }

    // The handle file's bytes.
    std::string HandleFile() const {
        std::ifstream in(folder.path / "__tmp", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

// The whole screen, for before-and-after comparisons.
inline std::vector<COLORREF> ScreenPixels() {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < DeviceScreenHeight(); y++)
        for (int x = 0; x < DeviceScreenWidth(); x++) pixels.push_back(DeviceReadScreen(x, y));
    return pixels;
}

// Pixels that differ from a snapshot (screens of the same size).
inline int ChangedPixels(const std::vector<COLORREF> &before) {
    std::vector<COLORREF> now = ScreenPixels();
    if (now.size() != before.size()) return -1;
    int changed = 0;
    for (size_t i = 0; i < now.size(); i++) changed += now[i] != before[i];
    return changed;
}

// The centre of the work area shows something other than the desktop.
inline bool MascotShownAt(int x, int y) {
    return DeviceReadScreen(x + kAreaSize / 2, y + kAreaSize / 2) != DeviceReadScreen(0, 0);
}

// The topmost open dialog's resource id, or 0.
inline int TopmostDialogId() {
    std::vector<DeviceDialogInfo> open = DeviceOpenDialogs();
    return open.empty() ? 0 : open.back().resourceId;
}
inline HWND TopmostDialogWindow() {
    std::vector<DeviceDialogInfo> open = DeviceOpenDialogs();
    return open.empty() ? nullptr : open.back().window;
}
