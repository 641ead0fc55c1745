// The work surfaces, text drawing and the display probe on the simulated
// screen, where depths, failures and the screen itself are under control.
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

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

// A device screen of 240 x 320 at a depth, and a work area of W x H at
// (areaX, areaY); fail names a platform call that is to fail once, after
// failAfter successful calls. Returns CreateWorkSurfaces' result.
int Start(int screenDepth, int32_t width, int32_t height, int32_t areaX = 100, int32_t areaY = 200,
          const char *fail = "", int failAfter = 0) {
    DeviceReset();
    if (*fail) DeviceFailNext(fail, 1, failAfter);
    DeviceSetScreen(240, 320, screenDepth, 0x808080);
    displayFormat = DisplayFormat{};
    displayFormat.depth = screenDepth == 8 ? 8 : 24;   // 16 and 32 recorded as 24
    skinTables = SkinTables{};
    skinTables.areaWidth = width;
    skinTables.areaHeight = height;
    skinTables.areaX = areaX;
    skinTables.areaY = areaY;
    skinTables.graphicMax = skinTables.textMax = -1;
    screenDC = GetDC(NULL);
    return CreateWorkSurfaces();
}

// The frame as text: per pixel "." when not covered, else "#" when its
// colour is the expected one, "?" otherwise.
std::string Frame(uint32_t colour) {
    std::string text;
    for (int32_t y = 0; y < skinTables.areaHeight; y++, text += "\n")
        for (int32_t x = 0; x < skinTables.areaWidth; x++)
            text += !coverageMask[y * skinTables.areaWidth + x] ? (ReadPixel(&frameSurface, x, y) ? "?" : ".")
                    : ReadPixel(&frameSurface, x, y) == colour ? "#" : "?";
    return text;
}

TEST(Surfaces, CreatedAtTheAreaSizeWithPaddedDibRows) {
    for (int depth : {16, 8}) {
        ASSERT_EQ(Start(depth, 21, 5), 1);
        EXPECT_EQ(workSurface.width * 10 + workSurface.height, 215);
        EXPECT_EQ(workSurface.rowBytes, 64) << "63 bytes padded to 4";
        EXPECT_EQ(frameSurface.rowBytes, 63);
        EXPECT_EQ(backgroundSurface.height + shownSurface.height, 10);
        EXPECT_EQ(probeDC != nullptr && probeBitmap != nullptr, depth == 8) << "depth " << depth;
        EXPECT_EQ(WorkSurfacesReady(), 1);
    }
}

TEST(Surfaces, CreationFailuresAreReportedWithABeep) {
    // On 8-bit displays the second DIB section and memory DC are the probe's.
    struct { int depth; const char *call; int after; int32_t width; const char *prefix; } rows[] = {
        {16, "CreateDIBSection", 0, 8, "baseBmp error ("},
        {16, "CreateCompatibleDC", 0, 8, "baseDC error ("},
        {16, "", 0, 5000, "baseBmp error ("},
        {8, "CreateDIBSection", 1, 8, "tmp256Bmp error ("},
        {8, "CreateCompatibleDC", 1, 8, "baseDC error ("},
    };
    for (auto &r : rows) {
        EXPECT_EQ(Start(r.depth, r.width, 8, 0, 0, r.call, r.after), 0) << r.call;
        EXPECT_EQ(WorkSurfacesReady(), 0) << r.call;
        ASSERT_EQ(DeviceMessageBoxes().size(), 1u) << r.call;
        std::string text = DeviceUtf8(DeviceMessageBoxes()[0].text);
        EXPECT_EQ(text.rfind(r.prefix, 0) + (text.back() == ')' ? 0 : 1), 0u) << "got " << text;
        EXPECT_EQ(DeviceUtf8(DeviceMessageBoxes()[0].caption), "Error");
        EXPECT_EQ(DeviceBeeps(), std::vector<UINT>{64}) << r.call;
    }
}

// Saving and restoring puts back exactly what the screen showed, also for an
// area hanging off the screen's corner; where another program drew in
// between, the restore shows what it drew (at 5-6-5 precision).
TEST(Surfaces, CaptureThenRestorePutsTheScreenBack) {
    for (int depth : {16, 24}) {
        ASSERT_EQ(Start(depth, 21, 6, 230, 316), 1);
        for (int i = 0; i < 6; i++) DeviceFillScreen(225 + 3 * i, 314, 3, 6, 0x102030u * (i + 1) + 0x0A0B0C);
        std::vector<std::string> before;
        for (int y = 316; y < 320; y++)
            for (int x = 230; x < 240; x++) before.push_back(Hex(DeviceReadScreen(x, y)));
        CaptureBackground();
        EXPECT_EQ(mascotShown, 0);
        DeviceFillScreen(0, 0, 240, 320, 0xFFFFFF);
        RestoreBackground();
        std::vector<std::string> after;
        for (int y = 316; y < 320; y++)
            for (int x = 230; x < 240; x++) after.push_back(Hex(DeviceReadScreen(x, y)));
        EXPECT_EQ(after, before) << "depth " << depth;
        // Another program's pixel, taken over as background, comes back as drawn.
        WritePixel(&backgroundSurface, 0, 0, 0x00FC00);
        RestoreBackground();
        EXPECT_EQ(Hex(DeviceReadScreen(230, 316) & 0xF8FCF8), Hex(0x00FC00)) << "depth " << depth;
        EXPECT_EQ(DeviceReadScreen(229, 316), 0xFFFFFFu) << "outside the area, depth " << depth;
    }
}

// Glyph pixels whose place falls outside the area are neither drawn nor
// marked; the frame outside the marks stays as it was.
TEST(Surfaces, TextIsClippedToTheArea) {
    struct { int32_t x, y; } rows[] = {{0, 0}, {40, 0}, {-8, -4}, {0, 25}, {59, 29}, {-1000, 5}};
    for (auto &r : rows) {
        ASSERT_EQ(Start(16, 60, 30), 1);
        DrawTextItem(WSTR("WWWWWWWWWWWWWWWW"), 20, r.x, r.y, 0xF80000);
        std::string frame = Frame(0xF80000);
        EXPECT_EQ(frame.find('?'), std::string::npos) << "text at " << r.x << ", " << r.y << ":\n" << frame;
        if (r.x == 0 && r.y == 0) {
            EXPECT_NE(frame.find('#'), std::string::npos) << frame;
        }
    }
}

// The white box reaches 7 pixels past the measured extent, no further.
TEST(Surfaces, WhiteBoxExtendsSevenPixels) {
    ASSERT_EQ(Start(16, 80, 30), 1);
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 80; x++) WritePixel(&workSurface, x, y, 0x0000F8);
    SelectTextFont(14);
    RECT extent = {0, 0, 79, 29};
    DrawTextW(workDC, WSTR("Hi"), -1, &extent, DT_CALCRECT);
    ASSERT_LT(extent.right + 8, 80);
    DrawTextItem(WSTR("Hi"), 14, 0, 0, 0);
    EXPECT_EQ(Hex(ReadPixel(&workSurface, extent.right + 7, 0)), "F8FCF8");
    EXPECT_EQ(Hex(ReadPixel(&workSurface, extent.right + 8, 0)), "0000F8");
    EXPECT_EQ(Hex(ReadPixel(&workSurface, 0, extent.bottom + 1)), "0000F8");
}

// Only the low 8 bits of a text size count, so 300 draws like 44; each
// font goes once the next one is selected.
TEST(Surfaces, TextSizeKeepsItsLowByteAndFontsDoNotPileUp) {
    std::string frames[3];
    int32_t sizes[3] = {300, 44, 12};
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(Start(16, 200, 60), 1);
        DrawTextItem(WSTR("Ag"), sizes[i], 0, 0, 0xF8);
        frames[i] = Frame(0xF8);
    }
    EXPECT_EQ(frames[0], frames[1]) << "size 300 differs from size 44";
    EXPECT_NE(frames[0], frames[2]) << "size 300 draws like size 12";
    for (int size : {10, 12, 14, 16, 18, 12}) DrawTextItem(WSTR("x"), size, 0, 0, 0);
    EXPECT_EQ(DeviceLiveFonts(), 1);
}

// ---- the display probe ---------------------------------------------------

// A skin with a black-and-white 1-bit picture, a 24-bit picture and an
// unloaded one (both skipped), a white text in use and one not in use.
struct ProbeSkin {
    BYTE pixels[1] = {};
    ImageRecord pictures[3]{};
    ColourValue palette[2] = {0x000000, 0xFFFFFF};
    TextItem texts[2]{};
    ProbeSkin() {
        pictures[0].pixels = pictures[1].pixels = pixels;
        pictures[0].bitsPerPixel = 1;
        pictures[0].palette = palette;
        pictures[1].bitsPerPixel = 24;
        skinTables.graphics = pictures;
        skinTables.graphicMax = 2;
        texts[0].height = 12;
        texts[1].height = -1;
        texts[0].colour = texts[1].colour = 0xFFFFFF;
        skinTables.texts = texts;
        skinTables.textMax = 1;
    }
};

TEST(Probe, SixteenTwentyFourAndThirtyTwoBitDisplaysShareTheirCalibration) {
    for (int depth : {16, 24, 32}) {
        ASSERT_EQ(Start(depth, 8, 8), 1);
        ProbeSkin skin;
        DeviceFillScreen(0, 0, 1, 1, 0x4080C0);
        ProbeDisplayFormat(&workSurface);
        const DisplayFormat &f = displayFormat;
        std::string actual = Hex(f.channelMask[0] << 16 | f.channelMask[1] << 8 | f.channelMask[2]) + " " +
                             Hex(f.whiteValue) + " " + Hex(f.darkSubstitute) + " " + Hex(f.lightSubstitute) + " | " +
                             Hex(skin.palette[0]) + " " + Hex(skin.palette[1]) + " " + Hex(skin.texts[0].colour) +
                             " " + Hex(skin.texts[1].colour) + " | corner " + Hex(DeviceReadScreen(0, 0) & 0xF8FCF8);
        EXPECT_EQ(actual, "F8FCF8 F8FCF8 000008 F8FCF0 | 000008 F8FCF0 F8FCF0 FFFFFF | corner 4080C0") << depth;
    }
}

// On 8 bits: black moves to the darkest grey the display shows, white is
// never white again, and every rewritten colour survives the screen.
TEST(Probe, EightBitDisplaySettlesColours) {
    ASSERT_EQ(Start(8, 8, 8), 1);
    ProbeSkin skin;
    skin.palette[1] = 0x3377BB;
    ProbeDisplayFormat(&workSurface);
    EXPECT_EQ(displayFormat.whiteValue, 0xFFFFFFu);
    EXPECT_NE(displayFormat.darkSubstitute, 0u);
    EXPECT_NE(displayFormat.lightSubstitute, 0xFFFFFFu);
    EXPECT_EQ(displayFormat.channelMask[0], 0);
    EXPECT_EQ(Hex(skin.palette[0]), Hex(displayFormat.darkSubstitute));
    for (uint32_t colour : {skin.palette[0], skin.palette[1], skin.texts[0].colour}) {
        DeviceFillScreen(5, 5, 1, 1, colour);
        EXPECT_EQ(Hex(DeviceReadScreen(5, 5) & 0xF8FCF8), Hex(colour)) << "not a display colour";
    }
}

}  // namespace
