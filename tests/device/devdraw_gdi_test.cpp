// The simulated device's screen and GDI objects: rounding at each depth,
// DIB section layout, BitBlt clipping and colour tables, object lifetimes
// and injected failures.
#include "device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class DeviceDrawing : public testing::Test {
protected:
    void SetUp() override { DeviceReset(); }
};

// A DIB section of the given shape selected into its own memory DC.
struct TestDib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    BYTE *bits = nullptr;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};

    TestDib(LONG width, LONG height, WORD bitCount, const std::vector<COLORREF> &table = {}) {
        info.header = {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, BI_RGB, 0, 0, 0,
                       DWORD(table.size()), 0};
        for (size_t i = 0; i < table.size(); i++)
            info.colours[i] = RGBQUAD{BYTE(table[i] >> 16), BYTE(table[i] >> 8), BYTE(table[i]), 0};
        void *pixels = nullptr;
        bitmap = CreateDIBSection(GetDC(nullptr), reinterpret_cast<BITMAPINFO *>(&info),
                                  DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<BYTE *>(pixels);
        dc = CreateCompatibleDC(GetDC(nullptr));
        SelectObject(dc, bitmap);
    }
    // Bottom-up 24-bit pixel (x, y) of a DIB of height h and padded stride.
    BYTE *Pixel24(int x, int y, int height, int stride) {
        return bits + size_t(height - 1 - y) * stride + size_t(x) * 3;
    }
};

COLORREF ScreenAfterEcho(COLORREF colour) {
    TestDib dib(1, 1, 24);
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
        TestDib dib(width, 1, 24);
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

TEST_F(DeviceDrawing, EightBitScreenShowsOnlyPaletteColours) {
    DeviceSetScreen(4, 4, 8, 0);
    const COLORREF *palette = DevicePalette8();
    for (COLORREF grey = 0; grey <= 0xFFFFFF; grey += 0x030507) {
        COLORREF shown = ScreenAfterEcho(grey);
        bool inPalette = false;
        for (int i = 0; i < 256; i++) inPalette |= palette[i] == shown;
        ASSERT_TRUE(inPalette) << std::hex << "0x" << grey << " shows as 0x" << shown;
        ASSERT_EQ(ScreenAfterEcho(shown), shown) << std::hex << "palette colour 0x" << shown;
    }
}

TEST_F(DeviceDrawing, ScreenReadsBackIntoA24BitDib) {
    DeviceSetScreen(4, 4, 16, RGB(0x12, 0x34, 0x56));
    TestDib dib(1, 1, 24);
    BitBlt(dib.dc, 0, 0, 1, 1, GetDC(nullptr), 2, 2, SRCCOPY);
    EXPECT_EQ(RGB(dib.bits[2], dib.bits[1], dib.bits[0]), RGB(0x10, 0x34, 0x52));
    EXPECT_EQ(DeviceScreenReads(), 1u);
    EXPECT_EQ(DeviceScreenWrites(), 0u);
}

// Rows of W x 3 bytes rounded up to 4; the first row in memory is the bottom
// row unless the height is negative.
TEST_F(DeviceDrawing, DibRowsArePaddedAndBottomUp) {
    struct { LONG width; int stride; } rows[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}};
    DeviceSetScreen(8, 8, 24, 0);
    for (auto &row : rows) {
        for (LONG sign : {1, -1}) {
            TestDib dib(row.width, 2 * sign, 24);
            ASSERT_NE(dib.bits, nullptr);
            size_t last = size_t(row.width - 1) * 3;
            dib.bits[last + 2] = 0x11;                      // first row in memory: red
            dib.bits[size_t(row.stride) + last + 0] = 0x22;  // second row in memory: blue
            BitBlt(GetDC(nullptr), 0, 0, row.width, 2, dib.dc, 0, 0, SRCCOPY);
            COLORREF top = DeviceReadScreen(row.width - 1, 0), bottom = DeviceReadScreen(row.width - 1, 1);
            COLORREF first = RGB(0x11, 0, 0), second = RGB(0, 0, 0x22);
            EXPECT_EQ(top, sign > 0 ? second : first) << "width " << row.width << " height " << 2 * sign;
            EXPECT_EQ(bottom, sign > 0 ? first : second) << "width " << row.width << " height " << 2 * sign;
        }
    }
}

// Copies a 4x4 block across every edge of a 10x8 screen in both directions;
// a pixel changes only where both its source and its destination exist.
TEST_F(DeviceDrawing, BitBltClipsToBothSurfaces) {
    const COLORREF grey = 0x808080, marker = RGB(0, 0, 0xFF);  // the DIB bytes FF 00 00
    struct { int x, y; } places[] = {{-2, -2}, {8, -2}, {-2, 6}, {8, 6}, {3, -3}, {-3, 2}, {9, 7}, {10, 8}, {-4, 0}};
    for (auto &place : places) {
        DeviceSetScreen(10, 8, 24, grey);
        TestDib dib(4, 4, 24);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++) dib.Pixel24(x, y, 4, 12)[1] = BYTE(16 * (y * 4 + x + 1));
        BitBlt(GetDC(nullptr), place.x, place.y, 4, 4, dib.dc, 0, 0, SRCCOPY);
        for (int y = 0; y < 8; y++)
            for (int x = 0; x < 10; x++) {
                int dx = x - place.x, dy = y - place.y;
                bool covered = dx >= 0 && dx < 4 && dy >= 0 && dy < 4;
                COLORREF expected = covered ? RGB(0, 16 * (dy * 4 + dx + 1), 0) : grey;
                ASSERT_EQ(DeviceReadScreen(x, y), expected)
                    << "to screen at " << place.x << "," << place.y << " pixel " << x << "," << y;
            }
        // Back again: the DIB keeps its marker where the screen area lies off screen.
        DeviceFillScreen(0, 0, 10, 8, 0x00FF00);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++) std::memcpy(dib.Pixel24(x, y, 4, 12), "\xFF\0\0", 3);
        BitBlt(dib.dc, 0, 0, 4, 4, GetDC(nullptr), place.x, place.y, SRCCOPY);
        for (int y = 0; y < 4; y++)
            for (int x = 0; x < 4; x++) {
                int sx = place.x + x, sy = place.y + y;
                bool onScreen = sx >= 0 && sx < 10 && sy >= 0 && sy < 8;
                BYTE *p = dib.Pixel24(x, y, 4, 12);
                ASSERT_EQ(RGB(p[2], p[1], p[0]), onScreen ? 0x00FF00u : marker)
                    << "from screen at " << place.x << "," << place.y << " pixel " << x << "," << y;
            }
    }
}

TEST_F(DeviceDrawing, EightBitDibsGoThroughTheirColourTable) {
    std::vector<COLORREF> table = {RGB(0, 0, 0), RGB(200, 10, 10), RGB(10, 200, 10), RGB(10, 10, 200)};
    DeviceSetScreen(4, 1, 24, 0);
    TestDib dib(4, 1, 8, table);
    const BYTE indices[] = {3, 1, 0, 2};
    std::memcpy(dib.bits, indices, 4);
    BitBlt(GetDC(nullptr), 0, 0, 4, 1, dib.dc, 0, 0, SRCCOPY);
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(DeviceReadScreen(x, 0), table[indices[x]]) << "pixel " << x;

    // Back from the screen, each colour takes its nearest entry.
    const COLORREF shown[] = {RGB(190, 30, 0), RGB(0, 0, 0), RGB(30, 30, 250), RGB(0, 170, 40)};
    const BYTE expected[] = {1, 0, 3, 2};
    for (int x = 0; x < 4; x++) DeviceFillScreen(x, 0, 1, 1, shown[x]);
    BitBlt(dib.dc, 0, 0, 4, 1, GetDC(nullptr), 0, 0, SRCCOPY);
    for (int x = 0; x < 4; x++) EXPECT_EQ(dib.bits[x], expected[x]) << "pixel " << x;
    // Entries beyond biClrUsed are black.
    dib.bits[0] = 200;
    BitBlt(GetDC(nullptr), 0, 0, 1, 1, dib.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(DeviceReadScreen(0, 0), 0u);
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

TEST_F(DeviceDrawing, QueuedFailuresHitTheNamedCallOnly) {
    DeviceFailNext("CreateDIBSection", 2);
    DeviceFailNext("CreateCompatibleDC", 1);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(CreateCompatibleDC(screen), nullptr);
    EXPECT_NE(CreateCompatibleDC(screen), nullptr);
    EXPECT_EQ(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    HBITMAP third = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_NE(third, nullptr);
    EXPECT_NE(bits, nullptr);
    EXPECT_LT(uintptr_t(third), uintptr_t(1) << 32);
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

    TestDib dib(2, 2, 24);
    EXPECT_EQ(SelectObject(dc, dib.bitmap), nullptr) << "a bitmap lives in one DC at a time";
    EXPECT_FALSE(DeleteObject(dib.bitmap));
    EXPECT_TRUE(DeleteDC(dib.dc));
    EXPECT_TRUE(DeleteObject(dib.bitmap));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteObject(second));
    EXPECT_EQ(DeviceLiveFonts(), 0);
    EXPECT_FALSE(DeleteDC(screen));
}

TEST_F(DeviceDrawing, ResizeKeepsOldPixelsAndPaintsNewOnes) {
    DeviceSetScreen(4, 3, 24, 0x111111);
    DeviceFillScreen(-5, 2, 100, 100, 0x222222);
    DeviceSetBackground([](int x, int y) { return COLORREF(RGB(x, y, 7)); });
    DeviceResizeScreen(6, 2, 0x333333);
    EXPECT_EQ(DeviceScreenWidth(), 6);
    EXPECT_EQ(DeviceScreenHeight(), 2);
    EXPECT_EQ(DeviceReadScreen(3, 1), 0x111111u);
    EXPECT_EQ(DeviceReadScreen(5, 1), RGB(5, 1, 7));
    DeviceSetBackground(nullptr);
    DeviceResizeScreen(6, 3, 0x333333);
    EXPECT_EQ(DeviceReadScreen(0, 2), 0x333333u) << "the row cut off by the shrink is gone";
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), HORZRES), 6);
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), VERTRES), 3);
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), BITSPIXEL), 24);
}

TEST_F(DeviceDrawing, ScreenWritesAreCountedAndObserved) {
    int observed = 0;
    DeviceObservers observers;
    observers.screenChanged = [&] { observed++; };
    DeviceSetObservers(observers);
    TestDib dib(4, 4, 24);
    HDC screen = GetDC(nullptr);
    BitBlt(screen, 0, 0, 4, 4, dib.dc, 0, 0, SRCCOPY);
    BitBlt(dib.dc, 0, 0, 4, 4, screen, 0, 0, SRCCOPY);
    BitBlt(screen, -10, -10, 4, 4, dib.dc, 0, 0, SRCCOPY);  // wholly off screen: still a call
    BitBlt(screen, 0, 0, 4, 4, screen, 2, 2, SRCCOPY);
    DeviceSetObservers(DeviceObservers{});
    EXPECT_EQ(DeviceScreenWrites(), 3u);
    EXPECT_EQ(DeviceScreenReads(), 2u);
    EXPECT_EQ(observed, 3);
    EXPECT_FALSE(BitBlt(screen, 0, 0, 4, 4, dib.dc, 0, 0, 0x00EE0086)) << "only SRCCOPY is offered";
    EXPECT_FALSE(SelectObject(dib.dc, GetStockObject(WHITE_BRUSH)));
}

TEST_F(DeviceDrawing, ResetClearsObjectsAndCounters) {
    TestDib dib(2, 2, 24);
    LOGFONTW logical{};
    CreateFontIndirectW(&logical);
    BitBlt(GetDC(nullptr), 0, 0, 2, 2, dib.dc, 0, 0, SRCCOPY);
    DeviceSetScreen(10, 10, 8, 0);
    DeviceReset();
    EXPECT_EQ(DeviceScreenWrites(), 0u);
    EXPECT_EQ(DeviceLiveFonts(), 0);
    EXPECT_EQ(DeviceScreenWidth(), 240);
    EXPECT_EQ(DeviceScreenHeight(), 320);
    EXPECT_EQ(DeviceScreenDepth(), 16);
    EXPECT_EQ(DeviceReadScreen(239, 319), 0x848284u);
    EXPECT_FALSE(DeleteDC(dib.dc));
}

}  // namespace
