// Pictures of the simulated screen: reading it, PNG files of it, the
// 24-bit BMP a run may use as the desktop, and BMP files for skins.
#include "tool.h"

#include "bmpfile.h"
#include "device.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

uint32_t ReadLe(const std::vector<unsigned char> &bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; i--) value = (value << 8) | bytes[at + (size_t)i];
    return value;
}

struct BmpHeader {
    int32_t width, height;  // height negative: rows stored from the top
    uint32_t pixelOffset;
};

int ParseBmpHeader(const std::vector<unsigned char> &bytes, BmpHeader *header, std::string *error) {
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
        *error = "not a BMP file";
        return 0;
    }
    header->pixelOffset = ReadLe(bytes, 10, 4);
    uint32_t infoSize = ReadLe(bytes, 14, 4);
    header->width = (int32_t)ReadLe(bytes, 18, 4);
    header->height = (int32_t)ReadLe(bytes, 22, 4);
    /* planes = */ ReadLe(bytes, 26, 2);
    uint32_t bits = ReadLe(bytes, 28, 2);
    uint32_t compression = ReadLe(bytes, 30, 4);
    if (infoSize < 40 || bits != 24 || compression != 0) {
        *error = "only uncompressed 24-bit BMP files can be a background";
        return 0;
    }
    if (header->width < 1 || header->width > 4096 || header->height == 0 ||
        header->height < -4096 || header->height > 4096) {
        *error = "BMP size out of range";
        return 0;
    }
    return 1;
}

}  // namespace

int WriteBmp(const std::string &path, int width, int height, int depth,
             const std::vector<COLORREF> &palette, const std::vector<uint32_t> &values) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;  // positive: bottom row first
    spec.bitsPerPixel = depth;
    spec.palette = palette;
    spec.palette.resize(depth <= 8 ? 1u << depth : 0, 0);  // a full table: biClrUsed 0
    spec.pixels = values;
    spec.pixelsPerMetre = 2835;  // 72 dpi
    // Rows are read unpadded when the file is exactly 1008 bytes longer than
    // unpadded rows would be; leaving off the last row's padding, which the
    // loader allows, keeps such a picture read as padded.
    uint32_t pixelBytes = ((uint32_t)width * (uint32_t)depth + 7) / 8;
    spec.lastRowUnpadded = ((pixelBytes + 3) / 4 * 4 - pixelBytes) * (uint32_t)height == 1008;
    std::string out = BmpFileBytes(spec);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), (std::streamsize)out.size());
    file.close();
    return !file.fail();
}

ScreenImage ReadWholeScreen() {
    ScreenImage image;
    image.width = DeviceScreenWidth();
    image.height = DeviceScreenHeight();
    image.pixels.resize((size_t)image.width * (size_t)image.height);
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            image.pixels[(size_t)y * (size_t)image.width + (size_t)x] = DeviceReadScreen(x, y);
    return image;
}

int ReadBackgroundBmp(const std::string &path, ScreenImage *image, std::string *error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return 0;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    BmpHeader header;
    if (!ParseBmpHeader(bytes, &header, error)) {
        *error = path + ": " + *error;
        return 0;
    }
    int32_t rows = header.height < 0 ? -header.height : header.height;
    size_t rowBytes = ((size_t)header.width * 3 + 3) & ~(size_t)3;
    if (header.pixelOffset > bytes.size() ||
        (bytes.size() - header.pixelOffset) / rowBytes < (size_t)rows) {
        *error = path + ": pixel data cut short";
        return 0;
    }
    image->width = header.width;
    image->height = rows;
    image->pixels.assign((size_t)header.width * (size_t)rows, 0);
    for (int32_t y = 0; y < rows; y++) {
        int32_t stored = header.height < 0 ? y : rows - 1 - y;
        size_t row = header.pixelOffset + (size_t)stored * rowBytes;
        for (int32_t x = 0; x < header.width; x++) {
            size_t p = row + 3 * (size_t)x;  // blue, green, red
            image->pixels[(size_t)y * (size_t)header.width + (size_t)x] =
                (COLORREF)(bytes[p + 2] | (bytes[p + 1] << 8) | (bytes[p] << 16));
        }
    }
    return 1;
}

int WritePng(const std::string &path, const ScreenImage &image) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    size_t channels = image.alpha.empty() ? 3 : 4;
    std::vector<png_byte> row((size_t)image.width * channels);
    int ok = 0;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, (png_uint_32)image.width, (png_uint_32)image.height, 8,
                     channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; y++) {
            for (size_t x = 0; x < (size_t)image.width; x++) {
                size_t i = (size_t)y * (size_t)image.width + x;
                COLORREF c = image.pixels[i];
                row[channels * x] = (png_byte)(c & 0xFF);
                row[channels * x + 1] = (png_byte)((c >> 8) & 0xFF);
                row[channels * x + 2] = (png_byte)((c >> 16) & 0xFF);
                if (channels == 4) row[channels * x + 3] = image.alpha[i];
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = 1;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) ok = 0;
    return ok;
}
