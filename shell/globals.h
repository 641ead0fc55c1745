// Process-wide values shared by every part of the program.
#pragma once

#include "platform.h"

#include <stdint.h>

enum {
    kExeFolderUnits = 260,
    WM_TRAYNOTIFY = WM_USER + 2,   // the tray icon's callback message
    kTrayIconId = 106,             // also the icon group
    kAnimationTimer = 900,
    kDialogAbout = 105,
    kDialogPanel = 125,
    kDialogSelect = 126
};

extern WCHAR exeFolder[kExeFolderUnits];   // ends with a backslash
extern HINSTANCE appInstance;
extern HWND mainWindow;
extern int32_t screenWidth, screenHeight;
// What the taskbar and docked bars take from the screen's right and bottom
// edges (0 where they leave the whole screen): on a desktop the mascot keeps
// clear of the taskbar's clock in the screen's corner.
extern int32_t dockRight, dockBottom;
extern int32_t offsetX, offsetY;
extern int32_t blendMode;    // a BlendMode; start 2
extern int32_t moveBusy;
extern int32_t panelOpen;
// Failure messages of the skin load (script and pictures) go here instead of
// a message box when it is set: the skin author's lint collects them. The
// program leaves it null.
extern void (*skinMessageHook)(const WCHAR *text);
