// The shell layer: the program as the user meets it.
//
// WinMain (here) makes sure one copy runs (instance.h), creates the hidden
// main window whose WM_CREATE loads the skin and starts the engine, and then
// dispatches messages: the timer to the engine, the tray icon's taps to
// hide, show or open the control panel (panel.h), display and settings
// changes to re-place the mascot, and Quit to the shut-down that puts the
// desktop back. Start reading at the top of mainwindow.cpp.
//
// This header: start-up and the hidden main window.
#pragma once

#include "platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
// Returns every value and module static of the program to what WinMain finds
// in a new process, giving back the skin, the catalogue and the work surfaces
// (whose platform objects must still exist). The program never calls it; the
// skin author's tool and the tests, which start the program many times in
// one process, call it before each start.
void ResetProcessState(void);
// The shell's own values: the instance's, the panel's and the main window's.
void ResetShellState(void);
ATOM RegisterMainClass(HINSTANCE instance);
int InitInstance(HINSTANCE instance, int show);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnCreate(HWND window);
void OnPaint(HWND window);
