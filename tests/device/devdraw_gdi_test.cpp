// The simulated device's screen and GDI objects: rounding at each depth,
// BitBlt clipping of padded rows, refused headers and object lifetimes.
// Colour tables and DIB layout are checked in the portable
// drawing tests.
#include "device.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DeviceDrawing : public testing::Test {
protected:
    void SetUp() override { DeviceReset(); }
};

// A 24-bit DIB section selected into its own memory DC.
struct TestDib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    BYTE *bits = nullptr;

    TestDib(LONG width, LONG height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void *pixels = nullptr;
        bitmap = CreateDIBSection(GetDC(nullptr), &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<BYTE *>(pixels);
        dc = CreateCompatibleDC(GetDC(nullptr));
        SelectObject(dc, bitmap);
    }
    // Bottom-up pixel (x, y) of a DIB of the given height and padded stride.
    BYTE *Pixel24(int x, int y, int height, int stride) {
        return bits + size_t(height - 1 - y) * stride + size_t(x) * 3;
    }
};

COLORREF ScreenAfterEcho(COLORREF colour) {
    TestDib dib(1, 1);
    dib.bits[0] = BYTE(colour >> 16);
    dib.bits[1] = BYTE(colour >> 8);
    dib.bits[2] = BYTE(colour);
    BitBlt(GetDC(nullptr), 0, 0, 1, 1, dib.dc, 0, 0, SRCCOPY);
    return DeviceReadScreen(0, 0);
}

TEST_F(DeviceDrawing, ScreenKeepsWhatItsDepthCanHold) {
    struct { int depth; COLORREF written, expected; } rows[] = {
        {16, 0xFFFFFF, 0xFFFFFF}, {16, 0x000000, 0x000000}, {16, 0x123456, 0x103452},
        {16, 0x070307, 0x000000}, {16, 0x080408, 0x080408}, {16, 0xF8FCF8, 0xFFFFFF},
        {16, 0x808080, 0x848284}, {24, 0x123456, 0x123456}, {32, 0x010203, 0x010203},
        {8, 0x000000, 0x000000},  {8, 0xFFFFFF, 0xFFFFFF},  {8, 0x050505, 0x000000},
        {8, RGB(250, 5, 5), RGB(255, 0, 0)},                {8, RGB(50, 100, 150), RGB(51, 102, 153)},
    };
    for (auto &row : rows) {
        DeviceSetScreen(8, 8, row.depth, 0);
        EXPECT_EQ(ScreenAfterEcho(row.written), row.expected)
            << std::hex << "depth " << std::dec << row.depth << " colour 0x" << std::hex << row.written;
    }
}

// Whole rows go to a 5-6-5 screen several pixels at a time; every pixel of
// rows of many widths must round as a single one does.
TEST_F(DeviceDrawing, RowsRoundLikeSinglePixels) {
    DeviceSetScreen(40, 2, 16, 0);
    for (LONG width : {1, 7, 8, 9, 16, 17, 33}) {
        TestDib dib(width, 1);
        for (int i = 0; i < width * 3; i++) dib.bits[i] = BYTE(i * 37 + width);
        BitBlt(GetDC(nullptr), 3, 1, width, 1, dib.dc, 0, 0, SRCCOPY);
        for (int x = 0; x < width; x++) {
            const BYTE *p = dib.bits + x * 3;
            COLORREF colour = RGB(p[2], p[1], p[0]);
            ASSERT_EQ(DeviceReadScreen(3 + x, 1), ScreenAfterEcho(colour))
                << "width " << width << " pixel " << x << std::hex << " colour 0x" << colour;
        }
    }
}

// Copies a 5x3 block (rows padded from 15 to 16 bytes) across every edge of
// a 10x8 screen in both directions; a pixel changes only where both its
// source and its destination exist.
TEST_F(DeviceDrawing, BitBltClipsToBothSurfaces) {
    const COLORREF grey = 0x808080, marker = RGB(0, 0, 0xFF);  // the DIB bytes FF 00 00
    const int w = 5, h = 3, stride = 16;
    struct { int x, y; } places[] = {{-2, -2}, {7, -2}, {-2, 6}, {8, 6}, {3, -3}, {-3, 2}, {9, 7}, {10, 8}, {-5, 0}};
    for (auto &place : places) {
        DeviceSetScreen(10, 8, 24, grey);
        TestDib dib(w, h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) dib.Pixel24(x, y, h, stride)[1] = BYTE(16 * (y * w + x + 1));
        BitBlt(GetDC(nullptr), place.x, place.y, w, h, dib.dc, 0, 0, SRCCOPY);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 10; x++) {
                int dx = x - place.x, dy = y - place.y;
                bool covered = dx >= 0 && dx < w && dy >= 0 && dy < h;
                COLORREF expected = covered ? RGB(0, 16 * (dy * w + dx + 1), 0) : grey;
                ASSERT_EQ(DeviceReadScreen(x, y), expected)
                    << "to screen at " << place.x << "," << place.y << " pixel " << x << "," << y;
            }
        // Back again: the DIB keeps its marker where the screen area lies off screen.
        DeviceFillScreen(0, 0, 10, 8, 0x00FF00);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) std::memcpy(dib.Pixel24(x, y, h, stride), "\xFF\0\0", 3);
        BitBlt(dib.dc, 0, 0, w, h, GetDC(nullptr), place.x, place.y, SRCCOPY);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                int sx = place.x + x, sy = place.y + y;
                bool onScreen = sx >= 0 && sx < 10 && sy >= 0 && sy < 8;
                BYTE *p = dib.Pixel24(x, y, h, stride);
                ASSERT_EQ(RGB(p[2], p[1], p[0]), onScreen ? 0x00FF00u : marker)
                    << "from screen at " << place.x << "," << place.y << " pixel " << x << "," << y;
            }
    }
}

TEST_F(DeviceDrawing, BadDibHeadersAreRefused) {
    struct { LONG width, height; WORD planes, bitCount; DWORD compression; } rows[] = {
        {0, 4, 1, 24, BI_RGB}, {4, 0, 1, 24, BI_RGB}, {-4, 4, 1, 24, BI_RGB}, {4, 4, 2, 24, BI_RGB},
        {4, 4, 1, 16, BI_RGB}, {4, 4, 1, 24, 3}, {4, INT32_MIN, 1, 24, BI_RGB}, {100000, 100000, 1, 24, BI_RGB},
    };
    for (auto &row : rows) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), row.width, row.height, row.planes, row.bitCount,
                          row.compression, 0, 0, 0, 0, 0};
        void *bits = &info;
        SetLastError(0);
        EXPECT_EQ(CreateDIBSection(GetDC(nullptr), &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr)
            << row.width << "x" << row.height << " planes " << row.planes << " depth " << row.bitCount;
        EXPECT_EQ(bits, nullptr);
        EXPECT_NE(GetLastError(), 0u);
    }
    EXPECT_EQ(CreateDIBSection(GetDC(nullptr), nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST_F(DeviceDrawing, SelectedObjectsAreNotDeleted) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    LOGFONTW logical{};
    logical.lfHeight = 12;
    HFONT first = CreateFontIndirectW(&logical), second = CreateFontIndirectW(&logical);
    EXPECT_EQ(DeviceLiveFonts(), 2);
    HGDIOBJ stockFont = SelectObject(dc, first);
    EXPECT_NE(stockFont, nullptr);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(SelectObject(dc, second), first);
    EXPECT_TRUE(DeleteObject(first));
    EXPECT_FALSE(DeleteObject(first)) << "a deleted handle stays invalid";
    EXPECT_EQ(SelectObject(dc, first), nullptr);
    EXPECT_EQ(DeviceLiveFonts(), 1);

    TestDib dib(2, 2);
    EXPECT_EQ(SelectObject(dc, dib.bitmap), nullptr) << "a bitmap lives in one DC at a time";
    EXPECT_FALSE(DeleteObject(dib.bitmap));
    EXPECT_TRUE(DeleteDC(dib.dc));
    EXPECT_TRUE(DeleteObject(dib.bitmap));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_EQ(DeviceLiveFonts(), 0);
    EXPECT_FALSE(DeleteDC(screen));
}

}  // namespace
