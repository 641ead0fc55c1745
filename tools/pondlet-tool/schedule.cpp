// schedule: what plays when over one week, worked out exactly from the rule
// flags (calendar.h), labelled by the program's own rule selection.
//
// For each day, PlanDay gives every second of the day the regular rule in
// force: the highest-numbered regular rule whose date flags allow the day
// and whose hour, minute and second flags allow the second (the default
// rule 0 where none does), found a minute at a time with 60-bit second
// masks. An event moment is a second an event rule allows whose index is
// above the rule in force there, and that no later event rule allows: at
// equal moments the later rule wins. Every interval this gives is then
// checked against the program's own choice (SelectRuleForNow, and
// CheckEventRules for the event moments), so the picture cannot drift from
// the program.
#include "tool.h"

#include "calendar.h"
#include "core/tables.h"
#include "device.h"
#include "engine/schedule.h"
#include "lint.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>

namespace {

const char *const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const int kSecondsPerDay = 86400;
// Intervals checked against the program's rule selection, per day.
const size_t kMaxCheckedIntervals = 2000;
// Rules the week is drawn for: each costs a pass over the day's seconds.
const int32_t kMaxPlannedRules = 1024;

// Days since 1970-01-01 of a civil date, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

SYSTEMTIME CivilFromDays(int64_t z) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    SYSTEMTIME t = {};
    t.wDay = (WORD)(doy - (153 * mp + 2) / 5 + 1);
    t.wMonth = (WORD)(mp < 10 ? mp + 3 : mp - 9);
    t.wYear = (WORD)(yoe + era * 400 + (t.wMonth <= 2));
    t.wDayOfWeek = (WORD)((z - 719468 + 4) % 7 + 7) % 7;  // 1970-01-01 was a Thursday
    return t;
}

std::string Clock(int second) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", second / 3600, second / 60 % 60,
                  second % 60);
    return text;
}

bool AllowsDate(const ScheduleRule &rule, const SYSTEMTIME &day) {
    return rule.weekday[day.wDayOfWeek] && rule.month[day.wMonth] && rule.day[day.wDay];
}

// The regular rule in force at every second of the day.
std::vector<int32_t> PlanDay(const SYSTEMTIME &day) {
    std::vector<int32_t> label(kSecondsPerDay, 0);
    std::vector<int32_t> candidates;
    for (int32_t r = skinTables.ruleCount; r >= 1; r--)
        if (IsRegularRuleIndex(r) && AllowsDate(skinTables.rules[r], day)) candidates.push_back(r);
    std::vector<RuleTimes> times;
    for (int32_t r : candidates) times.push_back(TimesOfRule(skinTables.rules[r]));
    const uint64_t all = (1ull << 60) - 1;
    for (int minute = 0; minute < kDayMinutes; minute++) {
        uint64_t open = all;
        int h = minute / 60, m = minute % 60;
        for (size_t k = 0; k < candidates.size() && open; k++) {
            if (!(times[k].hours >> h & 1) || !(times[k].minutes >> m & 1)) continue;
            uint64_t take = open & times[k].seconds;
            for (int s = 0; s < 60; s++)
                if (take >> s & 1) label[minute * 60 + s] = candidates[k];
            open &= ~take;
        }
    }
    return label;
}

// Seconds at which event rule e interrupts: it allows them, its index is
// above the regular rule in force, and no later event rule took them
// (taken: the seconds of the later event rules, which e marks too).
std::vector<uint8_t> EventSeconds(int32_t e, const SYSTEMTIME &day,
                                  const std::vector<int32_t> &label, std::vector<uint8_t> *taken) {
    std::vector<uint8_t> marks(kSecondsPerDay, 0);
    const ScheduleRule &rule = skinTables.rules[e];
    if (!AllowsDate(rule, day)) return marks;
    RuleTimes times = TimesOfRule(rule);
    for (int minute = 0; minute < kDayMinutes; minute++) {
        if (!(times.hours >> (minute / 60) & 1) || !(times.minutes >> (minute % 60) & 1)) continue;
        for (int s = 0; s < 60; s++) {
            int second = minute * 60 + s;
            if (!(times.seconds >> s & 1) || e <= label[second] || (*taken)[second]) continue;
            marks[second] = (*taken)[second] = 1;
        }
    }
    return marks;
}

// The rule the program's event check leaves in force when its walk covers
// this moment alone, with `rule` in force there: the event rule that
// interrupts at the moment, or `rule`.
int32_t ProgramEventAt(const SYSTEMTIME &moment, int32_t rule) {
    AnimationState state{};
    state.currentRule = rule;
    state.lastTickTime = moment;
    SetAnimationState(&state);
    CheckEventRules(&moment, 0);
    return animation.currentRule;
}

SYSTEMTIME MomentOf(const SYSTEMTIME &day, int second) {
    SYSTEMTIME t = day;
    t.wHour = (WORD)(second / 3600);
    t.wMinute = (WORD)(second / 60 % 60);
    t.wSecond = (WORD)(second % 60);
    return t;
}

}  // namespace

int ParseWeekOf(const std::string &text, SYSTEMTIME *monday) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return 0;
    if (y < 1601 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return 0;
    SYSTEMTIME t = CivilFromDays(DaysFromCivil(y, m, d));
    if (t.wDay != d) return 0;  // 31 April and the like
    int64_t days = DaysFromCivil(y, m, d) - (t.wDayOfWeek + 6) % 7;
    *monday = CivilFromDays(days);
    return 1;
}

SYSTEMTIME CurrentMonday() {
    std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    int64_t days = DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return CivilFromDays(days - (local.tm_wday + 6) % 7);
}

int PlanWeek(const SYSTEMTIME &monday, WeekPlan *plan) {
    plan->days.clear();
    int64_t first = DaysFromCivil(monday.wYear, monday.wMonth, monday.wDay);
    for (int i = 0; i < 7; i++) {
        DayPlan day;
        day.date = CivilFromDays(first + i);
        std::vector<int32_t> label = PlanDay(day.date);
        for (int s = 0; s < kSecondsPerDay;) {
            int end = s;
            while (end + 1 < kSecondsPerDay && label[end + 1] == label[s]) end++;
            day.intervals.push_back({s, end, label[s]});
            s = end + 1;
        }
        for (size_t k = 0; k < day.intervals.size() && k < kMaxCheckedIntervals; k++) {
            for (int second : {day.intervals[k].first, day.intervals[k].last}) {
                SYSTEMTIME moment = MomentOf(day.date, second);
                SelectRuleForNow(&moment);
                if (animation.currentRule != day.intervals[k].rule) return 0;
            }
        }
        std::vector<uint8_t> taken(kSecondsPerDay, 0);
        for (int32_t e = skinTables.ruleCount; e >= 1; e--) {
            if (!IsEventRuleIndex(e)) continue;
            std::vector<uint8_t> marks = EventSeconds(e, day.date, label, &taken);
            for (int s = 0; s < kSecondsPerDay; s++) {
                if (!marks[s]) continue;
                int end = s;
                while (end + 1 < kSecondsPerDay && marks[end + 1]) end++;
                day.events.push_back({s, end, e});
                s = end;
            }
        }
        std::sort(day.events.begin(), day.events.end(),
                  [](const PlanInterval &a, const PlanInterval &b) {
                      return a.first != b.first ? a.first < b.first : a.rule < b.rule;
                  });
        for (size_t k = 0; k < day.events.size() && k < kMaxCheckedIntervals; k++) {
            for (int second : {day.events[k].first, day.events[k].last}) {
                SYSTEMTIME moment = MomentOf(day.date, second);
                if (ProgramEventAt(moment, label[second]) != day.events[k].rule) return 0;
            }
        }
        plan->days.push_back(day);
    }
    return 1;
}

std::string DayName(const SYSTEMTIME &date) { return kDayNames[date.wDayOfWeek % 7]; }

std::string DateText(const SYSTEMTIME &date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.wYear, date.wMonth, date.wDay);
    return text;
}

std::string RuleLegend(int32_t rule, const SkinLines &lines) {
    int32_t line = rule >= 0 && (size_t)rule < lines.ruleLines.size() ? lines.ruleLines[rule] : 0;
    std::string text =
        "rule " + std::to_string(rule) + " sequence " + std::to_string(RuleSequence(rule));
    return text + (rule == 0 ? " (the default)" : " line " + std::to_string(line));
}

namespace {

// Event rules that interrupt nowhere in the week.
std::vector<int32_t> SilentEvents(const std::vector<int32_t> &events) {
    std::vector<int32_t> silent;
    for (int32_t e = 1; e <= skinTables.ruleCount; e++)
        if (IsEventRuleIndex(e) && !std::binary_search(events.begin(), events.end(), e))
            silent.push_back(e);
    return silent;
}

}  // namespace

void PrintWeek(const WeekPlan &plan, const SkinLines &lines, std::ostream &out) {
    out << "week of " << DateText(plan.days[0].date) << "\n";
    for (const DayPlan &day : plan.days) {
        std::string name = DayName(day.date);
        size_t e = 0;
        for (const PlanInterval &interval : day.intervals) {
            out << name << " " << Clock(interval.first) << "-" << Clock(interval.last) << " rule "
                << interval.rule << " sequence " << RuleSequence(interval.rule) << "\n";
            for (; e < day.events.size() && day.events[e].first <= interval.last; e++) {
                const PlanInterval &event = day.events[e];
                out << name << " " << Clock(event.first);
                if (event.last != event.first) out << "-" << Clock(event.last);
                out << " event rule " << event.rule << " sequence " << RuleSequence(event.rule)
                    << "\n";
            }
        }
    }
    out << "legend\n";
    std::vector<uint8_t> seen((size_t)skinTables.ruleCount + 1, 0);
    for (const DayPlan &day : plan.days) {
        for (const PlanInterval &i : day.intervals) seen[i.rule] = 1;
        for (const PlanInterval &i : day.events) seen[i.rule] = 2;
    }
    std::vector<int32_t> events;
    for (int32_t r = 0; r <= skinTables.ruleCount; r++) {
        if (seen[r]) out << (seen[r] == 2 ? "  event " : "  ") << RuleLegend(r, lines) << "\n";
        if (seen[r] == 2) events.push_back(r);
    }
    for (int32_t rule : SilentEvents(events))
        out << "  event " << RuleLegend(rule, lines) << " never fires this week\n";
}

// ---- the picture ------------------------------------------------------------------

namespace {

const int kLeft = 64, kTop = 22, kRowHeight = 22, kRowGap = 8, kHourWidth = 30;
const int kSecondsPerPixel = 3600 / kHourWidth;
const COLORREF kBandColours[] = {
    /* 0x00BBGGRR */
    0xC8C8C8, 0x4FA7F2, 0x86C06A, 0xD9A05B, 0x6B8CE0, 0xB07ACB,
    0x5CC4C8, 0x9F9FE8, 0x70D0A0, 0xE0B090, 0x8AA0B8, 0xC0C060,
};
// Event marks: dark enough to read against any band.
const COLORREF kEventColours[] = {
    /* 0x00BBGGRR */
    0x2020C0, 0xA04010, 0x108030, 0x8010A0, 0x0070B0, 0x606000, 0x5050F0, 0x703070,
};
const COLORREF kInk = 0x202020, kPaper = 0xFFFFFF, kGrid = 0xA0A0A0;

// The rule that holds most of the seconds a pixel column stands for.
int32_t MainRule(const DayPlan &day, int first, int last) {
    int32_t best = 0;
    int most = -1;
    for (const PlanInterval &i : day.intervals) {
        int from = std::max(first, i.first), to = std::min(last, i.last);
        if (to >= from && to - from > most) {
            most = to - from;
            best = i.rule;
        }
    }
    return best;
}

// The event rule that interrupts within the seconds, the later one where
// several do (it wins), or -1.
int32_t EventAt(const DayPlan &day, int first, int last) {
    int32_t rule = -1;
    for (const PlanInterval &e : day.events)
        if (e.first <= last && e.last >= first) rule = std::max(rule, e.rule);
    return rule;
}

// A regular rule in force within the seconds for less time than the main
// one, so that the band does not show it (-1: none).
int32_t HiddenRule(const DayPlan &day, int first, int last, int32_t main) {
    for (const PlanInterval &i : day.intervals)
        if (i.first <= last && i.last >= first && i.rule != main) return i.rule;
    return -1;
}

template <size_t N>
COLORREF ColourOf(const std::vector<int32_t> &rules, int32_t rule, const COLORREF (&colours)[N]) {
    size_t k = (size_t)(std::lower_bound(rules.begin(), rules.end(), rule) - rules.begin());
    return colours[k % N];
}

void DrawDay(ScreenImage *image, const DayPlan &day, int top, const std::vector<int32_t> &rules,
             const std::vector<int32_t> &events) {
    char date[16];
    std::snprintf(date, sizeof date, " %02d-%02d", day.date.wMonth, day.date.wDay);
    DrawLabel(image, 4, top + 4, DayName(day.date) + date, kInk);
    for (int px = 0; px < 24 * kHourWidth; px++) {
        int first = px * kSecondsPerPixel, last = first + kSecondsPerPixel - 1;
        int32_t main = MainRule(day, first, last);
        FillBox(image, kLeft + px, top, 1, kRowHeight, ColourOf(rules, main, kBandColours));
        int32_t hidden = HiddenRule(day, first, last, main);
        if (hidden >= 0) {  // a notch below the band, 3 pixels wide to be seen
            FillBox(image, kLeft + px - 1, top + kRowHeight, 3, 5,
                    ColourOf(rules, hidden, kBandColours));
            FillBox(image, kLeft + px - 1, top + kRowHeight + 5, 3, 1, kInk);
        }
        int32_t event = EventAt(day, first, last);
        if (event >= 0)
            FillBox(image, kLeft + px, top - 3, 1, kRowHeight / 2 + 3,
                    ColourOf(events, event, kEventColours));
    }
}

}  // namespace

ScreenImage DrawWeek(const WeekPlan &plan, const SkinLines &lines) {
    std::vector<int32_t> rules, events;
    for (const DayPlan &day : plan.days) {
        for (const PlanInterval &i : day.intervals) rules.push_back(i.rule);
        for (const PlanInterval &i : day.events) events.push_back(i.rule);
    }
    for (std::vector<int32_t> *list : {&rules, &events}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    std::vector<int32_t> silent = SilentEvents(events);
    int legendTop = kTop + 7 * (kRowHeight + kRowGap) + 6;
    int entries = (int)(rules.size() + events.size() + silent.size()) + 1;
    ScreenImage image =
        BlankImage(kLeft + 24 * kHourWidth + 16, legendTop + 16 * entries + 8, kPaper);
    DrawLabel(&image, 4, 2, std::to_string(plan.days[0].date.wYear), kInk);
    for (int h = 0; h <= 24; h++) {
        FillBox(&image, kLeft + h * kHourWidth, kTop - 4, 1, 7 * (kRowHeight + kRowGap), kGrid);
        if (h % 3 == 0 && h < 24)
            DrawLabel(&image, kLeft + h * kHourWidth + 2, 2, std::to_string(h), kInk);
    }
    for (size_t d = 0; d < plan.days.size(); d++)
        DrawDay(&image, plan.days[d], kTop + (int)d * (kRowHeight + kRowGap), rules, events);
    int y = legendTop;
    for (int32_t rule : rules) {
        FillBox(&image, kLeft, y + 2, 12, 12, ColourOf(rules, rule, kBandColours));
        DrawLabel(&image, kLeft + 18, y, RuleLegend(rule, lines), kInk);
        y += 16;
    }
    FillBox(&image, kLeft + 4, y + 4, 3, 5, kGrid);
    FillBox(&image, kLeft + 4, y + 9, 3, 1, kInk);
    DrawLabel(&image, kLeft + 18, y, "notch below a band: a rule in force for less than 2 minutes",
              kInk);
    y += 16;
    for (int32_t rule : events) {
        FillBox(&image, kLeft + 5, y + 1, 2, 14, ColourOf(events, rule, kEventColours));
        DrawLabel(&image, kLeft + 18, y, "event " + RuleLegend(rule, lines) + " interrupts", kInk);
        y += 16;
    }
    for (int32_t rule : silent) {
        DrawLabel(&image, kLeft + 18, y,
                  "event " + RuleLegend(rule, lines) + " never fires this week", kInk);
        y += 16;
    }
    return image;
}

namespace {

typedef ScheduleCommand S;
//  name         takes         stored in
const OptionRule<ScheduleCommand> scheduleOptions[] = {
    {"--text", nullptr, TakeFlag<S, &S::text>},
    {"--png", "FILE", TakeText<S, &S::pngFile>},
    {"--week-of", "YYYY-MM-DD",
     [](S *o, OptionValue v, OptionError) -> int {
         return o->weekGiven = ParseWeekOf(v, &o->monday);
     }},
};

}  // namespace

int ParseScheduleArguments(const std::vector<std::string> &args, ScheduleCommand *options,
                           std::string *error) {
    return ParseCommandLine(args, scheduleOptions, "schedule needs PATH", options, &options->path,
                            error);
}

int LoadToolSkin(const std::string &path, SkinLines *lines, std::ostream &errors) {
    StartFreshDevice(path);
    std::vector<WideString> folders = FindSkinFolders(DeviceFolder(path));
    if (folders.empty()) {
        errors << "pondlet-tool: no skin.txt in " << path << " or the folders below it\n";
        return 0;
    }
    if (folders.size() > 1)
        errors << "pondlet-tool: several skins below " << path << "; showing the first\n";
    if (!LoadSkinWithLines(folders[0], lines)) {
        errors << "pondlet-tool: the skin does not load\n";
        return 0;
    }
    return 1;
}

int RunSchedule(const ScheduleCommand &options, std::ostream &out, std::ostream &errors) {
    SkinLines lines;
    if (!LoadToolSkin(options.path, &lines, errors)) return kExitFailed;
    if (skinTables.ruleCount > kMaxPlannedRules) {
        errors << "pondlet-tool: more than " << kMaxPlannedRules
               << " rules; the week is not drawn\n";
        return kExitFailed;
    }
    WeekPlan plan;
    if (!PlanWeek(options.weekGiven ? options.monday : CurrentMonday(), &plan)) {
        errors << "pondlet-tool: the schedule and the program's rule selection disagree\n";
        return kExitFailed;
    }
    if (options.text || options.pngFile.empty()) PrintWeek(plan, lines, out);
    if (!options.pngFile.empty() && !WritePng(options.pngFile, DrawWeek(plan, lines))) {
        errors << "pondlet-tool: cannot write " << options.pngFile << "\n";
        return kExitFailed;
    }
    return kExitOk;
}
