// The simulated device's share of a tick: the two whole-area copies between
// the screen and a 24-bit DIB, and drawing a short text (Latin, and Japanese
// in a Latin face, whose glyphs come from a fallback face). Its name lookups
// in a folder of N files: opening one by its exact name (one stat per path
// element), by another case (the folder is read once, each name upper-cased),
// and listing the folder in NTFS order.
#include "device.h"
#include "support/test_files.h"

#include <benchmark/benchmark.h>

#include <string>

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

// A folder of n files named f0.bmp ... and its device path with a trailing backslash.
std::u16string FillFolder(const TestFolder &folder, int n) {
    for (int i = 0; i < n; i++) WriteTestFile(folder.path / ("f" + std::to_string(i) + ".bmp"), "");
    return DevicePathFromHost(folder.path.string()) + u"\\";
}

void BM_OpenByName(benchmark::State &state) {
    DeviceReset();
    TestFolder folder("bench-names");
    std::u16string path = FillFolder(folder, (int)state.range(0)) + (state.range(1) ? u"F7.BMP" : u"f7.bmp");
    for (auto _ : state) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) state.SkipWithError("open failed");
        CloseHandle(file);
    }
}
// Arguments: files in the folder, 0 exact name / 1 other case.
BENCHMARK(BM_OpenByName)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMicrosecond);

void BM_ListFolder(benchmark::State &state) {
    DeviceReset();
    TestFolder folder("bench-list");
    std::u16string pattern = FillFolder(folder, (int)state.range(0)) + u"*";
    for (auto _ : state) {
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(pattern.c_str(), &data);
        while (FindNextFileW(search, &data)) {}
        FindClose(search);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * state.range(0));
}
BENCHMARK(BM_ListFolder)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
