// The control panel and the About box.
#pragma once

#include "platform.h"

#include <stdint.h>

void OpenControlPanel(void);
INT_PTR CALLBACK ControlPanelDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Forgets the mode the open panel stored.
void ResetPanel(void);
void ShowAboutBox(HWND owner);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
