// Rule matching, the calendar walk, rule selection, event rules, timer plan.
#include "engine/schedule.h"
#include "engine/tick.h"
#include "support/engine_skin.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const SYSTEMTIME kMonday = TestTime(2009, 8, 3, 1, 7, 5, 9);  // 07:05:09

SYSTEMTIME At(int month, int day, int weekday, int hour, int minute, int second, int ms = 0) {
    return TestTime(2009, month, day, weekday, hour, minute, second, ms);
}

// A rule allowing exactly one value in each field given; -1 allows them all.
ScheduleRule RuleAt(int32_t sequence, int weekday, int month, int day, int hour, int minute, int second) {
    ScheduleRule rule = TestRuleAlways(sequence);
    const struct { uint8_t *flags; int count, value; } fields[] = {
        {rule.weekday, kWeekdays, weekday}, {rule.month, kMonthFlags, month}, {rule.day, kDayFlags, day},
        {rule.hour, kHours, hour}, {rule.minute, kMinutes, minute}, {rule.second, kSeconds, second}};
    for (const auto &field : fields)
        for (int i = 0; field.value >= 0 && i < field.count; i++) field.flags[i] = i == field.value;
    return rule;
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
    UseRules({RuleAt(0, 1, 8, 3, 7, 5, 9)});
    const struct { SYSTEMTIME t; int32_t rule; int expected; } rows[] = {
        {kMonday, 1, 1}, {At(8, 3, 2, 7, 5, 9), 1, 0}, {At(8, 3, 1, 7, 5, 10), 1, 0},
        {At(13, 3, 1, 7, 5, 9), 0, 0}, {kMonday, 2, 0}, {kMonday, -1, 0},  // outside the tables
    };
    for (const auto &row : rows) EXPECT_EQ(row.expected, RuleMatches(row.rule, &row.t)) << "row " << &row - rows;
}

// The walk crosses midnight and month ends, tests now's own second, has 28
// days in February and always ends.
TEST_F(ScheduleTest, RuleMatchedSinceWalksTheCalendarAndAlwaysEnds) {
    UseRules({RuleAt(0, -1, -1, -1, 0, 0, 0), RuleAt(0, -1, -1, 1, -1, -1, -1), RuleAt(0, -1, -1, -1, 7, 5, 9),
              RuleAt(0, 7, -1, -1, -1, -1, -1), RuleAt(0, -1, 2, 29, -1, -1, -1), RuleAt(0, -1, -1, -1, -1, -1, 10)});
    const SYSTEMTIME lastFeb = TestTime(2008, 2, 28, 4, 23, 59, 59), leapDay = TestTime(2008, 2, 29, 5, 0, 0, 1);
    const struct { int32_t rule; SYSTEMTIME since, now; int expected; } rows[] = {
        {1, At(8, 3, 1, 23, 59, 58), At(8, 4, 2, 0, 0, 0), 1},     // midnight, now's own second
        {1, At(8, 3, 1, 23, 59, 57), At(8, 3, 1, 23, 59, 59), 0},
        {2, At(4, 30, 4, 23, 59, 59), At(5, 1, 5, 0, 0, 1), 1},    // the first of a month
        {3, kMonday, kMonday, 1},                                  // since == now: RuleMatches
        {5, lastFeb, leapDay, 0},                                  // 29 February: never reached
        {6, At(8, 3, 1, 7, 5, 10), kMonday, 1},                    // since after now: since alone
        {4, TestTime(2000, 1, 1, 6, 0, 0, 0), kMonday, 0},         // never, nine years back
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.expected, RuleMatchedSince(row.rule, &row.now, &row.since)) << "row " << &row - rows;
}

TEST_F(ScheduleTest, SelectRuleForNowTakesTheLastMatchingRegularRule) {
    AddTestSequence(skin, {TestFrame(100, 100, {})});
    int32_t event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    UseRules({TestRuleAlways(0), TestRuleAlways(0), TestRuleAlways(event), RuleAt(0, 7, -1, -1, -1, -1, -1),
              TestRuleAlways(99)});  // weekday 7: never
    animation.frameIndex = 4;
    SelectRuleForNow(&kMonday);
    EXPECT_EQ(std::pair(2, 0), std::pair(animation.currentRule, animation.frameIndex))
        << "event, unmatched and unfollowable rules are ignored";
}

// Catch-up takes the highest event rule whose moment passed during a pause
// (one naming no sequence is never followed); look-ahead aims at the middle
// of the second and the later rule wins ties.
TEST_F(ScheduleTest, EventRulesCatchUpAndLookAhead) {
    AddTestSequence(skin, {TestFrame(100, 100, {})});
    int32_t event = AddTestSequence(skin, {TestFrame(100, 100, {})}, 0);
    const SYSTEMTIME early = At(8, 3, 1, 7, 5, 9, 200);
    const struct { std::vector<ScheduleRule> rules; SYSTEMTIME last, now; int32_t duration, rule, wait; } rows[] = {
        {{RuleAt(event, -1, -1, -1, 7, 0, 0), RuleAt(event, -1, -1, -1, 7, 3, 0),
          RuleAt(event, -1, -1, -1, 9, 0, 0), RuleAt(99, -1, -1, -1, 7, 4, 0)},
         At(8, 3, 1, 6, 59, 0), kMonday, 200, 2, 200},
        {{RuleAt(event, -1, -1, -1, 7, 5, 11), RuleAt(event, -1, -1, -1, 7, 5, 10),
          RuleAt(event, -1, -1, -1, 7, 5, 10)},
         early, early, 5000, 3, 1300},
    };
    for (const auto &row : rows) {
        UseRules(row.rules);
        animation.currentRule = 0, animation.frameIndex = 5, animation.lastTickTime = row.last;
        int32_t wait = CheckEventRules(&row.now, row.duration);
        EXPECT_EQ(std::tuple(row.rule, 0, row.wait), std::tuple(animation.currentRule, animation.frameIndex, wait))
            << "rule, frame, wait of row " << &row - rows;
    }
}

TEST(TimerPlan, KeepsTheRhythmWithinItsBounds) {
    const struct { uint32_t nextDue, t0; int32_t duration; uint32_t expected; } rows[] = {
        {1000, 1030, 200, 170},         // late
        {1000, 990, 200, 210},          // early
        {0, 5000, 200, 200},            // after a restart: the duration itself
        {0, 5000, 5, 10},               // floor of 10 ms
        {0, 5000, 10000000, 10000000}, {0, 5000, 10000001, 100},  // above 10,000,000 ms: 100
        {0xFFFFFFF0u, 0x10, 200, 168},  // across the tick count's wrap
    };
    for (const auto &row : rows)
        EXPECT_EQ(row.expected, PlanTimerInterval(row.nextDue, row.t0, row.duration)) << "row " << &row - rows;
}

} // namespace
