// Locale formats and string resources of the application framework, built on ICU.
#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivAppFrmwk/KivAppFrmwkInternal.h"
#include "KivGWESCore/KivGWESCore.h"

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace
{
constexpr const char* kDefaultLocale = "en_US";

constexpr unsigned long kDateMask = 0xFFul;
constexpr unsigned long kTimeMask = 0xF000ul;

struct LocaleState
{
    icu::Locale locale{kDefaultLocale};
    int dateCode = 0x19;
    int timeCode = 0x3000;
    std::unique_ptr<icu::DateTimePatternGenerator> generator;
    std::map<unsigned long, std::unique_ptr<icu::SimpleDateFormat>> formats; // by date and time part
    icu::UnicodeString today;
    icu::UnicodeString yesterday;
    bool bBuilt = false; // the generator, the codes and the day words above are built (on first use)
    bool bDateCodeSet = false;
    bool bTimeCodeSet = false;
};

std::mutex g_localeMutex;
LocaleState g_state;

bool KnownLocale(const icu::Locale& locale)
{
    if (locale.isBogus() || locale.getLanguage()[0] == '\0')
        return false;
    int32_t count = 0;
    const icu::Locale* available = icu::Locale::getAvailableLocales(count);
    for (int32_t i = 0; i < count; ++i)
    {
        if (std::strcmp(available[i].getLanguage(), locale.getLanguage()) == 0)
            return true;
    }
    return false;
}

icu::UnicodeString BestPattern(LocaleState& state, const char* skeleton)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString pattern;
    if (state.generator)
        pattern = state.generator->getBestPattern(icu::UnicodeString(skeleton, -1, US_INV), status);
    if (!state.generator || U_FAILURE(status) || pattern.isEmpty())
        pattern = icu::UnicodeString(skeleton, -1, US_INV);
    return pattern;
}

// The first pattern letter of the set, outside quoted text; 0 when none.
UChar FirstLetterOf(const icu::UnicodeString& pattern, const char16_t* letters)
{
    bool quoted = false;
    for (int32_t i = 0; i < pattern.length(); ++i)
    {
        const UChar c = pattern.charAt(i);
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && std::char_traits<char16_t>::find(
                                letters, std::char_traits<char16_t>::length(letters), c) != nullptr)
            return c;
    }
    return 0;
}

icu::UnicodeString RelativeDayWord(const icu::Locale& locale, UDateDirection direction,
                                   const char16_t* fallback)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter formatter(locale, nullptr, UDAT_STYLE_LONG,
                                             UDISPCTX_CAPITALIZATION_FOR_BEGINNING_OF_SENTENCE, status);
    icu::UnicodeString word;
    if (U_SUCCESS(status))
        formatter.format(direction, UDAT_ABSOLUTE_DAY, word, status);
    if (U_FAILURE(status) || word.isEmpty())
        word = icu::UnicodeString(fallback);
    return word;
}

// Everything that depends on the locale. ICU takes its time: built when a format or a word is first
// asked for, not when the library is loaded or the locale chosen.
LocaleState BuildState(const icu::Locale& locale)
{
    LocaleState state;
    state.locale = locale;
    state.bBuilt = true;
    UErrorCode status = U_ZERO_ERROR;
    state.generator.reset(icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status))
        state.generator.reset();

    const UChar first = FirstLetterOf(BestPattern(state, "yMd"), u"yMd");
    state.dateCode = first == u'y' ? 0x20 : first == u'd' ? 0x30 : 0x19;
    const UChar hour = FirstLetterOf(BestPattern(state, "j"), u"hHkK");
    state.timeCode = (hour == u'h' || hour == u'K') ? 0x3000 : 0x1000;

    state.today = RelativeDayWord(locale, UDAT_DIRECTION_THIS, u"Today");
    state.yesterday = RelativeDayWord(locale, UDAT_DIRECTION_LAST, u"Yesterday");
    return state;
}

void ApplyLocale(const icu::Locale& locale)
{
    std::lock_guard<std::mutex> lock(g_localeMutex);
    g_state = LocaleState{};
    g_state.locale = locale;
}

// The state of the current locale, built now if it was not yet. Caller holds g_localeMutex.
LocaleState& BuiltLocked()
{
    if (!g_state.bBuilt)
    {
        LocaleState fresh = BuildState(g_state.locale);
        if (g_state.bDateCodeSet)
            fresh.dateCode = g_state.dateCode;
        if (g_state.bTimeCodeSet)
            fresh.timeCode = g_state.timeCode;
        g_state = std::move(fresh);
    }
    return g_state;
}

icu::UnicodeString DatePattern(LocaleState& state, unsigned long datePart)
{
    const unsigned long style = (datePart >> 4) & 0xF;
    const unsigned long low = datePart & 0xF;
    switch (style)
    {
    case 0x1:
    {
        const bool twoDigits = (low & 0x8) != 0;
        const char16_t* month = twoDigits ? u"MM" : u"M";
        const char16_t* day = twoDigits ? u"dd" : u"d";
        icu::UnicodeString p;
        switch (low & 0x3)
        {
        case 0:
            return p.append(u"yyyy/").append(month).append(u"/").append(day);
        case 1:
            return p.append(month).append(u"/").append(day).append(u"/yyyy");
        case 2:
            return p.append(day).append(u"/").append(month).append(u"/yyyy");
        default:
            return BestPattern(state, twoDigits ? "yMMdd" : "yMd");
        }
    }
    case 0x2:
        return icu::UnicodeString(u"yyyy-MM-dd");
    case 0x3:
        return icu::UnicodeString(u"dd.MM.yyyy");
    case 0xB:
        return BestPattern(state, "MMMd");
    case 0xC:
        return BestPattern(state, "Md");
    case 0x4:
        if (low == 0x9)
            return BestPattern(state, "yMMMd");
        if (low == 0xA)
            return BestPattern(state, "yMMMMd");
        if (low == 0xB)
            return BestPattern(state, "yMMMMEEEEd");
        return BestPattern(state, "yMd");
    default:
        return BestPattern(state, "yMd");
    }
}

icu::UnicodeString TimePattern(LocaleState& state, unsigned long timePart)
{
    switch ((timePart >> 12) & 0xF)
    {
    case 0x1:
        return icu::UnicodeString(u"HH:mm");
    case 0x2:
        return icu::UnicodeString(u"HH:mm:ss");
    case 0x3:
        return icu::UnicodeString(u"h:mm a");
    case 0x4:
        return icu::UnicodeString(u"hh:mm a");
    case 0x5:
        return icu::UnicodeString(u"h:mm:ss a");
    default:
        return BestPattern(state, "jmm");
    }
}

// The formatter of a flag word, built on first use. Caller holds g_localeMutex.
icu::SimpleDateFormat* FormatterLocked(unsigned long flags)
{
    const unsigned long key = flags & (kDateMask | kTimeMask);
    BuiltLocked();
    auto it = g_state.formats.find(key);
    if (it != g_state.formats.end())
        return it->second.get();
    icu::UnicodeString pattern;
    if ((key & kDateMask) != 0)
        pattern = DatePattern(g_state, key & kDateMask);
    if ((key & kTimeMask) != 0)
    {
        if (!pattern.isEmpty())
            pattern.append(u' ');
        pattern.append(TimePattern(g_state, key & kTimeMask));
    }
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(pattern, g_state.locale, status);
    if (U_FAILURE(status))
        return nullptr;
    format->adoptTimeZone(icu::TimeZone::createTimeZone(u"Etc/UTC"));
    icu::SimpleDateFormat* result = format.get();
    g_state.formats.emplace(key, std::move(format));
    return result;
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool ValidRecord(const TM_DATETIME& dt)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (dt.nYear < 1 || dt.nYear > 9999 || dt.nMonth < 1 || dt.nMonth > 12)
        return false;
    const int days = kDays[dt.nMonth - 1] + ((dt.nMonth == 2 && IsLeap(dt.nYear)) ? 1 : 0);
    return dt.nDay >= 1 && dt.nDay <= days && dt.nHour >= 0 && dt.nHour <= 23 && dt.nMinute >= 0 &&
           dt.nMinute <= 59 && dt.nSecond >= 0 && dt.nSecond <= 59;
}

// Milliseconds since 1970 of the record read as UTC (proleptic Gregorian).
UDate RecordToUDate(const TM_DATETIME& dt)
{
    long long y = dt.nYear;
    const long long m = dt.nMonth;
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + dt.nDay - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = era * 146097 + doe - 719468;
    const long long seconds = days * 86400 + dt.nHour * 3600LL + dt.nMinute * 60LL + dt.nSecond;
    return static_cast<UDate>(seconds) * 1000.0;
}

// The text of a record per the flags, with the locale's special blanks made plain.
bool FormatRecord(const TM_DATETIME* dateTime, unsigned long flags, icu::UnicodeString& text)
{
    if (dateTime == nullptr || (flags & (kDateMask | kTimeMask)) == 0 || !ValidRecord(*dateTime))
        return false;
    std::lock_guard<std::mutex> lock(g_localeMutex);
    icu::SimpleDateFormat* format = FormatterLocked(flags);
    if (format == nullptr)
        return false;
    format->format(RecordToUDate(*dateTime), text);
    text.findAndReplace(icu::UnicodeString(u'\u202F'), icu::UnicodeString(u' '));
    text.findAndReplace(icu::UnicodeString(u'\u00A0'), icu::UnicodeString(u' '));
    return true;
}

// Bounded copy of 16-bit text that never ends on the first half of a surrogate pair.
int CopyUnits(const icu::UnicodeString& text, WCHAR* dest, int destUnits)
{
    if (dest == nullptr || destUnits <= 0)
        return 0;
    int32_t n = text.length();
    if (n > destUnits - 1)
    {
        n = destUnits - 1;
        if (n > 0 && U16_IS_LEAD(text.charAt(n - 1)))
            --n;
    }
    for (int32_t i = 0; i < n; ++i)
        dest[i] = static_cast<WCHAR>(text.charAt(i));
    dest[n] = 0;
    return n;
}
} // namespace

namespace kiv::appfrmwk
{
void ResetLocale()
{
    icu::Locale locale(kDefaultLocale);
    const char* env = std::getenv("ULOG_LOCALE");
    if (env != nullptr && env[0] != '\0')
    {
        icu::Locale wanted = icu::Locale::createFromName(env);
        if (KnownLocale(wanted))
            locale = wanted;
    }
    ApplyLocale(locale);
}

bool SetLocale(const char* localeName)
{
    if (localeName == nullptr || localeName[0] == '\0')
        return false;
    icu::Locale wanted = icu::Locale::createFromName(localeName);
    if (!KnownLocale(wanted))
        return false;
    ApplyLocale(wanted);
    return true;
}

void SetDefaultDateFormat(int code)
{
    std::lock_guard<std::mutex> lock(g_localeMutex);
    g_state.dateCode = code;
    g_state.bDateCodeSet = true;
}

void SetDefaultTimeFormat(int code)
{
    std::lock_guard<std::mutex> lock(g_localeMutex);
    g_state.timeCode = code;
    g_state.bTimeCodeSet = true;
}
} // namespace kiv::appfrmwk

namespace
{
// Chooses the locale before the first use when no reset came first (nothing is built yet).
struct LocaleInit
{
    LocaleInit() { kiv::appfrmwk::ResetLocale(); }
} g_localeInit;
} // namespace

extern "C" int LocGetDefaultDateFormat(void)
{
    std::lock_guard<std::mutex> lock(g_localeMutex);
    return BuiltLocked().dateCode;
}

extern "C" int LocGetDefaultTimeFormat(void)
{
    std::lock_guard<std::mutex> lock(g_localeMutex);
    return BuiltLocked().timeCode;
}

extern "C" int LocGetDateTimeFormatEx(const TM_DATETIME* dateTime, unsigned long flags, int reserved,
                                      char* dest, int destSize)
{
    (void)reserved;
    if (dest == nullptr || destSize <= 0)
        return 0;
    dest[0] = '\0';
    icu::UnicodeString text;
    if (!FormatRecord(dateTime, flags, text))
        return 0;
    return WmConvert2LCode(dest, destSize, reinterpret_cast<const WCHAR*>(text.getTerminatedBuffer()));
}

extern "C" int LocGetDateTimeFormat(const TM_DATETIME* dateTime, unsigned long flags, int reserved,
                                    WCHAR* dest, int destUnits)
{
    (void)reserved;
    if (dest == nullptr || destUnits <= 0)
        return 0;
    dest[0] = 0;
    icu::UnicodeString text;
    if (!FormatRecord(dateTime, flags, text))
        return 0;
    return CopyUnits(text, dest, destUnits);
}

extern "C" int RsrcLoadString(unsigned int id, WCHAR* dest, int destUnits)
{
    if (dest == nullptr || destUnits <= 0)
        return 0;
    icu::UnicodeString text;
    switch (id)
    {
    case RSRC_STR_TODAY:
    {
        std::lock_guard<std::mutex> lock(g_localeMutex);
        text = BuiltLocked().today;
        break;
    }
    case RSRC_STR_YESTERDAY:
    {
        std::lock_guard<std::mutex> lock(g_localeMutex);
        text = BuiltLocked().yesterday;
        break;
    }
    case RSRC_STR_MISSED_CALLS:
        text = u"Missed calls";
        break;
    case RSRC_STR_RECEIVED_CALLS:
        text = u"Received calls";
        break;
    case RSRC_STR_DIALLED_CALLS:
        text = u"Dialled calls";
        break;
    default:
        dest[0] = 0;
        return 0;
    }
    return CopyUnits(text, dest, destUnits);
}
