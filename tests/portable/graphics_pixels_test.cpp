// Pixel operations: addressing at every depth, 5-6-5 reduction, range and
// fit checks, the blend modes, padded rows.
#include "graphics/pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A zeroed record of the given shape with its own buffer; rowBytes may be
// given to imitate a padded DIB section.
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

struct CalibratedDisplay {
    CalibratedDisplay(BYTE blue, BYTE green, BYTE red) {
        displayFormat.channelMask[0] = blue;
        displayFormat.channelMask[1] = green;
        displayFormat.channelMask[2] = red;
    }
    ~CalibratedDisplay() { displayFormat = DisplayFormat{}; }
};

TEST(PackedRowBytes, FollowsTheDepth) {
    struct { int32_t width, bits, expected; } rows[] = {
        {1, 1, 1}, {8, 1, 1}, {9, 1, 2}, {3, 2, 1}, {5, 2, 2}, {3, 4, 2}, {4, 4, 2},
        {3, 8, 3}, {3, 24, 9}, {1026, 24, 3078}, {5, 16, 0}, {5, 32, 0},
    };
    for (auto &r : rows)
        EXPECT_EQ(PackedRowBytes(r.width, r.bits), r.expected)
            << "width " << r.width << " depth " << r.bits;
}

// Writes values left to right on the top row of a 2-row image and checks the
// bytes of storage row 1 (the top row is stored last) and the read-back.
TEST(WritePixel, LeftmostPixelTakesTheTopBits) {
    struct {
        int32_t bits;
        std::vector<uint32_t> values;
        std::vector<BYTE> expected;
    } rows[] = {
        {1, {1, 0, 1, 1, 0, 0, 0, 1, 1}, {0xB1, 0x80}},
        {2, {3, 0, 1, 2, 2}, {0xC6, 0x80}},
        {4, {0xA, 0x5, 0xF}, {0xA5, 0xF0}},
        {8, {7, 200, 255}, {7, 200, 255}},
        {24, {0x0000F8, 0x00FC00, 0xF80000}, {0, 0, 0xF8, 0, 0xFC, 0, 0xF8, 0, 0}},
    };
    for (auto &r : rows) {
        TestImage image((int32_t)r.values.size(), 2, r.bits);
        for (size_t x = 0; x < r.values.size(); x++)
            WritePixel(&image.record, (int32_t)x, 0, r.values[x]);
        const BYTE *top = image.bytes.data() + image.record.rowBytes;
        for (size_t i = 0; i < r.expected.size(); i++)
            EXPECT_EQ(top[i], r.expected[i]) << "depth " << r.bits << " byte " << i;
        for (size_t i = 0; i < (size_t)image.record.rowBytes; i++)
            EXPECT_EQ(image.bytes[i], 0) << "depth " << r.bits << ": bottom row touched";
        for (size_t x = 0; x < r.values.size(); x++)
            EXPECT_EQ(ReadPixelIndex(&image.record, (int32_t)x, 0), r.values[x])
                << "depth " << r.bits << " x " << x;
    }
}

TEST(WritePixel, OverwritesOnlyItsOwnBits) {
    for (int32_t bits : {1, 2, 4}) {
        TestImage image(8, 1, bits);
        uint32_t max = (1u << bits) - 1;
        for (int32_t x = 0; x < 8; x++) WritePixel(&image.record, x, 0, max);
        WritePixel(&image.record, 3, 0, 0);
        for (int32_t x = 0; x < 8; x++)
            EXPECT_EQ(ReadPixelIndex(&image.record, x, 0), x == 3 ? 0u : max)
                << "depth " << bits << " x " << x;
    }
}

TEST(WritePixel, ReducesToFiveSixFive) {
    TestImage image(1, 1, 24);
    WritePixel(&image.record, 0, 0, 0xFFFFFF);
    EXPECT_EQ(image.bytes[0], 0xF8);
    EXPECT_EQ(image.bytes[1], 0xFC);
    EXPECT_EQ(image.bytes[2], 0xF8);
    EXPECT_EQ(ReadPixel(&image.record, 0, 0), 0xF8FCF8u);
    // Pixels put there by the platform are not reduced; reading reduces them.
    image.bytes[0] = 0x17;
    image.bytes[1] = 0x2B;
    image.bytes[2] = 0xFF;
    EXPECT_EQ(ReadPixel(&image.record, 0, 0), 0x1028F8u);
}

TEST(WritePixel, IgnoresPositionsOutsideAndValuesThatDoNotFit) {
    struct { int32_t bits, x, y; uint32_t value; } rows[] = {
        {1, 4, 0, 1}, {1, 0, -1, 1}, {1, -1, 0, 1}, {1, 0, 3, 1}, {1, 1, 1, 2},
        {2, 1, 1, 4}, {4, 1, 1, 16}, {8, 1, 1, 256}, {24, 4, 1, 0xFFFFFF},
        {16, 1, 1, 1}, {32, 1, 1, 1},
    };
    for (auto &r : rows) {
        TestImage image(4, 3, r.bits, 12);
        WritePixel(&image.record, r.x, r.y, r.value);
        for (size_t i = 0; i < image.bytes.size(); i++)
            ASSERT_EQ(image.bytes[i], 0) << "depth " << r.bits << " (" << r.x << ", " << r.y
                                         << ") value " << r.value << " wrote byte " << i;
    }
}

TEST(ReadPixel, MapsThroughThePalette) {
    ColourValue mask[2] = {0, 1};
    ColourValue colours[16] = {};
    for (int i = 0; i < 16; i++) colours[i] = 0x111111u * i;
    TestImage maskImage(3, 1, 1);
    maskImage.record.palette = mask;
    WritePixel(&maskImage.record, 1, 0, 1);
    EXPECT_EQ(ReadPixel(&maskImage.record, 0, 0), 0u);
    EXPECT_EQ(ReadPixel(&maskImage.record, 1, 0), 1u);
    TestImage picture(2, 1, 4);
    picture.record.palette = colours;
    WritePixel(&picture.record, 1, 0, 15);
    EXPECT_EQ(ReadPixel(&picture.record, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(ReadPixelIndex(&picture.record, 1, 0), 15u);
}

// A 24-bit surface whose rows are padded to 4 bytes, as the platform lays
// out DIB sections: width 3 gives 9 pixel bytes and 3 padding bytes a row.
TEST(ReadPixel, FollowsPaddedRows) {
    TestImage image(3, 2, 24, 12);
    WritePixel(&image.record, 2, 0, 0xF8FCF8);   // top row: storage row 1
    WritePixel(&image.record, 0, 1, 0x0000F8);   // bottom row: storage row 0
    EXPECT_EQ(image.bytes[12 + 6], 0xF8);
    EXPECT_EQ(image.bytes[2], 0xF8);
    for (int i : {9, 10, 11, 21, 22, 23}) EXPECT_EQ(image.bytes[i], 0) << "padding byte " << i;
    EXPECT_EQ(ReadPixel(&image.record, 2, 0), 0xF8FCF8u);
    EXPECT_EQ(ReadPixel(&image.record, 0, 1), 0x0000F8u);
    EXPECT_EQ(ReadRgb24(ImageRow(&image.record, 0) + 6), 0xF8FCF8u);
}

TEST(BlendPixel, MixesByMode) {
    CalibratedDisplay display(0xF8, 0xFC, 0xF8);
    struct { int32_t mode; uint32_t frame, background, expected; } rows[] = {
        {kBlendFull, 0xFFFFFF, 0x000000, 0xF8FCF8},
        {kBlend75, 0xF8FCF8, 0x000000, 0xB8BCB8},   // 3 * 0xF8 / 4 = 0xBA -> 0xB8
        {kBlend50, 0xF8FCF8, 0x000000, 0x787C78},
        {kBlend25, 0xF8FCF8, 0x000000, 0x383C38},   // 0xF8 / 4 = 0x3E -> 0x38
        {kBlend50, 0x0000F8, 0xF80000, 0x780078},
        {kBlend25, 0x000000, 0xFFFFFF, 0xB8BCB8},
    };
    for (auto &r : rows) {
        TestImage image(1, 1, 24);
        BlendPixel(&image.record, 0, 0, r.frame, r.background, r.mode);
        EXPECT_EQ(ReadPixel(&image.record, 0, 0), r.expected) << "mode " << r.mode;
    }
    TestImage image(1, 1, 24);
    BlendPixel(&image.record, 0, 0, 0xF8FCF8, 0, kBlend50);
    EXPECT_EQ(image.bytes[0], 0x78);
    EXPECT_EQ(image.bytes[1], 0x7C);
    EXPECT_EQ(image.bytes[2], 0x78);
}

TEST(BlendPixel, ChannelMaskLimitsTheMix) {
    CalibratedDisplay display(0xF8, 0xF8, 0xF8);
    TestImage image(1, 1, 24);
    BlendPixel(&image.record, 0, 0, 0xFCFCFC, 0xFCFCFC, kBlend50);
    EXPECT_EQ(ReadPixel(&image.record, 0, 0), 0xF8F8F8u);
}

TEST(BlendPixel, CheckerboardAndBounds) {
    CalibratedDisplay display(0xF8, 0xFC, 0xF8);
    TestImage image(3, 3, 24);
    for (int32_t y = 0; y < 3; y++)
        for (int32_t x = 0; x < 3; x++)
            BlendPixel(&image.record, x, y, 0xF8FCF8, 0, kBlendChecker);
    for (int32_t y = 0; y < 3; y++)
        for (int32_t x = 0; x < 3; x++)
            EXPECT_EQ(ReadPixel(&image.record, x, y), (x % 2 == y % 2) ? 0xF8FCF8u : 0u)
                << "(" << x << ", " << y << ")";
    TestImage small(2, 2, 24);
    for (int32_t mode : {0, 1, 2, 3, 4, 5, -1}) {
        BlendPixel(&small.record, 2, 0, 0xF8FCF8, 0xF8FCF8, mode);
        BlendPixel(&small.record, 0, -1, 0xF8FCF8, 0xF8FCF8, mode);
    }
    BlendPixel(&small.record, 0, 0, 0xF8FCF8, 0xF8FCF8, 5);
    for (size_t i = 0; i < small.bytes.size(); i++)
        EXPECT_EQ(small.bytes[i], 0) << "byte " << i;
}

}  // namespace
