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

std::string Now()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return Show(now);
}

TEST(DeviceClock, LocalTimeFollowsTheCalendar)
{
    DeviceReset();
    EXPECT_EQ(Now(), "2009-08-03 07:05:09.000 dow 1") << "the fixed start";
    struct Row {
        SYSTEMTIME start;  // {y, m, dow (ignored), d, h, min, s, ms}
        uint64_t advance;
        const char *expected;
    };
    const Row rows[] = {
        {{2009, 8, 0, 3, 23, 59, 59, 999}, 1, "2009-08-04 00:00:00.000 dow 2"},
        {{2009, 8, 0, 31, 12, 0, 0, 0}, 12 * 3600000ull, "2009-09-01 00:00:00.000 dow 2"},
        {{2008, 2, 0, 28, 12, 0, 0, 0}, 86400000ull, "2008-02-29 12:00:00.000 dow 5"},
        {{2009, 2, 0, 28, 12, 0, 0, 0}, 86400000ull, "2009-03-01 12:00:00.000 dow 0"},
        {{2100, 2, 0, 28, 0, 0, 0, 0}, 86400000ull, "2100-03-01 00:00:00.000 dow 1"},
        {{2000, 2, 0, 28, 0, 0, 0, 0}, 86400000ull, "2000-02-29 00:00:00.000 dow 2"},
        {{2009, 12, 0, 31, 23, 59, 59, 500}, 1500, "2010-01-01 00:00:01.000 dow 5"},
    };
    for (const Row &row : rows) {
        DeviceReset();
        DeviceSetLocalTime(row.start);
        DeviceAdvance(row.advance);
        EXPECT_EQ(Now(), row.expected) << "from " << Show(row.start) << " + " << row.advance;
    }
}

TEST(DeviceClock, TickCountWrapsWithLocalTimeAndRandomRepeatsPerSeed)
{
    DeviceReset();
    EXPECT_EQ(GetTickCount(), 1000u);
    DeviceSetTickCount(0xFFFFFFF0u);
    Sleep(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(Now(), "2009-08-03 07:05:09.032 dow 1") << "local time moves with the same clock";

    DeviceSeedRandom(7);
    DWORD first = Random(), second = Random();
    DeviceSeedRandom(7);
    EXPECT_EQ(Random(), first);
    EXPECT_EQ(Random(), second);
    EXPECT_NE(first, second);
}

} // namespace
