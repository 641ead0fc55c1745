// Text on the simulated device: DrawTextW measuring and drawing with the
// FreeType fonts, face fallback and the meaning of lfHeight.
#include "device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int Width = 160, Height = 80;

// A 24-bit top-down DIB filled with grey, selected into a DC with a font.
class DeviceText : public testing::Test {
protected:
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    BYTE *bits = nullptr;
    HFONT font = nullptr;

    void SetUp() override {
        DeviceReset();
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), Width, -Height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void *pixels = nullptr;
        bitmap = CreateDIBSection(GetDC(nullptr), &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        bits = static_cast<BYTE *>(pixels);
        for (int i = 0; i < Width * Height * 3; i++) bits[i] = 0x80;
        dc = CreateCompatibleDC(GetDC(nullptr));
        SelectObject(dc, bitmap);
        UseFont(u"", 16);
    }

    void UseFont(const std::u16string &face, LONG height) {
        LOGFONTW logical{};
        logical.lfHeight = height;
        face.copy(logical.lfFaceName, LF_FACESIZE - 1);
        HFONT next = CreateFontIndirectW(&logical);
        SelectObject(dc, next);
        if (font) DeleteObject(font);
        font = next;
    }

    RECT Measure(const std::u16string &text, LONG left = 0, LONG top = 0) {
        RECT rect{left, top, Width, Height};
        DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT);
        return rect;
    }

    COLORREF Pixel(int x, int y) const {
        const BYTE *p = bits + (size_t(y) * Width + x) * 3;
        return RGB(p[2], p[1], p[0]);
    }
};

// Each text measures as wide as its widest line (given as a text of one
// line) and as high as its lines at a 16-pixel cell.
TEST_F(DeviceText, MeasuresLinesAndWidths) {
    struct { const char16_t *text, *sameWidthAs; int lines; } rows[] = {
        {u"Hello\nHi", u"Hello", 2},   {u"ab\r\ncd", u"cd", 2}, {u"ab\rcd", u"cd", 2},
        {u"a\n", u"a", 1},              // a break at the end starts no line
        {u"&Hello", u"Hello", 1},        // '&' marks a prefix and takes no room
        {u"Hello&", u"Hello&&", 1},      // a last '&' shows
    };
    for (auto &row : rows) {
        std::string what = DeviceUtf8(std::u16string(row.text));
        RECT rect = Measure(row.text, 10, 5);
        EXPECT_EQ(rect.right, 10 + Measure(row.sameWidthAs).right) << what;
        EXPECT_EQ(rect.bottom, 5 + 16 * row.lines) << what;
    }
    EXPECT_GT(Measure(u"Hello, world").right, Measure(u"Hello").right);
    RECT counted{0, 0, Width, Height};
    EXPECT_EQ(DrawTextW(dc, u"Hello\nthere", 5, &counted, DT_CALCRECT), 16) << "length cuts the text";
    RECT empty{3, 4, Width, Height};
    EXPECT_EQ(DrawTextW(dc, u"", -1, &empty, DT_CALCRECT), 16) << "one line's height for no text";
    EXPECT_EQ(empty.right * 100 + empty.bottom, 304) << "and no extent";
}

TEST_F(DeviceText, HeightsFollowTheLogicalFont) {
    struct { LONG lfHeight; int minLine, maxLine; } rows[] = {
        {16, 16, 16}, {30, 30, 30}, {0, 8, 20}, {-16, 17, 22}, {1000000, 1, 4096},
    };
    for (auto &row : rows) {
        UseFont(u"", row.lfHeight);
        LONG line = Measure(u"x").bottom;
        EXPECT_GE(line, row.minLine) << "lfHeight " << row.lfHeight;
        EXPECT_LE(line, row.maxLine) << "lfHeight " << row.lfHeight;
    }
}

TEST_F(DeviceText, UnknownFacesFallBackToTheDefault) {
    RECT plain = Measure(u"Pondlet 12:34");
    UseFont(u"No Such Face Anywhere", 16);
    RECT unknown = Measure(u"Pondlet 12:34");
    UseFont(u"DejaVu Sans", 16);
    RECT named = Measure(u"Pondlet 12:34");
    EXPECT_EQ(unknown.right, plain.right);
    EXPECT_EQ(named.right, plain.right);
    UseFont(u"DejaVu Sans Mono", 16);
    EXPECT_EQ(Measure(u"iiii").right, Measure(u"WWWW").right) << "a monospaced face is found by name";
}

TEST_F(DeviceText, DrawsBlackOnWhiteInsideTheRectOnly) {
    const std::u16string text = u"Ag&&y\r\n12:34";
    RECT measured = Measure(text, 10, 6);
    RECT rect{10, 6, 10 + 25, Height};  // cuts the text at the right
    int height = DrawTextW(dc, text.c_str(), -1, &rect, 0);
    EXPECT_EQ(height, measured.bottom - measured.top);
    int black = 0;
    for (int y = 0; y < Height; y++)
        for (int x = 0; x < Width; x++) {
            COLORREF c = Pixel(x, y);
            bool inside = x >= rect.left && x < rect.right && y >= rect.top && y < measured.bottom;
            if (!inside) {
                ASSERT_EQ(c, 0x808080u) << "outside the rectangle at " << x << "," << y;
                continue;
            }
            ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << std::hex << "colour 0x" << c << " at " << std::dec << x << "," << y;
            black += c == 0;
        }
    EXPECT_GT(black, 20);
    EXPECT_EQ(Pixel(rect.right - 1, rect.top), 0xFFFFFFu) << "the white box runs to the clip edge";
}

}  // namespace
