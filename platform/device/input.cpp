// Scripted input: what a person or the system does at a given device time.
//
// Actions wait in time order (equal times in the order queued) until the
// message loop runs dry and the clock reaches them. Taps and commands are
// posted, as the real system queues input; system notices (settings, display
// and work-area changes, window moved, help) are sent, as the system sends them.
#include "windowing.h"

#include <map>

namespace {

std::multimap<uint64_t, DeviceAction> actions;

// The command each dialog-aimed action posts: notification code and whether
// it names a control that must exist.
struct CommandAction {
    DeviceActionKind kind;
    int fixedId;  // 0: the action's own id
    WORD notification;
    bool needsControl;
};

//  kind                  fixed id   notification    needs control
const CommandAction commandActions[] = {
    {DevicePress, 0, BN_CLICKED, true},
    {DeviceEnter, IDOK, BN_CLICKED, false},
    {DeviceEscape, IDCANCEL, BN_CLICKED, false},
};

bool ApplyTap(LPARAM mouseMessage) {
    const std::vector<DeviceTrayIcon> &icons = DeviceTrayIcons();
    if (icons.empty()) return false;
    const DeviceTrayIcon &icon = icons.front();
    return PostMessageW(icon.window, icon.callbackMessage, icon.id, mouseMessage) != 0;
}

void Notify(const DeviceAction &action) {
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.actionApplied) observers.actionApplied(action);
}

bool ApplyCommand(const DeviceAction &action, const CommandAction &command) {
    Window *dialog = TopDialog();
    if (!dialog) return false;
    int id = command.fixedId ? command.fixedId : action.id;
    HWND control = GetDlgItem(dialog->handle, id);
    if (command.needsControl && !control) return false;
    Notify(action);
    return PostMessageW(dialog->handle, WM_COMMAND, MAKEWPARAM(id, command.notification),
                        (LPARAM)(uintptr_t)control) != 0;
}

// Selecting an item the way a tap in the list does: the selection changes
// first, then the dialog hears of it.
bool ApplyItemChoice(const DeviceAction &action, bool doubleTap) {
    Window *dialog = TopDialog();
    if (!dialog) return false;
    Window *control = FindWindowRecord(GetDlgItem(dialog->handle, action.id));
    if (!control || (control->kind != ControlList && control->kind != ControlCombo) ||
        (doubleTap && control->kind != ControlList) || action.index < 0 ||
        action.index >= (int)control->items.size())
        return false;
    Notify(action);
    control->selection = action.index;
    WORD code = doubleTap                      ? LBN_DBLCLK
                : control->kind == ControlList ? LBN_SELCHANGE
                                               : CBN_SELCHANGE;
    return PostMessageW(dialog->handle, WM_COMMAND, MAKEWPARAM(action.id, code),
                        (LPARAM)(uintptr_t)control->handle) != 0;
}

bool ApplyToMainWindow(const DeviceAction &action, UINT message) {
    HWND main = DeviceMainWindow();
    if (!FindWindowRecord(main)) return false;
    Notify(action);
    SendMessageW(main, message, 0, 0);
    return true;
}

// A handheld sizes its full-screen windows with the screen; a desktop system
// leaves the program's window as it was, and says so with WM_DISPLAYCHANGE
// (colour depth, and the new size in lParam).
bool ApplyScreenChange(const DeviceAction &action) {
    HWND main = DeviceMainWindow();
    if (!FindWindowRecord(main) || action.width <= 0 || action.height <= 0) return false;
    Notify(action);
    DeviceResizeScreen(action.width, action.height, 0x808080);
    if (action.kind == DeviceSettingsChange) {
        SetMainWindowRect(action.width, action.height);
        SendMessageW(main, WM_SETTINGCHANGE, 0, 0);
    } else {
        SendMessageW(main, WM_DISPLAYCHANGE, (WPARAM)DeviceScreenDepth(),
                     MAKELPARAM(action.width, action.height));
    }
    return true;
}

// The taskbar moved, changed size or docked bars came or went.
bool ApplyWorkAreaChange(const DeviceAction &action) {
    HWND main = DeviceMainWindow();
    if (!FindWindowRecord(main) || action.width <= 0 || action.height <= 0) return false;
    Notify(action);
    DeviceSetWorkArea(action.x, action.y, action.x + action.width, action.y + action.height);
    SendMessageW(main, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    return true;
}

}  // namespace

void ResetInput() { actions.clear(); }

bool NextActionTime(uint64_t *at) {
    if (actions.empty()) return false;
    *at = actions.begin()->first;
    return true;
}

void ApplyNextAction() {
    if (actions.empty()) return;
    DeviceAction action = actions.begin()->second;
    actions.erase(actions.begin());
    DeviceApplyAction(action);
}

void DeviceQueueAction(uint64_t atElapsedMs, const DeviceAction &action) {
    actions.emplace(atElapsedMs, action);
}

bool DeviceApplyAction(const DeviceAction &action) {
    for (const CommandAction &command : commandActions)
        if (command.kind == action.kind) return ApplyCommand(action, command);
    switch (action.kind) {
    case DeviceTrayTap:
    case DeviceTrayDoubleTap:
        if (DeviceTrayIcons().empty()) return false;
        Notify(action);
        return ApplyTap(action.kind == DeviceTrayTap ? WM_LBUTTONDOWN : WM_LBUTTONDBLCLK);
    case DeviceChoose: return ApplyItemChoice(action, false);
    case DeviceDoubleTapItem: return ApplyItemChoice(action, true);
    case DeviceCloseBox: {
        Window *dialog = TopDialog();
        if (!dialog) return false;
        Notify(action);
        return PostMessageW(dialog->handle, WM_CLOSE, 0, 0) != 0;
    }
    case DevicePaint:
        Notify(action);
        DeviceFillScreen(action.x, action.y, action.width, action.height, action.colour);
        return true;
    case DeviceSettingsChange:
    case DeviceDisplayChange: return ApplyScreenChange(action);
    case DeviceWorkAreaChange: return ApplyWorkAreaChange(action);
    case DeviceWindowMoved: return ApplyToMainWindow(action, WM_WINDOWPOSCHANGED);
    case DeviceHelp: return ApplyToMainWindow(action, WM_HELP);
    case DeviceCustom:
        Notify(action);
        if (action.custom) action.custom();
        return true;
    default: return false;
    }
}
