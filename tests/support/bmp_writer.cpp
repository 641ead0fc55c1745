// A small BMP file writer for tests (see bmp_writer.h).
#include "support/bmp_writer.h"

#include "support/test_files.h"

#include <algorithm>

namespace {

void PutLe(std::vector<uint8_t> &out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; i++) out.push_back(uint8_t(value >> (8 * i)));
}

// Sets pixel x of a row to value at the given depth, leftmost pixel in the
// most significant bits, multi-byte pixels little-endian (24/32: blue first).
void PutPixel(uint8_t *row, int32_t x, int bits, uint32_t value) {
    switch (bits) {
    case 1: case 2: case 4: {
        int perByte = 8 / bits;
        int shift = 8 - bits * (x % perByte + 1);
        uint8_t mask = uint8_t(((1u << bits) - 1) << shift);
        row[x / perByte] = uint8_t((row[x / perByte] & ~mask) | ((value << shift) & mask));
        break;
    }
    case 8: row[x] = uint8_t(value); break;
    case 16: row[2 * x] = uint8_t(value); row[2 * x + 1] = uint8_t(value >> 8); break;
    case 24: case 32: {
        uint8_t *p = row + (bits / 8) * x;
        p[0] = uint8_t(value >> 16);  // blue
        p[1] = uint8_t(value >> 8);   // green
        p[2] = uint8_t(value);        // red
        if (bits == 32) p[3] = 0;
        break;
    }
    default: break;
    }
}

}  // namespace

size_t BmpRowBytes(int32_t width, int bitsPerPixel, bool padded) {
    if (width <= 0) return 0;
    size_t bits = size_t(width) * size_t(bitsPerPixel);
    size_t bytes = (bits + 7) / 8;
    return padded ? (bytes + 3) / 4 * 4 : bytes;
}

std::vector<uint8_t> BuildBmp(const BmpSpec &spec) {
    bool known = spec.bitsPerPixel == 1 || spec.bitsPerPixel == 2 || spec.bitsPerPixel == 4 ||
                 spec.bitsPerPixel == 8 || spec.bitsPerPixel == 16 ||
                 spec.bitsPerPixel == 24 || spec.bitsPerPixel == 32;
    size_t rowBytes = known ? BmpRowBytes(spec.width, spec.bitsPerPixel, spec.paddedRows) : 0;
    size_t rows = size_t(spec.height < 0 ? -int64_t(spec.height) : int64_t(spec.height));
    size_t dataBytes = rowBytes * rows;
    size_t tableBytes = 4 * spec.palette.size();
    size_t dataStart = 54 + tableBytes + spec.gapBytes;
    size_t total = dataStart + dataBytes + spec.extraBytes;
    uint32_t clrUsed = 0;
    if (spec.bitsPerPixel <= 8 && spec.palette.size() < (size_t(1) << spec.bitsPerPixel))
        clrUsed = uint32_t(spec.palette.size());

    std::vector<uint8_t> out;
    out.reserve(total);
    PutLe(out, spec.bfType, 2);
    PutLe(out, total, 4);                                   // bfSize
    PutLe(out, 0, 4);                                       // reserved
    PutLe(out, spec.bfOffBits < 0 ? dataStart : uint64_t(spec.bfOffBits), 4);
    PutLe(out, 40, 4);                                      // biSize
    PutLe(out, uint32_t(spec.width), 4);
    PutLe(out, uint32_t(spec.height), 4);
    PutLe(out, 1, 2);                                       // biPlanes
    PutLe(out, uint16_t(spec.bitsPerPixel), 2);
    PutLe(out, spec.biCompression, 4);
    PutLe(out, dataBytes, 4);                               // biSizeImage
    PutLe(out, 2835, 4);                                    // biXPelsPerMeter
    PutLe(out, 2835, 4);                                    // biYPelsPerMeter
    PutLe(out, clrUsed, 4);
    PutLe(out, 0, 4);                                       // biClrImportant
    for (uint32_t c : spec.palette) {
        out.push_back(uint8_t(c >> 16));
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
        out.push_back(0);
    }
    out.resize(dataStart, 0);

    // Bottom row first, as BMP files store them.
    std::vector<uint8_t> row(rowBytes);
    for (size_t r = 0; r < rows; r++) {
        std::fill(row.begin(), row.end(), 0);
        size_t y = rows - 1 - r;
        for (int32_t x = 0; x < spec.width && rowBytes > 0; x++) {
            size_t i = y * size_t(spec.width) + size_t(x);
            if (i < spec.pixels.size()) PutPixel(row.data(), x, spec.bitsPerPixel, spec.pixels[i]);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    out.resize(total, 0);
    if (spec.truncateTo >= 0 && size_t(spec.truncateTo) < out.size())
        out.resize(size_t(spec.truncateTo));
    return out;
}

int WriteBmpFile(const std::filesystem::path &path, const BmpSpec &spec) {
    std::vector<uint8_t> bytes = BuildBmp(spec);
    return WriteTestFile(path, std::string(bytes.begin(), bytes.end()));
}
