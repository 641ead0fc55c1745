// The work surfaces, text drawing and the display probe on the simulated
// screen.
#include "device.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "skin/tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const uint32_t kReduced = 0xF8FCF8;

// A device screen and a work area of W x H at (areaX, areaY).
class Surfaces : public ::testing::Test {
protected:
    void Start(int screenDepth, int32_t width, int32_t height, int32_t areaX = 100,
               int32_t areaY = 200) {
        DeviceReset();
        DeviceSetScreen(240, 320, screenDepth, 0x808080);
        displayFormat = DisplayFormat{};
        displayFormat.depth = screenDepth == 8 ? 8 : 24;   // 16 and 32 recorded as 24
        skinTables = SkinTables{};
        skinTables.areaWidth = width;
        skinTables.areaHeight = height;
        skinTables.areaX = areaX;
        skinTables.areaY = areaY;
        skinTables.graphicMax = -1;
        skinTables.textMax = -1;
        screenDC = GetDC(NULL);
        ASSERT_EQ(CreateWorkSurfaces(), 1);
    }
    void TearDown() override {
        skinTables = SkinTables{};
        displayFormat = DisplayFormat{};
    }
    std::vector<BYTE> Coverage() {
        int32_t w = skinTables.areaWidth, h = skinTables.areaHeight;
        return std::vector<BYTE>(coverageMask, coverageMask + (size_t)w * (size_t)h);
    }
    void ClearFrame() {
        int32_t w = skinTables.areaWidth, h = skinTables.areaHeight;
        std::fill(coverageMask, coverageMask + (size_t)w * h, 0);
        for (int32_t y = 0; y < h; y++)
            for (int32_t x = 0; x < w; x++) WritePixel(&frameSurface, x, y, 0);
    }
};

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

TEST_F(Surfaces, CreatedAtTheAreaSizeWithPaddedDibRows) {
    Start(16, 21, 5);
    EXPECT_EQ(workSurface.width, 21);
    EXPECT_EQ(workSurface.height, 5);
    EXPECT_EQ(workSurface.rowBytes, 64);   // 63 bytes padded to 4
    EXPECT_EQ(frameSurface.rowBytes, 63);
    EXPECT_EQ(backgroundSurface.height, 5);
    EXPECT_NE(coverageMask, nullptr);
    EXPECT_EQ(probeDC, nullptr);
    EXPECT_EQ(probeBitmap, nullptr);
    EXPECT_EQ(WorkSurfacesReady(), 1);
}

TEST_F(Surfaces, EightBitDisplayGetsTheProbeBitmap) {
    Start(8, 8, 8);
    EXPECT_NE(probeDC, nullptr);
    EXPECT_NE(probeBitmap, nullptr);
}

TEST_F(Surfaces, CreationFailuresAreReportedWithABeep) {
    struct { const char *call; int screenDepth; int32_t width; const char *prefix; } rows[] = {
        {"CreateDIBSection", 16, 8, "baseBmp error ("},
        {"CreateCompatibleDC", 16, 8, "baseDC error ("},
        {"", 16, 5000, "baseBmp error ("},
    };
    for (auto &r : rows) {
        DeviceReset();
        DeviceSetScreen(240, 320, r.screenDepth, 0);
        displayFormat.depth = 24;
        skinTables = SkinTables{};
        skinTables.areaWidth = r.width;
        skinTables.areaHeight = 8;
        screenDC = GetDC(NULL);
        if (*r.call) DeviceFailNext(r.call, 1);
        EXPECT_EQ(CreateWorkSurfaces(), 0) << r.call;
        EXPECT_EQ(WorkSurfacesReady(), 0) << r.call;
        ASSERT_EQ(DeviceMessageBoxes().size(), 1u) << r.call;
        std::string text = DeviceUtf8(DeviceMessageBoxes()[0].text);
        EXPECT_EQ(text.rfind(r.prefix, 0), 0u) << "got " << text;
        EXPECT_EQ(text.back(), ')') << "got " << text;
        EXPECT_EQ(DeviceUtf8(DeviceMessageBoxes()[0].caption), "Error");
        EXPECT_EQ(DeviceBeeps(), std::vector<UINT>{64}) << r.call;
    }
}

// At 16 bits the screen keeps 5-6-5 colours, so saving and restoring is
// exact, also for an area that hangs off the screen's right edge.
TEST_F(Surfaces, CaptureThenRestorePutsTheScreenBack) {
    Start(16, 21, 6, 230, 316);
    for (int i = 0; i < 6; i++)
        DeviceFillScreen(225 + 3 * i, 314, 3, 6, 0x102030u * (i + 1) + 0x0A0B0C);
    std::vector<COLORREF> before;
    for (int y = 316; y < 320; y++)
        for (int x = 230; x < 240; x++) before.push_back(DeviceReadScreen(x, y));
    CaptureBackground();
    EXPECT_EQ(mascotShown, 0);
    EXPECT_EQ(ReadPixel(&backgroundSurface, 0, 0), DeviceReadScreen(230, 316) & kReduced);
    DeviceFillScreen(0, 0, 240, 320, 0xFFFFFF);
    RestoreBackground();
    size_t i = 0;
    for (int y = 316; y < 320; y++)
        for (int x = 230; x < 240; x++, i++)
            EXPECT_EQ(Hex(DeviceReadScreen(x, y)), Hex(before[i])) << "(" << x << ", " << y << ")";
    EXPECT_EQ(DeviceReadScreen(229, 316), 0xFFFFFFu) << "outside the area";
}

// At 24 bits the saved copy is reduced to 5-6-5 like every stored colour.
TEST_F(Surfaces, CaptureReducesTrueColour) {
    Start(24, 3, 2);
    DeviceFillScreen(100, 200, 3, 2, 0x0F0F0F);
    CaptureBackground();
    EXPECT_EQ(Hex(ReadPixel(&backgroundSurface, 2, 1)), Hex(0x080C08));
    RestoreBackground();
    EXPECT_EQ(Hex(DeviceReadScreen(102, 201)), Hex(0x080C08));
}

TEST_F(Surfaces, TextMarksItsGlyphsAtItsPlace) {
    Start(16, 60, 30);
    DrawTextItem(WSTR("Hi"), 14, 0, 0, 0x0000F8);
    std::vector<BYTE> atOrigin = Coverage();
    int marked = 0;
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 60; x++) {
            if (!atOrigin[(size_t)y * 60 + x]) continue;
            marked++;
            EXPECT_EQ(Hex(ReadPixel(&frameSurface, x, y)), Hex(0x0000F8));
        }
    ASSERT_GT(marked, 10);
    ClearFrame();
    DrawTextItem(WSTR("Hi"), 14, 10, 5, 0x0000F8);
    std::vector<BYTE> moved = Coverage();
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 60; x++) {
            BYTE expected = (x >= 10 && y >= 5) ? atOrigin[(size_t)(y - 5) * 60 + (x - 10)] : 0;
            ASSERT_EQ(moved[(size_t)y * 60 + x], expected) << "(" << x << ", " << y << ")";
        }
}

// Glyph pixels whose place falls outside the area are neither drawn nor
// marked; the frame outside the marks stays as it was.
TEST_F(Surfaces, TextIsClippedToTheArea) {
    struct { int32_t x, y; } rows[] = {{40, 0}, {-8, -4}, {0, 25}, {59, 29}, {-1000, 5}};
    for (auto &r : rows) {
        Start(16, 60, 30);
        DrawTextItem(WSTR("WWWWWWWWWWWWWWWW"), 20, r.x, r.y, 0xF80000);
        std::vector<BYTE> mask = Coverage();
        for (int32_t y = 0; y < 30; y++)
            for (int32_t x = 0; x < 60; x++) {
                uint32_t colour = ReadPixel(&frameSurface, x, y);
                EXPECT_EQ(colour, mask[(size_t)y * 60 + x] ? 0xF80000u : 0u)
                    << "text at (" << r.x << ", " << r.y << "), pixel (" << x << ", " << y << ")";
            }
    }
}

// The white box reaches 7 pixels past the measured extent, no further.
TEST_F(Surfaces, WhiteBoxExtendsSevenPixels) {
    Start(16, 80, 30);
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 80; x++) WritePixel(&workSurface, x, y, 0x0000F8);
    SelectTextFont(14);
    RECT extent = {0, 0, 79, 29};
    DrawTextW(workDC, WSTR("Hi"), -1, &extent, DT_CALCRECT);
    ASSERT_LT(extent.right + 8, 80);
    DrawTextItem(WSTR("Hi"), 14, 0, 0, 0);
    EXPECT_EQ(Hex(ReadPixel(&workSurface, extent.right + 7, 0)), Hex(kReduced));
    EXPECT_EQ(Hex(ReadPixel(&workSurface, extent.right + 8, 0)), Hex(0x0000F8));
    EXPECT_EQ(Hex(ReadPixel(&workSurface, 0, extent.bottom + 1)), Hex(0x0000F8));
}

// Only the low 8 bits of a text size count: 300 draws like 44.
TEST_F(Surfaces, TextSizeKeepsItsLowByte) {
    Start(16, 200, 60);
    std::vector<BYTE> masks[3];
    int32_t sizes[3] = {300, 44, 12};
    for (int i = 0; i < 3; i++) {
        ClearFrame();
        DrawTextItem(WSTR("Ag"), sizes[i], 0, 0, 0xF8);
        masks[i] = Coverage();
    }
    EXPECT_TRUE(masks[0] == masks[1]) << "size 300 differs from size 44";
    EXPECT_FALSE(masks[0] == masks[2]) << "size 300 draws like size 12";
}

TEST_F(Surfaces, FontsDoNotPileUp) {
    Start(16, 40, 20);
    for (int size : {10, 12, 14, 16, 18, 12}) DrawTextItem(WSTR("x"), size, 0, 0, 0);
    EXPECT_EQ(DeviceLiveFonts(), 1);
}

// ---- the display probe ---------------------------------------------------

class Probe : public Surfaces {
protected:
    ImageRecord pictures[3]{};
    ColourValue palette[2] = {0x000000, 0xFFFFFF};
    TextItem texts[2]{};
    void Skin() {
        static BYTE pixels[1];
        pictures[0].pixels = pixels;               // 1-bit picture: black and white
        pictures[0].bitsPerPixel = 1;
        pictures[0].palette = palette;
        pictures[1].bitsPerPixel = 24;             // no palette: skipped
        pictures[1].pixels = pixels;
        pictures[2].palette = nullptr;             // not loaded: skipped
        skinTables.graphics = pictures;
        skinTables.graphicMax = 2;
        texts[0].height = 12;
        texts[0].colour = 0xFFFFFF;
        texts[1].height = -1;                      // not in use: untouched
        texts[1].colour = 0xFFFFFF;
        skinTables.texts = texts;
        skinTables.textMax = 1;
    }
};

TEST_F(Probe, SixteenAndTwentyFourBitDisplaysShareTheirCalibration) {
    for (int depth : {16, 24, 32}) {
        Start(depth, 8, 8);
        Skin();
        DeviceFillScreen(0, 0, 1, 1, 0x4080C0);
        COLORREF corner = DeviceReadScreen(0, 0);
        ProbeDisplayFormat(&workSurface);
        EXPECT_EQ(displayFormat.channelMask[0], 0xF8) << depth;
        EXPECT_EQ(displayFormat.channelMask[1], 0xFC) << depth;
        EXPECT_EQ(displayFormat.channelMask[2], 0xF8) << depth;
        EXPECT_EQ(Hex(displayFormat.whiteValue), Hex(0xF8FCF8)) << depth;
        EXPECT_EQ(displayFormat.darkSubstitute, 8u) << depth;
        EXPECT_EQ(Hex(displayFormat.lightSubstitute), Hex(0xF8FCF0)) << depth;
        EXPECT_EQ(Hex(palette[0]), Hex(0x000008)) << depth;
        EXPECT_EQ(Hex(palette[1]), Hex(0xF8FCF0)) << depth;
        EXPECT_EQ(Hex(texts[0].colour), Hex(0xF8FCF0)) << depth;
        EXPECT_EQ(Hex(texts[1].colour), Hex(0xFFFFFF)) << depth;
        EXPECT_EQ(Hex(DeviceReadScreen(0, 0) & kReduced), Hex(corner & kReduced)) << depth;
        palette[0] = 0x000000;
        palette[1] = 0xFFFFFF;
    }
}

// On 8 bits: black moves to the darkest grey the display shows, white is
// never white again, and every rewritten colour survives the screen.
TEST_F(Probe, EightBitDisplaySettlesColours) {
    Start(8, 8, 8);
    Skin();
    palette[1] = 0x3377BB;
    ProbeDisplayFormat(&workSurface);
    EXPECT_EQ(displayFormat.whiteValue, 0xFFFFFFu);
    EXPECT_NE(displayFormat.darkSubstitute, 0u);
    EXPECT_NE(displayFormat.lightSubstitute, 0xFFFFFFu);
    EXPECT_EQ(displayFormat.channelMask[0], 0);
    EXPECT_EQ(Hex(palette[0]), Hex(displayFormat.darkSubstitute));
    for (uint32_t colour : {palette[0], palette[1], texts[0].colour}) {
        DeviceFillScreen(5, 5, 1, 1, colour);
        EXPECT_EQ(Hex(DeviceReadScreen(5, 5) & kReduced), Hex(colour)) << "not a display colour";
    }
}

}  // namespace
