// Exact answers about schedule rules, reasoned over the rule flags rather
// than by stepping through the seconds.
//
// A rule allows a set of dates times a set of times of day. Over the 28-year
// cycle of the calendar every date of the year, 29 February included, falls
// on every weekday, so the dates a rule can ever meet are exactly the pairs
// (weekday, day of the year) its flags allow: 7 x 366 of them. A time of day
// is an hour, a minute and a second, each a flag set of its own, so the
// times a rule allows are kept as its three flag masks.
#pragma once

#include "core/tables.h"

#include <cstdint>
#include <vector>

enum { kYearDays = 366, kCycleDates = kWeekdays * kYearDays, kDayMinutes = 24 * 60 };

// The rule's flags as masks: bit h of hours, bit m of minutes, bit s of seconds.
struct RuleTimes {
    uint32_t hours = 0;
    uint64_t minutes = 0, seconds = 0;
};

RuleTimes TimesOfRule(const ScheduleRule &rule);
// The cycle dates (weekday * 366 + day of the year, 29 February being day
// 59) the rule allows, in ascending order.
std::vector<uint16_t> DatesOfRule(const ScheduleRule &rule);
// The day of the year (0 to 365) of month 1-12 and day 1-31, or -1 for a
// date no year has.
int32_t DayOfYear(int32_t month, int32_t day);

// Why a rule can never match, or kMatchesSometimes.
enum RuleEmptiness {
    kMatchesSometimes,
    kNoWeekday,
    kNoMonth,
    kNoDay,
    kNoSuchDate,
    kNoHour,
    kNoMinute,
    kNoSecond
};
int32_t RuleEmptinessOf(const ScheduleRule &rule);

// Which rules the schedule can never use. A regular rule is covered when at
// every moment it matches some later regular rule matches too: it is then
// never chosen. An event rule is covered when at every moment it matches
// some later rule, regular or event, matches too: it never rises above the
// regular rule chosen there, or the later event rule wins the moment (at
// equal moments the later event rule interrupts), so it never interrupts.
struct ScheduleFindings {
    std::vector<int32_t> emptiness;  // per rule, RuleEmptinessOf
    std::vector<uint8_t> covered;    // per rule, 1 when covered (rule 0 is never checked)
    bool complete = true;            // false when the skin was too intricate to finish
};
// Analyses skinTables' rules; work is bounded, so a huge or adversarial
// schedule (or more than kMaxAnalysedRules rules) leaves complete false
// instead of taking long.
enum { kMaxAnalysedRules = 4096 };
void AnalyseSchedule(ScheduleFindings *findings);

// Whether rule i plays a regular or an event sequence (rules naming no
// sequence of the tables are neither).
bool IsRegularRuleIndex(int32_t rule);
bool IsEventRuleIndex(int32_t rule);
