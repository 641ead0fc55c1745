// The simulated device's share of a tick: the two whole-area copies between
// the screen and a 24-bit DIB, and drawing a short text (Latin, and Japanese
// in a Latin face, whose glyphs come from a fallback face).
#include "device.h"

#include <benchmark/benchmark.h>

namespace {

struct BenchDib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    BenchDib(LONG width, LONG height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void *bits = nullptr;
        bitmap = CreateDIBSection(GetDC(nullptr), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(GetDC(nullptr));
        SelectObject(dc, bitmap);
    }
};

void BM_ScreenRoundTrip(benchmark::State &state) {
    DeviceReset();
    int w = int(state.range(0)), h = int(state.range(1));
    BenchDib dib(w, h);
    HDC screen = GetDC(nullptr);
    for (auto _ : state) {
        BitBlt(dib.dc, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        BitBlt(screen, 0, 0, w, h, dib.dc, 0, 0, SRCCOPY);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * w * h);
}
BENCHMARK(BM_ScreenRoundTrip)->Args({96, 96})->Args({240, 320})->Unit(benchmark::kMicrosecond);

void DrawTextEachTick(benchmark::State &state, const char16_t *face, const char16_t *text) {
    DeviceReset();
    BenchDib dib(96, 96);
    LOGFONTW logical{};
    logical.lfHeight = 16;
    for (int i = 0; face[i]; i++) logical.lfFaceName[i] = face[i];
    SelectObject(dib.dc, CreateFontIndirectW(&logical));
    for (auto _ : state) {
        RECT rect{0, 0, 95, 95};
        DrawTextW(dib.dc, text, -1, &rect, DT_CALCRECT);
        DrawTextW(dib.dc, text, -1, &rect, 0);
    }
}

void BM_DrawTimeText(benchmark::State &state) { DrawTextEachTick(state, u"", u"12:34:56"); }
BENCHMARK(BM_DrawTimeText)->Unit(benchmark::kMicrosecond);

void BM_DrawJapaneseTextInALatinFace(benchmark::State &state) {
    DrawTextEachTick(state, u"Tahoma", u"\u3053\u3093\u306B\u3061\u306F 09\u6642");
}
BENCHMARK(BM_DrawJapaneseTextInALatinFace)->Unit(benchmark::kMicrosecond);

}  // namespace
