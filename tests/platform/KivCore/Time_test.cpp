// Clock, calendar conversions and time zones of the core library.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace
{
using TimeTest = ulogtest::PlatformTest;

TM_DATETIME Split(long long seconds)
{
    TM_DATETIME dt{};
    TmSecondsToDateTime64(seconds, &dt);
    return dt;
}

std::string Text(const TM_DATETIME& dt)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.nYear, dt.nMonth, dt.nDay, dt.nHour,
                  dt.nMinute, dt.nSecond);
    return buf;
}

// 2026-07-01 12:00:00 UTC and 2026-01-15 12:00:00 UTC.
constexpr unsigned int kSummerNoon = 1782907200u;
constexpr unsigned int kWinterNoon = 1768478400u;
} // namespace

TEST_F(TimeTest, SplitsSecondsIntoCalendarFields)
{
    EXPECT_EQ(Text(Split(0)), "1970-01-01 00:00:00");
    EXPECT_EQ(Text(Split(951782400)), "2000-02-29 00:00:00");
    EXPECT_EQ(Text(Split(951868799)), "2000-02-29 23:59:59");
    EXPECT_EQ(Text(Split(4107542400LL)), "2100-03-01 00:00:00"); // 2100 is no leap year
    EXPECT_EQ(Text(Split(0xFFFFFFFFLL)), "2106-02-07 06:28:15");
    EXPECT_EQ(Text(Split(-1)), "1969-12-31 23:59:59");
    EXPECT_EQ(Text(Split(kSummerNoon)), "2026-07-01 12:00:00");

    TM_DATETIME dt{};
    TmSecondsToDateTime(1234567890u, &dt);
    EXPECT_EQ(Text(dt), "2009-02-13 23:31:30");
    TmSecondsToDateTime(0, nullptr); // must not crash
}

TEST_F(TimeTest, CalendarFieldsRoundTripToSeconds)
{
    // Every 7 hours 13 minutes over the whole 32-bit range, so leap days and year ends are crossed.
    for (long long s = 0; s <= 0xFFFFFFFFLL; s += 7 * 3600 + 13 * 60 + 7)
    {
        TM_DATETIME dt = Split(s);
        ASSERT_EQ(TmDateTimeToSeconds(&dt), static_cast<unsigned int>(s)) << Text(dt);
    }
    // And against the host's own calendar.
    for (long long s = 0; s < 0x7FFFFFFFLL; s += 86400LL * 97 + 3599)
    {
        const time_t t = static_cast<time_t>(s);
        struct tm host = {};
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", gmtime_r(&t, &host));
        ASSERT_EQ(Text(Split(s)), text);
    }
}

TEST_F(TimeTest, OutOfRangeFieldsCarryOverAndOutOfRangeDatesGiveZero)
{
    TM_DATETIME dt{2025, 13, 1, 0, 0, 0}; // month 13 = January 2026
    EXPECT_EQ(TmDateTimeToSeconds(&dt), 1767225600u);
    TM_DATETIME leap{2024, 2, 29, 23, 59, 60}; // second 60 = next minute
    EXPECT_EQ(Text(Split(TmDateTimeToSeconds(&leap))), "2024-03-01 00:00:00");
    TM_DATETIME before{1969, 12, 31, 23, 59, 59};
    EXPECT_EQ(TmDateTimeToSeconds(&before), 0u);
    TM_DATETIME after{2106, 2, 7, 6, 28, 16};
    EXPECT_EQ(TmDateTimeToSeconds(&after), 0u);
    EXPECT_EQ(TmDateTimeToSeconds(nullptr), 0u);
}

TEST_F(TimeTest, FrozenClockIsControlledAndRunningClockFollowsTheSystem)
{
    const unsigned int before = static_cast<unsigned int>(std::time(nullptr));
    const unsigned int now = TmGetTime();
    EXPECT_GE(now, before);
    EXPECT_LE(now, before + 5);
    EXPECT_FALSE(kiv::core::ClockFrozen());

    UlogCtlAdvanceClock(100); // ignored while running
    EXPECT_FALSE(kiv::core::ClockFrozen());

    UlogCtlFreezeClock(kSummerNoon);
    EXPECT_TRUE(kiv::core::ClockFrozen());
    EXPECT_EQ(TmGetTime(), kSummerNoon);
    UlogCtlAdvanceClock(3600);
    EXPECT_EQ(TmGetTime(), kSummerNoon + 3600);
    UlogCtlAdvanceClock(-7200);
    EXPECT_EQ(TmGetTime(), kSummerNoon - 3600);

    UlogCtlFreezeClock(10);
    UlogCtlAdvanceClock(-100); // never below 0
    EXPECT_EQ(TmGetTime(), 0u);

    UlogCtlUnfreezeClock();
    EXPECT_FALSE(kiv::core::ClockFrozen());
    EXPECT_GE(TmGetTime(), before);

    UlogCtlFreezeClock(5);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_FALSE(kiv::core::ClockFrozen()) << "a reset lets the clock run again";
}

TEST_F(TimeTest, ZonesConvertWithTheirOffsetsAndDaylightSaving)
{
    EXPECT_STREQ(TmGetTimeZoneName(), "UTC");
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kSummerNoon, "UTC"), kSummerNoon);
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kSummerNoon, "Asia/Tokyo"), kSummerNoon + 9 * 3600LL);
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kSummerNoon, "Asia/Kolkata"), kSummerNoon + 5 * 3600LL + 1800);
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kSummerNoon, "America/New_York"), kSummerNoon - 4 * 3600LL);
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kWinterNoon, "America/New_York"), kWinterNoon - 5 * 3600LL);
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kWinterNoon, "Australia/Sydney"), kWinterNoon + 11 * 3600LL);
    // Unknown or missing zones leave the time as it is.
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kSummerNoon, "Mars/Olympus_Mons"), kSummerNoon);
    EXPECT_EQ(TmConvertUTC2TimeZoneLocal64(kSummerNoon, nullptr), kSummerNoon);
}

TEST_F(TimeTest, HandsetZoneIsASettingThatRefusesUnknownNames)
{
    UlogCtlFreezeClock(kSummerNoon);
    EXPECT_EQ(TmGetLocalTime(), kSummerNoon);

    ASSERT_TRUE(UlogCtlSetTimeZone("Europe/Berlin"));
    EXPECT_STREQ(TmGetTimeZoneName(), "Europe/Berlin");
    EXPECT_EQ(TmGetLocalTime(), kSummerNoon + 2 * 3600);
    EXPECT_EQ(TmGetTime(), kSummerNoon) << "the system clock stays UTC";

    const char* held = TmGetTimeZoneName();
    EXPECT_FALSE(UlogCtlSetTimeZone("Not/A_Zone"));
    EXPECT_FALSE(UlogCtlSetTimeZone(""));
    EXPECT_FALSE(UlogCtlSetTimeZone(nullptr));
    EXPECT_STREQ(TmGetTimeZoneName(), "Europe/Berlin");

    ASSERT_TRUE(UlogCtlSetTimeZone("America/Los_Angeles"));
    EXPECT_EQ(TmGetLocalTime(), kSummerNoon - 7 * 3600);
    EXPECT_STREQ(held, "Europe/Berlin") << "a name handed out earlier stays readable";

    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_STREQ(TmGetTimeZoneName(), "UTC");
}

TEST_F(TimeTest, ResetTakesTheZoneFromTheEnvironment)
{
    // An unknown zone falls back to UTC, and so does none.
    const char* const cases[][2] = {
        {"Asia/Tokyo", "Asia/Tokyo"}, {"Nowhere/Special", "UTC"}, {nullptr, "UTC"}};
    for (const auto& c : cases)
    {
        ASSERT_EQ(c[0] != nullptr ? setenv("ULOG_TZ", c[0], 1) : unsetenv("ULOG_TZ"), 0);
        ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
        EXPECT_STREQ(TmGetTimeZoneName(), c[1]) << (c[0] != nullptr ? c[0] : "no zone");
    }
}

TEST_F(TimeTest, ConcurrentZoneChangesAndReadsSeeWholeStates)
{
    UlogCtlFreezeClock(kSummerNoon);
    ASSERT_TRUE(UlogCtlSetTimeZone("Asia/Tokyo"));
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i)
    {
        readers.emplace_back(
            [&]
            {
                while (!stop.load())
                {
                    const unsigned int local = TmGetLocalTime();
                    if (local != kSummerNoon + 9 * 3600 && local != kSummerNoon - 4 * 3600)
                        ++bad;
                    const std::string name = TmGetTimeZoneName();
                    if (name != "Asia/Tokyo" && name != "America/New_York")
                        ++bad;
                }
            });
    }
    for (int i = 0; i < 2000; ++i)
        UlogCtlSetTimeZone(i % 2 == 0 ? "America/New_York" : "Asia/Tokyo");
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(bad.load(), 0);
}
