// The control panel and the About box.
#pragma once

#include "platform.h"

#include <stdint.h>

extern int32_t savedBlendMode;

void OpenControlPanel(void);
INT_PTR CALLBACK ControlPanelDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowAboutBox(HWND owner);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
