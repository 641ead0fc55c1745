// The start-up probe of how the display stores colours.
#pragma once

#include "core/image.h"

void ProbeDisplayFormat(ImageRecord *surface);
uint32_t MatchDisplayColour(uint32_t colour);
// Forgets what the probe learnt: the display format as before start-up.
void ResetDisplayFormat(void);
