// Shared between the simulated device's own source files; not for tests,
// tools or the program.
#pragma once

#include "device.h"

#include <cstdint>

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
