// Single instance, tray icon and shut-down.
//
// One copy runs per device: the first start holds the mutex "Pondlet" and
// writes its window handle to __tmp beside the executable; a later start finds
// the running copy's window (FindRunningCopy), sends it the tray icon's
// double-tap message (so it opens its control panel) and ends. ShutDown
// undoes what start-up put on the screen and in the tray.
#include "shell/instance.h"

#include "core/process.h"
#include "engine/schedule.h"
#include "graphics/surfaces.h"

#include <string.h>

const WCHAR kMainClassName[] = WSTR("Pondlet");
static HANDLE instanceMutex;
static HICON trayIconImage;
static int32_t quitPending;

enum {
    kBackslash = 92,
    kTipUnits = 64,
    kHandleFileUnits = kExeFolderUnits + 8,  // the folder plus "__tmp"
    kClassNameUnits = 16
};

// Fills folder (kExeFolderUnits units) with the executable's folder, ending in
// a backslash. A path without any backslash counts as having one at index 0.
static void FindFolderOfExecutable(WCHAR *folder) {
    DWORD length = GetModuleFileNameW(NULL, folder, kExeFolderUnits);
    // A path that fills the buffer may come back unterminated.
    if (length >= kExeFolderUnits) length = kExeFolderUnits - 1;
    folder[length] = 0;
    int32_t lastBackslash = 0;
    for (int32_t i = 0; folder[i] != 0; i++) {
        if (folder[i] == kBackslash) lastBackslash = i;
    }
    folder[lastBackslash] = kBackslash;
    folder[lastBackslash + 1] = 0;
}

void FindExeFolder(void) {
    WCHAR folder[kExeFolderUnits];
    FindFolderOfExecutable(folder);
    SetExeFolder(folder);
}

// The handle file lies beside the executable; exeFolder may already point at
// the skin's folder, so the folder is worked out anew.
static void BuildHandleFilePath(WCHAR *path) {
    WCHAR folder[kExeFolderUnits];
    FindFolderOfExecutable(folder);
    wsprintfW(path, WSTR("%s__tmp"), folder);
}

// A program folder the user may not write (an installed copy) refuses the
// file: nothing to report, since a later start finds the running copy by its
// window class.
void SaveWindowHandle(HWND window) {
    WCHAR path[kHandleFileUnits];
    BuildHandleFilePath(path);
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_ACCESS_DENIED) ShowErrorBox(WSTR("File Save error"));
        return;
    }
    // Four bytes, little-endian, whatever the host's byte order. A 64-bit
    // system keeps window handles within 32 bits (sign-extended), so the low
    // half is the whole handle.
    uint32_t value = (uint32_t)(uintptr_t)window;
    BYTE bytes[4] = {(BYTE)value, (BYTE)(value >> 8), (BYTE)(value >> 16), (BYTE)(value >> 24)};
    DWORD written = 0;
    WriteFile(file, bytes, sizeof bytes, &written, NULL);
    CloseHandle(file);
}

HWND LoadWindowHandle(void) {
    WCHAR path[kHandleFileUnits];
    BuildHandleFilePath(path);
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return NULL;
    BYTE bytes[4] = {0, 0, 0, 0};
    DWORD read = 0;
    BOOL ok = ReadFile(file, bytes, sizeof bytes, &read, NULL);
    CloseHandle(file);
    if (!ok || read < sizeof bytes) return NULL;
    uint32_t value = (uint32_t)bytes[0] | ((uint32_t)bytes[1] << 8) | ((uint32_t)bytes[2] << 16) |
                     ((uint32_t)bytes[3] << 24);
    return (HWND)(intptr_t)(int32_t)value;  // sign-extended, as the system widens handles
}

static int IsPondletWindow(HWND window) {
    WCHAR name[kClassNameUnits];
    if (window == NULL || GetClassNameW(window, name, kClassNameUnits) == 0) return 0;
    int32_t i = 0;
    while (name[i] != 0 && name[i] == kMainClassName[i]) i++;
    return name[i] == kMainClassName[i];
}

// The handle in __tmp names another program's window (or none) while the
// running copy is still starting, after it could not write the file, and in
// a read-only folder; the window of Pondlet's class is then looked up.
HWND FindRunningCopy(void) {
    HWND stored = LoadWindowHandle();
    if (IsPondletWindow(stored)) return stored;
    return FindWindowW(kMainClassName, NULL);
}

// The running copy reacts to this exactly as to a double tap on its tray
// icon, and answers once its panel closes. A copy that has stopped answering
// gives up the wait rather than holding this one.
enum { kHandOverTimeout = 60000 };  // ms
static void HandOverToRunningCopy(void) {
    HWND running = FindRunningCopy();
    DWORD_PTR answer = 0;
    if (running != NULL) {
        SendMessageTimeoutW(running, WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK, SMTO_ABORTIFHUNG,
                            kHandOverTimeout, &answer);
    }
}

int ClaimSingleInstance(void) {
    quitPending = 0;
    instanceMutex = CreateMutexW(NULL, TRUE, WSTR("Pondlet"));
    if (GetLastError() != ERROR_ALREADY_EXISTS) return 1;
    HandOverToRunningCopy();
    ReleaseMutex(instanceMutex);
    return 0;
}

void LoadTrayIcon(HINSTANCE instance) {
    trayIconImage = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(IDI_PONDLET), IMAGE_ICON, 16, 16,
                                      LR_DEFAULTCOLOR);
}

// The record is passed with the size of its V1 layout (152 bytes in the
// 32-bit program, 168 in the 64-bit one); on systems whose record is longer
// the remaining fields stay zero and unused.
static void FillTrayRecord(NOTIFYICONDATAW *record, HWND window, UINT id) {
    memset(record, 0, sizeof *record);
    record->cbSize = TRAY_RECORD_SIZE;
    record->hWnd = window;
    record->uID = id;
}

void AddTrayIcon(HWND window, HICON icon, UINT id, const WCHAR *tip) {
    NOTIFYICONDATAW record;
    FillTrayRecord(&record, window, id);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    record.hIcon = icon;
    // At most 63 characters and the terminator; the memset left it empty.
    for (int32_t i = 0; tip != NULL && i < kTipUnits - 1 && tip[i] != 0; i++) {
        record.szTip[i] = tip[i];
    }
    Shell_NotifyIconW(NIM_ADD, &record);
}

void ShowTrayIcon(HWND window) { AddTrayIcon(window, trayIconImage, IDI_PONDLET, WSTR("QXTIMER")); }

void DeleteTrayIcon(HWND window, UINT id) {
    NOTIFYICONDATAW record;
    FillTrayRecord(&record, window, id);
    Shell_NotifyIconW(NIM_DELETE, &record);
}

void ShutDown(void) {
    quitPending = 1;
    ReleaseMutex(instanceMutex);
    DeleteTrayIcon(mainWindow, IDI_PONDLET);
    // Stop the timer first: a tick dispatched between here and the quit
    // message (a dialog's loop may still run) would draw the mascot again.
    if (mainWindow != NULL) KillTimer(mainWindow, kAnimationTimer);
    if (WorkSurfacesReady()) RestoreBackground();
    PostQuitMessage(0);
}

int QuitPending(void) { return quitPending; }

void ResetInstance(void) {
    instanceMutex = NULL;
    trayIconImage = NULL;
    quitPending = 0;
}
