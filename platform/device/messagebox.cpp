// Message boxes and beeps on the device: nothing is shown or sounded; each
// call is logged in order for tests and traces, and a box is answered with
// IDOK at once, as if the user had pressed its only button.
#include "files_half.h"

#include <vector>

namespace {

std::vector<DeviceMessageBox> messageBoxes;
std::vector<UINT> beeps;

}  // namespace

void ResetMessageLog() {
    messageBoxes.clear();
    beeps.clear();
}

const std::vector<DeviceMessageBox> &DeviceMessageBoxes() { return messageBoxes; }
const std::vector<UINT> &DeviceBeeps() { return beeps; }

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    DeviceMessageBox box;
    box.at = DeviceNowElapsed();
    box.text = text ? text : u"";
    // Win32 captions a box without one "Error".
    box.caption = caption ? caption : u"Error";
    box.style = style;
    box.owner = owner;
    messageBoxes.push_back(box);
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.messageBox) observers.messageBox(box);
    return IDOK;
}

BOOL MessageBeep(UINT type) {
    beeps.push_back(type);
    return TRUE;
}
