// What the tray icon and the control panel do to the animation: hide it,
// show it again, and move it.
#pragma once

#include "platform.h"

#include <stdint.h>

// The first start, once the work surfaces exist: from the default rule's
// first frame, with the background captured on the first tick.
void StartAnimation(HWND window);
// A stop that leaves the last frame on the screen, unlike PauseAnimation:
// whatever starts the mascot again takes that frame off first.
void StopAnimation(HWND window);
void PauseAnimation(void);
// Starts the animation anew over a fresh copy of the desktop; does nothing
// without work surfaces.
void RestartAnimation(void);
// Moves the work area by dx, dy with the desktop put back behind it, and
// draws the frame shown at once in its new place (while the animation runs
// and a frame is shown); the animation neither steps nor changes its plan.
void MoveArea(int32_t dx, int32_t dy);
