// Drawing calls as the program uses them, checked alike on the real platform
// and on the simulated device: the screen DC and its depth, colours echoed
// through the screen, DIB row layout, colour tables and monochrome text.
// On the real platform these need a display (the top-left screen pixel is
// used as scratch).
#include "platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A DIB section selected into its own memory DC; deleted at the end.
struct Dib {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    BYTE *bits;
    struct { BITMAPINFOHEADER header; RGBQUAD colours[256]; } info{};

    Dib(LONG width, LONG height, WORD bitCount, const std::vector<COLORREF> &table = {}) {
        info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, BI_RGB, 0, 0, 0, DWORD(table.size()), 0};
        for (size_t i = 0; i < table.size(); i++)
            info.colours[i] = RGBQUAD{BYTE(table[i] >> 16), BYTE(table[i] >> 8), BYTE(table[i]), 0};
        void *pixels = nullptr;
        HDC screen = GetDC(nullptr);
        bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<BYTE *>(pixels);
        dc = CreateCompatibleDC(screen);
        oldBitmap = SelectObject(dc, bitmap);
        ReleaseDC(nullptr, screen);
    }
    ~Dib() {
        SelectObject(dc, oldBitmap);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

COLORREF Pixel24(const BYTE *p) { return RGB(p[2], p[1], p[0]); }
void SetPixel24(BYTE *p, COLORREF c) { p[0] = BYTE(c >> 16), p[1] = BYTE(c >> 8), p[2] = BYTE(c); }

// Writes colour at the screen's top-left pixel from a 24-bit DIB and reads it
// back into one, as the display probe does.
COLORREF Echo(COLORREF colour) {
    Dib dib(1, 1, 24);
    SetPixel24(dib.bits, colour);
    HDC screen = GetDC(nullptr);
    BitBlt(screen, 0, 0, 1, 1, dib.dc, 0, 0, SRCCOPY);
    std::memset(dib.bits, 0x55, 3);
    BitBlt(dib.dc, 0, 0, 1, 1, screen, 0, 0, SRCCOPY);
    GdiFlush();
    ReleaseDC(nullptr, screen);
    return Pixel24(dib.bits);
}

// What a 5-6-5 display gives back: the kept bits repeated into the low ones.
COLORREF FiveSixFive(COLORREF c) {
    int r = (c & 0xFF) >> 3, g = ((c >> 8) & 0xFF) >> 2, b = ((c >> 16) & 0xFF) >> 3;
    return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

// The screen and a DC compatible with it report one depth; colours come back
// exactly at 24 and 32 bits, in 5-6-5 precision at 16, and stable at 8.
TEST(ScreenDC, DepthAndColourEcho) {
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    EXPECT_TRUE(depth == 8 || depth == 16 || depth == 24 || depth == 32) << "depth " << depth;
    EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), depth) << "a compatible DC reports the screen's depth";
    EXPECT_GT(GetDeviceCaps(screen, HORZRES) * GetDeviceCaps(screen, VERTRES), 0);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (COLORREF colour : {0x000000, 0xFFFFFF, 0x123456, 0x808080, 0xF8FCF8, 0x070307, 0x080408, 0x0A0AC8}) {
        COLORREF shown = Echo(colour);
        COLORREF expected = depth == 16 ? FiveSixFive(colour) : depth >= 24 ? colour : Echo(shown);
        if (depth == 8 && (colour == 0 || colour == 0xFFFFFF)) expected = colour;
        EXPECT_EQ(shown, expected) << std::hex << "colour 0x" << colour << " at depth " << std::dec << depth;
    }
}

// Rows of W x 3 bytes padded to 4; positive heights store the bottom row
// first. A blit into a top-down 32-bit DIB shows where each row went.
TEST(DibSection, RowsArePaddedAndBottomUp) {
    for (LONG width : {1, 2, 3, 4, 5})
        for (LONG height : {2, -2}) {
            Dib source(width, height, 24), target(width, -2, 32);
            ASSERT_NE(source.bits, nullptr);
            size_t last = size_t(width - 1) * 3, stride = (last + 3 + 3) & ~size_t(3);
            SetPixel24(source.bits + last, RGB(0x11, 0, 0));
            SetPixel24(source.bits + stride + last, RGB(0, 0, 0x22));
            BitBlt(target.dc, 0, 0, width, 2, source.dc, 0, 0, SRCCOPY);
            GdiFlush();
            const BYTE *top = target.bits + size_t(width - 1) * 4, *bottom = top + size_t(width) * 4;
            COLORREF firstRow = RGB(0x11, 0, 0), secondRow = RGB(0, 0, 0x22);
            EXPECT_EQ(Pixel24(top), height < 0 ? firstRow : secondRow) << "width " << width << " height " << height;
            EXPECT_EQ(Pixel24(bottom), height < 0 ? secondRow : firstRow) << "width " << width << " height " << height;
        }
}

// Indices show their table colour; colours going into an 8-bit DIB take the
// nearest entry.
TEST(DibSection, EightBitPixelsGoThroughTheColourTable) {
    std::vector<COLORREF> table = {RGB(0, 0, 0), RGB(200, 10, 10), RGB(10, 200, 10), RGB(10, 10, 200)};
    Dib indexed(4, 1, 8, table), full(4, 1, 24);
    const BYTE indices[] = {3, 1, 0, 2};
    const COLORREF closeBy[] = {RGB(190, 30, 0), RGB(0, 0, 0), RGB(30, 30, 250), RGB(0, 170, 40)};
    const BYTE nearest[] = {1, 0, 3, 2};
    std::memcpy(indexed.bits, indices, 4);
    BitBlt(full.dc, 0, 0, 4, 1, indexed.dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (int x = 0; x < 4; x++) EXPECT_EQ(Pixel24(full.bits + x * 3), table[indices[x]]) << "pixel " << x;
    for (int x = 0; x < 4; x++) SetPixel24(full.bits + x * 3, closeBy[x]);
    BitBlt(indexed.dc, 0, 0, 4, 1, full.dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (int x = 0; x < 4; x++) EXPECT_EQ(indexed.bits[x], nearest[x]) << "pixel " << x;
}

// Asks for text without anti-aliasing: a desktop system smooths text of
// default quality on displays deeper than 8 bits, which the device does not.
TEST(DrawText, MeasuresAndDrawsBlackOnWhiteOnly) {
    const LONG width = 120, height = 60;
    Dib dib(width, height, 24);
    std::memset(dib.bits, 0x80, size_t(width) * 3 * height);
    LOGFONTW logical{};
    logical.lfHeight = 14;
    logical.lfQuality = 3;  // NONANTIALIASED_QUALITY
    HFONT font = CreateFontIndirectW(&logical);
    HGDIOBJ oldFont = SelectObject(dib.dc, font);

    RECT one{0, 0, width - 1, height - 1}, two = one, wide = one;
    DrawTextW(dib.dc, WSTR("12:34"), -1, &one, DT_CALCRECT);
    DrawTextW(dib.dc, WSTR("12:34\r\n56"), -1, &two, DT_CALCRECT);
    DrawTextW(dib.dc, WSTR("12:34:56"), -1, &wide, DT_CALCRECT);
    EXPECT_GT(one.right * one.bottom, 0);
    EXPECT_EQ(two.bottom, 2 * one.bottom);
    EXPECT_EQ(two.right, one.right);
    EXPECT_GT(wide.right, one.right);

    RECT box{0, 0, width - 1, height - 1};
    DrawTextW(dib.dc, WSTR("12:34\r\n56"), -1, &box, 0);
    GdiFlush();
    int black = 0;
    for (int y = 0; y < two.bottom; y++)
        for (int x = 0; x < two.right; x++) {
            COLORREF c = Pixel24(dib.bits + (size_t(height - 1 - y) * width + x) * 3);
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF || c == 0x808080)
                << std::hex << "colour 0x" << c << std::dec << " at " << x << "," << y;
            black += c == 0;
        }
    EXPECT_GT(black, 10);
    SelectObject(dib.dc, oldFont);
    DeleteObject(font);
}

}  // namespace
