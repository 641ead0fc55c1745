// The animation tick on the simulated device against a memory baseline: six
// memcpy calls of a W x H x 3 surface, about what one tick touches (two screen
// blits, the coverage clear, the layers, the merge). Each tick benchmark
// reports its CPU time per tick, the baseline's and their ratio as counters;
// the target is a full-screen tick within four times the baseline.
//
// BM_AnimationTick plays the bundled skin's busiest frame where the skin puts
// it, in a W x H area at the bottom-right of a 240 x 320 screen at the default
// blend; BM_AnimationTickSyntheticWorst plays three full-area layers of noise,
// a mask and a clock text.
//
// The schedule's walks run over event rules that never match, so every walk
// runs to its end; they fail on the date (0: 30 February) or on the time (1:
// no second allowed). BM_TickWithIdleEventRules: a tick of a frame that lasts
// about 24 days, whose look-ahead covers its whole display time (target: under
// 1 ms). BM_CatchUpAfterAYearWithIdleEventRules: the longest catch-up there is.
#include "core/observer.h"
#include "core/process.h"
#include "device.h"
#include "engine/compose.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "skin/script.h"
#include "support/engine_skin.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <benchmark/benchmark.h>

#include <stdint.h>
#include <string.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// ---- the device and the program around the tick --------------------------------

void StartDevice(int depth) {
    DeviceReset();
    DeviceSetScreen(240, 320, depth, 0x808080);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = WSTR("Bench");
    RegisterClassW(&wc);
    SetMainWindow(CreateWindowExW(0, WSTR("Bench"), WSTR(""), 0, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  nullptr, nullptr));
    SetScreenSize(DeviceScreenWidth(), DeviceScreenHeight());
    SetBlendMode(kBlend50);
    SetDisplayFormat(DisplayFormat{});
    OpenDisplay();
}

// A work area of w x h at the screen's bottom-right, its surfaces and the
// display probe, as the program prepares them after loading a skin; false,
// with the benchmark skipped, when the surfaces cannot be made.
bool PrepareArea(benchmark::State &state, int32_t w, int32_t h) {
    EditSkinTables([&](SkinTables &t) {
        t.areaWidth = w, t.areaHeight = h, t.areaX = screenWidth - w, t.areaY = screenHeight - h;
    });
    if (!CreateWorkSurfaces()) {
        state.SkipWithError("no work surfaces");
        return false;
    }
    ProbeDisplayFormat(&workSurface);
    EditAnimation([](AnimationState &a) { a = AnimationState{}, a.backgroundRefreshPending = 1; });
    return true;
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

// Ticks the frame (rule, frameIndex) over and over; the first tick captures
// the background and is not counted.
void TimeTicks(benchmark::State &state, int32_t rule, int32_t frameIndex) {
    const auto rewind = [&](AnimationState &a) { a.currentRule = rule, a.frameIndex = frameIndex; };
    EditAnimation(rewind);
    AnimationTick(mainWindow);
    int64_t ticks = 0;
    double start = CpuNanoseconds();
    for (auto _ : state) {
        EditAnimation(rewind);
        AnimationTick(mainWindow);
        ticks++;
    }
    double tickNs = (CpuNanoseconds() - start) / (double)(ticks ? ticks : 1);
    double baselineNs = MemcpyBaseline(skinTables.areaWidth, skinTables.areaHeight, 2000);
    state.counters["tick_us"] = tickNs / 1000;
    state.counters["memcpy6_us"] = baselineNs / 1000;
    state.counters["ratio"] = tickNs / baselineNs;
}

// ---- the bundled skin's busiest frame ------------------------------------------

// The bundled skin, copied alone below a folder that stands for the
// executable's, so the catalogue finds it without asking.
const TestFolder &BundledSkinFolder() {
    static TestFolder folder("tickbench");
    std::error_code error;
    if (!fs::exists(folder.path / "pondlet")) fs::copy(BundledSkin(), folder.path / "pondlet", error);
    return folder;
}

struct BusiestFrame {
    int32_t rule = -1, sequence = -1, frame = -1;
    int64_t covered = -1;
    int32_t layers = 0;
};

int32_t LayerCount(const Frame *frame) {
    int32_t layers = 0;
    while (layers < kLayerSlots && !IsEndMarker(frame, layers)) layers++;
    return layers;
}

int64_t CoveredPixels(const Frame *frame) {
    size_t area = (size_t)skinTables.areaWidth * (size_t)skinTables.areaHeight;
    memset(coverageMask, 0, area);
    ComposeFrameLayers(frame);
    int64_t covered = 0;
    for (size_t i = 0; i < area; i++) covered += coverageMask[i] != 0;
    return covered;
}

// Composes every frame of every sequence that a rule plays and keeps the one
// that covers the most pixels, then the one with the most layers.
BusiestFrame FindBusiestFrame() {
    BusiestFrame best;
    for (int32_t rule = 0; rule <= skinTables.ruleCount; rule++) {
        int32_t sequence = RuleSequence(rule);
        if (sequence < 0) continue;
        for (int32_t f = 0; f < skinTables.frameCount[sequence]; f++) {
            const Frame *frame = &skinTables.sequences[sequence][f];
            int64_t covered = CoveredPixels(frame);
            int32_t layers = LayerCount(frame);
            if (covered > best.covered || (covered == best.covered && layers > best.layers))
                best = {rule, sequence, f, covered, layers};
        }
    }
    return best;
}

void BM_AnimationTick(benchmark::State &state) {
    StartDevice((int)state.range(2));
    if (!SetTestFolder(TestDevicePath(BundledSkinFolder().path, true)) || LoadSkin() != 1) {
        state.SkipWithError("the bundled skin did not load");
        return;
    }
    if (!PrepareArea(state, (int32_t)state.range(0), (int32_t)state.range(1))) return;
    BusiestFrame busiest = FindBusiestFrame();
    if (busiest.rule < 0) {
        state.SkipWithError("the bundled skin has no frame to play");
        return;
    }
    state.SetLabel("sequence " + std::to_string(busiest.sequence) + " frame " + std::to_string(busiest.frame) + ": " +
                   std::to_string(busiest.layers) + " layers, " + std::to_string(busiest.covered) + " px");
    TimeTicks(state, busiest.rule, busiest.frame);
}
// Arguments: the work area's width and height and the screen's depth. The
// 24-bit screen keeps what it is given as it is, so its row shows the
// program's own share of a tick without the 16-bit screen's rounding.
BENCHMARK(BM_AnimationTick)
    ->Args({96, 96, 16})
    ->Args({240, 320, 16})
    ->Args({240, 320, 24})
    ->Unit(benchmark::kMicrosecond);

// ---- a synthetic worst case ----------------------------------------------------

TestSkin synthSkin;
std::vector<std::vector<BYTE>> synthStores;
uint32_t synthPalette[256];
uint32_t synthMaskPalette[2] = {0, 1};

// A picture the size of the work area with a pattern of indices or colours.
ImageRecord PatternPicture(int32_t w, int32_t h, int32_t depth, const uint32_t *palette) {
    synthStores.emplace_back();
    ImageRecord picture = TestPicture(synthStores.back(), w, h, depth, 0, palette);
    size_t bytes = (size_t)picture.rowBytes * h;
    for (size_t i = 0; i < bytes; i++) picture.pixels[i] = (BYTE)(i * 37 + i / 7);
    return picture;
}

// Three picture layers covering the whole area (4-bit keyed, 8-bit keyed,
// 24-bit cut by a 1-bit mask) and a clock text.
void BuildSyntheticSkin(int32_t w, int32_t h) {
    synthSkin = TestSkin{};
    synthStores.clear();
    synthStores.reserve(8);
    for (int i = 0; i < 256; i++) synthPalette[i] = (uint32_t)(i * 0x010305) & 0xF8FCF8;
    ImageRecord nibbles = PatternPicture(w, h, 4, synthPalette);
    nibbles.hasTransparentKey = 1;
    nibbles.transparentKey = 3;
    ImageRecord bytes = PatternPicture(w, h, 8, synthPalette);
    bytes.hasTransparentKey = 1;
    bytes.transparentKey = 0;
    ImageRecord colours = PatternPicture(w, h, 24, nullptr);
    synthSkin.graphics = {nibbles, bytes, colours};
    synthSkin.masks = {PatternPicture(w, h, 1, synthMaskPalette)};
    synthSkin.texts = {TextItem{{u'%', u'h', u':', u'%', u'm'}, 4, 4, 12, 0x603824}};
    AddTestSequence(synthSkin, {TestFrame(100, 100, {{0, -1, {}}, {1, -1, {}}, {2, 0, {}}, {-1, 0, {0}}})});
    UseTestSkin(synthSkin);
}

void BM_AnimationTickSyntheticWorst(benchmark::State &state) {
    int32_t w = (int32_t)state.range(0), h = (int32_t)state.range(1);
    StartDevice(16);
    BuildSyntheticSkin(w, h);
    if (!PrepareArea(state, w, h)) return;
    TimeTicks(state, 0, 0);
}
BENCHMARK(BM_AnimationTickSyntheticWorst)->Args({96, 96})->Args({240, 320})->Unit(benchmark::kMicrosecond);

// ---- the schedule's walks with idle event rules ---------------------------------

TestSkin idleSkin;

// A rule of the event sequence that never matches, on its date or its time.
ScheduleRule NeverMatchingRule(int32_t sequence, int64_t kind) {
    ScheduleRule never = TestRuleAlways(sequence);
    if (kind == 1) {
        for (int32_t second = 0; second < kSeconds; second++) never.second[second] = 0;
        return never;
    }
    for (int32_t day = 0; day < kDayFlags; day++) never.day[day] = day == 30;
    for (int32_t month = 0; month < kMonthFlags; month++) never.month[month] = month == 2;
    return never;
}

// Rule 0 plays sequence 0 (one frame of the longest display time); rules 1
// to ruleCount name event sequence 1 and never match.
void BuildIdleEventSkin(int32_t ruleCount, int64_t kind) {
    idleSkin = TestSkin{};
    AddTestSequence(idleSkin, {TestFrame(INT32_MAX, INT32_MAX, {})});
    int32_t event = AddTestSequence(idleSkin, {TestFrame(1000, 1000, {})}, 0);
    ScheduleRule never = NeverMatchingRule(event, kind);
    idleSkin.rules = {TestRuleAlways(0)};
    idleSkin.rules.insert(idleSkin.rules.end(), (size_t)ruleCount, never);
    UseTestSkin(idleSkin);
}

// Both walks' arguments: 100 or 1000 idle rules, failing on the date (0) or the time (1).
void IdleRuleArguments(benchmark::internal::Benchmark *family) {
    family->ArgsProduct({{100, 1000}, {0, 1}})->Unit(benchmark::kMicrosecond);
}

void BM_TickWithIdleEventRules(benchmark::State &state) {
    BuildIdleEventSkin((int32_t)state.range(0), state.range(1));
    StartDevice(16);
    DeviceSetLocalTime(TestTime(2024, 3, 1, 5, 12, 0, 0));
    if (!PrepareArea(state, 80, 80)) return;
    // The first tick has no previous tick and tests no event rule.
    AnimationTick(mainWindow);
    for (auto _ : state) {
        AnimationTick(mainWindow);
        benchmark::DoNotOptimize(animation.nextDueTick);
    }
    static int32_t lastDuration;
    observer.tick = [](const TickReport *report) { lastDuration = report->duration; };
    AnimationTick(mainWindow);
    observer = Observer{};
    if (lastDuration != INT32_MAX) state.SkipWithError("an event rule took over");
}
BENCHMARK(BM_TickWithIdleEventRules)->Apply(IdleRuleArguments);

void BM_CatchUpAfterAYearWithIdleEventRules(benchmark::State &state) {
    BuildIdleEventSkin((int32_t)state.range(0), state.range(1));
    const SYSTEMTIME now = TestTime(2024, 3, 1, 5, 12, 0, 0), yearAgo = TestTime(2023, 3, 1, 3, 12, 0, 0);
    for (auto _ : state) {
        EditAnimation([&](AnimationState &a) { a.currentRule = 0, a.lastTickTime = yearAgo; });
        benchmark::DoNotOptimize(CheckEventRules(&now, 1000));
    }
    if (animation.currentRule != 0) state.SkipWithError("an event rule took over");
}
BENCHMARK(BM_CatchUpAfterAYearWithIdleEventRules)->Apply(IdleRuleArguments);

}  // namespace
