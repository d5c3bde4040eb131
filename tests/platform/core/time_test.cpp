#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

#include "platform/core/Files.h"
#include "platform/core/Time.h"
#include "support/ScopedEnv.h"

using velmora::test::ScopedEnv;

TEST(Time, LocalTimeToFileTimeFollowsTheZone)
{
    plat::LocalTime midnight{2000, 1, 0, 1, 0, 0, 0, 0};
    uint64_t fileTime = 0;
    {
        ScopedEnv zone("TZ", "UTC0");
        tzset();
        ASSERT_TRUE(plat::localTimeToFileTime(midnight, fileTime));
        EXPECT_EQ(fileTime, 125911584000000000ull);
        plat::LocalTime withMs{2000, 1, 0, 1, 0, 0, 1, 500};
        ASSERT_TRUE(plat::localTimeToFileTime(withMs, fileTime));
        EXPECT_EQ(fileTime, 125911584000000000ull + 15000000ull);
    }
    {
        // One hour east of UTC: local midnight is 23:00 UTC the day before.
        ScopedEnv zone("TZ", "XXX-1");
        tzset();
        ASSERT_TRUE(plat::localTimeToFileTime(midnight, fileTime));
        EXPECT_EQ(fileTime, 125911584000000000ull - 36000000000ull);
    }
    tzset();
}

TEST(Time, InvalidFieldsAreRefused)
{
    uint64_t fileTime = 0;
    auto valid = [&](uint16_t year, uint16_t month, uint16_t day, uint16_t hour = 0, uint16_t minute = 0,
                     uint16_t second = 0, uint16_t ms = 0) {
        return plat::localTimeToFileTime({year, month, 0, day, hour, minute, second, ms}, fileTime);
    };
    EXPECT_TRUE(valid(2024, 2, 29));
    EXPECT_FALSE(valid(2023, 2, 29));
    EXPECT_FALSE(valid(1900, 2, 29));
    EXPECT_TRUE(valid(2000, 2, 29));
    EXPECT_FALSE(valid(2024, 13, 1));
    EXPECT_FALSE(valid(2024, 0, 1));
    EXPECT_FALSE(valid(2024, 4, 31));
    EXPECT_FALSE(valid(2024, 1, 0));
    EXPECT_FALSE(valid(2024, 1, 1, 24));
    EXPECT_FALSE(valid(2024, 1, 1, 0, 60));
    EXPECT_FALSE(valid(2024, 1, 1, 0, 0, 60));
    EXPECT_FALSE(valid(2024, 1, 1, 0, 0, 0, 1000));
    EXPECT_FALSE(valid(1600, 12, 31));
    EXPECT_TRUE(valid(2024, 12, 31, 23, 59, 59, 999));
}

TEST(Time, LocalTimeAgreesWithTheClock)
{
    ScopedEnv zone("TZ", "UTC0");
    plat::LocalTime now = plat::localTime();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    EXPECT_LE(now.dayOfWeek, 6);
    EXPECT_LE(now.milliseconds, 999);
    uint64_t fileTime = 0;
    ASSERT_TRUE(plat::localTimeToFileTime(now, fileTime));
    timespec clock;
    clock_gettime(CLOCK_REALTIME, &clock);
    uint64_t expected = plat::fileTimeFromUnix(clock.tv_sec, clock.tv_nsec);
    // Within a few seconds: the clock moved on meanwhile.
    int64_t difference = static_cast<int64_t>(expected) - static_cast<int64_t>(fileTime);
    EXPECT_LT(std::llabs(difference), 5 * 10000000ll);
    // The day of the week of a reading taken between two clock readings
    // (they differ only when midnight falls between them).
    auto weekday = [] {
        time_t seconds = time(nullptr);
        tm fields;
        gmtime_r(&seconds, &fields);
        return fields.tm_wday;
    };
    const int before = weekday();
    const plat::LocalTime later = plat::localTime();
    const int after = weekday();
    EXPECT_TRUE(later.dayOfWeek == before || later.dayOfWeek == after);
}

TEST(Time, TicksAdvanceWithSleep)
{
    uint64_t before = plat::tickCount64();
    uint32_t before32 = plat::tickCount();
    plat::sleepMs(30);
    uint64_t after = plat::tickCount64();
    EXPECT_GE(after - before, 30u);
    EXPECT_LT(after - before, 5000u);
    EXPECT_GE(static_cast<uint32_t>(plat::tickCount() - before32), 30u);
    plat::sleepMs(0);
}
