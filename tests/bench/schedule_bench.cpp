// The schedule's walks over a skin whose event rules never match, so that
// every walk runs to its end. The second argument says how they fail: 0 on
// the date (30 February), 1 on the time (a line cut short before its seconds
// field: every day, hour and minute allowed, no second).
//
// BM_TickWithIdleEventRules: one animation tick whose frame lasts
// 2147483647 ms (about 24 days): the look-ahead covers the whole display time
// for every rule, and the timer repeats such a tick ten times a second.
// Target: under 1 ms a tick.
// BM_CatchUpAfterAYearWithIdleEventRules: the first tick's event check after
// a pause of a year, the longest catch-up there is.
#include "core/observer.h"
#include "core/process.h"
#include "device.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "support/engine_skin.h"

#include <benchmark/benchmark.h>

#include <stdint.h>

namespace {

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

// The device, the main window and 80 x 80 work surfaces, as after start-up.
bool StartIdleDevice() {
    DeviceReset();
    DeviceSetLocalTime(TestTime(2024, 3, 1, 5, 12, 0, 0));
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = WSTR("ScheduleBench");
    RegisterClassW(&wc);
    SetMainWindow(CreateWindowExW(0, WSTR("ScheduleBench"), WSTR(""), 0, 0, 0, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                  nullptr, nullptr, nullptr));
    SetScreenSize(DeviceScreenWidth(), DeviceScreenHeight());
    OpenDisplay();
    DisplayFormat format{};
    format.depth = 24;
    SetDisplayFormat(format);
    EditSkinTables([](SkinTables &t) {
        t.areaWidth = t.areaHeight = 80, t.areaX = screenWidth - 80, t.areaY = screenHeight - 80;
    });
    EditAnimation([](AnimationState &a) { a = AnimationState{}, a.backgroundRefreshPending = 1; });
    return CreateWorkSurfaces() == 1;
}

void BM_TickWithIdleEventRules(benchmark::State &state) {
    BuildIdleEventSkin((int32_t)state.range(0), state.range(1));
    if (!StartIdleDevice()) {
        state.SkipWithError("no work surfaces");
        return;
    }
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
BENCHMARK(BM_TickWithIdleEventRules)
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({100, 1})
    ->Args({1000, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_CatchUpAfterAYearWithIdleEventRules(benchmark::State &state) {
    BuildIdleEventSkin((int32_t)state.range(0), state.range(1));
    const SYSTEMTIME now = TestTime(2024, 3, 1, 5, 12, 0, 0), yearAgo = TestTime(2023, 3, 1, 3, 12, 0, 0);
    for (auto _ : state) {
        EditAnimation([&](AnimationState &a) { a.currentRule = 0, a.lastTickTime = yearAgo; });
        benchmark::DoNotOptimize(CheckEventRules(&now, 1000));
    }
    if (animation.currentRule != 0) state.SkipWithError("an event rule took over");
}
BENCHMARK(BM_CatchUpAfterAYearWithIdleEventRules)
    ->Args({100, 0})
    ->Args({1000, 0})
    ->Args({100, 1})
    ->Args({1000, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
