// BMP files as bytes (see bmpfile.h).
#include "bmpfile.h"

static void PutLe(std::string &out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; i++) out += char(value >> (8 * i));
}

// Leftmost pixel in the most significant bits; 24 and 32 bits blue first.
static void PutPixel(char *row, int32_t x, int bits, uint32_t value) {
    if (bits < 8) {
        int shift = 8 - bits * (x % (8 / bits) + 1);
        row[x / (8 / bits)] = char(row[x / (8 / bits)] | ((value & ((1u << bits) - 1)) << shift));
    } else if (bits == 8) {
        row[x] = char(value);
    }
    for (int i = 0; bits > 8 && i < bits / 8 && i < 3; i++)
        row[(bits / 8) * x + i] = char(bits == 16 ? value >> (8 * i) : value >> (16 - 8 * i));
}

static size_t RowBytes(const BmpSpec &spec) {
    int bits = spec.bitsPerPixel;
    bool known =
        bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!known || spec.width <= 0) return 0;
    size_t bytes = (size_t(spec.width) * size_t(bits) + 7) / 8;
    return spec.paddedRows ? (bytes + 3) / 4 * 4 : bytes;
}

std::string BmpFileBytes(const BmpSpec &spec) {
    size_t rowBytes = RowBytes(spec),
           rows = size_t(spec.height < 0 ? -int64_t(spec.height) : spec.height);
    size_t dataStart = 14 + spec.infoHeaderBytes + 4 * spec.palette.size() + spec.gapBytes;
    size_t lastPadding = spec.lastRowUnpadded
                             ? rowBytes - (size_t(spec.width) * size_t(spec.bitsPerPixel) + 7) / 8
                             : 0;
    size_t imageBytes = rowBytes * rows - lastPadding,
           total = dataStart + imageBytes + spec.extraBytes;
    bool shortTable =
        spec.bitsPerPixel <= 8 && spec.palette.size() < (size_t(1) << spec.bitsPerPixel);
    std::string out;
    PutLe(out, spec.bfType, 2);
    PutLe(out, total, 4);  // bfSize
    PutLe(out, 0, 4);      // reserved
    PutLe(out, spec.bfOffBits < 0 ? dataStart : uint64_t(spec.bfOffBits), 4);
    PutLe(out, spec.infoHeaderBytes, 4);  // biSize
    PutLe(out, uint32_t(spec.width), 4);
    PutLe(out, uint32_t(spec.height), 4);
    PutLe(out, 1, 2);  // biPlanes
    PutLe(out, uint16_t(spec.bitsPerPixel), 2);
    PutLe(out, spec.biCompression, 4);
    PutLe(out, imageBytes, 4);  // biSizeImage
    PutLe(out, spec.pixelsPerMetre, 4);
    PutLe(out, spec.pixelsPerMetre, 4);
    PutLe(out, shortTable ? spec.palette.size() : 0, 4);  // biClrUsed
    PutLe(out, 0, 4);                                     // biClrImportant
    for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) PutLe(out, mask, 4);
    PutLe(out, 0x73524742, 4);  // colour space "sRGB"
    out.append(48, 0);          // endpoints, gamma
    PutLe(out, 4, 4);           // rendering intent
    out.append(12, 0);          // profile data and size, reserved
    out.resize(14 + spec.infoHeaderBytes, 0);
    for (uint32_t c : spec.palette)
        PutLe(out, (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16, 4);
    out.resize(dataStart, 0);
    for (size_t r = 0; r < rows; r++) {  // bottom row first
        std::string row(rowBytes, 0);
        for (int32_t x = 0; rowBytes > 0 && x < spec.width; x++) {
            size_t i = (rows - 1 - r) * size_t(spec.width) + size_t(x);
            if (i < spec.pixels.size()) PutPixel(&row[0], x, spec.bitsPerPixel, spec.pixels[i]);
        }
        out += row;
    }
    out.resize(total, 0);
    if (spec.truncateTo >= 0 && size_t(spec.truncateTo) < out.size())
        out.resize(size_t(spec.truncateTo));
    return out;
}
