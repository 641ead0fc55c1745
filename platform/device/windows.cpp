// Window classes, the window table and direct message delivery.
//
// A handle is 0x10000 + 4 * (index in the table): small, never null, below
// 2^32 and never reused until DeviceReset, so a stale handle stays invalid.
#include "windowing.h"

#include <algorithm>
#include <deque>

namespace {

struct WindowClass {
    std::u16string name;
    WNDPROC proc;
};

std::vector<WindowClass> classes;
std::deque<Window> windows;  // a deque: records keep their address as it grows
HWND mainWindowHandle;
HWND focusWindow;

const uintptr_t firstWindowHandle = 0x10000;
const ATOM firstClassAtom = 0xC000;

char16_t FoldCase(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? (char16_t)(unit - 32) : unit;
}

bool SameName(const std::u16string &a, LPCWSTR b) {
    size_t i = 0;
    for (; i < a.size(); ++i)
        if (b[i] == 0 || FoldCase(a[i]) != FoldCase(b[i])) return false;
    return b[i] == 0;
}

// The class of a name or of an atom (MAKEINTRESOURCE form), or null.
const WindowClass *FindClass(LPCWSTR name) {
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) {
        size_t index = (size_t)(uintptr_t)name - firstClassAtom;
        return (uintptr_t)name >= firstClassAtom && index < classes.size() ? &classes[index]
                                                                           : nullptr;
    }
    for (const WindowClass &windowClass : classes)
        if (SameName(windowClass.name, name)) return &windowClass;
    return nullptr;
}

LRESULT DeliverToTopLevel(Window &window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = window.proc;
    HWND handle = window.handle;
    MSG msg = MakeMsg(handle, message, wParam, lParam);
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.beforeWindowMessage) observers.beforeWindowMessage(msg);
    LRESULT result = proc ? proc(handle, message, wParam, lParam) : 0;
    if (observers.afterWindowMessage) observers.afterWindowMessage(msg);
    return result;
}

// A dialog's procedure, then the default dialog processing of what it left
// unhandled: the close box becomes a Cancel command, as on the real system.
LRESULT DeliverToDialog(Window &dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND handle = dialog.handle;
    INT_PTR handled = dialog.dialogProc ? dialog.dialogProc(handle, message, wParam, lParam) : 0;
    if (!handled && message == WM_CLOSE)
        DeliverMessage(handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       (LPARAM)(uintptr_t)GetDlgItem(handle, IDCANCEL));
    return handled;
}

void DestroyChildren(HWND parent) {
    for (Window &window : windows)
        if (window.alive && window.parent == parent && window.handle != parent)
            DestroyWindow(window.handle);
}

}  // namespace

MSG MakeMsg(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = handle;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

Window *FindWindowRecord(HWND handle) {
    size_t index = 0;
    if (!SlotOfHandleValue(handle, firstWindowHandle, &index)) return nullptr;
    if (index >= windows.size() || !windows[index].alive) return nullptr;
    return &windows[index];
}

Window *AddWindowRecord() {
    windows.emplace_back();
    Window &window = windows.back();
    window.handle = (HWND)HandleOfSlot(firstWindowHandle, windows.size() - 1);
    window.alive = true;
    return &window;
}

std::vector<Window *> AllWindowRecords() {
    std::vector<Window *> all;
    for (Window &window : windows) all.push_back(&window);
    return all;
}

void ResetWindows() {
    classes.clear();
    windows.clear();
    mainWindowHandle = nullptr;
    focusWindow = nullptr;
}

LRESULT DeliverMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window *window = FindWindowRecord(handle);
    if (!window) return 0;
    if (window->isDialog) return DeliverToDialog(*window, message, wParam, lParam);
    if (window->kind != ControlNone) return ControlMessage(*window, message, wParam, lParam);
    return DeliverToTopLevel(*window, message, wParam, lParam);
}

void SetMainWindowRect(int width, int height) {
    if (Window *window = FindWindowRecord(mainWindowHandle)) window->rect = {0, 0, width, height};
}

HWND DeviceMainWindow() { return mainWindowHandle; }
HWND DeviceFocus() { return focusWindow; }

ATOM RegisterClassW(const WNDCLASSW *wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) ||
        FindClass(wc->lpszClassName)) {
        DeviceSetLastError(wc ? 1410 : ERROR_INVALID_PARAMETER);  // class already exists
        return 0;
    }
    classes.push_back({std::u16string(wc->lpszClassName), wc->lpfnWndProc});
    return (ATOM)(firstClassAtom + classes.size() - 1);
}

// WM_NCCREATE's result is not checked: the program's procedure answers 0 to
// messages it does not know, which on its own platform does not stop the
// creation. WM_CREATE returning -1 does.
HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
    const WindowClass *windowClass = FindClass(className);
    if (!windowClass) {
        DeviceSetLastError(1407);  // cannot find window class
        return nullptr;
    }
    if (parent && !FindWindowRecord(parent)) {
        DeviceSetLastError(1400);  // invalid window handle
        return nullptr;
    }
    Window *window = AddWindowRecord();
    window->proc = windowClass->proc;
    window->className = windowClass->name;
    window->parent = parent;
    window->style = style;
    window->text = title ? std::u16string(title) : std::u16string();
    int left = x == CW_USEDEFAULT ? 0 : x;
    int top = y == CW_USEDEFAULT ? 0 : y;
    int w = width == CW_USEDEFAULT ? DeviceScreenWidth() : width;
    int h = height == CW_USEDEFAULT || width == CW_USEDEFAULT ? DeviceScreenHeight() : height;
    window->rect = {left, top, left + w, top + h};
    HWND handle = window->handle;
    bool isMain = !mainWindowHandle && !(style & WS_CHILD);
    if (isMain) mainWindowHandle = handle;
    DeliverMessage(handle, WM_NCCREATE, 0, 0);
    if (FindWindowRecord(handle) && DeliverMessage(handle, WM_CREATE, 0, 0) == -1)
        DestroyWindow(handle);
    if (!FindWindowRecord(handle)) {
        if (isMain) mainWindowHandle = nullptr;
        return nullptr;
    }
    return handle;
}

// Children and owned windows go first, then WM_DESTROY and WM_NCDESTROY;
// the window's timers and queued messages go with it.
BOOL DestroyWindow(HWND handle) {
    Window *window = FindWindowRecord(handle);
    if (!window) {
        DeviceSetLastError(1400);
        return FALSE;
    }
    DeliverMessage(handle, WM_DESTROY, 0, 0);
    DestroyChildren(handle);
    DeliverMessage(handle, WM_NCDESTROY, 0, 0);
    window->alive = false;
    ForgetWindowMessages(handle);
    if (focusWindow == handle) focusWindow = nullptr;
    return TRUE;
}

BOOL UpdateWindow(HWND handle) { return FindWindowRecord(handle) ? TRUE : FALSE; }

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    Window *window = FindWindowRecord(handle);
    if (!window || !rect) return FALSE;
    *rect = window->rect;
    return TRUE;
}

BOOL SetWindowPos(HWND handle, HWND, int x, int y, int cx, int cy, UINT flags) {
    Window *window = FindWindowRecord(handle);
    if (!window) return FALSE;
    RECT &rect = window->rect;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!(flags & SWP_NOMOVE)) {
        rect.left = x;
        rect.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        width = cx;
        height = cy;
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    DeliverMessage(handle, WM_WINDOWPOSCHANGED, 0, 0);
    return TRUE;
}

int GetSystemMetrics(int index) {
    if (index == SM_CXSCREEN) return DeviceScreenWidth();
    if (index == SM_CYSCREEN) return DeviceScreenHeight();
    return 0;
}

// Only the work area is known here; the program asks for nothing else.
BOOL SystemParametersInfoW(UINT action, UINT, LPVOID data, UINT) {
    if (action != SPI_GETWORKAREA || !data) {
        DeviceSetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *(RECT *)data = DeviceWorkArea();
    return TRUE;
}

LRESULT SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return DeliverMessage(handle, message, wParam, lParam);
}

// The device runs one process, so no receiver can hang or outlast the
// timeout: the message is delivered as SendMessageW delivers it.
LRESULT SendMessageTimeoutW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT, UINT,
                            PDWORD_PTR result) {
    if (!FindWindowRecord(handle)) {
        DeviceSetLastError(1400);  // invalid window handle
        return 0;
    }
    LRESULT answer = DeliverMessage(handle, message, wParam, lParam);
    if (result) *result = (DWORD_PTR)answer;
    return 1;
}

// The first live top-level window of the class (and title, when given), in
// creation order; names compare without regard to case.
HWND FindWindowW(LPCWSTR className, LPCWSTR title) {
    for (Window &window : windows) {
        if (!window.alive || window.isDialog || window.kind != ControlNone) continue;
        if (className && !SameName(window.className, className)) continue;
        if (title && !SameName(window.text, title)) continue;
        return window.handle;
    }
    return nullptr;
}

// As Win32: the name cut to size - 1 units and terminated; its length.
int GetClassNameW(HWND handle, LPWSTR name, int size) {
    Window *window = FindWindowRecord(handle);
    if (!window || !name || size <= 0) {
        DeviceSetLastError(window ? ERROR_INSUFFICIENT_BUFFER : 1400);
        return 0;
    }
    int length = (int)std::min(window->className.size(), (size_t)size - 1);
    for (int i = 0; i < length; i++) name[i] = window->className[i];
    name[length] = 0;
    return length;
}

LRESULT DefWindowProcW(HWND handle, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) DestroyWindow(handle);
    return 0;
}

HWND SetFocus(HWND handle) {
    if (handle && !FindWindowRecord(handle)) return nullptr;
    HWND previous = focusWindow;
    focusWindow = handle;
    return previous;
}

HWND GetParent(HWND handle) {
    Window *window = FindWindowRecord(handle);
    return window ? window->parent : nullptr;
}

// Nothing on the device is painted through WM_PAINT (the program's window is
// never visible), so invalidation only checks its argument.
BOOL InvalidateRect(HWND handle, const RECT *, BOOL) {
    return !handle || FindWindowRecord(handle) ? TRUE : FALSE;
}

HDC BeginPaint(HWND handle, PAINTSTRUCT *paint) {
    Window *window = FindWindowRecord(handle);
    if (!window || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->rcPaint = {0, 0, window->rect.right - window->rect.left,
                      window->rect.bottom - window->rect.top};
    paint->hdc = GetDC(handle);
    return paint->hdc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT *paint) {
    if (paint && paint->hdc) ReleaseDC(handle, paint->hdc);
    return TRUE;
}

// Stock objects are fixed fake handles well away from every other kind.
HGDIOBJ GetStockObject(int index) {
    if (index < 0 || index > 19) return nullptr;
    return (HGDIOBJ)(uintptr_t)(0x7FFF0000u + 4u * (unsigned)index);
}
