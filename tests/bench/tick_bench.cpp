// The animation tick on the simulated device against a memory baseline.
//
// One tick touches the work area a fixed number of times: two screen blits,
// the coverage clear, the layers, the merge with the background. The
// baseline copies a W x H x 3 surface six times with memcpy; the target is a
// full-screen tick within four times that. Each tick benchmark reports its
// own CPU time per tick, the baseline's and their ratio as counters.
#include "device.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"
#include "support/engine_skin.h"

#include <benchmark/benchmark.h>

#include <string.h>
#include <time.h>

#include <vector>

namespace {

TestSkin benchSkin;
std::vector<std::vector<BYTE>> benchStores;
uint32_t benchPalette[256];
uint32_t benchMaskPalette[2] = {0, 1};

// A picture the size of the work area with a pattern of indices or colours.
ImageRecord PatternPicture(int32_t w, int32_t h, int32_t depth, const uint32_t *palette) {
    benchStores.emplace_back();
    ImageRecord picture = TestPicture(benchStores.back(), w, h, depth, 0, palette);
    size_t bytes = (size_t)picture.rowBytes * h;
    for (size_t i = 0; i < bytes; i++) picture.pixels[i] = (BYTE)(i * 37 + i / 7);
    return picture;
}

// Three picture layers covering the whole area (4-bit keyed, 8-bit keyed,
// 24-bit cut by a 1-bit mask) and a clock text, as the busiest frames have.
void BuildBusySkin(int32_t w, int32_t h) {
    benchSkin = TestSkin{};
    benchStores.clear();
    benchStores.reserve(8);
    for (int i = 0; i < 256; i++) benchPalette[i] = (uint32_t)(i * 0x010305) & 0xF8FCF8;
    ImageRecord nibbles = PatternPicture(w, h, 4, benchPalette);
    nibbles.hasTransparentKey = 1;
    nibbles.transparentKey = 3;
    ImageRecord bytes = PatternPicture(w, h, 8, benchPalette);
    bytes.hasTransparentKey = 1;
    bytes.transparentKey = 0;
    ImageRecord colours = PatternPicture(w, h, 24, nullptr);
    benchSkin.graphics = {nibbles, bytes, colours};
    benchSkin.masks = {PatternPicture(w, h, 1, benchMaskPalette)};
    TextItem clock = {};
    const char16_t face[] = u"%h:%m";
    memcpy(clock.text, face, sizeof face);
    clock.x = 4;
    clock.y = 4;
    clock.height = 12;
    clock.colour = 0x603824;
    benchSkin.texts = {clock};
    AddTestSequence(benchSkin, {TestFrame(100, 100, {{0, -1, {}}, {1, -1, {}}, {2, 0, {}}, {-1, 0, {0}}})});
    UseTestSkin(benchSkin);
}

void StartDevice(int32_t w, int32_t h) {
    DeviceReset();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = WSTR("Bench");
    RegisterClassW(&wc);
    mainWindow = CreateWindowExW(0, WSTR("Bench"), WSTR(""), 0, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                                 nullptr, nullptr, nullptr, nullptr);
    screenWidth = DeviceScreenWidth();
    screenHeight = DeviceScreenHeight();
    BuildBusySkin(w, h);
    skinTables.areaWidth = w;
    skinTables.areaHeight = h;
    skinTables.areaX = screenWidth - w;
    skinTables.areaY = screenHeight - h;
    displayFormat.depth = 24;
    displayFormat.channelMask[0] = 0xF8;
    displayFormat.channelMask[1] = 0xFC;
    displayFormat.channelMask[2] = 0xF8;
    blendMode = 2;
    screenDC = GetDC(nullptr);
    CreateWorkSurfaces();
    animation = AnimationState{};
    animation.backgroundRefreshPending = 1;
}

// CPU time of this thread in nanoseconds: other work on a shared machine
// does not count against either side of the ratio.
double CpuNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e9 + now.tv_nsec;
}

// Nanoseconds per round of six memcpy calls of a W x H x 3 surface.
double MemcpyBaseline(int32_t w, int32_t h, int rounds) {
    size_t bytes = (size_t)w * h * 3;
    std::vector<BYTE> from(bytes, 0x5A), to(bytes);
    double start = CpuNanoseconds();
    for (int r = 0; r < rounds; r++) {
        for (int copy = 0; copy < 6; copy++) {
            memcpy(to.data(), from.data(), bytes);
            benchmark::ClobberMemory();
        }
        from[r % bytes] ^= 1;
    }
    return (CpuNanoseconds() - start) / rounds;
}

void BM_AnimationTick(benchmark::State &state) {
    int32_t w = (int32_t)state.range(0), h = (int32_t)state.range(1);
    StartDevice(w, h);
    AnimationTick(mainWindow);  // the first tick captures the background
    int64_t ticks = 0;
    double start = CpuNanoseconds();
    for (auto _ : state) {
        animation.frameIndex = 0;
        AnimationTick(mainWindow);
        ticks++;
    }
    double tickNs = (CpuNanoseconds() - start) / (double)(ticks ? ticks : 1);
    double baselineNs = MemcpyBaseline(w, h, 2000);
    state.counters["tick_us"] = tickNs / 1000;
    state.counters["memcpy6_us"] = baselineNs / 1000;
    state.counters["ratio"] = tickNs / baselineNs;
}
BENCHMARK(BM_AnimationTick)->Args({96, 96})->Args({240, 320})->Unit(benchmark::kMicrosecond);

void BM_MemcpySixTimes(benchmark::State &state) {
    size_t bytes = (size_t)state.range(0) * state.range(1) * 3;
    std::vector<BYTE> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        for (int copy = 0; copy < 6; copy++) {
            memcpy(to.data(), from.data(), bytes);
            benchmark::ClobberMemory();
        }
    }
}
BENCHMARK(BM_MemcpySixTimes)->Args({96, 96})->Args({240, 320})->Unit(benchmark::kMicrosecond);

} // namespace
