// Start-up and the hidden main window.
//
// WinMain registers the class, loads the tray image and calls InitInstance,
// which either hands over to a running copy or creates the main window. The
// window's WM_CREATE (OnCreate) runs the whole set-up: screen size, display
// depth, the skin, the work surfaces, the display probe and the animation
// timer. From then on MainWndProc is the hub: timer ticks drive the
// animation, the tray icon pauses, resumes or opens the control panel, and a
// change of system settings, of the display or of the taskbar re-places the
// mascot.
#include "shell/mainwindow.h"

#include "core/process.h"
#include "core/tables.h"
#include "engine/control.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "shell/instance.h"
#include "shell/panel.h"
#include "skin/script.h"

// The double tap is also what a second start sends (ClaimSingleInstance).
enum { kTapCode = WM_LBUTTONDOWN, kDoubleTapCode = WM_LBUTTONDBLCLK };

// The screen size the window was last fitted to. Wine resizes the screen
// under an outside change (xrandr) without telling its programs, so ticks
// compare the platform's figure with this one, at most once a period: under
// Wine each look at the screen's size is a round trip to its server.
enum { kScreenCheckPeriod = 1000 };  // ms
static int32_t fittedWidth, fittedHeight;
static DWORD lastScreenCheck;

// Layer by layer from the top, so that each part is given back while what it
// refers to still exists: the work surfaces before the skin's pictures.
void ResetProcessState(void) {
    ResetShellState();
    ResetEngineState();
    ResetSkinState();
    ResetGraphicsState();
    ResetCoreState();
}

void ResetShellState(void) {
    ResetInstance();
    ResetPanel();
    fittedWidth = fittedHeight = 0;
    lastScreenCheck = 0;
}

static void ReadScreenSize(HWND window) {
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(window, &rect);
    SetScreenSize(rect.right - rect.left, rect.bottom - rect.top);
}

static int32_t ClampToScreen(LONG value, int32_t size) {
    if (value < 0) return 0;
    return value > size ? size : (int32_t)value;
}

// The work area, the screen less the taskbar and docked bars: the mascot is
// placed from its bottom-right corner, where the screen's corner would put it
// over the taskbar's clock. Only the part on the screen counts (Wine still
// reports the old screen's work area after a display change), and where that
// part is empty, or the platform reports none, the whole screen counts.
static void ReadDockedBars(void) {
    RECT work = {0, 0, screenWidth, screenHeight};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int32_t left = ClampToScreen(work.left, screenWidth),
            right = ClampToScreen(work.right, screenWidth);
    int32_t top = ClampToScreen(work.top, screenHeight),
            bottom = ClampToScreen(work.bottom, screenHeight);
    int onScreen = right > left && bottom > top;
    SetDockedBars(onScreen ? screenWidth - right : 0, onScreen ? screenHeight - bottom : 0);
}

static void NoteScreenMetrics(void) {
    fittedWidth = GetSystemMetrics(SM_CXSCREEN);
    fittedHeight = GetSystemMetrics(SM_CYSCREEN);
}

// A screen of no size is ignored: Wine reports one while X has no output
// switched on (a failed xrandr), and the mascot waits for a real screen.
static int ScreenResizedUnannounced(void) {
    DWORD now = GetTickCount();
    if (now - lastScreenCheck < kScreenCheckPeriod) return 0;
    lastScreenCheck = now;
    int32_t width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return 0;
    return width != fittedWidth || height != fittedHeight;
}

// A desktop system does not size a window to the screen by itself, yet the
// window's rectangle is what the program takes for the screen. The
// WM_WINDOWPOSCHANGED this sends stops the animation as any move does; the
// restart that always follows a fit starts it again.
static void FitWindowToScreen(HWND window) {
    NoteScreenMetrics();
    SetWindowPos(window, NULL, 0, 0, fittedWidth, fittedHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

ATOM RegisterMainClass(HINSTANCE instance) {
    WNDCLASSW windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = kMainClassName;
    return RegisterClassW(&windowClass);
}

int InitInstance(HINSTANCE instance, int show) {
    (void)show;  // the main window is never shown
    FindExeFolder();
    if (!ClaimSingleInstance()) return 0;
    // The screen's size rather than the default size: on a desktop system the
    // default does not span the screen.
    SetMainWindow(CreateWindowExW(0, kMainClassName, WSTR("Pondlet"), 0, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  NULL, NULL, instance, NULL));
    if (mainWindow == NULL) return 0;
    UpdateWindow(mainWindow);
    ShowTrayIcon(mainWindow);
    SaveWindowHandle(mainWindow);
    // After a failed skin load ShutDown has already run and the quit is
    // pending: the icon just added would outlive the program in the tray.
    if (QuitPending()) DeleteTrayIcon(mainWindow, IDI_PONDLET);
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)commandLine;
    SetAppInstance(instance);
    if (previous == NULL && RegisterMainClass(instance) == 0) return 0;
    LoadTrayIcon(instance);
    if (!InitInstance(instance, show)) return 0;
    MSG message = {};
    // GetMessageW returns -1 on an error; only a positive result is a message.
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return (int)message.wParam;
}

void OnCreate(HWND window) {
    NoteScreenMetrics();
    ReadScreenSize(window);
    ReadDockedBars();
    OpenDisplay();
    // Only "100%" and "Half" are offered on such displays, and the blends in
    // between would draw every covered pixel black there.
    if (displayFormat.depth != 24) SetBlendMode(kBlendFull);
    if (!LoadSkin()) {
        ShutDown();
        return;
    }
    if (!CreateWorkSurfaces()) {
        // Reported by CreateWorkSurfaces; with no timer and paused set, a move
        // from the panel draws nothing either.
        StopAnimation(window);
        return;
    }
    ProbeDisplayFormat(&workSurface);
    StartAnimation(window);
}

void OnPaint(HWND window) {
    PAINTSTRUCT paint;
    SetFocus(window);
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

// A tap toggles between running and paused (paused means hidden); a double
// tap, or a second start, pauses and opens the panel unless it is open. A
// second start that finds this window while it is still being created (the
// Select dialog) is ignored: there is nothing to show a panel for yet.
static void OnTrayNotify(LPARAM code) {
    if (mainWindow == NULL) return;
    if (code == kTapCode) {
        if (animation.paused == 1) {
            RestartAnimation();
        } else {
            PauseAnimation();
        }
    } else if (code == kDoubleTapCode) {
        if (animation.paused == 0) PauseAnimation();
        if (panelOpen != 0) return;
        SetPanelOpen(1);
        OpenControlPanel();
    }
}

// A new screen size, resolution or taskbar: the mascot keeps its distance
// from the right and bottom edges of the work area. The old place gets its
// background back first, also when a window move stopped the mascot with its
// frame still showing: the restart captures the screen at the new place, and
// a frame left at the old one would stay behind as part of the desktop.
static void FollowScreenChange(HWND window) {
    if (WorkSurfacesReady()) RestoreBackground();
    FitWindowToScreen(window);
    ReadScreenSize(window);
    ReadDockedBars();
    PlaceWorkArea();
    RestartAnimation();
}

// A resize nobody announced is followed first; the restart arms the timer
// again, and the next tick draws at the new place.
static void OnTimer(HWND window) {
    if (ScreenResizedUnannounced()) {
        FollowScreenChange(window);
        return;
    }
    AnimationTick(window);
}

// Something moved or resized the window: stop, but leave the last frame on
// the screen (unlike PauseAnimation). Whatever starts the mascot again takes
// that frame off before it captures the desktop.
static void OnWindowPosChanged(void) { StopAnimation(mainWindow); }

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_DESTROY: ShutDown(); return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_SETTINGCHANGE: FollowScreenChange(window); return 0;
    case WM_DISPLAYCHANGE: FollowScreenChange(window); return 0;
    case WM_WINDOWPOSCHANGED: OnWindowPosChanged(); return 0;
    case WM_HELP: ShowAboutBox(window); return 0;
    case WM_TIMER: OnTimer(window); return 0;
    case WM_TRAYNOTIFY: OnTrayNotify(lParam); return 0;
    }
    // A desktop system needs its defaults for the rest (WM_NCCREATE must
    // succeed or the window is never created).
    return DefWindowProcW(window, message, wParam, lParam);
}
