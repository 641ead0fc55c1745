// The blend pixel by pixel, as the compositor's fast paths must give it:
// the reference the tests and benchmarks compare them with.
#pragma once

#include "graphics/pixels.h"

// The mixed colour of modes 1-3 (75%, 50%, 25% frame colour), per channel
// with truncating division, ANDed with the display's channel mask. Other
// modes give the frame colour unchanged.
uint32_t MixColours(uint32_t frameColour, uint32_t backgroundColour, int32_t mode);

// Writes into a 24-bit record (the work surface) by the BlendMode.
void BlendPixel(ImageRecord *record, int32_t x, int32_t y, uint32_t frameColour, uint32_t backgroundColour,
                int32_t mode);
