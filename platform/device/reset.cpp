// A fresh device, and the observers that trace what happens on it.
#include "windowing.h"

namespace {

DeviceObservers observers;

}  // namespace

void DeviceReset() {
    ResetClock();
    ResetRandom();
    ResetMessages();
    ResetInput();
    ResetWindows();
    ResetTray();
    ResetMutexes();
    observers = DeviceObservers{};
    DeviceResetFiles();
    DeviceResetDrawing();
}

void DeviceSetObservers(const DeviceObservers &newObservers) { observers = newObservers; }

const DeviceObservers &DeviceCurrentObservers() { return observers; }
