// Start-up and the hidden main window.
#pragma once

#include "platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
ATOM RegisterMainClass(HINSTANCE instance);
int InitInstance(HINSTANCE instance, int show);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnCreate(HWND window);
void OnPaint(HWND window);

