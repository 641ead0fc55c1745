// Pixel operations: addressing and bit order at every depth, 5-6-5
// reduction, range and fit checks and the blend modes. Padded DIB rows are
// exercised through the work surface (graphics_screen_test).
#include "graphics/pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A zeroed record with its own buffer; rowBytes may be given to imitate a
// padded DIB section.
struct TestImage {
    std::vector<BYTE> bytes;
    ImageRecord record{};
    TestImage(int32_t width, int32_t height, int32_t bits, int32_t rowBytes = 0) {
        record.width = width;
        record.height = height;
        record.bitsPerPixel = bits;
        record.rowBytes = rowBytes ? rowBytes : PackedRowBytes(width, bits);
        bytes.assign((size_t)record.rowBytes * height + 1, 0);
        record.pixels = bytes.data();
    }
};

void SetChannelMask(BYTE blue, BYTE green, BYTE red) {
    displayFormat = DisplayFormat{};
    displayFormat.channelMask[0] = blue;
    displayFormat.channelMask[1] = green;
    displayFormat.channelMask[2] = red;
}

// Writes values left to right on the top row of a 2-row image: the packed
// top row is stored second, leftmost pixel in the top bits, and reads back.
TEST(WritePixel, LeftmostPixelTakesTheTopBits) {
    struct {
        int32_t bits;
        std::vector<uint32_t> values;
        std::vector<BYTE> topRow;
    } rows[] = {
        {1, {1, 0, 1, 1, 0, 0, 0, 1, 1}, {0xB1, 0x80}},
        {2, {3, 0, 1, 2, 2}, {0xC6, 0x80}},
        {4, {0xA, 0x5, 0xF}, {0xA5, 0xF0}},
        {8, {7, 200, 255}, {7, 200, 255}},
        {24, {0x0000F8, 0x00FC00, 0xF80000}, {0, 0, 0xF8, 0, 0xFC, 0, 0xF8, 0, 0}},
    };
    for (auto &r : rows) {
        TestImage image((int32_t)r.values.size(), 2, r.bits);
        ASSERT_EQ(image.record.rowBytes, (int32_t)r.topRow.size()) << "depth " << r.bits;
        for (size_t x = 0; x < r.values.size(); x++) WritePixel(&image.record, (int32_t)x, 0, r.values[x]);
        std::vector<BYTE> expected(r.topRow.size(), 0);   // the bottom row stays untouched
        expected.insert(expected.end(), r.topRow.begin(), r.topRow.end());
        expected.push_back(0);
        EXPECT_EQ(image.bytes, expected) << "depth " << r.bits;
        for (size_t x = 0; x < r.values.size(); x++)
            EXPECT_EQ(ReadPixelIndex(&image.record, (int32_t)x, 0), r.values[x]) << "depth " << r.bits << " x " << x;
    }
}

TEST(WritePixel, OverwritesOnlyItsOwnBits) {
    for (int32_t bits : {1, 2, 4}) {
        TestImage image(8, 1, bits);
        uint32_t max = (1u << bits) - 1;
        for (int32_t x = 0; x < 8; x++) WritePixel(&image.record, x, 0, max);
        WritePixel(&image.record, 3, 0, 0);
        for (int32_t x = 0; x < 8; x++)
            EXPECT_EQ(ReadPixelIndex(&image.record, x, 0), x == 3 ? 0u : max) << "depth " << bits << " x " << x;
    }
}

// Writes store 5-6-5; reads reduce too, since the platform puts full
// precision pixels into the work surface.
TEST(WritePixel, ReducesToFiveSixFive) {
    TestImage image(1, 1, 24);
    WritePixel(&image.record, 0, 0, 0xFFFFFF);
    EXPECT_EQ(image.bytes, std::vector<BYTE>({0xF8, 0xFC, 0xF8, 0}));
    EXPECT_EQ(ReadPixel(&image.record, 0, 0), 0xF8FCF8u);
    image.bytes = {0x17, 0x2B, 0xFF, 0};
    image.record.pixels = image.bytes.data();
    EXPECT_EQ(ReadPixel(&image.record, 0, 0), 0x1028F8u);
}

TEST(WritePixel, IgnoresPositionsOutsideAndValuesThatDoNotFit) {
    struct { int32_t bits, x, y; uint32_t value; } rows[] = {
        {1, 4, 0, 1}, {1, 0, -1, 1}, {1, -1, 0, 1}, {1, 0, 3, 1}, {1, 1, 1, 2},
        {2, 1, 1, 4}, {4, 1, 1, 16}, {8, 1, 1, 256}, {24, 4, 1, 0xFFFFFF}, {16, 1, 1, 1}, {32, 1, 1, 1},
    };
    for (auto &r : rows) {
        TestImage image(4, 3, r.bits, 12);
        WritePixel(&image.record, r.x, r.y, r.value);
        EXPECT_EQ(image.bytes, std::vector<BYTE>(37, 0))
            << "depth " << r.bits << " (" << r.x << ", " << r.y << ") value " << r.value;
    }
}

// A mask reads 0 or 1 through its palette; a picture its colour, or its
// index through ReadPixelIndex.
TEST(ReadPixel, MapsThroughThePalette) {
    ColourValue mask[2] = {0, 1}, colours[16];
    for (int i = 0; i < 16; i++) colours[i] = 0x111111u * i;
    TestImage maskImage(3, 1, 1), picture(2, 1, 4);
    maskImage.record.palette = mask;
    picture.record.palette = colours;
    WritePixel(&maskImage.record, 1, 0, 1);
    WritePixel(&picture.record, 1, 0, 15);
    EXPECT_EQ(ReadPixel(&maskImage.record, 0, 0) + 2 * ReadPixel(&maskImage.record, 1, 0), 2u);
    EXPECT_EQ(ReadPixel(&picture.record, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(ReadPixelIndex(&picture.record, 1, 0), 15u);
}

TEST(BlendPixel, MixesByModeWithinTheChannelMask) {
    struct { BYTE green; int32_t mode; uint32_t frame, background, expected; } rows[] = {
        {0xFC, kBlendFull, 0xFFFFFF, 0x000000, 0xF8FCF8},
        {0xFC, kBlend75, 0xF8FCF8, 0x000000, 0xB8BCB8},   // 3 * 0xF8 / 4 = 0xBA -> 0xB8
        {0xFC, kBlend50, 0xF8FCF8, 0x000000, 0x787C78},
        {0xFC, kBlend25, 0xF8FCF8, 0x000000, 0x383C38},   // 0xF8 / 4 = 0x3E -> 0x38
        {0xFC, kBlend50, 0x0000F8, 0xF80000, 0x780078},
        {0xFC, kBlend25, 0x000000, 0xFFFFFF, 0xB8BCB8},
        {0xF8, kBlend50, 0xFCFCFC, 0xFCFCFC, 0xF8F8F8},   // a display with 5 bits of green
    };
    for (auto &r : rows) {
        SetChannelMask(0xF8, r.green, 0xF8);
        TestImage image(1, 1, 24);
        BlendPixel(&image.record, 0, 0, r.frame, r.background, r.mode);
        EXPECT_EQ(ReadPixel(&image.record, 0, 0), r.expected) << "mode " << r.mode << " green mask " << (int)r.green;
    }
    displayFormat = DisplayFormat{};
}

// Half writes where x and y have the same parity; no mode writes outside.
TEST(BlendPixel, CheckerboardAndBounds) {
    TestImage image(3, 3, 24);
    for (int32_t y = 0; y < 3; y++)
        for (int32_t x = 0; x < 3; x++) BlendPixel(&image.record, x, y, 0xF8FCF8, 0, kBlendChecker);
    for (int32_t y = 0; y < 3; y++)
        for (int32_t x = 0; x < 3; x++)
            EXPECT_EQ(ReadPixel(&image.record, x, y), (x % 2 == y % 2) ? 0xF8FCF8u : 0u) << "(" << x << ", " << y << ")";
    SetChannelMask(0xF8, 0xFC, 0xF8);
    TestImage small(2, 2, 24);
    for (int32_t mode : {0, 1, 2, 3, 4, 5, -1}) {
        BlendPixel(&small.record, 2, 0, 0xF8FCF8, 0xF8FCF8, mode);
        BlendPixel(&small.record, 0, -1, 0xF8FCF8, 0xF8FCF8, mode);
    }
    BlendPixel(&small.record, 0, 0, 0xF8FCF8, 0xF8FCF8, 5);
    EXPECT_EQ(small.bytes, std::vector<BYTE>(13, 0));
    displayFormat = DisplayFormat{};
}

}  // namespace
