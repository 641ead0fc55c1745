// The work surfaces and text on whatever screen the platform has (under Wine on Xvfb, and on the
// simulated device's default screen), through platform calls only.
#include "core/tables.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

// A work area of width x height at (5, 7). Returns the screen's depth.
static int Start(int32_t width, int32_t height) {
    SetDisplayFormat(DisplayFormat{});
    OpenDisplay();
    int depth = GetDeviceCaps(screenDC, BITSPIXEL);
    SkinTables tables = {};
    tables.areaWidth = width;
    tables.areaHeight = height;
    tables.areaX = 5;
    tables.areaY = 7;
    tables.graphicMax = tables.textMax = -1;
    UseSkinTables(&tables);
    EXPECT_EQ(1, CreateWorkSurfaces());
    return depth;
}

// The area's bytes on the screen, read back through the work surface.
static std::vector<BYTE> ScreenBytes() {
    BitBlt(workDC, 0, 0, workSurface.width, workSurface.height, screenDC, 5, 7, SRCCOPY);
    GdiFlush();
    std::vector<BYTE> bytes;
    for (int32_t y = 0; y < workSurface.height; y++)
        bytes.insert(bytes.end(), ImageRow(&workSurface, y), ImageRow(&workSurface, y) + 3 * workSurface.width);
    return bytes;
}

// Restore puts back exactly what capture took, for a width whose DIB rows are
// padded (21) and one whose are not (24).
TEST(Surfaces, CaptureAndRestoreRoundTrip) {
    for (int32_t width : {24, 21}) {
        if (Start(width, 10) == 8) GTEST_SKIP() << "a palette screen changes the pattern";
        for (int32_t y = 0; y < 10; y++)
            for (int32_t i = 0; i < 3 * width; i++) ImageRow(&workSurface, y)[i] = (BYTE)(i * 37 + y * 91 + 5);
        BitBlt(screenDC, 5, 7, width, 10, workDC, 0, 0, SRCCOPY);
        std::vector<BYTE> shown = ScreenBytes();
        CaptureBackground();
        for (int32_t y = 0; y < 10; y++)
            for (int32_t x = 0; x < width; x++) WriteRgb24(ImageRow(&workSurface, y) + 3 * x, 0xF8FCF8);
        BitBlt(screenDC, 5, 7, width, 10, workDC, 0, 0, SRCCOPY);
        RestoreBackground();
        EXPECT_EQ(shown, ScreenBytes()) << "width " << width;
    }
}

// Text lands where it is placed: the same marks, shifted and clipped at the area's edges, in the
// text's colour, and nothing outside them. The white box behind it ends 7 pixels past the extent.
TEST(Surfaces, TextIsPlacedAndClipped) {
    Start(60, 30);
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 60; x++) WriteRgb24(ImageRow(&workSurface, y) + 3 * x, 0x0000F8);
    SelectTextFont(14);
    RECT extent = {0, 0, 59, 29};
    DrawTextW(workDC, WSTR("Hi"), -1, &extent, DT_CALCRECT);
    ASSERT_LT(extent.right + 8, 60);
    DrawTextItem(WSTR("Hi"), 14, 0, 0, 0x0000F8);
    EXPECT_EQ(0xF8FCF8u, ReadPixel(&workSurface, extent.right + 7, 0));
    EXPECT_EQ(0x0000F8u, ReadPixel(&workSurface, extent.right + 8, 0));
    EXPECT_EQ(0x0000F8u, ReadPixel(&workSurface, 0, extent.bottom + 1));
    std::vector<BYTE> atOrigin(coverageMask, coverageMask + 60 * 30);
    ASSERT_GT(std::count(atOrigin.begin(), atOrigin.end(), 1), 20)
        << "too few exactly black glyph pixels: smoothed text?";
    for (auto [dx, dy] : {std::pair{10, 5}, {-4, -3}, {50, 22}}) {
        Start(60, 30);
        DrawTextItem(WSTR("Hi"), 14, dx, dy, 0x0000F8);
        for (int32_t y = 0; y < 30; y++)
            for (int32_t x = 0; x < 60; x++) {
                int32_t sx = x - dx, sy = y - dy;
                BYTE mark = sx >= 0 && sy >= 0 && sx < 60 && sy < 30 ? atOrigin[sy * 60 + sx] : 0;
                ASSERT_EQ(mark, coverageMask[y * 60 + x]) << "(" << x << ", " << y << ") text at " << dx << ", " << dy;
                ASSERT_EQ(mark ? 0x0000F8u : 0u, ReadPixel(&frameSurface, x, y)) << "(" << x << ", " << y << ")";
            }
    }
}

// The glyph pixels DrawTextItem marks for text in the face over a 120x30 area; *advance (when
// given) receives the text's measured width.
static std::vector<BYTE> TextMarks(const WCHAR *face, const WCHAR *text, LONG *advance = nullptr) {
    Start(120, 30);
    SkinTables tables = skinTables;
    for (size_t i = 0; i < kFaceUnits && (tables.fontFace[i] = face[i]) != 0; i++) {}
    UseSkinTables(&tables);
    DrawTextItem(text, 16, 0, 0, 0x0000F8);
    RECT extent = {0, 0, 119, 29};
    DrawTextW(workDC, text, -1, &extent, DT_CALCRECT);
    if (advance) *advance = extent.right;
    return std::vector<BYTE>(coverageMask, coverageMask + 120 * 30);
}

// The face names Japanese skins give, an unknown one and none at all.
static const WCHAR *const kSkinFaces[] = {
    WSTR(""),
    WSTR("Tahoma"),
    WSTR("MS Gothic"),
    WSTR("MS PGothic"),
    WSTR("ＭＳ ゴシック"),
    WSTR("ＭＳ Ｐゴシック"),
    WSTR("No Such Face"),
};

// Whether marks are latin's with shifted's moved right by shift on top.
static bool MarksJoin(const std::vector<BYTE> &marks, const std::vector<BYTE> &latin, const std::vector<BYTE> &shifted,
                      LONG shift) {
    for (int32_t y = 0; y < 30; y++)
        for (int32_t x = 0; x < 120; x++) {
            int32_t sx = x - shift;
            BYTE expected = latin[y * 120 + x] | (sx >= 0 && sx < 120 ? shifted[y * 120 + sx] : 0);
            if (expected != marks[y * 120 + x]) return false;
        }
    return true;
}

// Two Japanese characters draw two different, non-empty glyphs in every face (a character no
// installed font holds would draw the same box as any other), and a mixed line draws "A9" as alone,
// then the Japanese glyph after their advance (or a pixel off: the real platform rounds advances).
TEST(Surfaces, JapaneseAndMixedLinesDrawEveryCharacter) {
    for (size_t row = 0; row < std::size(kSkinFaces); row++) {
        const WCHAR *face = kSkinFaces[row];
        LONG advance = 0;
        std::vector<BYTE> latin = TextMarks(face, WSTR("A9"), &advance), toki = TextMarks(face, WSTR("時"));
        std::vector<BYTE> ko = TextMarks(face, WSTR("こ")), mixed = TextMarks(face, WSTR("A9時"));
        EXPECT_GT(std::count(ko.begin(), ko.end(), 1), 8) << "face #" << row;
        EXPECT_GT(std::count(toki.begin(), toki.end(), 1), 20) << "face #" << row;
        EXPECT_TRUE(ko != toki) << "face #" << row << ": both characters drew the same glyph";
        ASSERT_GT(advance, 8) << "face #" << row;
        bool joined = false;
        for (LONG shift = advance - 1; shift <= advance + 1 && !joined; shift++)
            joined = MarksJoin(mixed, latin, toki, shift);
        EXPECT_TRUE(joined) << "face #" << row << ": \"A9\" and the Japanese glyph drawn apart do not make up the line";
    }
}
