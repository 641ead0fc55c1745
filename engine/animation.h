// The animation's changes that only the engine's own files make: the state
// itself is schedule.cpp's, and every other module reads it through
// schedule.h's `animation`.
#pragma once

#include "engine/schedule.h"

// As at start-up: the first rule's first frame, no tick yet, no plan, the
// background to capture, not paused.
void RewindAnimation(void);
void SetAnimationPaused(int32_t paused);
// After a pause: an event chosen before it never showed (its second has not
// started it, so a walk may find it again), the plan starts afresh and the
// background is captured again.
void ReplanAfterPause(void);
// 1, clearing the request, when the background is to be captured before the
// next merge.
int TakeBackgroundRefresh(void);
// The next frame's index.
int32_t StepFrameIndex(void);
void SetNextDueTick(uint32_t tick);
