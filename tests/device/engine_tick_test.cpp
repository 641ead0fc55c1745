// The animation tick on the simulated device. Per-layer pixel rules are the
// compositor test's; pausing is the shell's.
#include "core/process.h"
#include "device.h"
#include "engine/compose.h"
#include "engine/control.h"
#include "engine/schedule.h"
#include "engine/tick.h"
#include "engine/timetext.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Colours already at 5-6-5 precision, so the screen shows them unchanged.
const COLORREF kDesk = 0x808080, kRed = 0x0000F8, kGreen = 0x00FC00, kBlue = 0xF80000;
const int kAreaX = 30, kAreaY = 40, kAreaW = 6, kAreaH = 4;  // 18-byte rows: the work DIB pads them

std::string Hex(uint32_t value) {
    char text[16];
    return snprintf(text, sizeof text, "0x%06X", value), text;
}

// A tick that starts an event, as "rule@hh:mm:ss.mmm ".
std::string EventStart(int32_t rule, const SYSTEMTIME &t) {
    char text[48];
    snprintf(text, sizeof text, "%d@%02d:%02d:%02d.%03d ", rule, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

class TickTest : public ::testing::Test {
  protected:
    TestSkin skin;
    std::vector<std::vector<BYTE>> stores;  // pixels of the test's pictures

    void SetUp() override {
        DeviceReset();
        DeviceSetScreen(64, 64, 24, kDesk);
        WNDCLASSW wc = {0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, WSTR("TickTest")};
        RegisterClassW(&wc);
        ResetProcessValues();
        SetMainWindow(
            CreateWindowExW(0, wc.lpszClassName, nullptr, 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr));
        SetScreenSize(64, 64);
        SetBlendMode(kBlendFull);
        EditAnimation([](AnimationState &a) { a = AnimationState{}, a.backgroundRefreshPending = 1; });
    }
    void TearDown() override { ClearTestSkin(); }
    void Start(int32_t areaW = kAreaW, int32_t areaH = kAreaH) {
        UseTestSkin(skin);
        EditSkinTables(
            [&](SkinTables &t) { t.areaWidth = areaW, t.areaHeight = areaH, t.areaX = kAreaX, t.areaY = kAreaY; });
        OpenDisplay();
        SetDisplayFormat(DisplayFormat{24, 0, 0, 0, 0, {0xF8, 0xFC, 0xF8}});
        ASSERT_EQ(1, CreateWorkSurfaces());
    }
    int32_t AddPicture(int32_t x, int32_t w, int32_t h, COLORREF fill) {
        stores.emplace_back();
        skin.graphics.push_back(TestPicture(stores.back(), w, h, 24, fill));
        skin.graphics.back().x = x;
        return (int32_t)skin.graphics.size() - 1;
    }
    std::string Shown(int x, int y) { return Hex(DeviceReadScreen(kAreaX + x, kAreaY + y)); }

    typedef std::vector<std::pair<uint64_t, std::function<void()>>> Actions;
    // Starts the animation at `start` as a tap would and plays it for ms, each
    // tick when the timer would fire it; actions run at their offsets (before a
    // tick due at the same time). seen learns each tick's offset before it runs.
    void Play(const SYSTEMTIME &start, uint64_t ms, const Actions &actions, const std::function<void(uint64_t)> &seen) {
        DeviceSetLocalTime(start);
        uint64_t begin = DeviceElapsed();
        RestartAnimation();
        for (size_t next = 0;;) {
            uint64_t now = DeviceElapsed() - begin, tickAt = UINT64_MAX;
            if (animation.paused == 0) {
                uint32_t due = animation.nextDueTick != 0 ? animation.nextDueTick : GetTickCount() + 1;
                tickAt = now + (uint32_t)(due - GetTickCount());
            }
            uint64_t actionAt = next < actions.size() ? actions[next].first : UINT64_MAX;
            if (std::min(tickAt, actionAt) > ms) return;
            DeviceAdvance(std::min(tickAt, actionAt) - now);
            if (actionAt <= tickAt) {
                actions[next++].second();
                continue;
            }
            seen(tickAt);
            AnimationTick(mainWindow);
        }
    }
};

// The schedule test's event cases as real ticks and pauses meet them: each
// allowed second starts its sequence once at most, and on time.
TEST_F(TickTest, EventsStartOncePerAllowedSecond) {
    std::string wholeMinute;  // 1.4 s apart from 09:00:00.500 while within the minute
    for (int ms = 500; ms < 60000; ms += 1400)
        wholeMinute += EventStart(1, TestTime(2024, 5, 1, 3, 9, 0, ms / 1000, ms % 1000));
    // The display times of each sequence's frames, sequence 0 regular, the
    // others events; rules as "sequence fields"; a pause from hideAt to showAt
    // ms (none from 0 to 0); "rule@time" of each tick that drew an event's frame 0.
    const struct {
        std::vector<std::vector<int32_t>> sequences;
        const char *rule, *laterRule, *start;
        uint64_t ms, hideAt, showAt;
        std::string starts;
    } cases[] = {
        {{{1500}, {2000}}, "1 * * * 8-20 0 0", "", "08:59:48", 25000, 0, 0, "1@09:00:00.500 "},        // one frame
        {{{1500}, {1500, 1500}}, "1 * * * 8-20 0 0", "", "08:59:48", 25000, 0, 0, "1@09:00:00.500 "},  // two frames
        // The later of two rules at one second, after the earlier shortened the frame:
        {{{2500}, {2500}, {1500}}, "1 * * * * 0 0", "2 * * * 15 0 0", "14:59:48.704", 20000, 0, 0, "2@15:00:00.500 "},
        {{{2400}, {1000}}, "1 * * * 15 0 0", "", "14:59:55.600", 10000, 0, 0, "1@15:00:00.500 "},  // lead-in past 15:00
        {{{2500}, {1000}}, "1 * * * 15 0 0", "", "14:59:50.300", 15000, 0, 0, "1@15:00:00.500 "},  // over a second away
        {{{1000}, {500}}, "1 * * * 9 0 0", "", "08:59:50", 60000, 9000, 40000, "1@09:00:31.001 "},  // moment in a pause
        {{{1000}, {500}}, "1 * * * 9 0 0", "", "08:59:50", 20000, 9000, 10100, "1@09:00:01.101 "},  // pause ends in it
        {{{1000}, {700, 700}}, "1 * * * 9 0 *", "", "08:59:58", 70000, 0, 0, wholeMinute},  // again whenever it ends
    };
    for (const auto &c : cases) {
        skin = TestSkin{};
        stores.clear();
        int32_t picture = AddPicture(0, 1, 1, kRed);  // a frame without layers would end its sequence
        for (const std::vector<int32_t> &durations : c.sequences) {
            std::vector<Frame> &frames = skin.sequences[AddTestSequence(skin, {}, skin.sequences.empty())];
            for (int32_t time : durations) frames.insert(frames.end() - 1, TestFrame(time, time, {{picture, -1, {}}}));
        }
        skin.rules = {TestRuleAlways(0)};
        for (const char *rule : {c.rule, c.laterRule})
            if (*rule) skin.rules.push_back(TestRuleFromText(atoi(rule), rule + 2));
        ResetAnimation();
        Start();
        SYSTEMTIME start = TestTime(2024, 5, 1, 3, 0, 0, 0);  // the milliseconds may be left out
        sscanf(c.start, "%hu:%hu:%hu.%hu", &start.wHour, &start.wMinute, &start.wSecond, &start.wMilliseconds);
        std::string starts;
        Play(start, c.ms, {{c.hideAt, PauseAnimation}, {c.showAt, RestartAnimation}}, [&](uint64_t) {
            SYSTEMTIME local;
            GetLocalTime(&local);
            if (animation.currentRule > 0 && animation.frameIndex == 0)
                starts += EventStart(animation.currentRule, local);
        });
        EXPECT_EQ(c.starts, starts) << c.rule << " " << c.laterRule << " from " << c.start;
    }
}

// Quick moves: each draws the frame shown at the new place, with the desktop
// back at the old one; the frames keep their order and the ticks their plan.
TEST_F(TickTest, MovesRedrawTheFrameShownAndKeepThePlan) {
    const COLORREF colours[] = {kRed, kGreen, kBlue};
    auto frameOf = [&](COLORREF colour) { return TestFrame(1000, 1000, {{AddPicture(0, 2, 2, colour), -1, {}}}); };
    AddTestSequence(skin, {frameOf(kRed), frameOf(kGreen), frameOf(kBlue)});
    Start();
    // PlaceWorkArea puts it where Start did.
    EditSkinTables([](SkinTables &t) { t.marginRight = 64 - kAreaW - kAreaX, t.marginBottom = 64 - kAreaH - kAreaY; });
    std::string drawn;
    auto move = [&](int press) {
        int32_t frame = animation.frameIndex, oldX = skinTables.areaX;
        uint32_t due = animation.nextDueTick;
        MoveArea(press % 2 ? 10 : -10, 0);
        drawn += std::to_string(std::find(colours, colours + 3, DeviceReadScreen(skinTables.areaX, kAreaY)) - colours);
        EXPECT_EQ(Hex(kDesk), Hex(DeviceReadScreen(oldX, kAreaY))) << "press " << press;
        EXPECT_EQ(std::pair(frame, due), std::pair(animation.frameIndex, animation.nextDueTick)) << "press " << press;
    };
    Actions actions;
    for (int press = 0; press < 20; press++) actions.push_back({150 + 100u * press, [&, press] { move(press); }});
    std::string ticks;
    Play(TestTime(2024, 5, 1, 3, 12, 0, 0), 4500, actions,
         [&](uint64_t at) { ticks += std::to_string(at) + ":" + std::to_string(animation.frameIndex) + " "; });
    EXPECT_EQ("1:0 1001:1 2001:2 3001:0 4001:1 ", ticks);
    EXPECT_EQ(std::string(9, '0') + std::string(10, '1') + "2", drawn) << "the frame shown at each press";
}

// Covered pixels blend with the saved background, not with the screen.
TEST_F(TickTest, EachStepLeavesTheRightPixels) {
    int32_t wide = AddPicture(0, 3, 2, kRed), narrow = AddPicture(1, 1, 1, kRed);
    AddTestSequence(skin, {TestFrame(100, 100, {{wide, -1, {}}}), TestFrame(100, 100, {{narrow, -1, {}}})});
    Start();
    // From the bare desktop, the wide frame first; paint (0: none) covers the area before a step.
    const std::tuple<const char *, int32_t, COLORREF, COLORREF, COLORREF, COLORREF> steps[] = {
        {"100%", kBlendFull, 0, kRed, kRed, kDesk},
        {"narrow at 50%: blend with the desk, erase the rest", kBlend50, 0, kDesk, 0x4040B8, kDesk},
        {"painted while shown: becomes background", kBlend50, kGreen, 0x007C78, 0x007C78, kGreen},
    };
    for (const auto &[what, mode, paint, at00, at10, at43] : steps) {
        if (paint) DeviceFillScreen(kAreaX, kAreaY, kAreaW, kAreaH, paint);
        SetBlendMode(mode);
        AnimationTick(mainWindow);
        EXPECT_EQ(Hex(at00) + " " + Hex(at10) + " " + Hex(at43), Shown(0, 0) + " " + Shown(1, 0) + " " + Shown(4, 3))
            << what;
    }
}

// A text layer takes each of its choices at random, every one of them over
// enough frames and nothing else (the texts differ only in colour); a choice
// outside the text table or a choice count out of range draws nothing.
TEST_F(TickTest, TextChoicesAreAllTakenAndBadOnesSkipped) {
    const COLORREF colours[] = {kRed, kGreen, kBlue, 0xF8FCF8, 0x0080F8};
    for (COLORREF colour : colours) skin.texts.push_back(TextItem{{u'W'}, 0, 0, 12, colour});
    Start(32, 20);                              // room for a whole glyph
    auto drawnText = [&](const Frame &frame) {  // the index of the colour drawn; -1: nothing
        memset(coverageMask, 0, 32 * 20);
        ComposeFrameLayers(&frame);
        const BYTE *covered = (const BYTE *)memchr(coverageMask, 1, 32 * 20);
        if (covered == nullptr) return -1;
        int32_t at = (int32_t)(covered - coverageMask);
        return (int)(std::find(colours, colours + 5, ReadPixel(&frameSurface, at % 32, at / 32)) - colours);
    };
    for (auto [choice, last] : {std::pair(7, 0), {0, 10}}) {
        Frame frame = TestFrame(100, 100, {{-1, 0, {choice}}});
        frame.layerTextLast[0] = last;
        EXPECT_EQ(-1, drawnText(frame)) << "choice " << choice << ", last " << last;
    }
    std::map<int, int> taken;  // text index -> times drawn
    for (int n = 0; n < 300; n++) taken[drawnText(TestFrame(100, 100, {{-1, 0, {4, 1, 3}}}))]++;
    std::string seen;
    for (const auto &[index, times] : taken) seen += std::to_string(index) + (times > 30 ? " " : "(rare) ");
    EXPECT_EQ("1 3 4 ", seen);
}

// The tick measures its wait from the plan (the trace tests see the timer fire).
TEST_F(TickTest, SequencesAdvanceAndTheTimerKeepsThePlan) {
    Frame redFrame = TestFrame(100, 100, {{AddPicture(0, 1, 1, kRed), -1, {}}});
    int32_t two = AddTestSequence(skin, {redFrame, redFrame});
    int32_t empty = AddTestSequence(skin, {});
    int32_t layerless = AddTestSequence(skin, {TestFrame(300, 300, {}), redFrame});
    int32_t ranged = AddTestSequence(skin, {TestFrame(100, 103, {})});
    Start();
    // The sequence of rule 0, how late the tick is (-1: no plan, as after a
    // restart); the frame after the tick, the colour shown and the wait.
    const std::tuple<const char *, int32_t, int32_t, int32_t, COLORREF, uint32_t> steps[] = {
        {"first of two, after a restart: the duration", two, -1, 1, kRed, 100},
        {"the last, 30 ms late; then the schedule starts again", two, 30, 0, kRed, 70},
        {"no frames: nothing drawn, 1 s, never past the end", empty, -1, 0, kDesk, 1000},
        {"no layers: nothing for its time, then the next", layerless, -1, 1, kDesk, 300},
        {"a sequence outside the table is not followed", 99, -1, 0, kDesk, 1000},
    };
    for (const auto &[what, sequence, lateBy, frameAfter, shown, wait] : steps) {
        skin.rules[0].sequence = sequence;
        uint32_t t0 = GetTickCount();
        EditAnimation([&, lateBy = lateBy](AnimationState &a) { a.nextDueTick = lateBy < 0 ? 0 : t0 - lateBy; });
        AnimationTick(mainWindow);
        EXPECT_EQ(std::tuple(frameAfter, Hex(shown), t0 + wait),
                  std::tuple(animation.frameIndex, Shown(0, 0), animation.nextDueTick))
            << what;
    }
    // Each tick draws its frame's display time anew, from the minimum to the maximum, both included.
    skin.rules[0].sequence = ranged;
    std::set<uint32_t> waits;
    for (int tick = 0; tick < 200; tick++) {
        EditAnimation([](AnimationState &a) { a.nextDueTick = 0; });
        AnimationTick(mainWindow);
        waits.insert(animation.nextDueTick - GetTickCount());
    }
    EXPECT_EQ((std::set<uint32_t>{100, 101, 102, 103}), waits);
}

TEST_F(TickTest, TimeTextOnTheDeviceClock) {
    DeviceSetLocalTime(TestTime(2010, 12, 31, 5, 23, 59, 58));
    WCHAR out[kTimeTextUnits];
    EXPECT_EQ(1, FormatTimeText(out, WSTR("%h:%m:%s %D/%M/%Y 100%% x%q 50%")));
    EXPECT_EQ("23:59:58 31/12/10 100% x%q 50%", DeviceUtf8(out));
    std::u16string fields;
    while (fields.size() < 400) fields += u"%h";
    FormatTimeText(out, (const WCHAR *)fields.c_str());
    EXPECT_EQ((size_t)kTimeTextUnits - 2, DeviceUtf8(out).size()) << "cut at the last whole field";
}

}  // namespace
