// Graphics per tick: saving and restoring the background over a work area,
// and loading a large picture.
#include "core/process.h"
#include "core/tables.h"
#include "device.h"
#include "graphics/bmp.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <benchmark/benchmark.h>

#include <string.h>

namespace {

void StartSurfaces(int32_t width, int32_t height) {
    DeviceReset();
    SkinTables tables = skinTables;
    tables.areaWidth = width;
    tables.areaHeight = height;
    tables.areaX = tables.areaY = 10;
    UseSkinTables(&tables);
    OpenDisplay();
    SetDisplayFormat(DisplayFormat{24, 0, 0, 0, 0, {0xF8, 0xFC, 0xF8}});
    CreateWorkSurfaces();
}

void BM_CaptureAndRestore(benchmark::State &state) {
    int32_t side = (int32_t)state.range(0);
    StartSurfaces(side, side);
    for (auto _ : state) {
        CaptureBackground();
        RestoreBackground();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * side * side);
}
BENCHMARK(BM_CaptureAndRestore)->Arg(64)->Arg(200)->Unit(benchmark::kMicrosecond);

void BM_LoadPicture(benchmark::State &state) {
    DeviceReset();
    TestFolder folder("graphics-bench");
    BmpSpec spec;
    spec.bitsPerPixel = (int)state.range(0);
    spec.width = 512;
    spec.height = 512;
    if (spec.bitsPerPixel <= 8) spec.palette.assign(1u << spec.bitsPerPixel, 0x336699);
    WriteBmpFile(folder.path / "big.bmp", spec);
    SetTestFolder(TestDevicePath(folder.path, true));
    for (auto _ : state) {
        ResetPixelBudget();  // each round loads as a skin of its own would
        ImageRecord record{};
        memcpy(record.fileName, u"big.bmp", sizeof u"big.bmp");
        LoadBitmapFile(&record, kLoadPicture);
        free(record.pixels);
        free(record.palette);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 512 * 512);
}
BENCHMARK(BM_LoadPicture)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

}  // namespace
