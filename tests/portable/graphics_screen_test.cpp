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
        skinTables.graphicMax = skinTables.textMax = -1;
        ASSERT_EQ(CreateWorkSurfaces(), 1);
    }
    void TearDown() override {
        skinTables = SkinTables{};
        displayFormat = DisplayFormat{};
    }
    // Every pixel of the area on the screen at the screen's own precision.
    std::vector<std::string> ReadScreenBytes() {
        BitBlt(workDC, 0, 0, workSurface.width, workSurface.height, screenDC, 5, 7, SRCCOPY);
        GdiFlush();
        std::vector<std::string> pixels;
        for (int32_t y = 0; y < workSurface.height; y++) {
            const BYTE *row = ImageRow(&workSurface, y);
            for (int32_t x = 0; x < workSurface.width; x++)
                pixels.push_back(Hex((uint32_t)row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]));
        }
        return pixels;
    }
    // Every pixel of the area on the screen, read back through workDC.
    std::vector<std::string> ReadArea() {
        BitBlt(workDC, 0, 0, workSurface.width, workSurface.height, screenDC, 5, 7, SRCCOPY);
        GdiFlush();
        std::vector<std::string> pixels;
        for (int32_t y = 0; y < workSurface.height; y++)
            for (int32_t x = 0; x < workSurface.width; x++) pixels.push_back(Hex(ReadPixel(&workSurface, x, y)));
        return pixels;
    }
};

// Capture and restore put back exactly what the screen showed, at the
// screen's own precision, for a width the DIB pads (21) and one it does not
// (24).
TEST_F(Screen, CaptureAndRestoreRoundTrip) {
    for (int32_t width : {24, 21}) {
        Start(width, 10);
        if (displayFormat.depth != 24) GTEST_SKIP() << "screen depth " << screenDepth;
        for (int32_t y = 0; y < 10; y++) {
            BYTE *row = ImageRow(&workSurface, y);
            for (int32_t i = 0; i < 3 * width; i++) row[i] = (BYTE)(i * 37 + y * 91 + 5);
        }
        BitBlt(screenDC, 5, 7, width, 10, workDC, 0, 0, SRCCOPY);
        std::vector<std::string> shown = ReadScreenBytes();
        CaptureBackground();
        for (int32_t y = 0; y < 10; y++)
            for (int32_t x = 0; x < width; x++) WritePixel(&workSurface, x, y, 0xF8FCF8);
        BitBlt(screenDC, 5, 7, width, 10, workDC, 0, 0, SRCCOPY);
        RestoreBackground();
        EXPECT_EQ(ReadScreenBytes(), shown) << "width " << width;
    }
}

TEST_F(Screen, ProbeCalibratesByDepth) {
    Start(24, 10);
    ColourValue palette[2] = {0x000000, 0xFFFFFF};
    BYTE pixels[1] = {};
    ImageRecord picture{};
    picture.pixels = pixels;
    picture.bitsPerPixel = 1;
    picture.palette = palette;
    skinTables.graphics = &picture;
    skinTables.graphicMax = 0;
    ProbeDisplayFormat(&workSurface);
    const DisplayFormat &f = displayFormat;
    if (f.depth == 24) {
        EXPECT_EQ(f.channelMask[2], f.whiteValue & 0xFF);
        EXPECT_EQ(f.lightSubstitute, f.whiteValue - f.darkSubstitute);
        EXPECT_EQ(Hex(palette[0]) + " " + Hex(palette[1]), Hex(f.darkSubstitute) + " " + Hex(f.lightSubstitute));
        if (screenDepth == 16) {
            EXPECT_EQ(Hex(f.whiteValue) + " " + Hex(f.darkSubstitute), "F8FCF8 000008");
        }
    } else if (f.depth == 8) {
        EXPECT_EQ(f.whiteValue, 0xFFFFFFu);
        EXPECT_NE(palette[0], 0u);
        EXPECT_NE(palette[1], 0xFFFFFFu);
    }
}

// Text lands where it is placed: the same glyph pixels, shifted, and only
// exactly black ones (the font asks for unsmoothed glyphs).
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
