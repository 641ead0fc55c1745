// BMP loading of well-formed files: pixels and palettes at every depth, the
// row-length rule, the three mask rules, stale colour-table entries and
// files that load without a message (unconverted depths, truncated data).
// Files that must be refused with a message are tested on the device only,
// where message boxes do not block.
#include "graphics/bmp.h"
#include "graphics/pixels.h"
#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class BmpLoad : public ::testing::Test {
protected:
    TestFolder folder{"bmp"};
    void SetUp() override {
        ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)), 1);
    }
    // Writes the file and loads it into a fresh record.
    ImageRecord Load(const BmpSpec &spec, int kind, uint32_t key = 0) {
        ImageRecord record{};
        record.transparentKey = key;
        const char *name = "image.bmp";
        EXPECT_EQ(WriteBmpFile(folder.path / name, spec), 1);
        for (size_t i = 0; name[i]; i++) record.fileName[i] = (WCHAR)name[i];
        LoadBitmapFile(&record, kind);
        return record;
    }
};

// Every pixel of the record, row-major from the top, through ReadPixelIndex.
std::vector<uint32_t> Indices(const ImageRecord &record) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < record.height; y++)
        for (int32_t x = 0; x < record.width; x++) out.push_back(ReadPixelIndex(&record, x, y));
    return out;
}

std::string Show(const std::vector<uint32_t> &values) {
    std::string out;
    char text[16];
    for (uint32_t v : values) {
        std::snprintf(text, sizeof text, "%X ", v);
        out += text;
    }
    return out;
}

TEST_F(BmpLoad, PicturesKeepTheirDepthAndPixels) {
    struct {
        int bits;
        int32_t width, height;
        std::vector<uint32_t> pixels;   // file pixels, row-major from the top
        std::vector<uint32_t> expected; // ReadPixelIndex of the record
    } rows[] = {
        {1, 10, 2, {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, /**/ 0, 1, 0, 0, 1, 1, 1, 0, 0, 1},
                   {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, /**/ 0, 1, 0, 0, 1, 1, 1, 0, 0, 1}},
        {2, 5, 2, {3, 2, 1, 0, 3, /**/ 0, 1, 2, 3, 0}, {3, 2, 1, 0, 3, /**/ 0, 1, 2, 3, 0}},
        {4, 3, 2, {15, 0, 7, /**/ 8, 9, 10}, {15, 0, 7, /**/ 8, 9, 10}},
        {8, 3, 2, {1, 2, 255, /**/ 4, 5, 6}, {1, 2, 255, /**/ 4, 5, 6}},
        {24, 2, 2, {0xFFFFFF, 0x123456, /**/ 0x0000FF, 0x070301},
                   {0xF8FCF8, 0x103450, /**/ 0x0000F8, 0x000000}},
    };
    for (auto &r : rows) {
        BmpSpec spec;
        spec.bitsPerPixel = r.bits;
        spec.width = r.width;
        spec.height = r.height;
        spec.pixels = r.pixels;
        if (r.bits <= 8)
            for (int i = 0; i < (1 << r.bits); i++) spec.palette.push_back(0x010101u * i);
        ImageRecord record = Load(spec, kLoadPicture);
        ASSERT_NE(record.pixels, nullptr) << "depth " << r.bits;
        EXPECT_EQ(record.bitsPerPixel, r.bits);
        EXPECT_EQ(record.width, r.width);
        EXPECT_EQ(record.height, r.height);
        EXPECT_EQ(record.rowBytes, PackedRowBytes(r.width, r.bits));
        EXPECT_EQ(Show(Indices(record)), Show(r.expected)) << "depth " << r.bits;
        if (r.bits <= 8) {
            ASSERT_NE(record.palette, nullptr);
            EXPECT_EQ(record.palette[(1 << r.bits) - 1], 0x010101u * ((1 << r.bits) - 1));
        } else {
            EXPECT_EQ(record.palette, nullptr);
        }
    }
}

TEST_F(BmpLoad, PaletteEntriesSplitIntoColourValues) {
    BmpSpec spec;
    spec.bitsPerPixel = 1;
    spec.palette = {0x00FF0000, 0x000080FF};   // blue; orange
    spec.pixels = {1};
    ImageRecord record = Load(spec, kLoadPicture);
    ASSERT_NE(record.palette, nullptr);
    EXPECT_EQ(record.palette[0], 0xFF0000u);
    EXPECT_EQ(record.palette[1], 0x0080FFu);
    EXPECT_EQ(ReadPixel(&record, 0, 0), 0x0080FFu);
}

// 8-bit, 3 wide, 2 high: file rows of 4 bytes, record rows of 3, bottom first.
TEST_F(BmpLoad, PaddedRowsArePackedBottomRowFirst) {
    BmpSpec spec;
    spec.bitsPerPixel = 8;
    spec.width = 3;
    spec.height = 2;
    spec.palette.assign(256, 0);
    spec.pixels = {1, 2, 3, /**/ 4, 5, 6};
    ImageRecord record = Load(spec, kLoadPicture);
    ASSERT_NE(record.pixels, nullptr);
    const BYTE expected[6] = {4, 5, 6, 1, 2, 3};
    for (int i = 0; i < 6; i++) EXPECT_EQ(record.pixels[i], expected[i]) << "byte " << i;
}

// Exactly 1008 bytes after unpadded pixel data mark a file with unpadded
// rows; any other trailer is shared out among the rows.
TEST_F(BmpLoad, TrailerOf1008BytesMeansUnpaddedRows) {
    struct { size_t extra; bool padded; std::vector<uint32_t> expected; } rows[] = {
        {1008, false, {1, 2, 3, /**/ 4, 5, 6, /**/ 7, 8, 9}},
        {0, true, {1, 2, 3, /**/ 4, 5, 6, /**/ 7, 8, 9}},
        {1007, false, {}},   // read with the wrong row length: not the picture
    };
    for (auto &r : rows) {
        BmpSpec spec;
        spec.bitsPerPixel = 8;
        spec.width = 3;
        spec.height = 3;
        spec.palette.assign(256, 0);
        spec.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        spec.paddedRows = r.padded;
        spec.extraBytes = r.extra;
        ImageRecord record = Load(spec, kLoadPicture);
        ASSERT_NE(record.pixels, nullptr) << "trailer " << r.extra;
        if (r.expected.empty())
            EXPECT_NE(Show(Indices(record)), Show(spec.pixels)) << "trailer " << r.extra;
        else
            EXPECT_EQ(Show(Indices(record)), Show(r.expected)) << "trailer " << r.extra;
    }
}

TEST_F(BmpLoad, MasksBecomeOneBitByTheirRule) {
    struct {
        const char *what;
        int bits;
        uint32_t key;
        std::vector<uint32_t> pixels;
        std::vector<uint32_t> expected;
    } rows[] = {
        {"1-bit keeps its bits", 1, 1, {0, 1, 1, 0}, {0, 1, 1, 0}},
        {"1-bit ignores the key", 1, 0, {0, 1, 1, 0}, {0, 1, 1, 0}},
        {"4-bit index equals key", 4, 5, {5, 0, 15, 5}, {1, 0, 0, 1}},
        {"8-bit key 0", 8, 0, {0, 1, 255, 0}, {1, 0, 0, 1}},
        {"24-bit full precision", 24, 0xFFFFFF, {0xFFFFFF, 0xFFFFFE, 0xF8FCF8, 0}, {1, 0, 0, 0}},
        {"16-bit gives all zero", 16, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"32-bit gives all zero", 32, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (auto &r : rows) {
        BmpSpec spec;
        spec.bitsPerPixel = r.bits;
        spec.width = 2;
        spec.height = 2;
        spec.pixels = r.pixels;
        if (r.bits <= 8) spec.palette.assign(1u << r.bits, 0x123456);
        ImageRecord record = Load(spec, kLoadMask, r.key);
        ASSERT_NE(record.pixels, nullptr) << r.what;
        EXPECT_EQ(record.bitsPerPixel, 1) << r.what;
        EXPECT_EQ(Show(Indices(record)), Show(r.expected)) << r.what;
        ASSERT_NE(record.palette, nullptr) << r.what;
        EXPECT_EQ(ReadPixel(&record, 0, 0), r.expected[0]) << r.what;
    }
}

// Colour-table entries a file does not hold keep what the shared header
// buffer held from before.
TEST_F(BmpLoad, ShortColourTableLeavesOlderEntries) {
    for (int i = 0; i < 16; i++) {
        BYTE *entry = headerBuffer + 40 + 4 * i;
        entry[0] = 0x11; entry[1] = 0x22; entry[2] = 0x33; entry[3] = 0;
    }
    BmpSpec spec;
    spec.bitsPerPixel = 4;
    spec.palette = {0x000001, 0x000002, 0x000003};
    spec.pixels = {2};
    ImageRecord record = Load(spec, kLoadPicture);
    ASSERT_NE(record.palette, nullptr);
    EXPECT_EQ(record.palette[2], 0x000003u);
    for (int i = 3; i < 16; i++) EXPECT_EQ(record.palette[i], 0x112233u) << "entry " << i;
}

TEST_F(BmpLoad, UnconvertedPictureDepthsStayEmpty) {
    for (int bits : {16, 32}) {
        BmpSpec spec;
        spec.bitsPerPixel = bits;
        spec.width = 2;
        spec.height = 2;
        ImageRecord record = Load(spec, kLoadPicture);
        EXPECT_EQ(record.pixels, nullptr) << "depth " << bits;
        EXPECT_EQ(record.width, 0);
        EXPECT_EQ(record.height, 0);
    }
}

// A truncated file shares its remaining pixel bytes out among the rows; the
// bytes a row lacks read as 0, never as what an earlier row left behind.
TEST_F(BmpLoad, TruncatedPixelDataReadsAsZero) {
    BmpSpec spec;
    spec.bitsPerPixel = 24;
    spec.width = 2;
    spec.height = 2;
    spec.pixels = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    spec.truncateTo = 54 + 8;   // 8 of 16 pixel bytes: rows of 4 bytes
    ImageRecord record = Load(spec, kLoadPicture);
    ASSERT_NE(record.pixels, nullptr);
    struct { int32_t x, y; uint32_t expected; } rows[] = {
        {0, 1, 0xF8FCF8}, {1, 1, 0xF80000},   // file bytes FF FF FF FF, then nothing
        {0, 0, 0xF8FC00}, {1, 0, 0x000000},   // file bytes FF FF 00 00, then nothing
    };
    for (auto &r : rows)
        EXPECT_EQ(ReadPixel(&record, r.x, r.y), r.expected) << "(" << r.x << ", " << r.y << ")";
}

}  // namespace
