// The animation tick: one frame composed, shown and followed by the plan of
// the next tick.
//
// AnimationTick runs from timer 900 of the main window:
// it stops the timer and drops queued timer messages, composes the frame
// (compose.cpp), merges it with the desktop under the work area and blits the
// result, steps to the next frame or lets the schedule choose the next
// sequence, and re-arms the timer so that frames keep their planned rhythm.
#include "engine/tick.h"

#include "core/observer.h"
#include "core/process.h"
#include "core/tables.h"
#include "engine/animation.h"
#include "engine/compose.h"
#include "graphics/surfaces.h"

#include <string.h>

namespace {

// The wait after a sequence that has no frames at all: its only frame is the
// end marker with no display time.
const int32_t kEmptySequenceWait = 1000;

// Frames of the rule's sequence, with their number, or null when the rule
// cannot be followed.
const Frame *SequenceFrames(int32_t rule, int32_t *frameTotal) {
    int32_t sequence = RuleSequence(rule);
    if (sequence < 0) return nullptr;
    *frameTotal = skinTables.frameCount != nullptr ? skinTables.frameCount[sequence] + 1 : 1;
    return skinTables.sequences[sequence];
}

void DropQueuedTimerMessages(HWND window) {
    MSG message;
    while (PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {}
}

// The frame's display time; an end-marker frame that no line filled has none.
int32_t ChooseDuration(const Frame *frame) {
    if (IsEndMarker(frame, 0) && (frame->duration < 0 || frame->durationMax < 0))
        return kEmptySequenceWait;
    return (int32_t)RandomInRange((uint32_t)frame->duration, (uint32_t)frame->durationMax);
}

// Steps to the next frame; when that one is the end marker, or the table
// has no further frame (a sequence with no frames at all), the schedule
// chooses what plays next.
void AdvanceFrame(const Frame *frames, int32_t frameTotal, const SYSTEMTIME *now) {
    if (frames == nullptr) {
        SelectRuleForNow(now);
        return;
    }
    int32_t next = StepFrameIndex();
    if (next >= frameTotal || IsEndMarker(&frames[next], 0)) SelectRuleForNow(now);
}

uint32_t ArmNextTick(HWND window, uint32_t t0, int32_t duration) {
    uint32_t interval = PlanTimerInterval(animation.nextDueTick, t0, duration);
    SetNextDueTick(t0 + interval);
    SetTimer(window, kAnimationTimer, interval, nullptr);
    return interval;
}

void ReportTick(int32_t rule, int32_t frameIndex, int32_t duration, uint32_t interval) {
    TickReport report = {rule, frameIndex, duration, interval};
    observer.tick(&report);
}

}  // namespace

void ResetEngineState(void) { ResetAnimation(); }

void ShowComposedFrame(void) {
    if (TakeBackgroundRefresh()) CaptureBackground();
    ReadScreenUnderArea();
    MergeFrameWithBackground();
    ShowWorkSurface();
}

void ShowFrame(const Frame *frame) {
    int32_t width = skinTables.areaWidth, height = skinTables.areaHeight;
    if (width > 0 && height > 0) memset(coverageMask, 0, (size_t)width * (size_t)height);
    if (frame != nullptr) ComposeFrameLayers(frame);
    ShowComposedFrame();
}

void AnimationTick(HWND window) {
    // Without surfaces (their creation failed) there is nothing to draw into.
    if (animation.paused == 1 || !WorkSurfacesReady()) return;
    uint32_t t0 = GetTickCount();
    KillTimer(window, kAnimationTimer);
    DropQueuedTimerMessages(window);
    int32_t frameTotal = 0;
    const Frame *frames = SequenceFrames(animation.currentRule, &frameTotal);
    if (frames != nullptr && (animation.frameIndex < 0 || animation.frameIndex >= frameTotal))
        frames = nullptr;
    const Frame *frame = frames != nullptr ? &frames[animation.frameIndex] : nullptr;
    int32_t duration = frame != nullptr ? ChooseDuration(frame) : kEmptySequenceWait;
    int32_t rule = animation.currentRule, frameIndex = animation.frameIndex;
    ShowFrame(frame);
    SYSTEMTIME now;
    GetLocalTime(&now);
    AdvanceFrame(frames, frameTotal, &now);
    duration = CheckEventRules(&now, duration);
    uint32_t interval = ArmNextTick(window, t0, duration);
    if (observer.tick) ReportTick(rule, frameIndex, duration, interval);
}

// Apart from the tick so that the arithmetic can be tested alone.
uint32_t PlanTimerInterval(uint32_t nextDueTick, uint32_t t0, int32_t duration) {
    uint32_t base = nextDueTick != 0 ? nextDueTick : t0;
    uint32_t interval = (base - t0) + (uint32_t)duration;
    if (interval < 10) return 10;
    // Also where a tick later than its plan by more than the duration lands.
    if (interval > 10000000) return 100;
    return interval;
}
