// The process-wide values, one of each, and the helpers every layer uses to
// talk to the user.
#include "core/process.h"

#include "core/observer.h"
#include "core/tables.h"

#include <string.h>

enum { kStartBlendMode = 2 };  // "50%"

static WCHAR folder[kExeFolderUnits];
static HINSTANCE appInstance;
static HWND window;
static int32_t width, height, right, bottom, userX, userY;
static int32_t mode = kStartBlendMode;
static int32_t panel;

const WCHAR *const exeFolder = folder;
const HWND &mainWindow = window;
const int32_t &screenWidth = width, &screenHeight = height;
const int32_t &blendMode = mode;
const int32_t &panelOpen = panel;

int SetExeFolder(const WCHAR *path) {
    int units = 0;
    while (path[units] != 0)
        if (++units >= kExeFolderUnits) return 0;
    memcpy(folder, path, ((size_t)units + 1) * sizeof(WCHAR));
    return 1;
}

void SetAppInstance(HINSTANCE instance) { appInstance = instance; }

void SetMainWindow(HWND created) { window = created; }

void SetScreenSize(int32_t screenW, int32_t screenH) {
    width = screenW;
    height = screenH;
}

void SetDockedBars(int32_t barRight, int32_t barBottom) {
    right = barRight;
    bottom = barBottom;
}

// The sums wrap as 32-bit values do, as PlaceWorkArea's do.
void MoveUserOffset(int32_t dx, int32_t dy) {
    userX = (int32_t)((uint32_t)userX + (uint32_t)dx);
    userY = (int32_t)((uint32_t)userY + (uint32_t)dy);
}

// The tables are core's own: the work area's place is written here, beside
// the values it is computed from.
void PlaceWorkArea(void) {
    SkinTables *tables = SkinTablesToFill();
    tables->areaX = (int32_t)((uint32_t)width - (uint32_t)right - (uint32_t)tables->marginRight -
                              (uint32_t)tables->areaWidth + (uint32_t)userX);
    tables->areaY = (int32_t)((uint32_t)height - (uint32_t)bottom - (uint32_t)tables->marginBottom -
                              (uint32_t)tables->areaHeight + (uint32_t)userY);
}

void SetBlendMode(int32_t blend) { mode = blend; }

void SetPanelOpen(int32_t open) { panel = open; }

void ResetProcessValues(void) {
    folder[0] = 0;
    appInstance = NULL;
    window = NULL;
    width = height = 0;
    right = bottom = 0;
    userX = userY = 0;
    mode = kStartBlendMode;
    panel = 0;
}

void ResetCoreState(void) {
    FreeSkinTables();
    ResetProcessValues();
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
