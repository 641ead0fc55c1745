// Schedule rules and rule selection.
//
// A rule is six flag tables (weekday, month, day, hour, minute, second). The
// tick asks SelectRuleForNow for the next regular rule when a sequence ends,
// and CheckEventRules every time: its catch-up walks the seconds since the
// previous tick, its look-ahead the seconds of the coming frame, both with
// the yearless calendar walk below (February always has 28 days).
#include "engine/schedule.h"

#include "skin/tables.h"

AnimationState animation;

namespace {

// The walk's month lengths, January first; February is always 28 days.
const uint8_t kWalkMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// A walk longer than a year would only revisit the same month, day and hour
// combinations; this also bounds a catch-up after years of pause.
const int64_t kWalkLimitSeconds = 366LL * 86400;

struct CalendarWalk {
    uint32_t weekday, month, day, hour, minute, second;
};

int IsValidLocalTime(const SYSTEMTIME *t) {
    return t->wDayOfWeek < kWeekdays && t->wMonth >= 1 && t->wMonth < kMonthFlags &&
           t->wDay >= 1 && t->wDay < kDayFlags && t->wHour < kHours && t->wMinute < kMinutes &&
           t->wSecond < kSeconds;
}

CalendarWalk WalkFrom(const SYSTEMTIME *t) {
    return {t->wDayOfWeek, t->wMonth, t->wDay, t->wHour, t->wMinute, t->wSecond};
}

int WalkEquals(const CalendarWalk *walk, const SYSTEMTIME *t) {
    return walk->weekday == t->wDayOfWeek && walk->month == t->wMonth && walk->day == t->wDay &&
           walk->hour == t->wHour && walk->minute == t->wMinute && walk->second == t->wSecond;
}

void StepWalk(CalendarWalk *walk) {
    if (++walk->second < 60) return;
    walk->second = 0;
    if (++walk->minute < 60) return;
    walk->minute = 0;
    if (++walk->hour < 24) return;
    walk->hour = 0;
    walk->weekday = (walk->weekday + 1) % 7;
    // A start day beyond the month's walk length (29 February) also rolls over here.
    if (++walk->day <= kWalkMonthDays[walk->month - 1]) return;
    walk->day = 1;
    walk->month = walk->month % 12 + 1;
}

int RuleAllows(const ScheduleRule *rule, const CalendarWalk *walk) {
    return rule->weekday[walk->weekday] && rule->month[walk->month] && rule->day[walk->day] &&
           rule->hour[walk->hour] && rule->minute[walk->minute] && rule->second[walk->second];
}

const ScheduleRule *RuleAt(int32_t rule) {
    if (skinTables.rules == nullptr || rule < 0 || rule > skinTables.ruleCount) return nullptr;
    return &skinTables.rules[rule];
}

// Days since 1 March of year 0 in the proleptic Gregorian calendar.
int64_t DayNumber(int64_t year, int64_t month, int64_t day) {
    if (month < 3) {
        year -= 1;
        month += 12;
    }
    return 365 * year + year / 4 - year / 100 + year / 400 + (153 * (month - 3) + 2) / 5 + day;
}

// Whole seconds from since to now by the real calendar, year included.
int64_t SecondsBetween(const SYSTEMTIME *since, const SYSTEMTIME *now) {
    int64_t days = DayNumber(now->wYear, now->wMonth, now->wDay) -
                   DayNumber(since->wYear, since->wMonth, since->wDay);
    int64_t nowSeconds = now->wHour * 3600 + now->wMinute * 60 + now->wSecond;
    int64_t sinceSeconds = since->wHour * 3600 + since->wMinute * 60 + since->wSecond;
    return days * 86400 + nowSeconds - sinceSeconds;
}

// 1 when the rule names an event sequence that exists.
int IsEventRule(int32_t rule) {
    int32_t sequence = RuleSequence(rule);
    return sequence >= 0 && skinTables.regular[sequence] == 0;
}

int IsRegularRule(int32_t rule) {
    int32_t sequence = RuleSequence(rule);
    return sequence >= 0 && skinTables.regular[sequence] != 0;
}

} // namespace

int32_t RuleSequence(int32_t rule) {
    const ScheduleRule *record = RuleAt(rule);
    if (record == nullptr || skinTables.sequences == nullptr || skinTables.regular == nullptr)
        return -1;
    int32_t sequence = record->sequence;
    if (sequence < 0 || sequence > skinTables.sequenceMax) return -1;
    if (skinTables.sequences[sequence] == nullptr) return -1;
    return sequence;
}

uint32_t RandomInRange(uint32_t low, uint32_t high) {
    if (low == high) return low;
    uint32_t span = high - low + 1;
    uint32_t r = Random();
    // A span of 0 is the whole 32-bit range (low just above high): every value
    // qualifies, and a remainder by 0 must not be taken.
    return span == 0 ? low + r : low + r % span;
}

int RuleMatches(int32_t rule, const SYSTEMTIME *t) {
    const ScheduleRule *record = RuleAt(rule);
    if (record == nullptr || !IsValidLocalTime(t)) return 0;
    CalendarWalk walk = WalkFrom(t);
    return RuleAllows(record, &walk);
}

// The walk stops at now's six fields, and in any case after as many steps as
// the real calendar counts from since to now: a walk from 29 February can
// never meet now's fields. A since after now (the clock was set back) tests
// only since itself.
int RuleMatchedSince(int32_t rule, const SYSTEMTIME *now, const SYSTEMTIME *since) {
    const ScheduleRule *record = RuleAt(rule);
    if (record == nullptr || !IsValidLocalTime(now) || !IsValidLocalTime(since)) return 0;
    int64_t limit = SecondsBetween(since, now);
    if (limit < 0) limit = 0;
    if (limit > kWalkLimitSeconds) limit = kWalkLimitSeconds;
    CalendarWalk walk = WalkFrom(since);
    for (int64_t step = 0;; step++) {
        if (RuleAllows(record, &walk)) return 1;
        if (WalkEquals(&walk, now) || step >= limit) return 0;
        StepWalk(&walk);
    }
}

int32_t MillisecondsUntilRule(int32_t rule, const SYSTEMTIME *now, int32_t window) {
    const ScheduleRule *record = RuleAt(rule);
    if (record == nullptr || !IsValidLocalTime(now)) return -1;
    int32_t n = window / 1000 + 1;
    if (n < 1) return -1;
    CalendarWalk walk = WalkFrom(now);
    for (int32_t k = 0; k < n; k++) {
        if (RuleAllows(record, &walk)) return k * 1000 - now->wMilliseconds + 500;
        StepWalk(&walk);
    }
    return -1;
}

void SelectRuleForNow(const SYSTEMTIME *now) {
    animation.currentRule = 0;
    for (int32_t i = 0; i <= skinTables.ruleCount; i++)
        if (IsRegularRule(i) && RuleMatches(i, now)) animation.currentRule = i;
    animation.frameIndex = 0;
}

int32_t CheckEventRules(const SYSTEMTIME *now, int32_t duration) {
    if (animation.lastTickTime.wMonth != 0) {
        for (int32_t i = 0; i <= skinTables.ruleCount; i++) {
            if (i > animation.currentRule && IsEventRule(i) &&
                RuleMatchedSince(i, now, &animation.lastTickTime)) {
                animation.currentRule = i;
                animation.frameIndex = 0;
            }
        }
        for (int32_t i = 0; i <= skinTables.ruleCount; i++) {
            if (i <= animation.currentRule || !IsEventRule(i)) continue;
            int32_t d = MillisecondsUntilRule(i, now, duration);
            if (d >= 0 && d <= duration) {
                duration = d;
                animation.currentRule = i;
                animation.frameIndex = 0;
            }
        }
    }
    animation.lastTickTime = *now;
    return duration;
}
