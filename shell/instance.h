// Single instance, tray icon and shut-down.
#pragma once

#include "platform.h"

extern HANDLE instanceMutex;
extern HICON trayIconImage;

void FindExeFolder(void);
HWND LoadWindowHandle(void);
void SaveWindowHandle(HWND window);
void AddTrayIcon(HWND window, HICON icon, UINT id, const WCHAR *tip);
void DeleteTrayIcon(HWND window, UINT id);
void ShutDown(void);
