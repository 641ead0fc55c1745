// The process-wide values, one of each, and the helpers every layer uses to
// talk to the user.
#include "core/process.h"

#include "core/observer.h"

enum { kStartBlendMode = 2 };  // "50%"

WCHAR exeFolder[kExeFolderUnits];
HINSTANCE appInstance;
HWND mainWindow;
int32_t screenWidth, screenHeight;
int32_t dockRight, dockBottom;
int32_t offsetX, offsetY;
int32_t blendMode = kStartBlendMode;
int32_t panelOpen;

void ResetProcessValues(void) {
    exeFolder[0] = 0;
    appInstance = NULL;
    mainWindow = NULL;
    screenWidth = screenHeight = 0;
    dockRight = dockBottom = 0;
    offsetX = offsetY = 0;
    blendMode = kStartBlendMode;
    panelOpen = 0;
}

void ShowErrorBox(const WCHAR *text) {
    if (observer.message) {
        observer.message(text);
        return;
    }
    MessageBoxW(NULL, text, WSTR("Error"), MB_OK);
}

int RunDialog(int id, HWND owner, DLGPROC procedure) {
    HRSRC found = FindResourceW(appInstance, MAKEINTRESOURCEW(id), RT_DIALOG);
    if (found == NULL) return 0;
    HGLOBAL loaded = LoadResource(appInstance, found);
    // LoadResource gives a handle on a desktop system; LockResource the bytes.
    LPCDLGTEMPLATEW dialogTemplate = (LPCDLGTEMPLATEW)LockResource(loaded);
    if (dialogTemplate == NULL) return 0;
    return DialogBoxIndirectParamW(appInstance, dialogTemplate, owner, procedure, 0) != -1;
}
