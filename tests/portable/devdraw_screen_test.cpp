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
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    BYTE *bits = nullptr;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};

    Dib(LONG width, LONG height, WORD bitCount, const std::vector<COLORREF> &table = {}) {
        info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, BI_RGB, 0, 0, 0,
                       DWORD(table.size()), 0};
        for (size_t i = 0; i < table.size(); i++)
            info.colours[i] = RGBQUAD{BYTE(table[i] >> 16), BYTE(table[i] >> 8), BYTE(table[i]), 0};
        void *pixels = nullptr;
        HDC screen = GetDC(nullptr);
        bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO *>(&info), DIB_RGB_COLORS,
                                  &pixels, nullptr, 0);
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

int ScreenDepth() {
    HDC screen = GetDC(nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return depth;
}

// Writes colour at the screen's top-left pixel from a 24-bit DIB and reads it
// back into one, as the display probe does.
COLORREF Echo(COLORREF colour) {
    Dib dib(1, 1, 24);
    dib.bits[0] = BYTE(colour >> 16);
    dib.bits[1] = BYTE(colour >> 8);
    dib.bits[2] = BYTE(colour);
    HDC screen = GetDC(nullptr);
    BitBlt(screen, 0, 0, 1, 1, dib.dc, 0, 0, SRCCOPY);
    std::memset(dib.bits, 0x55, 3);
    BitBlt(dib.dc, 0, 0, 1, 1, screen, 0, 0, SRCCOPY);
    GdiFlush();
    ReleaseDC(nullptr, screen);
    return RGB(dib.bits[2], dib.bits[1], dib.bits[0]);
}

// What a 5-6-5 display gives back: the kept bits repeated into the low ones.
COLORREF FiveSixFive(COLORREF c) {
    int r = (c & 0xFF) >> 3, g = ((c >> 8) & 0xFF) >> 2, b = ((c >> 16) & 0xFF) >> 3;
    return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
}

TEST(ScreenDC, ReportsDepthAndSize) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    int depth = GetDeviceCaps(screen, BITSPIXEL);
    EXPECT_TRUE(depth == 8 || depth == 16 || depth == 24 || depth == 32) << "depth " << depth;
    EXPECT_GT(GetDeviceCaps(screen, HORZRES), 0);
    EXPECT_GT(GetDeviceCaps(screen, VERTRES), 0);
    HDC memory = CreateCompatibleDC(screen);
    EXPECT_EQ(GetDeviceCaps(memory, BITSPIXEL), depth) << "a compatible DC reports the screen's depth";
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

TEST(ScreenDC, EchoesColoursAtItsDepth) {
    const COLORREF colours[] = {0x000000, 0xFFFFFF, 0x123456, 0x808080, 0xF8FCF8,
                                0x070307, 0x080408, RGB(200, 10, 10), 0x010101};
    int depth = ScreenDepth();
    for (COLORREF colour : colours) {
        COLORREF shown = Echo(colour);
        if (depth == 16)
            EXPECT_EQ(shown, FiveSixFive(colour)) << std::hex << "colour 0x" << colour;
        else if (depth >= 24)
            EXPECT_EQ(shown, colour) << std::hex << "colour 0x" << colour;
        else
            EXPECT_EQ(Echo(shown), shown) << std::hex << "colour 0x" << colour << " shown as 0x" << shown;
    }
    if (depth == 8) {
        EXPECT_EQ(Echo(0), 0u);
        EXPECT_EQ(Echo(0xFFFFFF), 0xFFFFFFu);
    }
}

// Rows of W x 3 bytes padded to 4; positive heights store the bottom row first.
TEST(DibSection, RowsArePaddedAndBottomUp) {
    struct { LONG width; int stride; } rows[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}};
    for (auto &row : rows)
        for (LONG sign : {1, -1}) {
            Dib source(row.width, 2 * sign, 24), target(row.width, -2, 32);
            ASSERT_NE(source.bits, nullptr);
            size_t last = size_t(row.width - 1) * 3;
            source.bits[last + 2] = 0x11;
            source.bits[size_t(row.stride) + last] = 0x22;
            BitBlt(target.dc, 0, 0, row.width, 2, source.dc, 0, 0, SRCCOPY);
            GdiFlush();
            const BYTE *top = target.bits + size_t(row.width - 1) * 4;
            const BYTE *bottom = top + size_t(row.width) * 4;
            COLORREF topColour = RGB(top[2], top[1], top[0]), bottomColour = RGB(bottom[2], bottom[1], bottom[0]);
            COLORREF first = RGB(0x11, 0, 0), second = RGB(0, 0, 0x22);
            EXPECT_EQ(topColour, sign > 0 ? second : first) << "width " << row.width << " height " << 2 * sign;
            EXPECT_EQ(bottomColour, sign > 0 ? first : second) << "width " << row.width << " height " << 2 * sign;
        }
}

TEST(DibSection, EightBitPixelsGoThroughTheColourTable) {
    std::vector<COLORREF> table = {RGB(0, 0, 0), RGB(200, 10, 10), RGB(10, 200, 10), RGB(10, 10, 200)};
    Dib indexed(4, 1, 8, table), full(4, 1, 24);
    const BYTE indices[] = {3, 1, 0, 2};
    std::memcpy(indexed.bits, indices, 4);
    BitBlt(full.dc, 0, 0, 4, 1, indexed.dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (int x = 0; x < 4; x++) {
        const BYTE *p = full.bits + x * 3;
        EXPECT_EQ(RGB(p[2], p[1], p[0]), table[indices[x]]) << "pixel " << x;
    }
    const COLORREF closeBy[] = {RGB(190, 30, 0), RGB(0, 0, 0), RGB(30, 30, 250), RGB(0, 170, 40)};
    const BYTE expected[] = {1, 0, 3, 2};
    for (int x = 0; x < 4; x++) {
        full.bits[x * 3] = BYTE(closeBy[x] >> 16);
        full.bits[x * 3 + 1] = BYTE(closeBy[x] >> 8);
        full.bits[x * 3 + 2] = BYTE(closeBy[x]);
    }
    BitBlt(indexed.dc, 0, 0, 4, 1, full.dc, 0, 0, SRCCOPY);
    GdiFlush();
    for (int x = 0; x < 4; x++) EXPECT_EQ(indexed.bits[x], expected[x]) << "pixel " << x;
}

// Asks for text without anti-aliasing: a desktop system smooths text of
// default quality on displays deeper than 8 bits, which the device does not.
TEST(DrawText, MeasuresAndDrawsBlackOnWhiteOnly) {
    const BYTE NonAntialiasedQuality = 3;
    const LONG width = 120, height = 60;
    Dib dib(width, height, 24);
    std::memset(dib.bits, 0x80, size_t(width) * 3 * height);
    LOGFONTW logical{};
    logical.lfHeight = 14;
    logical.lfQuality = NonAntialiasedQuality;
    HFONT font = CreateFontIndirectW(&logical);
    HGDIOBJ oldFont = SelectObject(dib.dc, font);

    RECT one{0, 0, width - 1, height - 1}, two = one, wide = one;
    DrawTextW(dib.dc, WSTR("12:34"), -1, &one, DT_CALCRECT);
    DrawTextW(dib.dc, WSTR("12:34\r\n56"), -1, &two, DT_CALCRECT);
    DrawTextW(dib.dc, WSTR("12:34:56"), -1, &wide, DT_CALCRECT);
    EXPECT_GT(one.right, 0);
    EXPECT_GT(one.bottom, 0);
    EXPECT_EQ(two.bottom, 2 * one.bottom);
    EXPECT_EQ(two.right, one.right);
    EXPECT_GT(wide.right, one.right);

    RECT box{0, 0, width - 1, height - 1};
    DrawTextW(dib.dc, WSTR("12:34\r\n56"), -1, &box, 0);
    GdiFlush();
    int black = 0;
    for (int y = 0; y < two.bottom; y++)
        for (int x = 0; x < two.right; x++) {
            const BYTE *p = dib.bits + (size_t(height - 1 - y) * width + x) * 3;
            COLORREF c = RGB(p[2], p[1], p[0]);
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF || c == 0x808080)
                << std::hex << "colour 0x" << c << std::dec << " at " << x << "," << y;
            black += c == 0;
        }
    EXPECT_GT(black, 10);
    SelectObject(dib.dc, oldFont);
    DeleteObject(font);
}

}  // namespace
