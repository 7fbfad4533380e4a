// Time of the emulated handset: the system clock (which the control interface may freeze), calendar
// conversions and the handset's time zone (an IANA name resolved through ICU).
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace
{
constexpr const char* kDefaultZone = "UTC";
constexpr long long kSecondsPerDay = 86400;

struct ClockState
{
    bool frozen = false;
    long long frozenSeconds = 0;
    const char* zone = kDefaultZone; // points into g_zoneNames (or at kDefaultZone)
};

std::mutex g_timeMutex;
ClockState g_clock;
// Every zone name ever set stays here, so a pointer handed out by TmGetTimeZoneName stays valid
// when another thread changes the zone.
std::set<std::string> g_zoneNames;
// Zones resolved so far; ICU zone objects are costly to build.
std::map<std::string, std::unique_ptr<icu::TimeZone>> g_zoneCache;

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
long long DaysFromCivil(long long y, long long m, long long d)
{
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

long long FloorDiv(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// The ICU zone of an IANA name, or null when ICU does not know it. Caller holds g_timeMutex.
icu::TimeZone* LookUpZoneLocked(const std::string& name)
{
    auto it = g_zoneCache.find(name);
    if (it != g_zoneCache.end())
        return it->second.get();
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
    if (zone)
    {
        icu::UnicodeString id;
        icu::UnicodeString unknownId;
        zone->getID(id);
        icu::TimeZone::getUnknown().getID(unknownId);
        if (id == unknownId)
            zone.reset();
    }
    // Remember unknown names too (as null) so they are not looked up again.
    icu::TimeZone* result = zone.get();
    g_zoneCache.emplace(name, std::move(zone));
    return result;
}

const char* InternZoneLocked(const std::string& name)
{
    return g_zoneNames.insert(name).first->c_str();
}

long long ToLocalLocked(long long utcSeconds, const char* zoneName)
{
    if (zoneName == nullptr)
        return utcSeconds;
    icu::TimeZone* zone = LookUpZoneLocked(zoneName);
    if (zone == nullptr)
        return utcSeconds;
    int32_t rawOffset = 0;
    int32_t dstOffset = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone->getOffset(static_cast<UDate>(utcSeconds) * 1000.0, false, rawOffset, dstOffset, status);
    if (U_FAILURE(status))
        return utcSeconds;
    return utcSeconds + (static_cast<long long>(rawOffset) + dstOffset) / 1000;
}

long long NowLocked()
{
    if (g_clock.frozen)
        return g_clock.frozenSeconds;
    return static_cast<long long>(std::time(nullptr));
}

unsigned int ClampToU32(long long seconds)
{
    if (seconds < 0)
        return 0;
    if (seconds > 0xFFFFFFFFLL)
        return 0xFFFFFFFFu;
    return static_cast<unsigned int>(seconds);
}
} // namespace

namespace kiv::core
{
void ResetTime()
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    g_clock.frozen = false;
    g_clock.frozenSeconds = 0;
    g_clock.zone = kDefaultZone;
    const char* env = std::getenv("ULOG_TZ");
    if (env != nullptr && env[0] != '\0' && LookUpZoneLocked(env) != nullptr)
        g_clock.zone = InternZoneLocked(env);
}

bool ClockFrozen()
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    return g_clock.frozen;
}

void FreezeClock(unsigned int utcSeconds)
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    g_clock.frozen = true;
    g_clock.frozenSeconds = utcSeconds;
}

void AdvanceClock(int seconds)
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    if (!g_clock.frozen)
        return;
    long long next = g_clock.frozenSeconds + seconds;
    g_clock.frozenSeconds = ClampToU32(next);
}

void UnfreezeClock()
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    g_clock.frozen = false;
}

bool SetTimeZone(const char* ianaName)
{
    if (ianaName == nullptr || ianaName[0] == '\0')
        return false;
    std::lock_guard<std::mutex> lock(g_timeMutex);
    if (LookUpZoneLocked(ianaName) == nullptr)
        return false;
    g_clock.zone = InternZoneLocked(ianaName);
    return true;
}
} // namespace kiv::core

namespace
{
// The zone of $ULOG_TZ holds from load, not only after the first reset.
struct TimeInit
{
    TimeInit() { kiv::core::ResetTime(); }
} g_timeInit;
} // namespace

extern "C" unsigned int TmGetTime(void)
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    return ClampToU32(NowLocked());
}

extern "C" void TmSecondsToDateTime64(long long seconds, TM_DATETIME* dateTime)
{
    if (dateTime == nullptr)
        return;
    const long long days = FloorDiv(seconds, kSecondsPerDay);
    const long long rest = seconds - days * kSecondsPerDay;
    CivilFromDays(days, dateTime->nYear, dateTime->nMonth, dateTime->nDay);
    dateTime->nHour = static_cast<int>(rest / 3600);
    dateTime->nMinute = static_cast<int>((rest % 3600) / 60);
    dateTime->nSecond = static_cast<int>(rest % 60);
}

extern "C" void TmSecondsToDateTime(unsigned int seconds, TM_DATETIME* dateTime)
{
    TmSecondsToDateTime64(static_cast<long long>(seconds), dateTime);
}

// Fields outside their ranges carry over (month 13 is January of the next year, second 60 the next
// minute), as the platform's mktime does. A date before 1970 or after the 32-bit range gives 0.
extern "C" unsigned int TmDateTimeToSeconds(const TM_DATETIME* dateTime)
{
    if (dateTime == nullptr)
        return 0;
    long long month0 = static_cast<long long>(dateTime->nMonth) - 1;
    long long year = static_cast<long long>(dateTime->nYear) + FloorDiv(month0, 12);
    month0 -= FloorDiv(month0, 12) * 12;
    const long long days = DaysFromCivil(year, month0 + 1, 1) + (static_cast<long long>(dateTime->nDay) - 1);
    const long long seconds = days * kSecondsPerDay + static_cast<long long>(dateTime->nHour) * 3600 +
                              static_cast<long long>(dateTime->nMinute) * 60 + dateTime->nSecond;
    if (seconds < 0 || seconds > 0xFFFFFFFFLL)
        return 0;
    return static_cast<unsigned int>(seconds);
}

extern "C" const char* TmGetTimeZoneName(void)
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    return g_clock.zone;
}

extern "C" long long TmConvertUTC2TimeZoneLocal64(long long utcSeconds, const char* zoneName)
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    return ToLocalLocked(utcSeconds, zoneName);
}

extern "C" unsigned int TmGetLocalTime(void)
{
    std::lock_guard<std::mutex> lock(g_timeMutex);
    return ClampToU32(ToLocalLocked(NowLocked(), g_clock.zone));
}
