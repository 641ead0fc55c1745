// Single instance, tray icon and shut-down.
#pragma once

#include "platform.h"

#include <stdint.h>

extern const WCHAR kMainClassName[];  // the main window's class, "Pondlet"

void FindExeFolder(void);
HWND LoadWindowHandle(void);
void SaveWindowHandle(HWND window);
// The running copy's main window: the one __tmp names when it is of Pondlet's
// class, else any window of that class; null when there is none.
HWND FindRunningCopy(void);
void AddTrayIcon(HWND window, HICON icon, UINT id, const WCHAR *tip);
void DeleteTrayIcon(HWND window, UINT id);
// Takes the mutex that makes this the one running copy: 1, or 0 after handing
// over to the copy already running (which opens its panel).
int ClaimSingleInstance(void);
void LoadTrayIcon(HINSTANCE instance);
// The tray icon of the main window, with the image LoadTrayIcon loaded.
void ShowTrayIcon(HWND window);
// 1 once ShutDown has posted the quit message.
int QuitPending(void);
void ShutDown(void);
// Forgets the mutex and the tray image (they belong to the platform, which
// the caller starts afresh) and the pending quit.
void ResetInstance(void);
