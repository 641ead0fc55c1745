// BMP files as bytes: the pictures pondlet-tool writes for skins, and the
// files the loader's tests describe field by field, broken ones included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1;               // zero or negative for bad-input tests
    int bitsPerPixel = 24;            // 1, 2, 4, 8, 16, 24 or 32; others write no pixels
    std::vector<uint32_t> palette{};  // 0x00BBGGRR; fewer than 2^bits sets biClrUsed
    std::vector<uint32_t> pixels{};   // row-major from the top; missing ones are 0
    bool paddedRows = true;           // rows padded to 4 bytes, as files normally are
    uint16_t bfType = 0x4D42;         // "BM"
    int64_t bfOffBits = -1;           // -1: where the pixel data really starts
    uint32_t biCompression = 0;
    uint32_t infoHeaderBytes = 40;  // biSize: 108 and 124 add colour-space fields;
                                    // other sizes cut or zero-extend that layout
    size_t gapBytes = 0;            // zero bytes between colour table and pixels
    size_t extraBytes = 0;          // zero bytes after the pixel data
    int64_t truncateTo = -1;        // -1: whole file; else keep this many bytes
    uint32_t pixelsPerMetre = 0;    // both resolutions
    bool lastRowUnpadded = false;   // the file ends where the last row's pixels do
};

std::string BmpFileBytes(const BmpSpec &spec);
