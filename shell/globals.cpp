// The process-wide values, one of each, zero at start
// unless a start value is given.
#include "shell/globals.h"

WCHAR exeFolder[kExeFolderUnits];
HINSTANCE appInstance;
HWND mainWindow;
int32_t screenWidth, screenHeight;
int32_t dockRight, dockBottom;
int32_t offsetX, offsetY;
int32_t blendMode = 2;  // "50%"
int32_t moveBusy;
int32_t panelOpen;
void (*skinMessageHook)(const WCHAR *text);
