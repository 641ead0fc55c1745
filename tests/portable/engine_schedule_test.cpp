// Rule matching, the calendar walk against a second-by-second reference, rule
// selection, event rules, random ranges, timer plan.
#include "engine/schedule.h"
#include "engine/tick.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

namespace {

const SYSTEMTIME kMonday = TestTime(2009, 8, 3, 1, 7, 5, 9);  // 07:05:09

SYSTEMTIME At(int month, int day, int weekday, int hour, int minute, int second, int ms = 0) {
    return TestTime(2009, month, day, weekday, hour, minute, second, ms);
}

// A rule allowing exactly one value in each field given; -1 allows them all.
ScheduleRule RuleOnFields(int32_t sequence, int weekday, int month, int day, int hour, int minute, int second) {
    ScheduleRule rule = TestRuleAlways(sequence);
    const struct {
        uint8_t *flags;
        int count, value;
    } fields[] = {{rule.weekday, kWeekdays, weekday}, {rule.month, kMonthFlags, month},
                  {rule.day, kDayFlags, day},         {rule.hour, kHours, hour},
                  {rule.minute, kMinutes, minute},    {rule.second, kSeconds, second}};
    for (const auto &field : fields)
        for (int i = 0; field.value >= 0 && i < field.count; i++) field.flags[i] = i == field.value;
    return rule;
}

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

// A rule from the six fields of a $ line after its sequence, such as
// "1-5 * 31 9-17 0,30 0": each field *, values and ranges joined by commas;
// values outside the field are dropped, as the skin reader drops them.
ScheduleRule RuleFromText(int32_t sequence, const std::string &text) {
    ScheduleRule rule = {};
    rule.sequence = sequence;
    const struct {
        uint8_t *flags;
        int first, last;
    } fields[] = {{rule.weekday, 0, 6}, {rule.month, 1, 12},  {rule.day, 1, 31},
                  {rule.hour, 0, 23},   {rule.minute, 0, 59}, {rule.second, 0, 59}};
    std::istringstream line(text);
    std::string field, item;
    for (const auto &f : fields) {
        if (!(line >> field)) break;
        std::istringstream items(field);
        while (std::getline(items, item, ',')) {
            int first = f.first, last = f.last;
            int read = item == "*" ? 2 : sscanf(item.c_str(), "%d-%d", &first, &last);
            if (read == 1) last = first;
            for (int value = std::max(first, f.first); read > 0 && value <= std::min(last, f.last); value++)
                f.flags[value] = 1;
        }
    }
    return rule;
}

// ---- the second-by-second walk, the reference for the schedule's own ----------
// One step per second, February of 28 days, stopping at now's six fields or
// after the real calendar's seconds from since to now (at most 366 days).

struct ReferenceWalk {
    uint32_t weekday, month, day, hour, minute, second;
};

ReferenceWalk ReferenceFrom(const SYSTEMTIME &t) {
    return {t.wDayOfWeek, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void ReferenceStep(ReferenceWalk *w) {
    static const uint8_t monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (++w->second < 60) return;
    w->second = 0;
    if (++w->minute < 60) return;
    w->minute = 0;
    if (++w->hour < 24) return;
    w->hour = 0;
    w->weekday = (w->weekday + 1) % 7;
    if (++w->day <= monthDays[w->month - 1]) return;
    w->day = 1;
    w->month = w->month % 12 + 1;
}

bool ReferenceAllows(const ScheduleRule &rule, const ReferenceWalk &w) {
    return rule.weekday[w.weekday] && rule.month[w.month] && rule.day[w.day] && rule.hour[w.hour] &&
           rule.minute[w.minute] && rule.second[w.second];
}

bool ReferenceAt(const ReferenceWalk &w, const SYSTEMTIME &t) {
    return w.weekday == t.wDayOfWeek && w.month == t.wMonth && w.day == t.wDay && w.hour == t.wHour &&
           w.minute == t.wMinute && w.second == t.wSecond;
}

int64_t RealSecondsBetween(const SYSTEMTIME &since, const SYSTEMTIME &now) {
    using namespace std::chrono;
    auto at = [](const SYSTEMTIME &t) {
        return sys_days{std::chrono::year{t.wYear} / t.wMonth / t.wDay} + hours{t.wHour} + minutes{t.wMinute} +
               seconds{t.wSecond};
    };
    return duration_cast<seconds>(at(now) - at(since)).count();
}

int ReferenceMatchedSince(const ScheduleRule &rule, const SYSTEMTIME &now, const SYSTEMTIME &since) {
    int64_t limit = std::clamp<int64_t>(RealSecondsBetween(since, now), 0, 366LL * 86400);
    ReferenceWalk walk = ReferenceFrom(since);
    for (int64_t step = 0;; step++) {
        if (ReferenceAllows(rule, walk)) return 1;
        if (ReferenceAt(walk, now) || step >= limit) return 0;
        ReferenceStep(&walk);
    }
}

int32_t ReferenceMillisecondsUntil(const ScheduleRule &rule, const SYSTEMTIME &now, int32_t window) {
    int32_t n = window / 1000 + 1;
    ReferenceWalk walk = ReferenceFrom(now);
    for (int32_t k = 0; k < n; k++) {
        if (ReferenceAllows(rule, walk)) return k * 1000 - now.wMilliseconds + 500;
        ReferenceStep(&walk);
    }
    return -1;
}

class ScheduleTest : public ::testing::Test {
  protected:
    TestSkin skin;
    void SetUp() override { animation = AnimationState{}; }
    void TearDown() override { ClearTestSkin(); }
    // Rule 0 plays sequence 0 (regular); the given rules follow.
    void UseRules(const std::vector<ScheduleRule> &rules) {
        skin.rules = {TestRuleAlways(0)};
        skin.rules.insert(skin.rules.end(), rules.begin(), rules.end());
        UseTestSkin(skin);
    }
};

TEST_F(ScheduleTest, RuleMatchesFieldsAndRejectsBadInput) {
    UseRules({RuleOnFields(0, 1, 8, 3, 7, 5, 9)});
    const struct {
        SYSTEMTIME t;
        int32_t rule;
        int expected;
    } rows[] = {
        {kMonday, 1, 1},
        {At(8, 3, 2, 7, 5, 9), 1, 0},
        {At(8, 3, 1, 7, 5, 10), 1, 0},
        {At(13, 3, 1, 7, 5, 9), 0, 0},
        {kMonday, 2, 0},
        {kMonday, -1, 0},  // outside the tables
    };
    for (size_t i = 0; i < std::size(rows); i++)
        EXPECT_EQ(rows[i].expected, RuleMatches(rows[i].rule, &rows[i].t)) << "row " << i;
}

// The walk crosses midnight and month ends, tests now's own second, has 28
// days in February and always ends: a walk from 29 February never meets a
// now on 29 February, and stops after 366 days (Monday 1 March 12:00:00 of
// the walk from 29 February 2020 12:00:00, a Saturday).
TEST_F(ScheduleTest, RuleMatchedSinceWalksTheCalendarAndAlwaysEnds) {
    UseRules({RuleOnFields(0, -1, -1, -1, 0, 0, 0), RuleOnFields(0, -1, -1, 1, -1, -1, -1),
              RuleOnFields(0, -1, -1, -1, 7, 5, 9), RuleOnFields(0, 7, -1, -1, -1, -1, -1),
              RuleOnFields(0, -1, 2, 29, -1, -1, -1), RuleOnFields(0, -1, -1, -1, -1, -1, 10),
              RuleFromText(0, "* 2 29 0-11 * *"), RuleFromText(0, "1 3 1 12 0 0"), RuleFromText(0, "1 3 1 12 0 1")});
    const SYSTEMTIME leapNoon = On(2020, 2, 29, 12, 0, 0), nextLeapNoon = On(2024, 2, 29, 12, 0, 0);
    const SYSTEMTIME lastFeb = TestTime(2008, 2, 28, 4, 23, 59, 59), leapDay = TestTime(2008, 2, 29, 5, 0, 0, 1);
    const struct {
        int32_t rule;
        SYSTEMTIME since, now;
        int expected;
    } rows[] = {
        {1, At(8, 3, 1, 23, 59, 58), At(8, 4, 2, 0, 0, 0), 1},  // midnight, now's own second
        {1, At(8, 3, 1, 23, 59, 57), At(8, 3, 1, 23, 59, 59), 0},
        {2, At(4, 30, 4, 23, 59, 59), At(5, 1, 5, 0, 0, 1), 1},  // the first of a month
        {3, kMonday, kMonday, 1},                                // since == now: RuleMatches
        {5, lastFeb, leapDay, 0},                                // 29 February: never reached
        {6, At(8, 3, 1, 7, 5, 10), kMonday, 1},                  // since after now: since alone
        {4, TestTime(2000, 1, 1, 6, 0, 0, 0), kMonday, 0},       // never, nine years back
        {8, leapNoon, nextLeapNoon, 1},                          // the walk's last second
        {9, leapNoon, nextLeapNoon, 0},                          // one past it
        {7, leapNoon, nextLeapNoon, 0},                          // 29 February never comes back
    };
    for (size_t i = 0; i < std::size(rows); i++)
        EXPECT_EQ(rows[i].expected, RuleMatchedSince(rows[i].rule, &rows[i].now, &rows[i].since)) << "row " << i;
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
    const struct {
        SYSTEMTIME since, now;
    } catchUps[] = {
        {On(2024, 2, 28, 23, 59, 50), On(2024, 3, 1, 0, 0, 10)},  // over a leap day the walk skips
        {On(2024, 2, 29, 10, 0, 0), On(2024, 2, 29, 10, 5, 0)},   // within a leap day
        {On(2024, 2, 29, 23, 59, 58), On(2024, 3, 1, 0, 0, 3)},   // out of a leap day
        {On(2023, 2, 28, 12, 0, 0), On(2023, 3, 1, 12, 0, 0)},
        {On(2023, 12, 31, 23, 59, 30), On(2024, 1, 1, 0, 0, 30)},  // year end
        {On(2024, 1, 31, 23, 59, 59), On(2024, 2, 1, 0, 0, 1)},    // month ends
        {On(2024, 4, 30, 23, 59, 55), On(2024, 5, 1, 0, 0, 5)},
        {On(2024, 6, 10, 12, 0, 0), On(2024, 6, 10, 12, 0, 0)},          // since is now
        {On(2024, 6, 10, 12, 0, 5), On(2024, 6, 10, 12, 0, 0)},          // since after now
        {On(2024, 12, 20, 8, 0, 0), On(2025, 1, 8, 8, 0, 0)},            // a long pause over the year end
        {On(2013, 6, 10, 12, 0, 0), On(2024, 6, 10, 12, 0, 0)},          // now's fields at once, years later
        {On(2024, 2, 28, 12, 0, 0), TestTime(2024, 3, 1, 4, 12, 0, 0)},  // now's weekday as the walk counts
    };
    const struct {
        SYSTEMTIME now;
        int32_t window;
    } lookAheads[] = {
        {On(2024, 2, 28, 23, 59, 59, 200), 5000},    {On(2024, 2, 29, 23, 59, 58, 700), 3000},
        {On(2023, 12, 31, 23, 59, 59), 2000},        {On(2024, 1, 31, 23, 59, 59, 999), 1000},
        {On(2024, 6, 10, 12, 0, 0, 600), 999},       {On(2024, 6, 10, 12, 0, 0), 0},
        {On(2024, 6, 10, 12, 0, 0), -999},           {On(2024, 6, 10, 12, 0, 0), -1000},
        {On(2024, 6, 10, 12, 5, 20), 3600 * 1000},   {On(2024, 4, 20, 17, 30, 0, 250), 10 * 86400 * 1000},
        {On(2024, 2, 10, 6, 0, 0, 250), INT32_MAX},   // over February's end in a leap year
        {On(2024, 12, 25, 0, 0, 0, 500), INT32_MAX},  // over the year end
    };
    std::vector<ScheduleRule> table;
    for (const char *text : rules) table.push_back(RuleFromText(0, text));
    UseRules(table);
    for (int32_t r = 0; r < (int32_t)table.size(); r++) {
        for (const auto &row : catchUps)
            EXPECT_EQ(ReferenceMatchedSince(table[r], row.now, row.since),
                      RuleMatchedSince(r + 1, &row.now, &row.since))
                << "\"" << rules[r] << "\" from " << Moment(row.since) << " to " << Moment(row.now);
        for (const auto &row : lookAheads)
            EXPECT_EQ(ReferenceMillisecondsUntil(table[r], row.now, row.window),
                      MillisecondsUntilRule(r + 1, &row.now, row.window))
                << "\"" << rules[r] << "\" at " << Moment(row.now) << " for " << row.window << " ms";
    }
}

TEST_F(ScheduleTest, SelectRuleForNowTakesTheLastMatchingRegularRule) {
    AddTestSequence(skin, {TestFrame(100, 100, {})});
    int32_t event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    UseRules({TestRuleAlways(0), TestRuleAlways(0), TestRuleAlways(event), RuleOnFields(0, 7, -1, -1, -1, -1, -1),
              TestRuleAlways(99)});  // weekday 7: never
    animation.frameIndex = 4;
    SelectRuleForNow(&kMonday);
    EXPECT_EQ(std::pair(2, 0), std::pair(animation.currentRule, animation.frameIndex))
        << "event, unmatched and unfollowable rules are ignored";
}

// Catch-up takes the highest event rule whose moment passed during a pause
// (one naming no sequence is never followed); look-ahead aims at the middle
// of the second and the later rule wins ties. Only a rule above the one in
// force interrupts, in either walk, and the catch-up's choice counts for
// the look-ahead; an interrupted sequence starts again at frame 0.
TEST_F(ScheduleTest, EventRulesCatchUpAndLookAhead) {
    AddTestSequence(skin, {TestFrame(100, 100, {})});
    int32_t event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    const SYSTEMTIME early = At(8, 3, 1, 7, 5, 9, 200), before = At(8, 3, 1, 6, 59, 0);
    const ScheduleRule atSeven = RuleOnFields(event, -1, -1, -1, 7, 0, 0),
                       atTen = RuleOnFields(event, -1, -1, -1, 7, 5, 10);
    const struct {
        std::vector<ScheduleRule> rules;
        SYSTEMTIME last, now;
        int32_t current, duration, rule, frame, wait;
    } rows[] = {
        {{atSeven, RuleOnFields(event, -1, -1, -1, 7, 3, 0), RuleOnFields(event, -1, -1, -1, 9, 0, 0),
          RuleOnFields(99, -1, -1, -1, 7, 4, 0)},
         before,
         kMonday,
         0,
         200,
         2,
         0,
         200},
        {{RuleOnFields(event, -1, -1, -1, 7, 5, 11), atTen, atTen}, early, early, 0, 5000, 3, 0, 1300},
        {{atSeven, atSeven}, before, kMonday, 2, 200, 2, 5, 200},                   // catch-up: at and below
        {{atTen, atTen}, early, early, 2, 5000, 2, 5, 5000},                        // look-ahead: at and below
        {{TestRuleAlways(0), atTen, atSeven}, before, early, 1, 5000, 3, 0, 5000},  // raised by catch-up
    };
    for (size_t index = 0; index < std::size(rows); index++) {
        const auto &row = rows[index];
        UseRules(row.rules);
        animation.currentRule = row.current;
        animation.frameIndex = 5;
        animation.lastTickTime = row.last;
        int32_t wait = CheckEventRules(&row.now, row.duration);
        EXPECT_EQ(std::tuple(row.rule, row.frame, row.wait),
                  std::tuple(animation.currentRule, animation.frameIndex, wait))
            << "rule, frame, wait of row " << index;
    }
}

// A draw lies from low up to high counted in unsigned steps, so a reversed
// range wraps through 0; low just above high is the whole 32-bit range, which
// takes no remainder. Small ranges reach both ends; the others spread wide.
TEST(RandomInRange, StaysInItsRangeAndReachesBothEnds) {
    const struct {
        uint32_t low, high;
        bool bothEnds;
    } rows[] = {
        {500, 500, true},
        {0xFFFFFFFFu, 0xFFFFFFFFu, true},
        {7, 9, true},
        {0xFFFFFFFEu, 1, true},  // reversed: 0xFFFFFFFE, 0xFFFFFFFF, 0, 1
        {10, 5, false},          // reversed: all but 6 to 9
        {0, 0xFFFFFFFFu, false},
        {1, 0, false},  // the whole range
    };
    for (const auto &row : rows) {
        uint32_t span = row.high - row.low, smallest = UINT32_MAX, largest = 0;
        bool low = false, high = false;
        for (int draw = 0; draw < 400; draw++) {
            uint32_t value = RandomInRange(row.low, row.high), offset = value - row.low;
            ASSERT_LE(offset, span) << "draw " << value << " from " << row.low << " to " << row.high;
            smallest = std::min(smallest, offset);
            largest = std::max(largest, offset);
            low |= value == row.low;
            high |= value == row.high;
        }
        if (row.bothEnds)
            EXPECT_TRUE(low && high) << "from " << row.low << " to " << row.high;
        else
            EXPECT_GT(largest - smallest, span / 2) << "from " << row.low << " to " << row.high;
    }
}

TEST(TimerPlan, KeepsTheRhythmWithinItsBounds) {
    const struct {
        uint32_t nextDue, t0;
        int32_t duration;
        uint32_t expected;
    } rows[] = {
        {1000, 1030, 200, 170},  // late
        {1000, 990, 200, 210},   // early
        {0, 5000, 200, 200},     // after a restart: the duration itself
        {0, 5000, 5, 10},        // floor of 10 ms
        {0, 5000, 10000000, 10000000},
        {0, 5000, 10000001, 100},       // above 10,000,000 ms: 100
        {0xFFFFFFF0u, 0x10, 200, 168},  // across the tick count's wrap
    };
    for (size_t i = 0; i < std::size(rows); i++)
        EXPECT_EQ(rows[i].expected, PlanTimerInterval(rows[i].nextDue, rows[i].t0, rows[i].duration)) << "row " << i;
}

}  // namespace
