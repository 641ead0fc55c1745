// Pixel access on image records, the blend modes and the display format.
//
// The compositor runs these once or more per work-area pixel per tick, so
// the single-pixel operations are inline here, and 24-bit row-pointer
// helpers let a loop over a surface skip the per-pixel addressing:
//
//     BYTE *row = ImageRow(&frameSurface, y);          // image row y (top = 0)
//     uint32_t c = ReadRgb24(row + 3 * x);             // reduced colour value
//     WriteRgb24(row + 3 * x, c);                      // stores at 5-6-5 precision
//
// Colour values are 0x00BBGGRR. 24-bit pixels are stored blue, green, red
// and kept at 5-6-5 precision (blue and red AND 0xF8, green AND 0xFC): every
// write reduces, and every read reduces too, because the work surface holds
// unreduced pixels straight from the screen.
#pragma once

#include "core/image.h"

#include <stddef.h>

// How the display stores colours, learnt at start-up. Written only by
// probe.cpp (OpenDisplay's depth, the probe, SetDisplayFormat).
struct DisplayFormat {
    int32_t depth;  // bits per pixel; 16 (and 32) recorded as 24
    uint32_t blackValue;
    uint32_t darkSubstitute;
    uint32_t whiteValue;
    uint32_t lightSubstitute;
    BYTE channelMask[3];  // blue, green, red of white as the display returns it
};
extern const DisplayFormat &displayFormat;

// The opacity with which a frame is mixed into the desktop.
enum BlendMode {
    kBlendFull = 0,    // "100%"
    kBlend75 = 1,      // "75%"
    kBlend50 = 2,      // "50%"
    kBlend25 = 3,      // "25%"
    kBlendChecker = 4  // "Half"
};

// ---- 24-bit fast paths -------------------------------------------------------

// Start of image row y (0 = top) of a record; rows are stored bottom-up,
// rowBytes apart. The caller keeps y inside the record.
inline BYTE *ImageRow(const ImageRecord *record, int32_t y) {
    return record->pixels + (size_t)(record->height - 1 - y) * (size_t)record->rowBytes;
}

// The reduced colour value of the 24-bit pixel at p (blue, green, red).
inline uint32_t ReadRgb24(const BYTE *p) {
    return ((uint32_t)(p[0] & kBlueBits) << 16) | ((uint32_t)(p[1] & kGreenBits) << 8) |
           (uint32_t)(p[2] & kRedBits);
}

// Stores a colour value at p at 5-6-5 precision.
inline void WriteRgb24(BYTE *p, uint32_t value) {
    p[0] = (BYTE)((value >> 16) & kBlueBits);
    p[1] = (BYTE)((value >> 8) & kGreenBits);
    p[2] = (BYTE)(value & kRedBits);
}

// ---- sub-byte addressing -----------------------------------------------------

// Shift of pixel x's bits within its byte, leftmost pixel in the top bits.
inline int SubByteShift(int32_t x, int32_t bits) {
    int32_t perByte = 8 / bits;
    return 8 - bits * (x % perByte + 1);
}

inline uint32_t ReadStoredIndex(const ImageRecord *record, int32_t x, int32_t y) {
    const BYTE *row = ImageRow(record, y);
    int32_t bits = record->bitsPerPixel;
    if (bits == 8) return row[x];
    if (bits != 1 && bits != 2 && bits != 4) return 0;
    return (uint32_t)(row[x / (8 / bits)] >> SubByteShift(x, bits)) & ((1u << bits) - 1);
}

// ---- the pixel operations ----------------------------------------------------

// Depth 24 gives the reduced colour value; depths 1-8 the stored index mapped
// through the palette when there is one. No range check: the caller keeps
// (x, y) inside the record.
inline uint32_t ReadPixel(const ImageRecord *record, int32_t x, int32_t y) {
    if (record->bitsPerPixel == 24) return ReadRgb24(ImageRow(record, y) + 3 * (size_t)x);
    uint32_t index = ReadStoredIndex(record, x, y);
    return record->palette ? record->palette[index] : index;
}

// The same without the palette: the raw index at depths 1-8.
inline uint32_t ReadPixelIndex(const ImageRecord *record, int32_t x, int32_t y) {
    if (record->bitsPerPixel == 24) return ReadRgb24(ImageRow(record, y) + 3 * (size_t)x);
    return ReadStoredIndex(record, x, y);
}

// Stores value at (x, y); ignores positions outside the record and, at depths
// 1-8, values that do not fit the depth.
inline void WritePixel(ImageRecord *record, int32_t x, int32_t y, uint32_t value) {
    if (x < 0 || x >= record->width || y < 0 || y >= record->height) return;
    int32_t bits = record->bitsPerPixel;
    BYTE *row = ImageRow(record, y);
    if (bits == 24) {
        WriteRgb24(row + 3 * (size_t)x, value);
    } else if (bits == 8) {
        if (value <= 0xFF) row[x] = (BYTE)value;
    } else if (bits == 1 || bits == 2 || bits == 4) {
        uint32_t max = (1u << bits) - 1;
        if (value > max) return;
        int shift = SubByteShift(x, bits);
        BYTE *p = row + x / (8 / bits);
        *p = (BYTE)((*p & ~(max << shift)) | (value << shift));
    }
}
