// Pixel operations not already pinned by the loader tests: range and fit
// checks and 5-6-5 reads of unreduced bytes.
#include "graphics/pixels.h"

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
