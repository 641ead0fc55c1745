// The animation tick and the compositor.
#pragma once

#include "platform.h"

#include <stdint.h>

void AnimationTick(HWND window);
void MoveArea(int32_t dx, int32_t dy);
