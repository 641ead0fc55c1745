// The bottom layer of the program: what every subsystem shares.
//
// The program is built in layers, each using only the ones below it:
//   platform  the platform calls (platform.h)
//   core      process-wide values, the image record, the skin tables,
//             the error box and dialog helpers, pixel format constants
//   graphics  pixel operations, the BMP loader, work surfaces, display probe
//   skin      the skin catalogue and the script reader that fills the tables
//   engine    rule selection, the animation tick and the compositor
//   shell     start-up, the main window, tray icon, panel and shut-down
// Start reading at shell/mainwindow.cpp (WinMain); the data flows from
// skin.txt through skin/ into core/tables.h, and from there through engine/
// into graphics/'s work surfaces and onto the screen.
//
// This header holds the process-wide values: set at start-up or by the
// control panel, read by every layer.
#pragma once

#include "platform.h"
#include "resource.h"

#include <stdint.h>

enum {
    kExeFolderUnits = 260,
    WM_TRAYNOTIFY = WM_USER + 2,  // the tray icon's callback message
    kAnimationTimer = 900
};

// The values below are read by every layer and written only here, through
// the operations that follow them; the comment of each says who calls its
// setter.

// The folder of the executable, then of the chosen skin; ends with a
// backslash. Set by the shell at start-up and by the skin catalogue.
extern const WCHAR *const exeFolder;
// Returns 0, keeping the folder, when folder and its terminator do not fit
// kExeFolderUnits.
int SetExeFolder(const WCHAR *folder);
// The program's instance, for its resources: set by WinMain.
void SetAppInstance(HINSTANCE instance);
// Set by the shell when it creates the main window.
extern const HWND &mainWindow;
void SetMainWindow(HWND window);
// The screen: set by the shell at start-up and on every change of the screen.
extern const int32_t &screenWidth, &screenHeight;
void SetScreenSize(int32_t width, int32_t height);
// What the taskbar and docked bars take from the screen's right and bottom
// edges (0 where they leave the whole screen): on a desktop the mascot keeps
// clear of the taskbar's clock in the screen's corner. Set by the shell with
// the screen.
void SetDockedBars(int32_t right, int32_t bottom);
// The user's move of the mascot from its place: the engine's MoveArea (the
// control panel's buttons) adds to it.
void MoveUserOffset(int32_t dx, int32_t dy);
// Places the skin's work area by the screen size less the docked bars, the
// D line's margins and the user's offset:
//   areaX = screenWidth - bars on the right - marginRight - areaWidth + offset x,
// and the same downwards for areaY. The sums wrap as 32-bit values do, so
// absurd margins or offsets cannot overflow.
void PlaceWorkArea(void);
// A BlendMode; start 2. Set by the shell at start-up and by the control
// panel.
extern const int32_t &blendMode;
void SetBlendMode(int32_t mode);
// 1 while the control panel is open: set by the shell's tray handler and
// the panel.
extern const int32_t &panelOpen;
void SetPanelOpen(int32_t open);

// Puts every value above back to its start value.
void ResetProcessValues(void);
// The whole core layer as a new process finds it: the skin tables freed and
// the values above at their start.
void ResetCoreState(void);

// Tells the user of a failure: the text in a box captioned "Error", or,
// when the observer's message report is set (core/observer.h), the text to
// it instead.
void ShowErrorBox(const WCHAR *text);

// Runs the dialog template with this id from the program's resources
// modally. Returns 0 when the template is missing or the dialog could not
// be created.
int RunDialog(int id, HWND owner, DLGPROC procedure);
