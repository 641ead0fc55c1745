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
    kTrayIconId = IDI_PONDLET,    // also the icon group
    kAnimationTimer = 900,
    kDialogAbout = IDD_ABOUT,
    kDialogPanel = IDD_PANEL,
    kDialogSelect = IDD_SELECT
};

extern WCHAR exeFolder[kExeFolderUnits];  // ends with a backslash
extern HINSTANCE appInstance;
extern HWND mainWindow;
extern int32_t screenWidth, screenHeight;
// What the taskbar and docked bars take from the screen's right and bottom
// edges (0 where they leave the whole screen): on a desktop the mascot keeps
// clear of the taskbar's clock in the screen's corner.
extern int32_t dockRight, dockBottom;
extern int32_t offsetX, offsetY;
extern int32_t blendMode;  // a BlendMode; start 2
extern int32_t moveBusy;
extern int32_t panelOpen;

// Puts every value above back to its start value.
void ResetProcessValues(void);

// Tells the user of a failure: the text in a box captioned "Error", or,
// when skinMessageHook is set, the text to the hook instead.
void ShowErrorBox(const WCHAR *text);
// Where failure messages go instead of a box when set: the skin author's
// lint collects them while it loads a skin. The program leaves it null.
extern void (*skinMessageHook)(const WCHAR *text);

// Runs the dialog template with this id from the program's resources
// modally. Returns 0 when the template is missing or the dialog could not
// be created.
int RunDialog(int id, HWND owner, DLGPROC procedure);
