// The start-up probe of how the display stores colours.
#pragma once

#include "image.h"

void ProbeDisplayFormat(ImageRecord *surface);
uint32_t MatchDisplayColour(uint32_t colour);
