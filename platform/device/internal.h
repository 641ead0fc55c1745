// Shared between the simulated device's own source files; not for tests,
// tools or the program.
#pragma once

#include "device.h"

#include <cstddef>
#include <cstdint>
#include <functional>

// Device time in ms since DeviceReset.
uint64_t DeviceNowElapsed();

// The screen and drawing half: called by DeviceReset.
void DeviceResetDrawing();

// Called by the drawing half after every BitBlt whose destination is the
// screen, so the observers hear of it.
void DeviceNotifyScreenChanged();

// Sets the thread's last error (GetLastError) from inside the device.
void DeviceSetLastError(DWORD error);

// The executable's resource section (the compiled resource script), defined
// by the generated blob in resources/.
extern const unsigned char pondletResourceData[];
extern const std::size_t pondletResourceSize;

// The files, text, message-box and resource half: called by DeviceReset.
void DeviceResetFiles();

// The observers set with DeviceSetObservers (members may be empty).
const DeviceObservers &DeviceCurrentObservers();

// The resource id of a dialog template whose bytes lie in the resource
// section (as LockResource returned them), or -1.
int DeviceResourceIdOfData(const void *data);

// What the screen shows where it has no pixels of its own yet (new parts
// after a resize): the background painter if one is set, else the fill.
void DeviceSetBackground(std::function<COLORREF(int x, int y)> painter);

// Closes a kernel object handle that is not a file or search handle (a
// mutex). Returns false when the handle is not one of these. CloseHandle
// asks this first for handles the files half does not own.
bool DeviceCloseKernelHandle(HANDLE handle);
