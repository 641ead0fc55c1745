// Pixel access on image records, the blend modes and the display format.
#pragma once

#include "image.h"

// How the display stores colours, learnt at start-up.
struct DisplayFormat {
    int32_t depth;               // bits per pixel; 16 (and 32) recorded as 24
    uint32_t blackValue;
    uint32_t darkSubstitute;
    uint32_t whiteValue;
    uint32_t lightSubstitute;
    BYTE channelMask[3];         // blue, green, red of white as the display returns it
};
extern DisplayFormat displayFormat;

// The opacity with which a frame is mixed into the desktop.
enum BlendMode {
    kBlendFull = 0,     // "100%"
    kBlend75 = 1,       // "75%"
    kBlend50 = 2,       // "50%"
    kBlend25 = 3,       // "25%"
    kBlendChecker = 4   // "Half"
};

uint32_t ReadPixel(const ImageRecord *record, int32_t x, int32_t y);
uint32_t ReadPixelIndex(const ImageRecord *record, int32_t x, int32_t y);
void WritePixel(ImageRecord *record, int32_t x, int32_t y, uint32_t value);
void BlendPixel(ImageRecord *record, int32_t x, int32_t y, uint32_t frameColour,
                uint32_t backgroundColour, int32_t mode);
