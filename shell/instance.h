// Single instance, tray icon and shut-down.
#pragma once

#include "platform.h"

#include <stdint.h>

extern const WCHAR kMainClassName[];  // the main window's class, "Pondlet"
extern HANDLE instanceMutex;
extern HICON trayIconImage;
extern int32_t quitPending;  // 1 once ShutDown has posted the quit message

void FindExeFolder(void);
HWND LoadWindowHandle(void);
void SaveWindowHandle(HWND window);
// The running copy's main window: the one __tmp names when it is of Pondlet's
// class, else any window of that class; null when there is none.
HWND FindRunningCopy(void);
void AddTrayIcon(HWND window, HICON icon, UINT id, const WCHAR *tip);
void DeleteTrayIcon(HWND window, UINT id);
void ShutDown(void);
