// Pictures the studio commands draw: rectangles and text labels on a
// ScreenImage. Labels are rendered by the device's own text drawing (the
// platform's DrawTextW into a DIB), black on white, and their black pixels
// are taken in the label's colour.
#include "tool.h"

#include "device.h"

#include <cstring>

namespace {

const int kLabelWidth = 480;

void PutPixel(ScreenImage *image, int x, int y, COLORREF colour) {
    if (x < 0 || y < 0 || x >= image->width || y >= image->height) return;
    image->pixels[(size_t)y * image->width + x] = colour;
}

}  // namespace

ScreenImage BlankImage(int width, int height, COLORREF colour) {
    ScreenImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign((size_t)width * height, colour);
    return image;
}

void FillBox(ScreenImage *image, int x, int y, int width, int height, COLORREF colour) {
    for (int py = y; py < y + height; py++)
        for (int px = x; px < x + width; px++) PutPixel(image, px, py, colour);
}

namespace {

// Draws text into the white label bitmap selected into dc and takes its
// black pixels in the label's colour. Returns the width it took.
int CopyLabel(ScreenImage *image, int x, int y, const std::string &text, COLORREF colour,
              int height, HDC dc, const uint32_t *pixels) {
    int rows = height + 4;
    LOGFONTW font;
    std::memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfQuality = 3;  // no smoothing: glyph pixels come out pure black
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ previous = SelectObject(dc, handle);
    std::u16string wide = DeviceUtf16(text);
    WCHAR buffer[256] = {};
    for (size_t i = 0; i < wide.size() && i < 255; i++) buffer[i] = wide[i];
    RECT box = {0, 0, kLabelWidth, rows};
    DrawTextW(dc, buffer, -1, &box, 0);
    GdiFlush();
    SelectObject(dc, previous);
    DeleteObject(handle);
    int right = 0;
    for (int py = 0; py < rows; py++)
        for (int px = 0; px < kLabelWidth; px++)
            if ((pixels[(size_t)py * kLabelWidth + px] & 0xFFFFFF) == 0) {
                PutPixel(image, x + px, y + py, colour);
                if (px + 1 > right) right = px + 1;
            }
    return right;
}

}  // namespace

int DrawLabel(ScreenImage *image, int x, int y, const std::string &text, COLORREF colour,
              int height) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kLabelWidth;
    info.bmiHeader.biHeight = -(height + 4);  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(NULL, screen);
    int right = 0;
    if (bitmap && bits && dc) {
        std::memset(bits, 0xFF, (size_t)kLabelWidth * (height + 4) * 4);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        right = CopyLabel(image, x, y, text, colour, height, dc, (const uint32_t *)bits);
        SelectObject(dc, previous);
    }
    if (dc) DeleteDC(dc);
    if (bitmap) DeleteObject(bitmap);
    return right;
}
