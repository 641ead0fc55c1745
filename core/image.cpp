// The image record's pixel buffer: its size rule, and taking and giving it back.
#include "core/image.h"

#include <stdlib.h>

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

int AllocateImagePixels(ImageRecord *record, int32_t width, int32_t height, int32_t bitsPerPixel) {
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
