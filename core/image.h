// The image record: one picture, mask or work surface, and the colour value.
//
// Pixels are stored bottom-up like a BMP file (storage row r is image row
// height - 1 - r). Records the program allocates itself have packed rows;
// the work surface addresses a platform DIB section whose rows are padded to
// 4 bytes, which is why the row length is carried in the record.
#pragma once

#include "platform.h"

#include <stdint.h>

// A colour value: 0x00BBGGRR, red in the low byte.
typedef uint32_t ColourValue;

// 24-bit pixels are stored blue, green, red and kept at 5-6-5 precision, the
// bits a 16-bit display shows: these masks keep them, per byte, and in a
// colour value or three pixel bytes loaded little-endian (blue and red use
// the same mask, so the two orders share one).
enum { kBlueBits = 0xF8, kGreenBits = 0xFC, kRedBits = 0xF8 };
enum : uint32_t { kReducedBits = 0xF8FCF8 };

// Reduces the 24-bit pixel at from to 5-6-5 precision, into to.
inline void ReducePixel(BYTE *to, const BYTE *from) {
    to[0] = (BYTE)(from[0] & kBlueBits);
    to[1] = (BYTE)(from[1] & kGreenBits);
    to[2] = (BYTE)(from[2] & kRedBits);
}

// 1 when the 24-bit pixel at full reduces to the one at reduced.
inline int ReducesTo(const BYTE *full, const BYTE *reduced) {
    return (full[0] & kBlueBits) == reduced[0] && (full[1] & kGreenBits) == reduced[1] &&
           (full[2] & kRedBits) == reduced[2];
}

// The depths an image record stores: 1, 2, 4 and 8 bits with a palette,
// and 24 bits. Files of other depths load with no pixels.
inline int IsStoredDepth(int32_t depth) {
    return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 24;
}

enum {
    kFileNameUnits = 64,
    kMaxImageSide = 4096  // widest and tallest record the program makes (keeps sizes in 32 bits)
};

struct ImageRecord {
    BYTE *pixels;                    // owned pixel buffer, or null: not loaded
    WCHAR fileName[kFileNameUnits];  // relative to the skin folder
    int32_t x, y;                    // placement in the work area
    int32_t width, height;
    int32_t bitsPerPixel;  // 1, 2, 4, 8 or 24
    ColourValue *palette;  // 2^bitsPerPixel entries for depths 1-8, or null
    uint32_t transparentKey;
    int32_t hasTransparentKey;
    int32_t rowBytes;  // bytes from one storage row to the next
};

// Bytes of one packed row of a record of this width and depth (0 for a depth
// the program does not store).
int32_t PackedRowBytes(int32_t width, int32_t bitsPerPixel);

// Gives the record a zeroed, packed pixel buffer of width x height at the
// depth and sets width, height, bitsPerPixel and rowBytes. The buffer belongs
// to the record. Returns 1, or 0 (record untouched) for a depth the program
// does not store, a negative size or no memory.
int AllocateImagePixels(ImageRecord *record, int32_t width, int32_t height, int32_t bitsPerPixel);
// Gives back the buffer AllocateImagePixels made (none is fine) and leaves
// the record without pixels.
void FreeImagePixels(ImageRecord *record);
// Gives back the pixels and the palette (from the standard allocator) of a
// loaded picture or mask.
void FreeImageRecord(ImageRecord *record);
