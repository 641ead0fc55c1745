// Single instance, tray icon and shut-down.
#pragma once

#include "platform.h"

#include <stdint.h>

extern HANDLE instanceMutex;
extern HICON trayIconImage;
extern int32_t quitPending;  // 1 once ShutDown has posted the quit message

void FindExeFolder(void);
HWND LoadWindowHandle(void);
void SaveWindowHandle(HWND window);
void AddTrayIcon(HWND window, HICON icon, UINT id, const WCHAR *tip);
void DeleteTrayIcon(HWND window, UINT id);
void ShutDown(void);
