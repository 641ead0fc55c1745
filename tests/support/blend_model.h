// The blend pixel by pixel, as the compositor's fast paths must give it:
// the reference the compositor test compares them with.
#pragma once

#include "graphics/pixels.h"

// The mixed colour of modes 1-3 (75%, 50%, 25% frame colour), per channel
// with truncating division, ANDed with the display's channel mask. Other
// modes give the frame colour unchanged.
inline uint32_t MixColours(uint32_t frameColour, uint32_t backgroundColour, int32_t mode) {
    uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t f = (frameColour >> shift) & 0xFF, b = (backgroundColour >> shift) & 0xFF;
        uint32_t c = mode == kBlend75   ? (3 * f + b) / 4
                     : mode == kBlend50 ? (f + b) / 2
                     : mode == kBlend25 ? (f + 3 * b) / 4
                                        : f;
        mixed |= c << shift;
    }
    if (mode < kBlend75 || mode > kBlend25) return mixed;
    uint32_t mask = ((uint32_t)displayFormat.channelMask[0] << 16) | ((uint32_t)displayFormat.channelMask[1] << 8) |
                    displayFormat.channelMask[2];
    return mixed & mask;
}

// Writes into a 24-bit record (the work surface) by the BlendMode.
inline void BlendPixel(ImageRecord *record, int32_t x, int32_t y, uint32_t frameColour, uint32_t backgroundColour,
                       int32_t mode) {
    if (mode == kBlendFull) {
        WritePixel(record, x, y, frameColour);
    } else if (mode == kBlendChecker) {
        if ((x & 1) == (y & 1)) WritePixel(record, x, y, frameColour);
    } else if (mode >= kBlend75 && mode <= kBlend25) {
        if (x < 0 || x >= record->width || y < 0 || y >= record->height || record->bitsPerPixel != 24) return;
        WriteRgb24(ImageRow(record, y) + 3 * (size_t)x, MixColours(frameColour, backgroundColour, mode));
    }
}
