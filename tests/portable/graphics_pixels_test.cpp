// Pixel operations not already pinned by the loader tests: range and fit
// checks, 5-6-5 reads of unreduced bytes, and the blend modes.
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "support/blend_model.h"

#include <gtest/gtest.h>

#include <vector>

// A zeroed record over its own bytes.
struct TestImage {
    std::vector<BYTE> bytes;
    ImageRecord record{};
    TestImage(int32_t width, int32_t height, int32_t bits)
        : bytes((size_t)PackedRowBytes(width, bits) * height + 1, 0) {
        record.width = width;
        record.height = height;
        record.bitsPerPixel = bits;
        record.rowBytes = PackedRowBytes(width, bits);
        record.pixels = bytes.data();
    }
};

TEST(WritePixel, IgnoresPositionsOutsideAndValuesThatDoNotFit) {
    const struct {
        int32_t bits, x, y;
        uint32_t value;
    } rows[] = {
        {1, 4, 0, 1}, {1, 0, -1, 1},  {1, -1, 0, 1},        {1, 0, 3, 1},
        {2, 1, 1, 4}, {8, 1, 1, 256}, {24, 4, 1, 0xFFFFFF}, {32, 1, 1, 1},
    };
    for (const auto &r : rows) {
        TestImage image(4, 3, r.bits);
        WritePixel(&image.record, r.x, r.y, r.value);
        EXPECT_EQ(std::vector<BYTE>(image.bytes.size(), 0), image.bytes)
            << "depth " << r.bits << " (" << r.x << ", " << r.y << ")";
    }
}

// The work surface holds unreduced screen bytes, so reads reduce too.
TEST(ReadPixel, ReducesUnreducedBytes) {
    TestImage image(1, 1, 24);
    image.bytes = {0x17, 0x2B, 0xFF, 0};
    image.record.pixels = image.bytes.data();
    EXPECT_EQ(0x1028F8u, ReadPixel(&image.record, 0, 0));
}

// Modes 1-3 mix within the display's channel mask; Half writes where x and y
// have the same parity; unknown modes and places outside write nothing.
TEST(BlendPixel, MixesByModeWithinTheChannelMask) {
    const struct {
        BYTE green;
        int32_t mode, x;
        uint32_t frame, background, expected;
    } rows[] = {
        {0xFC, kBlendFull, 0, 0xFFFFFF, 0x000000, 0xF8FCF8},
        {0xFC, kBlend75, 0, 0xF8FCF8, 0x000000, 0xB8BCB8},  // 3 * 0xF8 / 4 = 0xBA -> 0xB8
        {0xFC, kBlend50, 0, 0x0000F8, 0xF80000, 0x780078},
        {0xFC, kBlend25, 0, 0x000000, 0xFFFFFF, 0xB8BCB8},
        {0xF8, kBlend50, 0, 0xFCFCFC, 0xFCFCFC, 0xF8F8F8},  // a display with 5 bits of green
        {0xFC, kBlendChecker, 1, 0xF8FCF8, 0, 0xF8FCF8},    // at y 1
        {0xFC, kBlendChecker, 0, 0xF8FCF8, 0, 0},
        {0xFC, 5, 0, 0xF8FCF8, 0xF8FCF8, 0},
        {0xFC, kBlend50, 2, 0xF8FCF8, 0xF8FCF8, 0},
    };
    for (const auto &r : rows) {
        SetDisplayFormat(DisplayFormat{0, 0, 0, 0, 0, {0xF8, r.green, 0xF8}});
        TestImage image(2, 2, 24);
        BlendPixel(&image.record, r.x, 1, r.frame, r.background, r.mode);
        uint32_t actual = r.x < 2 ? ReadPixel(&image.record, r.x, 1) : 0;
        for (BYTE b : image.bytes) actual |= r.expected ? 0 : b;  // nothing written anywhere
        EXPECT_EQ(r.expected, actual) << "mode " << r.mode << " x " << r.x << " green mask " << (int)r.green;
    }
    SetDisplayFormat(DisplayFormat{});
}
