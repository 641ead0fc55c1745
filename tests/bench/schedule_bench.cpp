// One animation tick of a skin whose frame lasts 2147483647 ms (about 24
// days) and whose event rules never match (30 February): every tick looks
// ahead over the whole display time for every such rule, and the timer
// repeats such a tick ten times a second. Target: under 1 ms a tick.
#include "device.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "graphics/pixels.h"
#include "graphics/surfaces.h"
#include "shell/globals.h"
#include "support/engine_skin.h"

#include <benchmark/benchmark.h>

#include <stdint.h>

namespace {

TestSkin idleSkin;

// Rule 0 plays sequence 0 (one frame of the longest display time); rules 1
// to ruleCount name event sequence 1 on 30 February.
void BuildIdleEventSkin(int32_t ruleCount) {
    idleSkin = TestSkin{};
    AddTestSequence(idleSkin, {TestFrame(INT32_MAX, INT32_MAX, {})});
    int32_t event = AddTestSequence(idleSkin, {TestFrame(1000, 1000, {})}, 0);
    ScheduleRule never = TestRuleAlways(event);
    for (int32_t day = 0; day < kDayFlags; day++) never.day[day] = day == 30;
    for (int32_t month = 0; month < kMonthFlags; month++) never.month[month] = month == 2;
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
    mainWindow = CreateWindowExW(0, WSTR("ScheduleBench"), WSTR(""), 0, 0, 0, CW_USEDEFAULT,
                                 CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    screenWidth = DeviceScreenWidth();
    screenHeight = DeviceScreenHeight();
    screenDC = GetDC(nullptr);
    displayFormat = DisplayFormat{};
    displayFormat.depth = 24;
    skinTables.areaWidth = skinTables.areaHeight = 80;
    skinTables.areaX = screenWidth - 80;
    skinTables.areaY = screenHeight - 80;
    animation = AnimationState{};
    animation.backgroundRefreshPending = 1;
    return CreateWorkSurfaces() == 1;
}

void BM_TickWithIdleEventRules(benchmark::State &state) {
    BuildIdleEventSkin((int32_t)state.range(0));
    if (!StartIdleDevice()) {
        state.SkipWithError("no work surfaces");
        return;
    }
    // The first tick has no previous tick and tests no event rule.
    AnimationTick(mainWindow);
    for (auto _ : state) {
        AnimationTick(mainWindow);
        benchmark::DoNotOptimize(lastTickDuration);
    }
    if (lastTickDuration != INT32_MAX) state.SkipWithError("an event rule took over");
}
BENCHMARK(BM_TickWithIdleEventRules)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
