// Exact schedule analysis over the calendar's 28-year cycle.
//
// AnalyseSchedule walks the rules from the last to the first and keeps, for
// every cycle date, the times of day that the later rules allow there: the
// regular ones for the regular rules' check, all of them for the event
// rules' (a second walk, when the skin has event rules). Dates whose later
// rules agree share one record (a class), so a typical skin keeps a handful
// of them; a rule is covered when its times lie within the record of every
// date it allows.
#include "calendar.h"

#include "engine/schedule.h"

#include <algorithm>

namespace {

const int32_t kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Past these the analysis gives up rather than take long: classes cost
// 11.5 KB each, work counts minute records touched.
const size_t kMaxClasses = 1024;
const uint64_t kMaxWork = 400u * 1000u * 1000u;

template <size_t N>
uint64_t MaskOf(const uint8_t (&flags)[N], size_t first, size_t count) {
    uint64_t mask = 0;
    for (size_t i = 0; i < count && first + i < N; i++)
        if (flags[first + i]) mask |= 1ull << i;
    return mask;
}

// The times of day every later regular rule allows on the dates of a class:
// one 60-bit second mask per minute of the day.
typedef std::vector<uint64_t> DayTimes;

template <typename Visit>
void ForEachMinute(const RuleTimes &times, Visit visit) {
    for (int h = 0; h < 24; h++) {
        if (!(times.hours >> h & 1)) continue;
        for (int m = 0; m < 60; m++)
            if (times.minutes >> m & 1) visit(h * 60 + m);
    }
}

bool TimesWithin(const RuleTimes &times, const DayTimes &day) {
    bool within = true;
    ForEachMinute(times, [&](int minute) {
        if ((day[minute] & times.seconds) != times.seconds) within = false;
    });
    return within;
}

void AddTimes(const RuleTimes &times, DayTimes *day) {
    ForEachMinute(times, [&](int minute) { (*day)[minute] |= times.seconds; });
}

uint64_t MinutesOf(const RuleTimes &times) {
    return (uint64_t)__builtin_popcount(times.hours) *
           (uint64_t)__builtin_popcountll(times.minutes);
}

struct DateClasses {
    std::vector<int32_t> classOf = std::vector<int32_t>(kCycleDates, 0);
    std::vector<int32_t> size = std::vector<int32_t>(1, kCycleDates);
    std::vector<DayTimes> times = std::vector<DayTimes>(1, DayTimes(kDayMinutes, 0));
};

// Checks rule i against the classes of its dates when it is of the kind the
// walk checks (event rules or regular ones) and, for a regular rule or, in
// the event rules' walk, any rule, adds its times to them (splitting a class
// it covers only in part). Returns the work done, or 0 when the class limit
// stops it.
uint64_t VisitRule(int32_t i, bool eventWalk, DateClasses *classes, ScheduleFindings *findings) {
    const ScheduleRule &rule = skinTables.rules[i];
    RuleTimes times = TimesOfRule(rule);
    std::vector<uint16_t> dates = DatesOfRule(rule);
    std::vector<int32_t> touched(classes->size.size(), 0);
    for (uint16_t date : dates) touched[classes->classOf[date]]++;
    uint64_t work = dates.size() + touched.size() + MinutesOf(times) * touched.size() * 2;
    if (eventWalk ? IsEventRuleIndex(i) : IsRegularRuleIndex(i)) {
        bool covered = true;
        for (size_t c = 0; c < touched.size() && covered; c++)
            if (touched[c] && !TimesWithin(times, classes->times[c])) covered = false;
        findings->covered[i] = covered;
    }
    if (!IsRegularRuleIndex(i) && !(eventWalk && IsEventRuleIndex(i))) return work;
    std::vector<int32_t> splitTo(touched.size(), -1);
    for (size_t c = 0; c < touched.size(); c++) {
        if (!touched[c]) continue;
        if (touched[c] == classes->size[c]) {
            AddTimes(times, &classes->times[c]);
            continue;
        }
        if (classes->size.size() >= kMaxClasses) return 0;
        splitTo[c] = (int32_t)classes->size.size();
        classes->times.push_back(classes->times[c]);
        AddTimes(times, &classes->times.back());
        classes->size.push_back(0);
    }
    for (uint16_t date : dates) {
        int32_t from = classes->classOf[date];
        if (splitTo[from] < 0) continue;
        classes->classOf[date] = splitTo[from];
        classes->size[from]--;
        classes->size[splitTo[from]]++;
    }
    return work;
}

}  // namespace

RuleTimes TimesOfRule(const ScheduleRule &rule) {
    RuleTimes times;
    times.hours = (uint32_t)MaskOf(rule.hour, 0, kHours);
    times.minutes = MaskOf(rule.minute, 0, kMinutes);
    times.seconds = MaskOf(rule.second, 0, kSeconds);
    return times;
}

int32_t DayOfYear(int32_t month, int32_t day) {
    if (month < 1 || month > 12 || day < 1 || day > kMonthDays[month - 1]) return -1;
    int32_t before = 0;
    for (int32_t m = 1; m < month; m++) before += kMonthDays[m - 1];
    return before + day - 1;
}

std::vector<uint16_t> DatesOfRule(const ScheduleRule &rule) {
    std::vector<uint16_t> dates;
    for (int32_t weekday = 0; weekday < kWeekdays; weekday++) {
        if (!rule.weekday[weekday]) continue;
        for (int32_t month = 1; month <= 12; month++) {
            if (!rule.month[month]) continue;
            for (int32_t day = 1; day <= kMonthDays[month - 1]; day++)
                if (rule.day[day])
                    dates.push_back((uint16_t)(weekday * kYearDays + DayOfYear(month, day)));
        }
    }
    return dates;
}

int32_t RuleEmptinessOf(const ScheduleRule &rule) {
    RuleTimes times = TimesOfRule(rule);
    if (!std::count(rule.weekday, rule.weekday + kWeekdays, 1)) return kNoWeekday;
    if (!std::count(rule.month + 1, rule.month + kMonthFlags, 1)) return kNoMonth;
    if (!std::count(rule.day + 1, rule.day + kDayFlags, 1)) return kNoDay;
    if (DatesOfRule(rule).empty()) return kNoSuchDate;
    if (!times.hours) return kNoHour;
    if (!times.minutes) return kNoMinute;
    if (!times.seconds) return kNoSecond;
    return kMatchesSometimes;
}

bool IsRegularRuleIndex(int32_t rule) {
    int32_t sequence = RuleSequence(rule);
    return sequence >= 0 && skinTables.regular[sequence] != 0;
}

bool IsEventRuleIndex(int32_t rule) {
    int32_t sequence = RuleSequence(rule);
    return sequence >= 0 && skinTables.regular[sequence] == 0;
}

void AnalyseSchedule(ScheduleFindings *findings) {
    int32_t count = skinTables.rules != nullptr ? skinTables.ruleCount + 1 : 0;
    findings->emptiness.assign((size_t)count, kMatchesSometimes);
    findings->covered.assign((size_t)count, 0);
    findings->complete = count <= kMaxAnalysedRules + 1;
    if (!findings->complete) return;
    for (int32_t i = 0; i < count; i++)
        findings->emptiness[i] = RuleEmptinessOf(skinTables.rules[i]);
    bool events = false;
    for (int32_t i = 1; i < count; i++) events |= IsEventRuleIndex(i);
    for (bool eventWalk : {false, true}) {
        if (eventWalk && !events) break;
        DateClasses classes;
        uint64_t work = 0;
        for (int32_t i = count - 1; i >= 1; i--) {
            if (findings->emptiness[i] != kMatchesSometimes) continue;
            uint64_t step = VisitRule(i, eventWalk, &classes, findings);
            work += step;
            if (step == 0 || work > kMaxWork) {
                findings->complete = false;
                std::fill(findings->covered.begin(), findings->covered.end(), 0);
                return;
            }
        }
    }
}
