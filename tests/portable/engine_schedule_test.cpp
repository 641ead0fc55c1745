// Rule matching, the calendar walk, rule selection, event rules, the timer
// plan and the time text's fixed behaviour.
#include "engine/schedule.h"
#include "engine/tick.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Monday 3 August 2009 at 07:05:09.
const SYSTEMTIME kMonday = TestTime(2009, 8, 3, 1, 7, 5, 9);

SYSTEMTIME At(int month, int day, int weekday, int hour, int minute, int second, int ms = 0) {
    return TestTime(2009, month, day, weekday, hour, minute, second, ms);
}

// A rule allowing exactly one value in each field given; -1 allows them all.
ScheduleRule RuleAt(int32_t sequence, int weekday, int month, int day, int hour, int minute, int second) {
    ScheduleRule rule = TestRuleAlways(sequence);
    auto only = [](uint8_t *flags, int count, int value) {
        for (int i = 0; value >= 0 && i < count; i++) flags[i] = i == value;
    };
    only(rule.weekday, kWeekdays, weekday);
    only(rule.month, kMonthFlags, month);
    only(rule.day, kDayFlags, day);
    only(rule.hour, kHours, hour);
    only(rule.minute, kMinutes, minute);
    only(rule.second, kSeconds, second);
    return rule;
}

std::string Show(const SYSTEMTIME &t) {
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d (wd %d) %02d:%02d:%02d.%03d", t.wYear, t.wMonth, t.wDay,
             t.wDayOfWeek, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

class ScheduleTest : public ::testing::Test {
protected:
    TestSkin skin;
    void SetUp() override { animation = AnimationState{}; }
    void TearDown() override { ClearTestSkin(); }
    // Rule 0 plays sequence 0; the given rules follow.
    void UseRules(std::initializer_list<ScheduleRule> rules) {
        skin.rules = {TestRuleAlways(0)};
        skin.rules.insert(skin.rules.end(), rules);
        UseTestSkin(skin);
    }
};

TEST_F(ScheduleTest, RuleMatchesEveryFieldAndRejectsBadInput) {
    UseRules({RuleAt(0, 1, 8, 3, 7, 5, 9)});
    const struct { SYSTEMTIME t; int32_t rule; int expected; } rows[] = {
        {kMonday, 1, 1},
        {TestTime(1990, 8, 3, 1, 7, 5, 9, 999), 1, 1},  // year and milliseconds play no part
        {At(8, 3, 2, 7, 5, 9), 1, 0}, {At(9, 3, 1, 7, 5, 9), 1, 0}, {At(8, 4, 1, 7, 5, 9), 1, 0},
        {At(8, 3, 1, 8, 5, 9), 1, 0}, {At(8, 3, 1, 7, 6, 9), 1, 0}, {At(8, 3, 1, 7, 5, 10), 1, 0},
        {At(13, 3, 1, 7, 5, 9), 0, 0}, {At(8, 3, 1, 7, 5, 60), 0, 0},  // outside the flag tables
        {kMonday, 2, 0}, {kMonday, -1, 0},                             // rule outside the table
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.expected, RuleMatches(row.rule, &row.t)) << "rule " << row.rule << " at " << Show(row.t);
}

// The walk crosses midnight, month ends and the year end and tests now's own
// second; its February has 28 days, a since after now tests only since, and a
// since years back is bounded.
TEST_F(ScheduleTest, RuleMatchedSinceWalksTheCalendarAndAlwaysEnds) {
    UseRules({
        RuleAt(0, -1, -1, -1, 0, 0, 0),    // 1: midnight
        RuleAt(0, -1, -1, 1, -1, -1, -1),  // 2: the first of a month
        RuleAt(0, 2, -1, -1, -1, -1, -1),  // 3: Tuesdays
        RuleAt(0, -1, -1, -1, 7, 5, 9),    // 4: 07:05:09
        TestRuleNever(0),                  // 5: never
        RuleAt(0, -1, 2, 29, -1, -1, -1),  // 6: 29 February
        RuleAt(0, -1, -1, -1, -1, -1, 10), // 7: second 10
    });
    const SYSTEMTIME lastFeb = TestTime(2008, 2, 28, 4, 23, 59, 59), leapDay = TestTime(2008, 2, 29, 5, 0, 0, 1);
    const struct { int32_t rule; SYSTEMTIME since, now; int expected; } rows[] = {
        {1, At(8, 3, 1, 23, 59, 58), At(8, 4, 2, 0, 0, 1), 1},
        {1, At(8, 3, 1, 23, 59, 58), At(8, 4, 2, 0, 0, 0), 1},  // now's own second
        {1, At(8, 3, 1, 23, 59, 57), At(8, 3, 1, 23, 59, 59), 0},
        {1, At(8, 4, 2, 0, 0, 0), At(8, 4, 2, 0, 0, 3), 1},     // since tested
        {2, At(1, 31, 6, 23, 59, 59), At(2, 1, 0, 0, 0, 1), 1},
        {2, At(4, 30, 4, 23, 59, 59), At(5, 1, 5, 0, 0, 1), 1},
        {2, At(4, 29, 3, 23, 59, 59), At(4, 30, 4, 0, 0, 1), 0},
        {2, At(12, 31, 4, 23, 59, 59), TestTime(2010, 1, 1, 5, 0, 0, 1), 1},
        {3, At(8, 3, 1, 23, 59, 59), At(8, 4, 2, 0, 0, 0), 1},  // new weekday
        {3, At(8, 3, 1, 23, 59, 0), At(8, 3, 1, 23, 59, 59), 0},
        {4, kMonday, kMonday, 1},  // since == now: RuleMatches
        {1, kMonday, kMonday, 0},
        {5, lastFeb, leapDay, 0},
        {2, lastFeb, leapDay, 1},  // the walk passes from 28 February to 1 March
        {6, lastFeb, leapDay, 0},  // and so never sees 29 February
        {7, At(8, 3, 1, 7, 5, 10), kMonday, 1},  // since after now: since alone
        {7, At(8, 3, 1, 7, 5, 11), kMonday, 0},
        {5, TestTime(2000, 1, 1, 6, 0, 0, 0), kMonday, 0},  // nine years back
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.expected, RuleMatchedSince(row.rule, &row.now, &row.since))
            << "rule " << row.rule << " since " << Show(row.since) << " now " << Show(row.now);
}

TEST_F(ScheduleTest, MillisecondsUntilRuleAimsAtTheMiddleOfTheSecond) {
    UseRules({RuleAt(0, -1, -1, -1, -1, -1, 10), RuleAt(0, -1, -1, 4, 0, 0, 0)});
    const SYSTEMTIME early = At(8, 3, 1, 7, 5, 9, 200);
    const struct { int32_t rule; SYSTEMTIME now; int32_t window, expected; } rows[] = {
        {1, early, 2500, 1300},
        {1, early, 999, -1},    // now alone
        {1, early, 1000, 1300}, // now and the next second
        {1, At(8, 3, 1, 7, 5, 10, 200), 0, 300},
        {1, At(8, 3, 1, 7, 5, 10, 700), 0, -200},  // more than half the second gone
        {1, early, -1000, -1},
        {1, early, -999, -1},   // truncates to n = 1: now alone
        {2, At(8, 3, 1, 23, 59, 59), 1000, 1500},  // next day in the walk
        {3, kMonday, 5000, -1},                    // rule outside the table
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.expected, MillisecondsUntilRule(row.rule, &row.now, row.window))
            << "rule " << row.rule << " at " << Show(row.now) << " window " << row.window;
}

TEST_F(ScheduleTest, SelectRuleForNowTakesTheLastMatchingRegularRule) {
    int32_t regular = AddTestSequence(skin, {TestFrame(100, 100, {})});
    int32_t event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    skin.rules = {TestRuleAlways(regular), TestRuleAlways(regular), TestRuleAlways(regular),
                  TestRuleAlways(event), TestRuleNever(regular), TestRuleAlways(99)};
    UseTestSkin(skin);
    animation.frameIndex = 4;
    SelectRuleForNow(&kMonday);
    EXPECT_EQ(2, animation.currentRule) << "event, unmatched and unfollowable rules are ignored";
    EXPECT_EQ(0, animation.frameIndex);
    // Nothing qualifies: the default rule stays even when it names an event sequence.
    skin.rules = {TestRuleAlways(event), TestRuleNever(regular), TestRuleAlways(event)};
    UseTestSkin(skin);
    SelectRuleForNow(&kMonday);
    EXPECT_EQ(0, animation.currentRule);
}

// Catch-up takes the highest event rule whose moment passed (a rule naming no
// sequence is never followed), look-ahead aims at the middle of the second
// and the later rule wins ties, only rules above the current one interrupt,
// and the first tick tests nothing; every call records its time.
TEST_F(ScheduleTest, EventRulesCatchUpAndLookAhead) {
    int32_t regular = AddTestSequence(skin, {TestFrame(100, 100, {})});
    int32_t event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    const SYSTEMTIME early = At(8, 3, 1, 7, 5, 9, 200);
    // rules follow rule 0, which plays the regular sequence.
    const struct {
        const char *what;
        std::vector<ScheduleRule> rules;
        int32_t current;
        SYSTEMTIME last, now;
        int32_t duration, expectedRule, expectedFrame, expectedDuration;
    } rows[] = {
        {"catch-up over a six-minute pause",
         {RuleAt(event, -1, -1, -1, 7, 0, 0), RuleAt(event, -1, -1, -1, 7, 3, 0),
          RuleAt(event, -1, -1, -1, 9, 0, 0), RuleAt(99, -1, -1, -1, 7, 4, 0)},
         0, At(8, 3, 1, 6, 59, 0), kMonday, 200, 2, 0, 200},
        {"look-ahead, ties to the later rule",
         {RuleAt(event, -1, -1, -1, 7, 5, 11), RuleAt(event, -1, -1, -1, 7, 5, 10),
          RuleAt(event, -1, -1, -1, 7, 5, 10)},
         0, early, early, 5000, 3, 0, 1300},
        {"only rules above the current one", {TestRuleAlways(event), TestRuleAlways(regular)},
         2, At(8, 3, 1, 7, 0, 0), kMonday, 400, 2, 5, 400},
        {"first tick: nothing tested", {TestRuleAlways(event)}, 0, SYSTEMTIME{}, kMonday, 400, 0, 5, 400},
    };
    for (const auto &row : rows) {
        skin.rules = {TestRuleAlways(regular)};
        skin.rules.insert(skin.rules.end(), row.rules.begin(), row.rules.end());
        UseTestSkin(skin);
        animation.currentRule = row.current;
        animation.frameIndex = 5;
        animation.lastTickTime = row.last;
        EXPECT_EQ(row.expectedDuration, CheckEventRules(&row.now, row.duration)) << row.what;
        EXPECT_EQ(row.expectedRule, animation.currentRule) << row.what;
        EXPECT_EQ(row.expectedFrame, animation.frameIndex) << row.what;
        EXPECT_EQ(Show(row.now), Show(animation.lastTickTime)) << row.what;
    }
}

TEST(TimerPlan, KeepsTheRhythmWithinItsBounds) {
    const struct { uint32_t nextDue, t0; int32_t duration; uint32_t expected; } rows[] = {
        {1000, 1030, 200, 170},         // 30 ms late
        {1000, 990, 200, 210},          // 10 ms early
        {0, 5000, 200, 200},            // after a restart: the duration itself
        {0, 5000, 5, 10},               // floor of 10 ms
        {1000, 1000, 0, 10},
        {0, 5000, 20000000, 100},       // above 10,000,000 ms
        {0, 5000, 10000000, 10000000},
        {1000, 1300, 200, 100},         // later than the plan by more than the duration
        {0xFFFFFFF0u, 0x10, 200, 168},  // across the tick count's wrap
        {0, 5000, -1, 100},
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.expected, PlanTimerInterval(row.nextDue, row.t0, row.duration))
            << "next due " << row.nextDue << " t0 " << row.t0 << " duration " << row.duration;
}

TEST(RandomRange, StaysWithinItsBounds) {
    EXPECT_EQ(500u, RandomInRange(500, 500));
    for (int i = 0; i < 200; i++) {
        uint32_t r = RandomInRange(1000, 1002);
        ASSERT_TRUE(r >= 1000 && r <= 1002) << "draw " << i << " gave " << r;
    }
    RandomInRange(5, 4);  // the whole 32-bit range: must not divide by zero
}

std::string Narrow(const WCHAR *text) {
    std::string out;
    for (; *text; text++) out += *text < 128 ? (char)*text : '?';
    return out;
}

// What does not depend on the clock: the copying, "%%", unknown and final
// "%", and a source longer than the destination cut at its last whole field.
TEST(TimeText, CopiesEverythingButPlaceholders) {
    const std::u16string rows[][2] = {
        {u"", u""}, {u"plain text", u"plain text"}, {u"100%%", u"100%"}, {u"%x%q", u"%x%q"},
        {u"50%", u"50%"}, {u"%%Y", u"%Y"}, {u"\u3042%", u"\u3042%"},
        {std::u16string(300, u'a'), std::u16string(kTimeTextUnits - 1, u'a')},
    };
    WCHAR out[kTimeTextUnits];
    for (const auto &row : rows) {
        EXPECT_EQ(0, FormatTimeText(out, (const WCHAR *)row[0].c_str()));
        EXPECT_EQ(Narrow((const WCHAR *)row[1].c_str()), Narrow(out))
            << "source " << Narrow((const WCHAR *)row[0].c_str());
    }
    std::u16string fields;
    for (int i = 0; i < 200; i++) fields += u"%h";
    EXPECT_EQ(1, FormatTimeText(out, (const WCHAR *)fields.c_str()));
    EXPECT_EQ((size_t)kTimeTextUnits - 2, Narrow(out).size()) << "cut at the last whole field";
}

} // namespace
