// The packed row rule and the blend.
#include "graphics/pixels.h"

#include <stdlib.h>

void BlendPixel(ImageRecord *record, int32_t x, int32_t y, uint32_t frameColour,
                uint32_t backgroundColour, int32_t mode) {
    if (mode == kBlendFull) {
        WritePixel(record, x, y, frameColour);
    } else if (mode == kBlendChecker) {
        if ((x & 1) == (y & 1)) WritePixel(record, x, y, frameColour);
    } else if (mode >= kBlend75 && mode <= kBlend25) {
        if (x < 0 || x >= record->width || y < 0 || y >= record->height) return;
        if (record->bitsPerPixel != 24) return;
        WriteRgb24(ImageRow(record, y) + 3 * (size_t)x,
                   MixColours(frameColour, backgroundColour, mode));
    }
}
