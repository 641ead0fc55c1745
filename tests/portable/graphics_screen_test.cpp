// The work surfaces, text and probe on whatever screen the platform has
// (under Wine on Xvfb at 8, 16 and 24 bits, and on the simulated device's
// default screen). Only platform calls are used, so expectations follow the
// depth the screen reports.
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "skin/tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const int32_t kW = 24, kH = 10;   // 72-byte rows: also try a width the DIB pads
const int32_t kPaddedW = 21;

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

class Screen : public ::testing::Test {
protected:
    int screenDepth = 0;
    void Start(int32_t width, int32_t height) {
        screenDC = GetDC(NULL);
        screenDepth = GetDeviceCaps(screenDC, BITSPIXEL);
        displayFormat = DisplayFormat{};
        displayFormat.depth = screenDepth == 16 || screenDepth == 32 ? 24 : screenDepth;
        skinTables = SkinTables{};
        skinTables.areaWidth = width;
        skinTables.areaHeight = height;
        skinTables.areaX = 5;
        skinTables.areaY = 7;
        skinTables.graphicMax = -1;
        skinTables.textMax = -1;
        ASSERT_EQ(CreateWorkSurfaces(), 1);
    }
    void TearDown() override {
        skinTables = SkinTables{};
        displayFormat = DisplayFormat{};
    }
    // Puts a colour pattern on the screen under the area, through workDC.
    void PaintPattern(int32_t width, int32_t height) {
        for (int32_t y = 0; y < height; y++)
            for (int32_t x = 0; x < width; x++) WritePixel(&workSurface, x, y, Pattern(x, y));
        BitBlt(screenDC, skinTables.areaX, skinTables.areaY, width, height, workDC, 0, 0,
               SRCCOPY);
    }
    static uint32_t Pattern(int32_t x, int32_t y) {
        return ((uint32_t)(x * 11) << 16) | ((uint32_t)(y * 23) << 8) | (uint32_t)(x * y * 3);
    }
};

// On 16- and 24-bit screens 5-6-5 colours survive the trip exactly.
TEST_F(Screen, CaptureAndRestoreRoundTrip) {
    for (int32_t width : {kW, kPaddedW}) {
        Start(width, kH);
        if (displayFormat.depth != 24) GTEST_SKIP() << "screen depth " << screenDepth;
        PaintPattern(width, kH);
        CaptureBackground();
        for (int32_t y = 0; y < kH; y++)
            for (int32_t x = 0; x < width; x++)
                ASSERT_EQ(Hex(ReadPixel(&backgroundSurface, x, y)), Hex(Pattern(x, y) & 0xF8FCF8))
                    << "captured (" << x << ", " << y << ") width " << width;
        for (int32_t y = 0; y < kH; y++)
            for (int32_t x = 0; x < width; x++) WritePixel(&workSurface, x, y, 0xF8FCF8);
        BitBlt(screenDC, 5, 7, width, kH, workDC, 0, 0, SRCCOPY);
        RestoreBackground();
        for (int32_t y = 0; y < kH; y++)
            for (int32_t x = 0; x < width; x++) WritePixel(&workSurface, x, y, 0);
        BitBlt(workDC, 0, 0, width, kH, screenDC, 5, 7, SRCCOPY);
        GdiFlush();
        for (int32_t y = 0; y < kH; y++)
            for (int32_t x = 0; x < width; x++)
                ASSERT_EQ(Hex(ReadPixel(&workSurface, x, y)), Hex(Pattern(x, y) & 0xF8FCF8))
                    << "restored (" << x << ", " << y << ") width " << width;
    }
}

TEST_F(Screen, ProbeCalibratesByDepth) {
    Start(kW, kH);
    ColourValue palette[2] = {0x000000, 0xFFFFFF};
    static BYTE pixels[1];
    ImageRecord picture{};
    picture.pixels = pixels;
    picture.bitsPerPixel = 1;
    picture.palette = palette;
    skinTables.graphics = &picture;
    skinTables.graphicMax = 0;
    ProbeDisplayFormat(&workSurface);
    if (displayFormat.depth == 24) {
        uint32_t white = displayFormat.whiteValue;
        EXPECT_EQ(displayFormat.channelMask[2], white & 0xFF);
        EXPECT_EQ(displayFormat.lightSubstitute, white - displayFormat.darkSubstitute);
        EXPECT_EQ(Hex(palette[0]), Hex(displayFormat.darkSubstitute));
        EXPECT_EQ(Hex(palette[1]), Hex(displayFormat.lightSubstitute));
        if (screenDepth == 16) {
            EXPECT_EQ(Hex(white), Hex(0xF8FCF8));
            EXPECT_EQ(displayFormat.darkSubstitute, 8u);
        }
    } else if (displayFormat.depth == 8) {
        EXPECT_EQ(displayFormat.whiteValue, 0xFFFFFFu);
        EXPECT_NE(palette[0], 0u);
        EXPECT_NE(palette[1], 0xFFFFFFu);
    }
}

// Text lands where it is placed: the same glyph pixels, shifted.
TEST_F(Screen, TextMarksShiftWithItsPlace) {
    Start(60, 30);
    DrawTextItem(WSTR("Hi"), 14, 0, 0, 0x0000F8);
    std::vector<BYTE> atOrigin(coverageMask, coverageMask + 60 * 30);
    size_t marked = 0;
    for (BYTE b : atOrigin) marked += b;
    ASSERT_GT(marked, 20u) << "too few exactly black glyph pixels: smoothed text?";
    std::fill(coverageMask, coverageMask + 60 * 30, 0);
    DrawTextItem(WSTR("Hi"), 14, 10, 5, 0x0000F8);
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 60; x++) {
            BYTE expected = (x >= 10 && y >= 5) ? atOrigin[(size_t)(y - 5) * 60 + (x - 10)] : 0;
            ASSERT_EQ(coverageMask[(size_t)y * 60 + x], expected) << "(" << x << ", " << y << ")";
        }
}

}  // namespace
