// The simulated device's screen: a rectangle of pixels at depth 8, 16, 24 or
// 32, written and read by BitBlt (gdi.cpp) and by the controls of device.h.
//
// Each pixel is stored as the colour a 24-bit read gives back, so writing
// rounds at once to what the display can hold:
//   depth 8   the nearest entry of the device palette (below);
//   depth 16  5-6-5: red and blue keep 5 bits, green 6, and reading back
//             repeats the top bits into the low ones ((v << 3) | (v >> 2)
//             for 5 bits, (v << 2) | (v >> 4) for 6), so white stays white;
//   depth 24 and 32: every colour exactly.
#include "drawing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

struct ScreenState {
    int width = 0, height = 0, depth = 16;
    // Read-back colours, 3 bytes a pixel (blue, green, red) in rows from the
    // top: the layout of a 24-bit DIB row, so copies to and from 24-bit DIBs
    // are row copies.
    std::vector<uint8_t> bytes;
    uint64_t reads = 0, writes = 0;
    std::function<COLORREF(int, int)> painter;
    // The strips the taskbar and docked bars take along each edge; negative
    // where the work area reaches past the screen.
    int barLeft = 0, barTop = 0, barRight = 0, barBottom = 0;
};
ScreenState screen;

// The 8-bit palette: the 20 colours a palette display reserves for the
// system (10 at each end), a 6x6x6 colour cube, then 20 greys between the
// cube's levels. Entries are 0x00BBGGRR.
enum { PaletteSize = 256, StaticLow = 10, CubeStart = 10, CubeLevels = 6, GreyStart = 226 };
const COLORREF staticLow[StaticLow] = {
    RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),     RGB(128, 128, 0),   RGB(0, 0, 128),
    RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192), RGB(192, 220, 192), RGB(166, 202, 240)};
const COLORREF staticHigh[10] = {RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128),
                                 RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
                                 RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),
                                 RGB(255, 255, 255)};
static_assert(CubeStart + CubeLevels * CubeLevels * CubeLevels == GreyStart, "palette layout");
static_assert(GreyStart + 20 + 10 == PaletteSize, "palette layout");

COLORREF palette8[PaletteSize];
RGBQUAD palette8Quads[PaletteSize];

void BuildPalette8() {
    for (int i = 0; i < StaticLow; i++) palette8[i] = staticLow[i];
    for (int i = 0; i < CubeLevels * CubeLevels * CubeLevels; i++) {
        int r = i % CubeLevels, g = (i / CubeLevels) % CubeLevels,
            b = i / (CubeLevels * CubeLevels);
        palette8[CubeStart + i] = RGB(r * 51, g * 51, b * 51);
    }
    for (int k = 1; k <= 20; k++) {
        int v = (k * 255 + 10) / 21;
        palette8[GreyStart + k - 1] = RGB(v, v, v);
    }
    for (int i = 0; i < 10; i++) palette8[PaletteSize - 10 + i] = staticHigh[i];
    for (int i = 0; i < PaletteSize; i++) {
        COLORREF c = palette8[i];
        palette8Quads[i] = RGBQUAD{BYTE(c >> 16), BYTE(c >> 8), BYTE(c), 0};
    }
}

int Expand5(int v) { return (v << 3) | (v >> 2); }
int Expand6(int v) { return (v << 2) | (v >> 4); }

// Nearest palette entries of recently written colours: a frame uses few
// colours, and the search over 256 entries is too slow to run per pixel.
struct NearestCacheEntry {
    COLORREF colour = 0xFFFFFFFF;
    COLORREF nearest = 0;
};
NearestCacheEntry nearestCache[4096];

COLORREF NearestPaletteColour(COLORREF colour) {
    NearestCacheEntry &entry = nearestCache[(colour ^ (colour >> 12) ^ (colour >> 20)) & 4095];
    if (entry.colour != colour) {
        entry.colour = colour;
        entry.nearest = palette8[NearestTableEntry(palette8Quads, PaletteSize, colour)];
    }
    return entry.nearest;
}

// What a display of the current depth gives back for colour.
COLORREF RoundToDepth(COLORREF colour) {
    colour &= 0xFFFFFF;
    if (screen.depth == 16) {
        int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
        return RGB(Expand5(r >> 3), Expand6(g >> 2), Expand5(b >> 3));
    }
    if (screen.depth == 8) return NearestPaletteColour(colour);
    return colour;
}

uint8_t *PixelBytes(int x, int y) {
    return screen.bytes.data() + (size_t(y) * screen.width + x) * 3;
}

void PutBytes(uint8_t *p, COLORREF colour) {
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
}

// A 5-6-5 display keeps the top bits of each byte and repeats them below:
// (v & 0xF8) | (v >> 5) for blue and red, (v & 0xFC) | (v >> 6) for green.
uint8_t Round565Byte(uint8_t v, int channel) {
    return channel == 1 ? uint8_t((v & 0xFC) | (v >> 6)) : uint8_t((v & 0xF8) | (v >> 5));
}

// The same on 16 pixels (48 bytes, three 16-byte vectors) at a time: each
// byte keeps its top bits and gets them again, shifted down, in its low
// bits; the lane masks say which bytes are green (6 bits) and which blue or
// red (5 bits). Every tick's screen write goes through here.
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
struct Lanes565 {
    Bytes16 keep[3], low5[3], low6[3];
    Lanes565() {
        for (int v = 0; v < 3; v++)
            for (int b = 0; b < 16; b++) {
                bool green = (v * 16 + b) % 3 == 1;
                keep[v][b] = green ? 0xFC : 0xF8;
                low5[v][b] = green ? 0x00 : 0x07;
                low6[v][b] = green ? 0x03 : 0x00;
            }
    }
};
const Lanes565 lanes565;

void RoundRow565(uint8_t *to, const uint8_t *from, int count) {
    size_t bytes = size_t(count) * 3, i = 0;
    for (; i + 48 <= bytes; i += 48)
        for (int v = 0; v < 3; v++) {
            Bytes16 w;
            std::memcpy(&w, from + i + 16 * v, 16);
            w = (w & lanes565.keep[v]) | ((w >> 5) & lanes565.low5[v]) |
                ((w >> 6) & lanes565.low6[v]);
            std::memcpy(to + i + 16 * v, &w, 16);
        }
    for (; i < bytes; i++) to[i] = Round565Byte(from[i], int(i % 3));
}

COLORREF BackgroundAt(int x, int y, COLORREF fill) {
    return RoundToDepth(screen.painter ? screen.painter(x, y) : fill);
}

bool OnScreen(int x, int y) { return x >= 0 && y >= 0 && x < screen.width && y < screen.height; }

// Screens beyond this many pixels are refused (a test asking for one is wrong).
const int64_t MaxScreenPixels = 16384LL * 16384LL;

bool ScreenSizeIsSane(int width, int height) {
    return width > 0 && height > 0 && int64_t(width) * height <= MaxScreenPixels;
}

}  // namespace

COLORREF TableColour(const RGBQUAD &entry) {
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

int NearestTableEntry(const RGBQUAD *table, int count, COLORREF colour) {
    int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    int best = 0;
    int bestDistance = INT32_MAX;
    for (int i = 0; i < count; i++) {
        int dr = table[i].rgbRed - r, dg = table[i].rgbGreen - g, db = table[i].rgbBlue - b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0) break;
        }
    }
    return best;
}

COLORREF ScreenPixel(int x, int y) {
    const uint8_t *p = PixelBytes(x, y);
    return RGB(p[2], p[1], p[0]);
}

void ScreenStore(int x, int y, COLORREF colour) {
    PutBytes(PixelBytes(x, y), RoundToDepth(colour));
}

const uint8_t *ScreenRowBytes(int x, int y) { return PixelBytes(x, y); }

void ScreenStoreRow(int x, int y, const uint8_t *bgr, int count) {
    uint8_t *to = PixelBytes(x, y);
    if (screen.depth == 24 || screen.depth == 32) {
        std::memcpy(to, bgr, size_t(count) * 3);
    } else if (screen.depth == 16) {
        RoundRow565(to, bgr, count);
    } else {
        for (int i = 0; i < count; i++)
            PutBytes(to + 3 * i, RoundToDepth(RGB(bgr[3 * i + 2], bgr[3 * i + 1], bgr[3 * i])));
    }
}

void ScreenCountRead() { screen.reads++; }
void ScreenCountWrite() { screen.writes++; }

void ResetScreen() {
    screen.painter = nullptr;
    screen.barLeft = screen.barTop = screen.barRight = screen.barBottom = 0;
    DeviceSetScreen(240, 320, 16, 0x808080);
    screen.reads = 0;
    screen.writes = 0;
}

void DeviceSetScreen(int width, int height, int depth, COLORREF fill) {
    if (palette8[PaletteSize - 1] == 0) BuildPalette8();
    if (!ScreenSizeIsSane(width, height)) return;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return;
    screen.width = width;
    screen.height = height;
    screen.depth = depth;
    screen.bytes.resize(size_t(width) * height * 3);
    COLORREF stored = RoundToDepth(fill);
    for (size_t i = 0; i < size_t(width) * height; i++) PutBytes(&screen.bytes[i * 3], stored);
}

int DeviceScreenWidth() { return screen.width; }
int DeviceScreenHeight() { return screen.height; }
int DeviceScreenDepth() { return screen.depth; }

COLORREF DeviceReadScreen(int x, int y) { return OnScreen(x, y) ? ScreenPixel(x, y) : 0; }

void DeviceFillScreen(int x, int y, int width, int height, COLORREF colour) {
    int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(int64_t(x) + width, screen.width);
    int64_t bottom = std::min<int64_t>(int64_t(y) + height, screen.height);
    COLORREF stored = RoundToDepth(colour);
    for (int64_t py = top; py < bottom; py++)
        for (int64_t px = left; px < right; px++) PutBytes(PixelBytes(int(px), int(py)), stored);
}

void DeviceResizeScreen(int width, int height, COLORREF fill) {
    if (!ScreenSizeIsSane(width, height)) return;
    std::vector<uint8_t> resized(size_t(width) * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            PutBytes(&resized[(size_t(y) * width + x) * 3],
                     OnScreen(x, y) ? ScreenPixel(x, y) : BackgroundAt(x, y, fill));
    screen.bytes.swap(resized);
    screen.width = width;
    screen.height = height;
}

void DeviceSetWorkArea(int left, int top, int right, int bottom) {
    screen.barLeft = left;
    screen.barTop = top;
    screen.barRight = screen.width - right;
    screen.barBottom = screen.height - bottom;
}

RECT DeviceWorkArea() {
    return RECT{screen.barLeft, screen.barTop, screen.width - screen.barRight,
                screen.height - screen.barBottom};
}

uint64_t DeviceScreenWrites() { return screen.writes; }
uint64_t DeviceScreenReads() { return screen.reads; }

const COLORREF *DevicePalette8() {
    if (palette8[PaletteSize - 1] == 0) BuildPalette8();
    return palette8;
}

void DeviceSetBackground(std::function<COLORREF(int x, int y)> painter) {
    screen.painter = std::move(painter);
}

void DeviceNotifyScreenChanged() {
    const DeviceObservers &observers = DeviceCurrentObservers();
    if (observers.screenChanged) observers.screenChanged();
}

void DeviceResetDrawing() {
    ResetGdiObjects();
    ResetScreen();
}

namespace {
// A device exists before the first DeviceReset, so code that runs earlier
// still finds the standard screen.
struct ScreenAtStart {
    ScreenAtStart() { ResetScreen(); }
} screenAtStart;
}  // namespace
