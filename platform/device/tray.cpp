// The notification area: the icons programs add, change and remove.
#include "windowing.h"

namespace {

std::vector<DeviceTrayIcon> icons;

DeviceTrayIcon *FindIcon(HWND window, UINT id) {
    for (DeviceTrayIcon &icon : icons)
        if (icon.window == window && icon.id == id) return &icon;
    return nullptr;
}

// The fields the record's flags say are valid; the tip is cut at the
// record's 64 units, terminator included.
void TakeFields(DeviceTrayIcon &icon, const NOTIFYICONDATAW &data) {
    if (data.uFlags & NIF_MESSAGE) icon.callbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) icon.icon = data.hIcon;
    if (data.uFlags & NIF_TIP) {
        size_t length = 0;
        while (length < 63 && data.szTip[length]) ++length;
        icon.tip.assign(data.szTip, length);
    }
}

void Notify(const DeviceTrayIcon &icon, bool added) {
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.tray) observers.tray(icon, added);
}

// The program passes the 152-byte record of its own platform; the native
// record is larger, so both sizes are taken.
bool ValidRecord(const NOTIFYICONDATAW *data) {
    return data && (data->cbSize == TRAY_RECORD_SIZE || data->cbSize == sizeof(NOTIFYICONDATAW));
}

}  // namespace

void ResetTray() { icons.clear(); }

const std::vector<DeviceTrayIcon> &DeviceTrayIcons() { return icons; }

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
    if (!ValidRecord(data)) return FALSE;
    DeviceTrayIcon *icon = FindIcon(data->hWnd, data->uID);
    if (message == NIM_ADD) {
        if (icon) return FALSE;
        DeviceTrayIcon added = {data->hWnd, data->uID, 0, nullptr, u""};
        TakeFields(added, *data);
        icons.push_back(added);
        Notify(added, true);
        return TRUE;
    }
    if (!icon) return FALSE;
    if (message == NIM_MODIFY) {
        TakeFields(*icon, *data);
        Notify(*icon, true);
        return TRUE;
    }
    if (message == NIM_DELETE) {
        DeviceTrayIcon removed = *icon;
        icons.erase(icons.begin() + (icon - icons.data()));
        Notify(removed, false);
        return TRUE;
    }
    return FALSE;
}
