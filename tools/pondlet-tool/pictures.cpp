// Pictures of the simulated screen: reading it, PNG files of it, and the
// 24-bit BMP a run may use as the desktop.
#include "tool.h"

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
    std::vector<png_byte> row((size_t)image.width * 3);
    int ok = 0;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, (png_uint_32)image.width, (png_uint_32)image.height, 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; y++) {
            for (int x = 0; x < image.width; x++) {
                COLORREF c = image.pixels[(size_t)y * (size_t)image.width + (size_t)x];
                row[3 * (size_t)x] = (png_byte)(c & 0xFF);
                row[3 * (size_t)x + 1] = (png_byte)((c >> 8) & 0xFF);
                row[3 * (size_t)x + 2] = (png_byte)((c >> 16) & 0xFF);
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
