// The display format, the packed row rule and the blend.
#include "graphics/pixels.h"

#include <stdlib.h>

DisplayFormat displayFormat;

int32_t PackedRowBytes(int32_t width, int32_t bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1: return (width + 7) / 8;
    case 2: return (width + 3) / 4;
    case 4: return (width + 1) / 2;
    case 8: return width;
    case 24: return width * 3;
    default: return 0;
    }
}

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

int AllocateImagePixels(ImageRecord *record, int32_t width, int32_t height,
                        int32_t bitsPerPixel) {
    int32_t rowBytes = PackedRowBytes(width, bitsPerPixel);
    if (width < 0 || height < 0 || width > kMaxImageSide || height > kMaxImageSide) return 0;
    if (rowBytes == 0 && width > 0) return 0;
    // At least one byte, so an empty record still has a buffer to point at.
    size_t bytes = (size_t)rowBytes * (size_t)height;
    BYTE *pixels = (BYTE *)LocalAlloc(LPTR, bytes ? bytes : 1);
    if (!pixels) return 0;
    record->pixels = pixels;
    record->width = width;
    record->height = height;
    record->bitsPerPixel = bitsPerPixel;
    record->rowBytes = rowBytes;
    return 1;
}

void FreeImagePixels(ImageRecord *record) {
    if (record->pixels) LocalFree(record->pixels);
    record->pixels = NULL;
}

void FreeImageRecord(ImageRecord *record) {
    FreeImagePixels(record);
    free(record->palette);
    record->palette = NULL;
}
