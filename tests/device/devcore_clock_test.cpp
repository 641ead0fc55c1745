// The device's virtual clock: local time through the calendar, tick count
// wrap-around, and the seeded random source.
#include "device.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Show(const SYSTEMTIME &t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u dow %u", t.wYear,
                  t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
                  t.wDayOfWeek);
    return text;
}

TEST(DeviceClock, StartsAtItsFixedMoment)
{
    DeviceReset();
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(Show(now), "2009-08-03 07:05:09.000 dow 1");
    EXPECT_EQ(GetTickCount(), 1000u);
    EXPECT_EQ(DeviceElapsed(), 0u);
}

TEST(DeviceClock, LocalTimeFollowsTheCalendar)
{
    struct Row {
        SYSTEMTIME start;
        uint64_t advance;
        const char *expected;
    };
    const Row rows[] = {
        // start {y, m, dow (ignored), d, h, min, s, ms}  advance (ms)  expected
        {{2009, 8, 0, 3, 23, 59, 59, 999}, 1, "2009-08-04 00:00:00.000 dow 2"},
        {{2009, 8, 0, 31, 12, 0, 0, 0}, 12 * 3600000ull, "2009-09-01 00:00:00.000 dow 2"},
        {{2008, 2, 0, 28, 12, 0, 0, 0}, 86400000ull, "2008-02-29 12:00:00.000 dow 5"},
        {{2009, 2, 0, 28, 12, 0, 0, 0}, 86400000ull, "2009-03-01 12:00:00.000 dow 0"},
        {{2100, 2, 0, 28, 0, 0, 0, 0}, 86400000ull, "2100-03-01 00:00:00.000 dow 1"},
        {{2000, 2, 0, 28, 0, 0, 0, 0}, 86400000ull, "2000-02-29 00:00:00.000 dow 2"},
        {{2009, 12, 0, 31, 23, 59, 59, 500}, 1500, "2010-01-01 00:00:01.000 dow 5"},
        {{2009, 8, 0, 3, 7, 5, 9, 0}, 366 * 86400000ull, "2010-08-04 07:05:09.000 dow 3"},
    };
    for (const Row &row : rows) {
        DeviceReset();
        DeviceSetLocalTime(row.start);
        DeviceAdvance(row.advance);
        SYSTEMTIME now;
        GetLocalTime(&now);
        EXPECT_EQ(Show(now), row.expected) << "from " << Show(row.start) << " + " << row.advance;
    }
}

TEST(DeviceClock, TickCountWrapsAndSleepMovesTime)
{
    DeviceReset();
    DeviceSetTickCount(0xFFFFFFF0u);
    Sleep(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(DeviceElapsed(), 0x20u);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(now.wMilliseconds, 32u) << "local time moves with the same clock";
}

TEST(DeviceClock, RandomRepeatsForASeedAndDiffersAcrossSeeds)
{
    DeviceReset();
    DWORD first[4], again[4];
    for (DWORD &value : first)
        value = Random();
    DeviceSeedRandom(1);
    for (DWORD &value : again)
        value = Random();
    DeviceSeedRandom(2);
    DWORD other = Random();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(first[i], again[i]) << "value " << i;
    EXPECT_NE(first[0], other);
    EXPECT_NE(first[0], first[1]);
}

} // namespace
