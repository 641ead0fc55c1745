// The engine's own animation record, for the engine's files alone: every
// other module reads it through schedule.h's `animation` and changes it only
// through the engine's operations.
#pragma once

#include "engine/schedule.h"

extern AnimationState animationState;
