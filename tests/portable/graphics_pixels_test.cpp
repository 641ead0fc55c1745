// Pixel operations not already pinned by the loader tests: range and fit
// checks and 5-6-5 reads of unreduced bytes.
#include "graphics/pixels.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

// A record of width x height at the depth over bytes (packed rows).
static ImageRecord RecordOver(BYTE *bytes, int32_t width, int32_t height, int32_t bits) {
    ImageRecord record{};
    record.pixels = bytes;
    record.width = width;
    record.height = height;
    record.bitsPerPixel = bits;
    record.rowBytes = PackedRowBytes(width, bits);
    return record;
}

TEST(WritePixel, IgnoresPositionsOutsideAndValuesThatDoNotFit) {
    const std::tuple<int32_t, int32_t, int32_t, uint32_t> rows[] = {
        {1, 4, 0, 1}, {1, 0, -1, 1},  {1, -1, 0, 1},        {1, 0, 3, 1},
        {2, 1, 1, 4}, {8, 1, 1, 256}, {24, 4, 1, 0xFFFFFF}, {32, 1, 1, 1},
    };
    for (auto [bits, x, y, value] : rows) {
        std::vector<BYTE> bytes((size_t)PackedRowBytes(4, bits) * 3 + 1, 0);  // a spare byte past the rows
        ImageRecord record = RecordOver(bytes.data(), 4, 3, bits);
        WritePixel(&record, x, y, value);
        EXPECT_EQ(std::vector<BYTE>(bytes.size(), 0), bytes) << "depth " << bits << " (" << x << ", " << y << ")";
    }
}

// The work surface holds unreduced screen bytes, so reads reduce too.
TEST(ReadPixel, ReducesUnreducedBytes) {
    BYTE bytes[4] = {0x17, 0x2B, 0xFF, 0};
    ImageRecord record = RecordOver(bytes, 1, 1, 24);
    EXPECT_EQ(0x1028F8u, ReadPixel(&record, 0, 0));
}
