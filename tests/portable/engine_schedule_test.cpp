// Rule matching, the calendar walk against a second-by-second reference, rule
// selection, event rules, random ranges, timer plan.
#include "engine/schedule.h"
#include "engine/tick.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

const SYSTEMTIME kMonday = TestTime(2009, 8, 3, 1, 7, 5, 9);  // 07:05:09

// A real date with its own weekday.
SYSTEMTIME On(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    using namespace std::chrono;
    sys_days date{std::chrono::year{year} / month / day};
    return TestTime(year, month, day, (int)weekday{date}.c_encoding(), hour, minute, second, ms);
}

std::string Moment(const SYSTEMTIME &t) {
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d (weekday %d)", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

// ---- the second-by-second walk, the reference for the schedule's own ----------
// One step per second, February of 28 days, stopping at now's six fields or
// after the real calendar's seconds from since to now (at most 366 days).

// The walk leaves the year and the milliseconds as they were.
void ReferenceStep(SYSTEMTIME *w) {
    static const uint8_t monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++w->wSecond < 60) return;
    w->wSecond = 0;
    if (++w->wMinute < 60) return;
    w->wMinute = 0;
    if (++w->wHour < 24) return;
    w->wHour = 0;
    w->wDayOfWeek = (w->wDayOfWeek + 1) % 7;
    if (++w->wDay <= monthDays[w->wMonth - 1]) return;
    w->wDay = 1;
    w->wMonth = w->wMonth % 12 + 1;
}

auto WalkFields(const SYSTEMTIME &t) {
    return std::tuple(t.wDayOfWeek, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

bool ReferenceAllows(const ScheduleRule &rule, const SYSTEMTIME &w) {
    return rule.weekday[w.wDayOfWeek] && rule.month[w.wMonth] && rule.day[w.wDay] && rule.hour[w.wHour] &&
           rule.minute[w.wMinute] && rule.second[w.wSecond];
}

std::chrono::sys_seconds RealSeconds(const SYSTEMTIME &t) {
    using namespace std::chrono;
    return sys_days{year{t.wYear} / t.wMonth / t.wDay} + hours{t.wHour} + minutes{t.wMinute} + seconds{t.wSecond};
}

int ReferenceMatchedSince(const ScheduleRule &rule, const SYSTEMTIME &now, const SYSTEMTIME &since, int64_t skip) {
    int64_t limit = std::clamp<int64_t>((RealSeconds(now) - RealSeconds(since)).count(), 0, 366LL * 86400);
    SYSTEMTIME walk = since;
    for (int64_t step = 0;; step++) {
        if (step >= skip && ReferenceAllows(rule, walk)) return 1;
        if (WalkFields(walk) == WalkFields(now) || step >= limit) return 0;
        ReferenceStep(&walk);
    }
}

// The seconds from `first` after now's (at least the next) that begin no
// later than now + window.
int32_t ReferenceMillisecondsUntil(const ScheduleRule &rule, const SYSTEMTIME &now, int64_t first, int32_t window) {
    SYSTEMTIME walk = now;
    for (int64_t k = 0; k * 1000 - now.wMilliseconds <= window; k++) {
        if (k >= std::max<int64_t>(first, 1) && ReferenceAllows(rule, walk))
            return (int32_t)std::min<int64_t>(k * 1000 - now.wMilliseconds + 500, INT32_MAX);
        ReferenceStep(&walk);
    }
    return -1;
}

// The second of an event (wYear 0: none) as the animation state counts it.
int64_t SecondOf(const SYSTEMTIME &t) { return t.wYear ? EventSecondOf(&t) : 0; }

class ScheduleTest : public ::testing::Test {
  protected:
    TestSkin skin;
    const int32_t regular = AddTestSequence(skin, {TestFrame(100, 100, {})}),
                  event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    void SetUp() override { ResetAnimation(); }
    void TearDown() override { ClearTestSkin(); }
    // Rule 0 plays sequence 0 (regular); the given rules follow.
    void UseRules(const std::vector<ScheduleRule> &rules) {
        skin.rules = {TestRuleAlways(0)};
        skin.rules.insert(skin.rules.end(), rules.begin(), rules.end());
        UseTestSkin(skin);
    }
};

TEST_F(ScheduleTest, RuleMatchesFieldsAndRejectsBadInput) {
    UseRules({TestRuleFromText(0, "1 8 3 7 5 9")});
    const std::tuple<SYSTEMTIME, int32_t, int> rows[] = {
        {kMonday, 1, 1},
        {TestTime(2009, 8, 3, 2, 7, 5, 9), 1, 0},
        {TestTime(2009, 8, 3, 1, 7, 5, 10), 1, 0},
        {TestTime(2009, 13, 3, 1, 7, 5, 9), 0, 0},
        {kMonday, 2, 0},
        {kMonday, -1, 0},  // outside the tables
    };
    for (const auto &[t, rule, expected] : rows)
        EXPECT_EQ(expected, RuleMatches(rule, &t)) << Moment(t) << " rule " << rule;
}

// The schedule's walk skips the days a rule excludes; its answers must be
// those of the walk that tests every second, for every rule and moment.
TEST_F(ScheduleTest, WalkAgreesWithTheSecondBySecondWalk) {
    const char *const rules[] = {
        "* * * * * *",        "* 2 29 * * *", "* 2 29 0-11 * *",  "* 2 30 * * *",  "* 3 1 0 0 0",
        "4 3 1 * * *",        "5 3 1 * * *",  "* 12 31 23 59 59", "* 1 1 0 0 0-5", "* * 31 * * *",
        "* 4 30 23 59 50-59", "* * 1 0 0 1",  "1-5 * * 9-17 * *", "0,6 * * * 0 0", "* * * 22-23,0-5 * 15,45",
        "* * * * 30 0",       "* * * 24 * *", "* * * 12 * 60",    "* 2 * 12 0 0",  "3 * 28-29 23 59 58-59",
        "* 3 2 * * *",
    };
    // skip: the walk's first seconds left out (seconds already examined).
    const std::tuple<SYSTEMTIME, SYSTEMTIME, int64_t> catchUps[] = {
        {On(2024, 2, 28, 23, 59, 50), On(2024, 3, 1, 0, 0, 10), 0},         // over a leap day the walk skips
        {On(2024, 2, 29, 23, 59, 58), On(2024, 3, 1, 0, 0, 3), 0},          // out of a leap day
        {On(2024, 4, 30, 23, 59, 55), On(2024, 5, 1, 0, 0, 5), 0},          // a month's end
        {On(2024, 6, 10, 12, 0, 5), On(2024, 6, 10, 12, 0, 0), 0},          // since after now
        {On(2024, 12, 20, 8, 0, 0), On(2025, 1, 8, 8, 0, 0), 0},            // a long pause over the year end
        {On(2013, 6, 10, 12, 0, 0), On(2024, 6, 10, 12, 0, 0), 0},          // now's fields at once, years later
        {On(2024, 2, 28, 12, 0, 0), TestTime(2024, 3, 1, 4, 12, 0, 0), 0},  // now's weekday as the walk counts
        {On(2024, 2, 28, 23, 59, 50), On(2024, 3, 1, 0, 0, 10), 10},        // skipping to the walk's midnight
        {On(2024, 4, 30, 23, 59, 55), On(2024, 5, 1, 0, 0, 5), 6},          // past the month's end
        {On(2024, 12, 31, 23, 59, 58), On(2025, 1, 1, 0, 0, 0), 1},         // all but now's own second
        {On(2024, 6, 10, 12, 0, 0), On(2024, 6, 10, 12, 0, 5), 6},          // past now: nothing
        {On(2024, 6, 10, 12, 0, 5), On(2024, 6, 10, 12, 0, 0), 1},          // since after now, left out
        {On(2024, 12, 20, 8, 0, 0), On(2025, 1, 8, 8, 0, 0), 12 * 86400 + 57600 + 3},  // days left out
        {On(2024, 2, 28, 23, 59, 59), On(2024, 2, 29, 0, 0, 0, 1), 0},  // a now on 29 February is never met
    };
    // first: how many seconds after now's the look-ahead starts (0 and 1: the next).
    const std::tuple<SYSTEMTIME, int64_t, int32_t> lookAheads[] = {
        {On(2024, 2, 29, 23, 59, 58, 700), 1, 3000},
        {On(2024, 1, 31, 23, 59, 59, 999), 1, 0},  // the next second begins 1 ms on
        {On(2024, 6, 10, 12, 0, 0, 600), 1, 399},
        {On(2024, 6, 10, 12, 0, 0, 600), 1, 400},  // the next second begins at the window's end
        {On(2024, 6, 10, 12, 0, 0), 0, 1000},      // now's own second is the catch-up's
        {On(2024, 6, 10, 12, 0, 0), 1, -999},
        {On(2024, 6, 10, 12, 0, 0, 300), 3, 2700},
        {On(2024, 12, 31, 23, 59, 58, 100), 2, 2000},  // into the new year only
        {On(2024, 6, 10, 12, 5, 20), 1, 3600 * 1000},
        {On(2024, 4, 20, 17, 30, 0, 250), 5 * 86400, 10 * 86400 * 1000},
        {On(2024, 2, 10, 6, 0, 0, 250), 1, INT32_MAX},  // over February's end in a leap year
    };
    std::vector<ScheduleRule> table;
    for (const char *text : rules) table.push_back(TestRuleFromText(0, text));
    UseRules(table);
    for (int32_t r = 0; r < (int32_t)table.size(); r++) {
        for (const auto &[since, now, skip] : catchUps)
            EXPECT_EQ(ReferenceMatchedSince(table[r], now, since, skip), RuleMatchedSince(r + 1, &now, &since, skip))
                << rules[r] << " from " << Moment(since) << " to " << Moment(now) << " skipping " << skip;
        for (const auto &[now, first, window] : lookAheads)
            EXPECT_EQ(ReferenceMillisecondsUntil(table[r], now, first, window),
                      MillisecondsUntilRule(r + 1, &now, first, window))
                << rules[r] << " at " << Moment(now) << " from " << first << " for " << window << " ms";
    }
}

// The walk always ends: after 366 days, at Monday 1 March 12:00:00 of the
// walk from Saturday 29 February 2020 12:00:00, whose February has 28 days.
TEST_F(ScheduleTest, RuleMatchedSinceStopsAfter366Days) {
    UseRules({TestRuleFromText(0, "1 3 1 12 0 0"), TestRuleFromText(0, "1 3 1 12 0 1"),
              TestRuleFromText(0, "* 2 29 0-11 * *")});
    const SYSTEMTIME since = On(2020, 2, 29, 12, 0, 0), now = On(2024, 2, 29, 12, 0, 0);
    for (int32_t rule : {1, 2, 3}) EXPECT_EQ(rule == 1, RuleMatchedSince(rule, &now, &since, 0)) << "rule " << rule;
}

TEST_F(ScheduleTest, SelectRuleForNowTakesTheLastMatchingRegularRule) {
    UseRules({TestRuleAlways(0), TestRuleAlways(0), TestRuleAlways(event), TestRuleFromText(0, "7 * * * * *"),
              TestRuleAlways(99)});  // weekday 7: never
    EditAnimation([](AnimationState &a) { a.frameIndex = 4; });
    SelectRuleForNow(&kMonday);
    EXPECT_EQ(std::pair(2, 0), std::pair(animation.currentRule, animation.frameIndex))
        << "event, unmatched and unfollowable rules are ignored";
}

// Catch-up takes the highest event rule whose moment passed since the last
// tick (one naming no sequence is never followed); look-ahead takes the
// seconds that begin by the frame's planned end, aiming at their middle.
TEST_F(ScheduleTest, EventRulesCatchUpLookAheadAndStartOncePerSecond) {
    auto at = [](int hour, int minute, int second, int ms = 0) { return On(2009, 8, 3, hour, minute, second, ms); };
    const SYSTEMTIME early = at(7, 5, 9, 200);
    const ScheduleRule atSeven = TestRuleFromText(event, "* * * 7 0 0"),
                       atTen = TestRuleFromText(event, "* * * 7 5 10"), nine = TestRuleFromText(event, "* * * 9 0 0"),
                       minute = TestRuleFromText(event, "* * * 9 0 *"), three = TestRuleFromText(event, "* * * 15 0 0"),
                       oneAndTwo = TestRuleFromText(event, "* * * 9 0 1-2"),
                       threeOhOne = TestRuleFromText(event, "* * * 15 0 1"),
                       farOff = TestRuleFromText(event, "* 8 27 20 31 24");
    const std::vector<ScheduleRule> passed = {atSeven, TestRuleFromText(event, "* * * 7 3 0"), nine,
                                              TestRuleFromText(99, "* * * 7 4 0")};
    // A tick at now after one at last, rule `current` showing frame 5 for duration ms; after it, the
    // rule in force (an interrupted sequence starts again at frame 0), the wait and the chosen second.
    const struct {
        std::vector<ScheduleRule> rules;
        SYSTEMTIME last, now;
        int32_t current;
        SYSTEMTIME eventSecond, chosen;  // wYear 0: none
        int32_t duration, rule, wait;
        SYSTEMTIME chosenAfter;
    } rows[] = {
        {passed, at(6, 59, 0), at(7, 5, 9), 0, {}, {}, 200, 2, 200, at(7, 5, 9)},
        {{TestRuleFromText(event, "* * * 7 5 11"), atTen, atTen}, early, early, 0, {}, {}, 5000, 3, 1300, at(7, 5, 10)},
        // Rules at and below the one in force: not in the catch-up, nor in the look-ahead;
        {{atSeven, atSeven}, at(6, 59, 0), at(7, 5, 9), 2, {}, {}, 200, 2, 200, {}},
        {{atTen, atTen}, early, early, 2, {}, {}, 5000, 2, 5000, {}},
        // a rule the catch-up raised is in force for the look-ahead.
        {{TestRuleAlways(0), atTen, atSeven}, at(6, 59, 0), early, 1, {}, {}, 5000, 3, 5000, at(7, 5, 9)},
        // The sequence of 09:00:00 ended within its second, started or chosen and shown: not again.
        {{nine}, at(8, 59, 59), at(9, 0, 0, 500), 0, at(9, 0, 0), {}, 2000, 0, 2000, {}},
        {{nine}, at(8, 59, 59), at(9, 0, 0, 500), 0, {}, at(9, 0, 0), 2000, 0, 2000, {}},
        // A whole minute: the seconds walked while it played restart it, or the next second, past the
        // frame's planned end, but not the second its first frame showed in.
        {{minute}, at(9, 0, 1, 500), at(9, 0, 2, 500), 0, at(9, 0, 0), {}, 1000, 1, 1000, at(9, 0, 2)},
        {{minute}, at(8, 59, 59), at(9, 0, 0, 500), 0, at(9, 0, 0), {}, 500, 1, 1000, at(9, 0, 1)},
        {{minute}, at(9, 0, 0, 600), at(9, 0, 1, 300), 0, {}, at(9, 0, 0), 1000, 1, 1200, at(9, 0, 2)},
        // A moment in a pause plays once, and not again when it ends in the second of the restart.
        {{nine}, at(8, 55, 0), at(9, 10, 0), 0, at(8, 0, 0), {}, 100, 1, 100, at(9, 10, 0)},
        {{nine}, at(9, 0, 0, 200), at(9, 0, 0, 300), 0, {}, at(9, 0, 0), 100, 0, 100, {}},
        // Equal seconds: the later rule, past a window the earlier shortened.
        {{three, three}, at(14, 59, 57), at(14, 59, 58, 705), 0, {}, {}, 2500, 2, 1795, at(15, 0, 0)},
        // An earlier second wins over a later rule's later one, which a later tick catches up.
        {{three, threeOhOne}, at(14, 59, 57), at(14, 59, 58, 705), 0, {}, {}, 2500, 1, 1795, at(15, 0, 0)},
        // The middle up to half a second past the planned end; a second beginning after it waits.
        {{three}, at(14, 59, 58), at(14, 59, 59, 600), 0, {}, {}, 400, 1, 900, at(15, 0, 0)},
        {{three}, at(14, 59, 58), at(14, 59, 59, 600), 0, {}, {}, 399, 0, 399, {}},
        // A tick before its planned second: not that second again, but the one after it.
        {{oneAndTwo}, at(8, 59, 59, 900), at(9, 0, 0, 900), 0, {}, at(9, 0, 1), 600, 0, 600, {}},
        {{oneAndTwo}, at(8, 59, 59, 900), at(9, 0, 0, 900), 0, {}, at(9, 0, 1), 1100, 1, 1600, at(9, 0, 2)},
        // The last second of the longest frame: its middle lies past the longest wait, which it gets.
        {{farOff}, at(0, 0, 0), at(0, 0, 0, 600), 0, {}, {}, INT32_MAX, 1, INT32_MAX, On(2009, 8, 27, 20, 31, 24)},
        // The clock set back: eventSecond is forgotten.
        {{nine}, at(9, 0, 5), at(8, 59, 59, 200), 0, at(9, 0, 0), {}, 1000, 1, 1300, at(9, 0, 0)},
    };
    for (const auto &row : rows) {
        UseRules(row.rules);
        AnimationState state{};
        state.currentRule = row.current, state.frameIndex = 5;
        state.lastTickTime = row.last;
        state.eventSecond = SecondOf(row.eventSecond);
        state.chosenEventSecond = SecondOf(row.chosen);
        SetAnimationState(&state);
        int32_t wait = CheckEventRules(&row.now, row.duration);
        EXPECT_EQ(std::tuple(row.rule, row.rule == row.current ? 5 : 0, row.wait, SecondOf(row.chosenAfter)),
                  std::tuple(animation.currentRule, animation.frameIndex, wait, animation.chosenEventSecond))
            << "rule, frame, wait, chosen second of row " << &row - rows;
    }
}

// A draw lies from low up to high counted in unsigned steps, so a reversed
// range wraps through 0; low just above high is the whole 32-bit range, which
// takes no remainder. Small ranges reach both ends; the others spread wide.
TEST(RandomInRange, StaysInItsRangeAndReachesBothEnds) {
    const std::tuple<uint32_t, uint32_t, bool> rows[] = {
        {500, 500, true},        // one value
        {7, 9, true},            // three
        {0xFFFFFFFEu, 1, true},  // reversed: 0xFFFFFFFE, 0xFFFFFFFF, 0, 1
        {10, 5, false},          // reversed: all but 6 to 9
        {1, 0, false},           // the whole range
    };
    for (const auto &[low, high, bothEnds] : rows) {
        uint32_t span = high - low, smallest = UINT32_MAX, largest = 0;
        for (int draw = 0; draw < 400; draw++) {
            uint32_t value = RandomInRange(low, high), offset = value - low;
            ASSERT_LE(offset, span) << "draw " << value << " from " << low << " to " << high;
            smallest = std::min(smallest, offset);
            largest = std::max(largest, offset);
        }
        if (bothEnds)
            EXPECT_EQ(std::pair(0u, span), std::pair(smallest, largest)) << "from " << low << " to " << high;
        else
            EXPECT_GT(largest - smallest, span / 2) << "from " << low << " to " << high;
    }
}

TEST(TimerPlan, KeepsTheRhythmWithinItsBounds) {
    const std::tuple<uint32_t, uint32_t, int32_t, uint32_t> rows[] = {
        {1000, 1030, 200, 170},  // late
        {1000, 990, 200, 210},   // early
        {0, 5000, 200, 200},     // after a restart: the duration itself
        {0, 5000, 5, 10},        // floor of 10 ms
        {0, 5000, 11, 11},
        {0, 5000, 10000000, 10000000},
        {0, 5000, 10000001, 100},       // above 10,000,000 ms: 100
        {0xFFFFFFF0u, 0x10, 200, 168},  // across the tick count's wrap
    };
    for (const auto &[nextDue, t0, duration, expected] : rows)
        EXPECT_EQ(expected, PlanTimerInterval(nextDue, t0, duration)) << "due " << nextDue << " at " << t0;
}

}  // namespace
