// The engine layer: what plays when, and how a frame reaches the screen.
//
// Each timer tick (AnimationTick, here) takes the current rule's sequence
// (schedule.h chooses rules by the date and time), composes the frame's
// layers into the frame surface and merges it with the desktop into the work
// surface (compose.h), blits it, and plans the next tick, letting event
// rules interrupt. Texts are expanded for the time (timetext.h); hiding,
// showing and moving go through control.h. Start reading at AnimationTick.
//
// This header: the animation tick and its timer plan.
#pragma once

#include "platform.h"

#include <stdint.h>

struct Frame;

// Ends with the observer's tick report (core/observer.h) when it drew.
void AnimationTick(HWND window);
// Every value of the engine back to its start: the animation as before the
// first tick.
void ResetEngineState(void);
// The timer period after a tick that started at t0 with the frame's duration,
// in unsigned 32-bit arithmetic: measured from the planned moment
// (nextDueTick, 0 for none), at least 10 ms, and 100 ms for a plan that
// overflowed (above 10,000,000 ms, or a tick later than its whole duration).
uint32_t PlanTimerInterval(uint32_t nextDueTick, uint32_t t0, int32_t duration);
// A tick's drawing alone: composes the frame (null: none), merges it with
// the screen under the work area and puts it there, with no timing, no
// schedule and no step to the next frame (the skin author's tool draws its
// contact sheets with it too).
void ShowFrame(const Frame *frame);
// The frame last composed, merged with the screen under the work area and
// put there again, as a tick shows it but without composing, timing or
// stepping: how a move draws the frame shown at its new place.
void ShowComposedFrame(void);
