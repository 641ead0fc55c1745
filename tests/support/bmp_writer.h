// A small BMP file writer for tests: builds a file's bytes from a plain
// description, including deliberately broken files, so that every loader
// test shows in its source what the file holds.
#pragma once

#include "platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1;                 // may be zero or negative for bad-input tests
    int bitsPerPixel = 24;              // 1, 2, 4, 8, 16, 24 or 32 (others write no pixels)
    std::vector<uint32_t> palette;      // 0x00BBGGRR; fewer than 2^bits sets biClrUsed
    std::vector<uint32_t> pixels;       // row-major from the top: indices or colour values;
                                        // missing pixels are written as 0
    bool paddedRows = true;             // rows padded to 4 bytes, as files normally are

    // Overrides for bad-input tests. Each changes only what it names: the
    // pixel data always follows the colour table (and gapBytes).
    uint16_t bfType = 0x4D42;           // "BM"
    int64_t bfOffBits = -1;             // -1: where the pixel data really starts
    uint32_t biCompression = 0;
    size_t gapBytes = 0;                // zero bytes between colour table and pixels
    size_t extraBytes = 0;              // zero bytes after the pixel data
    int64_t truncateTo = -1;            // -1: whole file; else keep this many bytes
};

// Bytes of one file row (padded or not) for a width and depth.
size_t BmpRowBytes(int32_t width, int bitsPerPixel, bool padded);

// The whole file as bytes.
std::vector<uint8_t> BuildBmp(const BmpSpec &spec);

// Writes bytes to a host file (narrow path); true on success.
bool WriteTestFile(const std::string &hostPath, const std::vector<uint8_t> &bytes);

// A fresh, empty folder for one test's files, as a host path ending in the
// host separator. The name keeps tests apart.
std::string MakeTestFolder(const std::string &name);

// The program's view of a host folder path: a UTF-16 path ending in a
// backslash, as exeFolder holds it. Cuts to fit units (including the 0).
void ProgramFolderPath(const std::string &hostFolder, WCHAR *out, size_t units);
