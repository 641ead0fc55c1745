// What the tray icon and the control panel do to the animation: hide it,
// show it again, and move it.
#pragma once

#include <stdint.h>

void PauseAnimation(void);
// Starts the animation anew over a fresh copy of the desktop; does nothing
// without work surfaces.
void RestartAnimation(void);
// Moves the work area by dx, dy with the desktop put back behind it, and
// draws the frame shown at once in its new place (while the animation runs
// and a frame is shown); the animation neither steps nor changes its plan.
void MoveArea(int32_t dx, int32_t dy);
