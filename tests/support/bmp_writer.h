// A small BMP writer for tests, so each loader test shows in its source what
// the file holds, broken files included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
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
};

// Writes the file to a host path. Returns 1, or 0 when it cannot be written.
int WriteBmpFile(const std::filesystem::path &path, const BmpSpec &spec);
