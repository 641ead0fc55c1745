// The virtual clock and the random source of the simulated device.
//
// Time stands still while code runs; it moves only through Sleep,
// DeviceAdvance and the message loop's jumps to the next event. Local time
// and tick count are both offsets from that one elapsed counter, so they
// advance together.
#include "common/random_step.h"
#include "windowing.h"

namespace {

const int64_t msPerDay = 86400000;

uint64_t elapsed;     // ms since DeviceReset
int64_t localBaseMs;  // local time at localBaseElapsed, ms since 1970-01-01
uint64_t localBaseElapsed;
DWORD tickBase;  // tick count at tickBaseElapsed
uint64_t tickBaseElapsed;
RandomState generator;

// Days since 1970-01-01 of a proleptic Gregorian date; months and days out
// of range roll over into the next ones.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
    if (month <= 0) {
        month += 12;
        year -= 1;
    }
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t *year, unsigned *month, unsigned *day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    *day = (unsigned)(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    *month = (unsigned)(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    *year = yearOfEra + era * 400 + (*month <= 2);
}

int64_t MsFromSystemTime(const SYSTEMTIME &time) {
    return DaysFromCivil(time.wYear, time.wMonth, time.wDay) * msPerDay + time.wHour * 3600000ll +
           time.wMinute * 60000ll + time.wSecond * 1000ll + time.wMilliseconds;
}

SYSTEMTIME SystemTimeFromMs(int64_t ms) {
    int64_t days = ms >= 0 ? ms / msPerDay : -((-ms + msPerDay - 1) / msPerDay);
    int64_t inDay = ms - days * msPerDay;
    int64_t year;
    unsigned month, day;
    CivilFromDays(days, &year, &month, &day);
    SYSTEMTIME time;
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wDayOfWeek = (WORD)(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    time.wHour = (WORD)(inDay / 3600000);
    time.wMinute = (WORD)(inDay / 60000 % 60);
    time.wSecond = (WORD)(inDay / 1000 % 60);
    time.wMilliseconds = (WORD)(inDay % 1000);
    return time;
}

}  // namespace

void ResetClock() {
    elapsed = 0;
    SYSTEMTIME start = {2009, 8, 1, 3, 7, 5, 9, 0};
    localBaseMs = MsFromSystemTime(start);
    localBaseElapsed = 0;
    tickBase = 1000;
    tickBaseElapsed = 0;
}

void ResetRandom() { RandomSeed(&generator, 1); }

void AdvanceClockTo(uint64_t when) {
    if (when > elapsed) elapsed = when;
}

uint64_t DeviceNowElapsed() { return elapsed; }
uint64_t DeviceElapsed() { return elapsed; }
void DeviceAdvance(uint64_t ms) { elapsed += ms; }

void DeviceSetLocalTime(const SYSTEMTIME &local) {
    localBaseMs = MsFromSystemTime(local);
    localBaseElapsed = elapsed;
}

void DeviceSetTickCount(DWORD tick) {
    tickBase = tick;
    tickBaseElapsed = elapsed;
}

void DeviceSeedRandom(uint32_t seed) { RandomSeed(&generator, seed); }

void GetLocalTime(LPSYSTEMTIME time) {
    if (time) *time = SystemTimeFromMs(localBaseMs + (int64_t)(elapsed - localBaseElapsed));
}

DWORD GetTickCount(void) { return (DWORD)(tickBase + (elapsed - tickBaseElapsed)); }

void Sleep(DWORD ms) { elapsed += ms; }

DWORD Random(void) { return RandomStep(&generator); }

namespace {
// A device exists before the first DeviceReset: code that runs earlier (the
// portable tests) finds the clock at its fixed start and Random seeded.
struct ClockAtStart {
    ClockAtStart() {
        ResetClock();
        ResetRandom();
    }
} clockAtStart;
}  // namespace
