// The simulated device's share of a tick that the tick benchmarks do not
// show apart: drawing Japanese text in a Latin face, whose glyphs come from a
// fallback face. Its name lookups in a folder of N files: opening one by its
// exact name (one stat per path element), by another case (the folder is read
// once, each name upper-cased), and listing the folder in NTFS order.
#include "device.h"
#include "support/test_dib.h"
#include "support/test_files.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_DrawJapaneseTextInALatinFace(benchmark::State &state) {
    DeviceReset();
    TestDib dib(96, 96);
    LOGFONTW logical{};
    logical.lfHeight = 16;
    for (int i = 0; u"Tahoma"[i]; i++) logical.lfFaceName[i] = u"Tahoma"[i];
    SelectObject(dib.dc, CreateFontIndirectW(&logical));
    const char16_t *text = u"\u3053\u3093\u306B\u3061\u306F 09\u6642";
    for (auto _ : state) {
        RECT rect{0, 0, 95, 95};
        DrawTextW(dib.dc, text, -1, &rect, DT_CALCRECT);
        DrawTextW(dib.dc, text, -1, &rect, 0);
    }
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
