// A small helper of the end-to-end tests: plays the user's part towards a
// running pondlet.exe from outside the process.
//
//   trayctl tap | doubletap     the tray callback with a tap or a double tap
//   trayctl press DLG ID        WM_COMMAND ID to the open dialog captioned DLG
//   trayctl selection DLG ID    prints the selected index and items of combo ID
//   trayctl wait | gone DLG S   waits up to S seconds until DLG is open | closed
//   trayctl handle              prints the main window's handle in hex
//   trayctl quit S              waits up to S seconds for the main window, opens
//                               the panel with a double tap and presses Quit
//   trayctl backdrop [gradient] a full-screen window with colour bands (or a
//                               smooth gradient, a row per colour), as another
//                               program's window under the mascot
//   trayctl resolution W H      changes the screen to W x H as a display
//                               settings page does (the system then sends
//                               WM_DISPLAYCHANGE to every top-level window)
//   trayctl stranger S          another program's window: writes its handle
//                               to __tmp here, lives S seconds and prints how
//                               many tray messages (1026) reached it
//
// Messages are posted, not sent, so a dialog opened by them never blocks this
// helper. Exit code 0 on success, 1 when the window or dialog is not found.
#include <windows.h>

#include "resource.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kTrayMessage = WM_USER + 2, kDialogClass = 32770 };

static HWND FindDialog(const char *caption) {
    wchar_t wide[128];
    MultiByteToWideChar(CP_ACP, 0, caption, -1, wide, 128);
    return FindWindowW(MAKEINTRESOURCEW(kDialogClass), wide);
}

static HWND FindMainWindow(void) { return FindWindowW(L"Pondlet", L"Pondlet"); }

static int Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == NULL) fprintf(stderr, "trayctl: no such window\n");
    return window != NULL && PostMessageW(window, message, wParam, lParam) ? 0 : 1;
}

static int WaitForDialog(const char *caption, double seconds, int wantOpen) {
    DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
    while ((LONG)(deadline - GetTickCount()) > 0) {
        HWND dialog = FindDialog(caption);
        if ((dialog != NULL && IsWindowVisible(dialog)) == wantOpen) return 0;
        Sleep(100);
    }
    fprintf(stderr, "trayctl: dialog \"%s\" %s\n", caption, wantOpen ? "not open" : "still open");
    return 1;
}

static int PrintSelection(const char *caption, int id) {
    HWND dialog = FindDialog(caption);
    if (dialog == NULL) return 1;
    LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    printf("%d", (int)SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
    for (LRESULT i = 0; i < count; i++) {
        wchar_t text[64] = L"";
        char narrow[64] = "";
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, (WPARAM)i, (LPARAM)text);
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, NULL, NULL);
        printf(" %s", narrow);
    }
    printf("\n");
    return 0;
}

static int backdropGradient;

// Horizontal bands of colour: a desktop on which a blend or a restore shows.
// The gradient's rows fall between the 5-6-5 steps, where a true-colour
// screen shows any reduction of the desktop's bytes.
static LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    int step = backdropGradient ? 1 : 8;
    for (int y = 0; y < client.bottom; y += step) {
        RECT band = {0, y, client.right, y + step};
        COLORREF colour = backdropGradient ? RGB(250 - y * 3 / 4, 3 + y * 3 / 5, 101 + y / 3)
                                           : RGB(255 - y % 256, (y * 3) % 256, 64 + y % 192);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
    EndPaint(window, &paint);
    return 0;
}

static int RunBackdrop(void) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = BackdropProc;
    windowClass.lpszClassName = L"E2EBackdrop";
    RegisterClassW(&windowClass);
    CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"E2EBackdrop", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL, NULL, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

static int strangerMessages;

static LRESULT CALLBACK StrangerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTrayMessage) strangerMessages++;
    return DefWindowProcW(window, message, wParam, lParam);
}

static int RunStranger(double seconds) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = StrangerProc;
    windowClass.lpszClassName = L"E2EStranger";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"E2EStranger", L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DWORD handle = (DWORD)(ULONG_PTR)window;
    FILE *file = fopen("__tmp", "wb");
    if (window == NULL || file == NULL || fwrite(&handle, 4, 1, file) != 1) return 1;
    fclose(file);
    DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
    MSG message;
    while ((LONG)(deadline - GetTickCount()) > 0) {
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
    printf("%d\n", strangerMessages);
    return 0;
}

static int ChangeResolution(int width, int height) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = (DWORD)width;
    mode.dmPelsHeight = (DWORD)height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    LONG result = ChangeDisplaySettingsW(&mode, 0);
    if (result != DISP_CHANGE_SUCCESSFUL) fprintf(stderr, "trayctl: resolution refused (%ld)\n", result);
    return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

// One helper process for the whole Quit: a Wine process start costs more than
// anything the soak checks, and it quits a hundred times.
static int QuitThroughPanel(double seconds) {
    DWORD deadline = GetTickCount() + (DWORD)(seconds * 1000);
    HWND window;
    while ((window = FindMainWindow()) == NULL && (LONG)(deadline - GetTickCount()) > 0) Sleep(50);
    if (Post(window, kTrayMessage, IDI_PONDLET, WM_LBUTTONDBLCLK) != 0) return 1;
    if (WaitForDialog("Pondlet", seconds, 1) != 0) return 1;
    return Post(FindDialog("Pondlet"), WM_COMMAND, MAKEWPARAM(IDC_QUIT, BN_CLICKED), 0);
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr,
                "usage: trayctl tap|doubletap|press|selection|wait|gone|handle|quit|backdrop|resolution|stranger\n");
        return 2;
    }
    const char *command = argv[1];
    if (strcmp(command, "tap") == 0) return Post(FindMainWindow(), kTrayMessage, IDI_PONDLET, WM_LBUTTONDOWN);
    if (strcmp(command, "doubletap") == 0) {
        return Post(FindMainWindow(), kTrayMessage, IDI_PONDLET, WM_LBUTTONDBLCLK);
    }
    if (strcmp(command, "backdrop") == 0) {
        backdropGradient = argc == 3 && strcmp(argv[2], "gradient") == 0;
        return RunBackdrop();
    }
    if (strcmp(command, "handle") == 0) {
        HWND window = FindMainWindow();
        printf("%08lx\n", (unsigned long)(ULONG_PTR)window);
        return window != NULL ? 0 : 1;
    }
    if (strcmp(command, "press") == 0 && argc == 4) {
        return Post(FindDialog(argv[2]), WM_COMMAND, MAKEWPARAM(atoi(argv[3]), BN_CLICKED), 0);
    }
    if (strcmp(command, "quit") == 0 && argc == 3) return QuitThroughPanel(atof(argv[2]));
    if (strcmp(command, "stranger") == 0 && argc == 3) return RunStranger(atof(argv[2]));
    if (strcmp(command, "resolution") == 0 && argc == 4) return ChangeResolution(atoi(argv[2]), atoi(argv[3]));
    if (strcmp(command, "selection") == 0 && argc == 4) return PrintSelection(argv[2], atoi(argv[3]));
    if (strcmp(command, "wait") == 0 && argc == 4) return WaitForDialog(argv[2], atof(argv[3]), 1);
    if (strcmp(command, "gone") == 0 && argc == 4) return WaitForDialog(argv[2], atof(argv[3]), 0);
    fprintf(stderr, "trayctl: unknown command\n");
    return 2;
}
