// Schedule rules and rule selection.
//
// A rule is six flag tables (weekday, month, day, hour, minute, second). The
// tick asks SelectRuleForNow for the next regular rule when a sequence ends,
// and CheckEventRules every time: its catch-up walks the seconds from the
// previous tick's to now's, its look-ahead the seconds after now's that
// begin within the coming frame, both with the yearless calendar walk below
// (February always has 28 days). Neither walk tests the second that started
// the last event sequence, or one before it, again: each allowed second of an
// event rule starts its sequence at most once.
//
// The walk answers as if it tested every second in turn, but it moves a day
// at a time and searches a day's hours, minutes and seconds only when the
// rule allows its date (FirstAllowedStep). Display times run to 24 days and
// a skin may hold any number of event rules, so a walk per second would cost
// millions of tests per rule and tick.
#include "engine/schedule.h"

#include "core/tables.h"
#include "engine/animation.h"

#include <string.h>

static AnimationState animationState;
const AnimationState &animation = animationState;

void ResetAnimation(void) { memset(&animationState, 0, sizeof animationState); }

void SetAnimationState(const AnimationState *state) { animationState = *state; }

void RewindAnimation(void) {
    animationState.currentRule = 0;
    animationState.frameIndex = 0;
    animationState.lastTickTime.wMonth = 0;  // no tick yet
    animationState.backgroundRefreshPending = 1;
    animationState.nextDueTick = 0;
    animationState.paused = 0;
}

void SetAnimationPaused(int32_t paused) { animationState.paused = paused; }

void ReplanAfterPause(void) {
    animationState.chosenEventSecond = 0;
    animationState.nextDueTick = 0;
    animationState.backgroundRefreshPending = 1;
}

int TakeBackgroundRefresh(void) {
    if (animationState.backgroundRefreshPending != 1) return 0;
    animationState.backgroundRefreshPending = 0;
    return 1;
}

int32_t StepFrameIndex(void) { return ++animationState.frameIndex; }

void SetNextDueTick(uint32_t tick) { animationState.nextDueTick = tick; }

namespace {

// The walk's month lengths, January first; February is always 28 days.
const uint8_t kWalkMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

const int32_t kSecondsPerDay = 86400;

// A walk longer than a year would only revisit the same month, day and hour
// combinations; this also bounds a catch-up after years of pause.
const int64_t kWalkLimitSeconds = 366LL * kSecondsPerDay;

// The walk's date: the three fields that change at midnight. The time of
// day is a second from 0 to 86399.
struct WalkDay {
    uint32_t weekday, month, day;
};

int IsValidLocalTime(const SYSTEMTIME *t) {
    return t->wDayOfWeek < kWeekdays && t->wMonth >= 1 && t->wMonth < kMonthFlags && t->wDay >= 1 &&
           t->wDay < kDayFlags && t->wHour < kHours && t->wMinute < kMinutes &&
           t->wSecond < kSeconds;
}

WalkDay DayFrom(const SYSTEMTIME *t) { return {t->wDayOfWeek, t->wMonth, t->wDay}; }

int32_t SecondOfDay(const SYSTEMTIME *t) { return t->wHour * 3600 + t->wMinute * 60 + t->wSecond; }

int DayEquals(const WalkDay *walk, const SYSTEMTIME *t) {
    return walk->weekday == t->wDayOfWeek && walk->month == t->wMonth && walk->day == t->wDay;
}

// Midnight of the walk. A start day beyond the month's walk length
// (29 February) also rolls over here.
void StepDay(WalkDay *walk) {
    walk->weekday = (walk->weekday + 1) % 7;
    if (++walk->day <= kWalkMonthDays[walk->month - 1]) return;
    walk->day = 1;
    walk->month = walk->month % 12 + 1;
}

int RuleAllowsDay(const ScheduleRule *rule, const WalkDay *walk) {
    return rule->weekday[walk->weekday] && rule->month[walk->month] && rule->day[walk->day];
}

// The first index from `from` on whose flag is set, or -1.
int32_t FirstFlagFrom(const uint8_t *flags, int32_t count, int32_t from) {
    for (int32_t i = from; i < count; i++)
        if (flags[i]) return i;
    return -1;
}

// A rule that allows no hour, minute or second matches on no day; checking
// that once keeps the searches below to two candidates per level: any later
// hour or minute is searched from its start, where a match is certain.
int RuleAllowsSomeTimeOfDay(const ScheduleRule *rule) {
    return FirstFlagFrom(rule->hour, kHours, 0) >= 0 &&
           FirstFlagFrom(rule->minute, kMinutes, 0) >= 0 &&
           FirstFlagFrom(rule->second, kSeconds, 0) >= 0;
}

// The first second of the hour from `from` (0 to 3599) on that the rule's
// minutes and seconds allow, or -1.
int32_t FirstAllowedSecondOfHour(const ScheduleRule *rule, int32_t from) {
    for (int32_t minute = FirstFlagFrom(rule->minute, kMinutes, from / 60); minute >= 0;
         minute = FirstFlagFrom(rule->minute, kMinutes, minute + 1)) {
        int32_t second = FirstFlagFrom(rule->second, kSeconds, minute == from / 60 ? from % 60 : 0);
        if (second >= 0) return minute * 60 + second;
    }
    return -1;
}

// The first second of the day from `from` on that the rule's hours,
// minutes and seconds allow, or -1.
int32_t FirstAllowedSecondOfDay(const ScheduleRule *rule, int32_t from) {
    for (int32_t hour = FirstFlagFrom(rule->hour, kHours, from / 3600); hour >= 0;
         hour = FirstFlagFrom(rule->hour, kHours, hour + 1)) {
        int32_t inHour = FirstAllowedSecondOfHour(rule, hour == from / 3600 ? from % 3600 : 0);
        if (inHour >= 0) return hour * 3600 + inHour;
    }
    return -1;
}

// The last step of a walk that is at this day's 00:00:00 at step midnight
// and at its second start now: the step where it meets until's six fields
// today, if that comes before lastStep.
int64_t StopAtUntil(const WalkDay *walk, int64_t midnight, int32_t start, const SYSTEMTIME *until,
                    int64_t lastStep) {
    if (until == nullptr || !DayEquals(walk, until) || SecondOfDay(until) < start) return lastStep;
    int64_t meeting = midnight + SecondOfDay(until);
    return meeting < lastStep ? meeting : lastStep;
}

// The walk from `from` tests one moment per second: step 0 is `from`
// itself, and every step moves the walk on by one second. This gives the
// first step from firstStep to lastStep that the rule allows, or -1; with
// until, the walk also ends once it has tested (or passed over) the first
// moment whose six fields equal until's. It goes a day at a time and looks
// into a day only when the rule allows its date, so its cost grows with the
// days walked, not the seconds.
int64_t FirstAllowedStep(const ScheduleRule *rule, const SYSTEMTIME *from, int64_t firstStep,
                         int64_t lastStep, const SYSTEMTIME *until) {
    if (firstStep > lastStep || !RuleAllowsSomeTimeOfDay(rule)) return -1;
    WalkDay walk = DayFrom(from);
    int32_t start = SecondOfDay(from);
    // The step at which the walk is (or would have been) at this day's 00:00:00.
    for (int64_t midnight = -start; midnight <= lastStep; midnight += kSecondsPerDay) {
        lastStep = StopAtUntil(&walk, midnight, start, until, lastStep);
        // The day's first second the answer may lie on.
        int64_t low = firstStep - midnight > start ? firstStep - midnight : start;
        if (low < kSecondsPerDay && RuleAllowsDay(rule, &walk)) {
            int32_t second = FirstAllowedSecondOfDay(rule, (int32_t)low);
            if (second >= 0 && midnight + second <= lastStep) return midnight + second;
        }
        StepDay(&walk);
        start = 0;
    }
    return -1;
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
    return days * kSecondsPerDay + SecondOfDay(now) - SecondOfDay(since);
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

// The last step of the walk from now that begins no later than now +
// window, or -1.
int64_t LastStepWithin(const SYSTEMTIME *now, int32_t window) {
    int64_t end = (int64_t)window + now->wMilliseconds;  // from the start of now's second
    return end < 0 ? -1 : end / 1000;
}

// The first step from `first` (at least 1) to last of the walk from now
// that the rule allows, or -1.
int64_t StepAhead(int32_t rule, const SYSTEMTIME *now, int64_t first, int64_t last) {
    const ScheduleRule *record = RuleAt(rule);
    if (record == nullptr || !IsValidLocalTime(now)) return -1;
    return FirstAllowedStep(record, now, first < 1 ? 1 : first, last, nullptr);
}

int32_t MillisecondsToMiddle(const SYSTEMTIME *now, int64_t step) {
    int64_t middle = step * 1000 - now->wMilliseconds + 500;
    return middle > INT32_MAX ? INT32_MAX : (int32_t)middle;
}

// An event interrupts: its sequence plays from the first frame at the next
// tick, which makes `second` the one that started it.
void ChooseEvent(int32_t rule, int64_t second) {
    animationState.currentRule = rule;
    animationState.frameIndex = 0;
    animationState.chosenEventSecond = second;
}

}  // namespace

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
    return FirstAllowedStep(record, t, 0, 0, nullptr) == 0;
}

// The walk stops at now's six fields, and in any case after as many steps as
// the real calendar counts from since to now: a walk from 29 February can
// never meet now's fields. A since after now (the clock was set back) tests
// only since itself.
int RuleMatchedSince(int32_t rule, const SYSTEMTIME *now, const SYSTEMTIME *since, int64_t skip) {
    const ScheduleRule *record = RuleAt(rule);
    if (record == nullptr || !IsValidLocalTime(now) || !IsValidLocalTime(since)) return 0;
    int64_t limit = SecondsBetween(since, now);
    if (limit < 0) limit = 0;
    if (limit > kWalkLimitSeconds) limit = kWalkLimitSeconds;
    return FirstAllowedStep(record, since, skip < 0 ? 0 : skip, limit, now) >= 0;
}

// Step k of the walk from now begins k * 1000 - now's milliseconds from
// now; the window takes each step that begins no later than now + window.
int32_t MillisecondsUntilRule(int32_t rule, const SYSTEMTIME *now, int64_t first, int32_t window) {
    int64_t step = StepAhead(rule, now, first, LastStepWithin(now, window));
    return step < 0 ? -1 : MillisecondsToMiddle(now, step);
}

int64_t EventSecondOf(const SYSTEMTIME *t) {
    return DayNumber(t->wYear, t->wMonth, t->wDay) * kSecondsPerDay + SecondOfDay(t);
}

void SelectRuleForNow(const SYSTEMTIME *now) {
    animationState.currentRule = 0;
    for (int32_t i = 0; i <= skinTables.ruleCount; i++)
        if (IsRegularRule(i) && RuleMatches(i, now)) animationState.currentRule = i;
    animationState.frameIndex = 0;
}

// The catch-up walks from the previous tick's second to now's: a rule that
// only now ranks above the rule in force (its own sequence ended, say) finds
// the seconds walked while it could not interrupt. The look-ahead then takes
// the seconds after now's. Both leave out eventSecond and the seconds before
// it; among the rules a walk finds, the highest-numbered wins, in the
// look-ahead the one with the earliest second and, at equal seconds, the
// highest-numbered.
int32_t CheckEventRules(const SYSTEMTIME *now, int32_t duration) {
    if (animationState.lastTickTime.wMonth == 0) {
        animationState.eventSecond = animationState.chosenEventSecond = 0;
        animationState.lastTickTime = *now;
        return duration;
    }
    int64_t nowSecond = EventSecondOf(now),
            lastSecond = EventSecondOf(&animationState.lastTickTime);
    // This tick has just shown the event the previous one chose: its second
    // and now's (a catch-up chose in an earlier one) have started it.
    int64_t chosen = animationState.chosenEventSecond;
    if (chosen != 0) animationState.eventSecond = chosen > nowSecond ? chosen : nowSecond;
    animationState.chosenEventSecond = 0;
    if (nowSecond < lastSecond) animationState.eventSecond = 0;  // the clock was set back
    int64_t done = animationState.eventSecond;
    int64_t skip = done != 0 && done >= lastSecond ? done - lastSecond + 1 : 0;
    for (int32_t i = 0; i <= skinTables.ruleCount; i++) {
        if (i > animationState.currentRule && IsEventRule(i) &&
            RuleMatchedSince(i, now, &animationState.lastTickTime, skip))
            ChooseEvent(i, nowSecond);
    }
    int64_t first = done > nowSecond ? done - nowSecond + 1 : 1;
    int64_t last = LastStepWithin(now, duration);
    for (int32_t i = 0; i <= skinTables.ruleCount; i++) {
        if (i <= animationState.currentRule || !IsEventRule(i)) continue;
        int64_t step = StepAhead(i, now, first, last);
        if (step < 0) continue;
        last = step;  // later rules may still take this second, but none after it
        duration = MillisecondsToMiddle(now, step);
        ChooseEvent(i, nowSecond + step);
    }
    animationState.lastTickTime = *now;
    return duration;
}
