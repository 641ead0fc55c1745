// The exact schedule analysis: dates of the cycle, why a rule never
// matches, and which rules later rules cover.
#include "calendar.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A rule with every flag its line would set for "*" in each field.
ScheduleRule EveryMoment() {
    ScheduleRule rule;
    std::memset(&rule, 0, sizeof rule);
    std::memset(rule.weekday, 1, sizeof rule.weekday);
    std::memset(rule.month + 1, 1, 12);
    std::memset(rule.day + 1, 1, 31);
    std::memset(rule.hour, 1, sizeof rule.hour);
    std::memset(rule.minute, 1, sizeof rule.minute);
    std::memset(rule.second, 1, sizeof rule.second);
    return rule;
}

}  // namespace

TEST(ToolCalendar, DayOfYearCountsTheLeapDay) {
    const struct {
        int32_t month, day, expected;
    } rows[] = {
        {1, 1, 0},   {2, 28, 58}, {2, 29, 59}, {3, 1, 60}, {12, 31, 365}, {2, 30, -1},
        {4, 31, -1}, {0, 1, -1},  {13, 1, -1}, {1, 0, -1}, {1, 32, -1},
    };
    for (const auto &row : rows) EXPECT_EQ(row.expected, DayOfYear(row.month, row.day)) << row.month << "/" << row.day;
}

TEST(ToolCalendar, EmptinessNamesTheFieldThatAllowsNothing) {
    const struct {
        const char *name;
        void (*change)(ScheduleRule *);
        int32_t expected;
        size_t dates;  // cycle dates the rule allows
    } rows[] = {
        {"every moment", [](ScheduleRule *) {}, kMatchesSometimes, 7 * 366},
        {"no weekday", [](ScheduleRule *r) { std::memset(r->weekday, 0, 7); }, kNoWeekday, 0},
        {"no month", [](ScheduleRule *r) { std::memset(r->month, 0, 13); }, kNoMonth, 0},
        {"no day", [](ScheduleRule *r) { std::memset(r->day, 0, 32); }, kNoDay, 0},
        {"31 April",
         [](ScheduleRule *r) {
             std::memset(r->month, 0, 13);
             std::memset(r->day, 0, 32);
             r->month[4] = r->day[31] = 1;
         },
         kNoSuchDate, 0},
        {"29 February on Mondays",
         [](ScheduleRule *r) {
             std::memset(r->weekday, 0, 7);
             std::memset(r->month, 0, 13);
             std::memset(r->day, 0, 32);
             r->weekday[1] = r->month[2] = r->day[29] = 1;
         },
         kMatchesSometimes, 1},
        {"no hour", [](ScheduleRule *r) { std::memset(r->hour, 0, 24); }, kNoHour, 7 * 366},
        {"no minute", [](ScheduleRule *r) { std::memset(r->minute, 0, 60); }, kNoMinute, 7 * 366},
        {"no second", [](ScheduleRule *r) { std::memset(r->second, 0, 60); }, kNoSecond, 7 * 366},
    };
    for (const auto &row : rows) {
        ScheduleRule rule = EveryMoment();
        row.change(&rule);
        EXPECT_EQ(row.expected, RuleEmptinessOf(rule)) << row.name;
        EXPECT_EQ(row.dates, DatesOfRule(rule).size()) << row.name;
    }
}

TEST(ToolCalendar, TimesAreTheFlagMasks) {
    ScheduleRule rule = EveryMoment();
    std::memset(rule.hour, 0, 24);
    rule.hour[0] = rule.hour[23] = 1;
    std::memset(rule.second, 0, 60);
    rule.second[59] = 1;
    RuleTimes times = TimesOfRule(rule);
    EXPECT_EQ(0x800001u, times.hours);
    EXPECT_EQ((1ull << 60) - 1, times.minutes);
    EXPECT_EQ(1ull << 59, times.seconds);
}
