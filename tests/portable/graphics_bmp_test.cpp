// BMP loading of files that load without a message: pixels and palettes at
// every depth, the row-length rule, the mask rules, stale colour-table
// entries, unconverted depths and truncated data. Files refused with a
// message are device tests, where message boxes do not wait for a person.
#include "graphics/bmp.h"
#include "graphics/pixels.h"
#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class BmpLoad : public ::testing::Test {
protected:
    TestFolder folder{"bmp"};
    void SetUp() override { ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)), 1); }
    // Writes the file and loads it into a fresh record.
    ImageRecord Load(const BmpSpec &spec, int kind, uint32_t key = 0) {
        ImageRecord record{};
        record.transparentKey = key;
        EXPECT_EQ(WriteBmpFile(folder.path / "image.bmp", spec), 1);
        for (int i = 0; i < 9; i++) record.fileName[i] = (WCHAR) "image.bmp"[i];
        LoadBitmapFile(&record, kind);
        return record;
    }
};

// Shape, depth and every ReadPixelIndex from the top row down, in hex.
std::string Describe(const ImageRecord &record) {
    std::string out = std::to_string(record.width) + "x" + std::to_string(record.height) + "x" +
                      std::to_string(record.bitsPerPixel) + ":";
    char text[16];
    for (int32_t y = 0; y < record.height; y++)
        for (int32_t x = 0; x < record.width; x++) {
            std::snprintf(text, sizeof text, " %X", ReadPixelIndex(&record, x, y));
            out += text;
        }
    return out;
}

BmpSpec Spec(int bits, int32_t width, int32_t height, std::vector<uint32_t> pixels) {
    BmpSpec spec;
    spec.bitsPerPixel = bits;
    spec.width = width;
    spec.height = height;
    spec.pixels = std::move(pixels);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); i++) spec.palette.push_back(0x010101u * (uint32_t)i);
    return spec;
}

// Bit order at every depth, 24-bit pixels reduced to 5-6-5, and the packed
// layout: rows bottom first, no padding.
TEST_F(BmpLoad, PicturesKeepTheirDepthAndPixels) {
    struct {
        BmpSpec spec;
        const char *expected;
    } rows[] = {
        {Spec(1, 10, 2, {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1}),
         "10x2x1: 1 0 1 1 0 0 0 1 1 0 0 1 0 0 1 1 1 0 0 1"},
        {Spec(2, 5, 2, {3, 2, 1, 0, 3, 0, 1, 2, 3, 0}), "5x2x2: 3 2 1 0 3 0 1 2 3 0"},
        {Spec(4, 3, 2, {15, 0, 7, 8, 9, 10}), "3x2x4: F 0 7 8 9 A"},
        {Spec(8, 3, 2, {1, 2, 255, 4, 5, 6}), "3x2x8: 1 2 FF 4 5 6"},
        {Spec(24, 2, 2, {0xFFFFFF, 0x123456, 0x0000FF, 0x070301}), "2x2x24: F8FCF8 103450 F8 0"},
    };
    for (auto &r : rows) {
        ImageRecord record = Load(r.spec, kLoadPicture);
        ASSERT_NE(record.pixels, nullptr) << r.expected;
        EXPECT_EQ(Describe(record), r.expected);
        EXPECT_EQ(record.rowBytes, PackedRowBytes(r.spec.width, r.spec.bitsPerPixel)) << r.expected;
        int bits = r.spec.bitsPerPixel;
        if (bits == 8) {
            EXPECT_EQ(std::string(record.pixels, record.pixels + 6), std::string("\4\5\6\1\2\xFF", 6));
        }
        EXPECT_EQ(record.palette == nullptr, bits == 24) << r.expected;
        if (bits <= 8) {
            ASSERT_NE(record.palette, nullptr);
            EXPECT_EQ(record.palette[(1 << bits) - 1], 0x010101u * ((1u << bits) - 1)) << r.expected;
        }
    }
}

// Exactly 1008 bytes after the unpadded pixel data mark a file with unpadded
// rows (of whole bytes, also for narrow 1-bit rows); any other trailer is
// shared out among the rows.
TEST_F(BmpLoad, TrailerOf1008BytesMeansUnpaddedRows) {
    struct {
        BmpSpec spec;
        size_t extra;
        const char *expected;   // null: read with another row length, not the picture
    } rows[] = {
        {Spec(8, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}), 1008, "3x3x8: 1 2 3 4 5 6 7 8 9"},
        {Spec(8, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}), 1007, nullptr},
        {Spec(1, 3, 2, {1, 0, 1, 0, 1, 1}), 1008, "3x2x1: 1 0 1 0 1 1"},
    };
    for (auto &r : rows) {
        r.spec.paddedRows = false;
        r.spec.extraBytes = r.extra;
        ImageRecord record = Load(r.spec, kLoadPicture);
        ASSERT_NE(record.pixels, nullptr) << "trailer " << r.extra;
        std::string actual = Describe(record);
        if (r.expected) {
            EXPECT_EQ(actual, r.expected) << "trailer " << r.extra;
        } else {
            EXPECT_NE(actual, "3x3x8: 1 2 3 4 5 6 7 8 9") << "trailer " << r.extra;
        }
    }
}

// Depth 1 keeps its bits whatever the key; 2-8 compare the index with the
// key; 24 the full-precision colour; 16 and 32 give an all-zero mask.
TEST_F(BmpLoad, MasksBecomeOneBitByTheirRule) {
    struct {
        int bits;
        uint32_t key;
        std::vector<uint32_t> pixels;
        const char *expected;
    } rows[] = {
        {1, 1, {0, 1, 1, 0}, "2x2x1: 0 1 1 0"},
        {1, 0, {0, 1, 1, 0}, "2x2x1: 0 1 1 0"},
        {2, 2, {2, 0, 3, 2}, "2x2x1: 1 0 0 1"},
        {4, 5, {5, 0, 15, 5}, "2x2x1: 1 0 0 1"},
        {8, 0, {0, 1, 255, 0}, "2x2x1: 1 0 0 1"},
        {24, 0xFFFFFF, {0xFFFFFF, 0xFFFFFE, 0xF8FCF8, 0}, "2x2x1: 1 0 0 0"},
        {16, 0, {1, 2, 3, 4}, "2x2x1: 0 0 0 0"},
        {32, 0, {1, 2, 3, 4}, "2x2x1: 0 0 0 0"},
    };
    for (auto &r : rows) {
        ImageRecord record = Load(Spec(r.bits, 2, 2, r.pixels), kLoadMask, r.key);
        ASSERT_NE(record.pixels, nullptr) << "depth " << r.bits;
        EXPECT_EQ(Describe(record), r.expected) << "depth " << r.bits;
        ASSERT_NE(record.palette, nullptr) << "depth " << r.bits;
        EXPECT_EQ(record.palette[0] + 2 * record.palette[1], 2u) << "palette {0, 1}, depth " << r.bits;
    }
}

// Colour-table entries split into colour values; entries a file does not
// hold keep what the shared header buffer held from before.
TEST_F(BmpLoad, ShortColourTableLeavesOlderEntries) {
    for (int i = 0; i < 16; i++) std::memcpy(headerBuffer + 40 + 4 * i, "\x11\x22\x33", 4);
    BmpSpec spec = Spec(4, 1, 1, {2});
    spec.palette = {0x000001, 0x0080FF, 0xFF0000};
    ImageRecord record = Load(spec, kLoadPicture);
    ASSERT_NE(record.palette, nullptr);
    EXPECT_EQ(record.palette[1], 0x0080FFu);
    EXPECT_EQ(ReadPixel(&record, 0, 0), 0xFF0000u);
    for (int i = 3; i < 16; i++) EXPECT_EQ(record.palette[i], 0x112233u) << "entry " << i;
}

TEST_F(BmpLoad, UnconvertedPictureDepthsStayEmpty) {
    for (int bits : {16, 32}) {
        ImageRecord record = Load(Spec(bits, 2, 2, {}), kLoadPicture);
        EXPECT_EQ(record.pixels, nullptr) << "depth " << bits;
        EXPECT_EQ(record.width + record.height, 0) << "depth " << bits;
    }
}

// A truncated file shares its remaining pixel bytes out among the rows; the
// bytes a row lacks read as 0, never as what an earlier row left behind.
TEST_F(BmpLoad, TruncatedPixelDataReadsAsZero) {
    BmpSpec spec = Spec(24, 2, 2, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF});
    spec.truncateTo = 54 + 8;   // 8 of 16 pixel bytes: rows of 4 bytes
    ImageRecord record = Load(spec, kLoadPicture);
    ASSERT_NE(record.pixels, nullptr);
    EXPECT_EQ(Describe(record), "2x2x24: F8FC00 0 F8FCF8 F80000");
}

}  // namespace
