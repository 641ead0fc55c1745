// The animation tick and the compositor.
#pragma once

#include "platform.h"

#include <stdint.h>

struct Frame;

void AnimationTick(HWND window);
// The wait the last tick planned for its frame, after event rules had their
// say (read by the skin author's tool; the program itself does not use it).
extern int32_t lastTickDuration;
// The timer period after a tick that started at t0 with the frame's duration,
// in unsigned 32-bit arithmetic: measured from the planned moment
// (nextDueTick, 0 for none), at least 10 ms, and 100 ms for a plan that
// overflowed (above 10,000,000 ms, or a tick later than its whole duration).
uint32_t PlanTimerInterval(uint32_t nextDueTick, uint32_t t0, int32_t duration);
// A tick's drawing alone: composes the frame (null: none), merges it with
// the screen under the work area and puts it there, with no timing, no
// schedule and no step to the next frame. The skin author's tool draws
// contact sheets with it; the program draws only through AnimationTick.
void ShowFrame(const Frame *frame);
void MoveArea(int32_t dx, int32_t dy);
