// Display formatting of the service: call durations, dates and times of logs in the handset's locale
// and time zone, and call costs from advice-of-charge data.
#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcUtilFormat"
#include "H/UlogSvcDef.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "UlogSvcSimMgr/CUlogSvcSimMgr.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivGWESCore/KivGWESCore.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{
constexpr int kTextLen = ULOG_DATE_TIME_TEXT_LEN;
constexpr long long kSecondsPerDay = 86400;

/* ---- Locale code mappings ---------------------------------------------------------------------- */

// Full date: the numeric date in the order the user's date code asks for.
unsigned long FullDateFlags(int dateCode)
{
    switch (dateCode)
    {
    case 0x20:
    case 0x49:
        return 0x18;
    case 0x30:
    case 0x4A:
        return 0x1A;
    case 0x40:
    case 0x4B:
        return 0x1B;
    default:
        return 0x19;
    }
}

// Short date (no year).
unsigned long ShortDateFlags(int dateCode)
{
    switch (dateCode)
    {
    case 0x20:
    case 0x40:
    case 0x49:
    case 0x4B:
        return 0xB0;
    default:
        return 0xC0;
    }
}

// Time beside a full date.
unsigned long DateTimeTimeFlags(int timeCode)
{
    return (timeCode == 0x3000 || timeCode == 0x4000 || timeCode == 0x5000) ? 0x5000 : 0x1000;
}

// Time alone.
unsigned long ClockTimeFlags(int timeCode)
{
    return (timeCode == 0x3000 || timeCode == 0x4000 || timeCode == 0x5000 || timeCode == 0x6000) ? 0x3000
                                                                                                  : 0x1000;
}

// Time beside a short date.
unsigned long ShortTimeFlags(int timeCode)
{
    return (timeCode == 0x3000 || timeCode == 0x4000 || timeCode == 0x5000) ? 0x4000 : 0x1000;
}

/* ---- Local days -------------------------------------------------------------------------------- */

enum class Day
{
    Today,
    Yesterday,
    Other
};

bool SameDay(const TM_DATETIME& a, const TM_DATETIME& b)
{
    return a.nYear == b.nYear && a.nMonth == b.nMonth && a.nDay == b.nDay;
}

// Which day of the handset's calendar the local record falls on.
Day DayOf(const TM_DATETIME& local)
{
    const long long now = static_cast<long long>(TmGetLocalTime());
    TM_DATETIME today{};
    TM_DATETIME yesterday{};
    TmSecondsToDateTime64(now, &today);
    TmSecondsToDateTime64(now - kSecondsPerDay, &yesterday);
    if (SameDay(local, today))
        return Day::Today;
    if (SameDay(local, yesterday))
        return Day::Yesterday;
    return Day::Other;
}

TM_DATETIME LocalRecord(unsigned long t)
{
    TM_DATETIME dt{};
    TmSecondsToDateTime64(static_cast<long long>(CUlogSvcUtil::ConvertUTC2Local(t)), &dt);
    return dt;
}

// "<word> <time>" in the local code page, bounded by the 50 places of the list texts.
void WordAndTime(unsigned int wordId, const TM_DATETIME& local, unsigned long timeFlags, char* pszOut)
{
    WCHAR text[2 * kTextLen];
    int n = RsrcLoadString(wordId, text, kTextLen);
    text[n++] = u' ';
    LocGetDateTimeFormat(&local, timeFlags, 0, text + n, static_cast<int>(sizeof text / sizeof text[0]) - n);
    WmConvert2LCode(pszOut, kTextLen, text);
}

/* ---- Call cost --------------------------------------------------------------------------------- */

using u128 = unsigned __int128;

constexpr u128 Pow10(long long k)
{
    u128 r = 1;
    for (long long i = 0; i < k; ++i)
        r *= 10;
    return r;
}

// |10^e x ppu x units| in cents, rounded half away from zero, computed exactly. False when it does
// not fit 10^36.
bool CostInCents(unsigned long units, int ppu, long long e, u128& cents)
{
    const u128 limit = Pow10(38);
    const u128 magnitude =
        static_cast<u128>(ppu < 0 ? -static_cast<long long>(ppu) : static_cast<long long>(ppu)) * units;
    if (magnitude == 0)
    {
        cents = 0;
        return true;
    }
    const long long shift = e + 2; // cents = magnitude x 10^shift
    if (shift >= 0)
    {
        if (shift > 38)
            return false;
        const u128 scale = Pow10(shift);
        if (magnitude > limit / scale)
            return false;
        cents = magnitude * scale;
        return true;
    }
    if (-shift > 38)
    {
        cents = 0;
        return true;
    }
    const u128 divisor = Pow10(-shift);
    cents = magnitude / divisor;
    if ((magnitude % divisor) * 2 >= divisor)
        ++cents;
    return true;
}

std::string Digits(u128 v)
{
    std::string s;
    do
    {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v != 0);
    return s;
}

// The value without trailing zeros: 6, 5.5, 3.75.
std::string CostText(bool negative, u128 cents)
{
    std::string text = (negative && cents != 0) ? "-" : "";
    text += Digits(cents / 100);
    const int fraction = static_cast<int>(cents % 100);
    if (fraction == 0)
        return text;
    text += '.';
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0)
        text += static_cast<char>('0' + fraction % 10);
    return text;
}
} // namespace

unsigned long long CUlogSvcUtil::ConvertUTC2Local(unsigned long long t)
{
    const char* zone = TmGetTimeZoneName();
    const long long local = TmConvertUTC2TimeZoneLocal64(static_cast<long long>(t), zone);
    TM_DATETIME utc{};
    TM_DATETIME loc{};
    TmSecondsToDateTime64(static_cast<long long>(t), &utc);
    TmSecondsToDateTime64(local, &loc);
    SysDebugPrintf(ULOG_DBG_DETAIL,
                   "CUlogSvcUtil::ConvertUTC2Local- UTC Time (Y:M:D(%d/%d/%d), H:M:S(%d:%d:%d))\n", utc.nYear,
                   utc.nMonth, utc.nDay, utc.nHour, utc.nMinute, utc.nSecond);
    SysDebugPrintf(ULOG_DBG_DETAIL,
                   "CUlogSvcUtil::ConvertUTC2Local- LocalTime (Y:M:D(%d/%d/%d), H:M:S(%d:%d:%d))\n",
                   loc.nYear, loc.nMonth, loc.nDay, loc.nHour, loc.nMinute, loc.nSecond);
    return local < 0 ? 0 : static_cast<unsigned long long>(local);
}

BOOL CUlogSvcUtil::MakeDateTimeFormat(unsigned long t, char* pszBuf, int nBufLen)
{
    if (!ULOG_REQUIRE_T(pszBuf != nullptr, "pszBuf != NULL"))
        return FALSE;
    if (!ULOG_REQUIRE(nBufLen > 0))
        return FALSE;
    TM_DATETIME dt{};
    TmSecondsToDateTime64(static_cast<long long>(t), &dt);
    const unsigned long flags =
        FullDateFlags(LocGetDefaultDateFormat()) | DateTimeTimeFlags(LocGetDefaultTimeFormat());
    return LocGetDateTimeFormatEx(&dt, flags, 0, pszBuf, nBufLen) > 0 ? TRUE : FALSE;
}

BOOL CUlogSvcUtil::ConvertCallTimeFormat(unsigned long sec, char* pszTimeFormat, int nLen)
{
    if (!ULOG_REQUIRE_T(pszTimeFormat != nullptr, "pszTimeFormat != NULL"))
        return FALSE;
    if (!ULOG_REQUIRE(nLen > 0))
        return FALSE;
    AcSprintfSEx(pszTimeFormat, static_cast<size_t>(nLen), ULOG_SRC_MODULE, __LINE__, "%02lu:%02lu:%02lu",
                 sec / 3600, (sec % 3600) / 60, sec % 60);
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertCallTimeFormat(unsigned long t, char* pszTimeFormat)
{
    if (!ULOG_REQUIRE_T(pszTimeFormat != nullptr, "pszTimeFormat != NULL"))
        return FALSE;
    const TM_DATETIME local = LocalRecord(t);
    LocGetDateTimeFormatEx(&local, ClockTimeFlags(LocGetDefaultTimeFormat()), 0, pszTimeFormat, kTextLen);
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertDateFormat(unsigned long t, unsigned short* pmszDateFormat, int nLen)
{
    if (!ULOG_REQUIRE_T(pmszDateFormat != nullptr, "pmszDateFormat != NULL"))
        return FALSE;
    if (!ULOG_REQUIRE(nLen > 0))
        return FALSE;
    const unsigned long long localSec = ConvertUTC2Local(t);
    if (localSec == 0)
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcUtil::ConvertDateFormat: localTimeSec (%d) !!\n", 0);
    TM_DATETIME local{};
    TmSecondsToDateTime64(static_cast<long long>(localSec), &local);
    // The caller's length bounds every form, the date as much as the words.
    const int units = nLen < kTextLen ? nLen : kTextLen;
    switch (DayOf(local))
    {
    case Day::Today:
        RsrcLoadString(RSRC_STR_TODAY, pmszDateFormat, units);
        break;
    case Day::Yesterday:
        RsrcLoadString(RSRC_STR_YESTERDAY, pmszDateFormat, units);
        break;
    case Day::Other:
        LocGetDateTimeFormat(&local, FullDateFlags(LocGetDefaultDateFormat()), 0, pmszDateFormat, units);
        break;
    }
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertDateTimeFormat(unsigned long t, char* pszDateTime)
{
    if (!ULOG_REQUIRE_T(pszDateTime != nullptr, "pszDateTime != NULL"))
        return FALSE;
    const TM_DATETIME local = LocalRecord(t);
    const unsigned long flags =
        FullDateFlags(LocGetDefaultDateFormat()) | DateTimeTimeFlags(LocGetDefaultTimeFormat());
    LocGetDateTimeFormatEx(&local, flags, 0, pszDateTime, kTextLen);
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertDateTimeFormatForZoomedList(unsigned long t, char* pszDateTime)
{
    if (!ULOG_REQUIRE_T(pszDateTime != nullptr, "pszDateTime != NULL"))
        return FALSE;
    const TM_DATETIME local = LocalRecord(t);
    const unsigned long flags =
        ShortDateFlags(LocGetDefaultDateFormat()) | ShortTimeFlags(LocGetDefaultTimeFormat());
    LocGetDateTimeFormatEx(&local, flags, 0, pszDateTime, kTextLen);
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertDateTimeFormatForMissedPopup(unsigned long t, char* pszDateTime)
{
    if (!ULOG_REQUIRE_T(pszDateTime != nullptr, "pszDateTime != NULL"))
        return FALSE;
    const TM_DATETIME local = LocalRecord(t);
    const unsigned long timeFlags = ClockTimeFlags(LocGetDefaultTimeFormat());
    switch (DayOf(local))
    {
    case Day::Today:
        WordAndTime(RSRC_STR_TODAY, local, timeFlags, pszDateTime);
        break;
    case Day::Yesterday:
        WordAndTime(RSRC_STR_YESTERDAY, local, timeFlags, pszDateTime);
        break;
    case Day::Other:
        LocGetDateTimeFormatEx(&local, static_cast<unsigned long>(LocGetDefaultDateFormat()) | timeFlags, 0,
                               pszDateTime, kTextLen);
        break;
    }
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertDateTimeFormatForMainList(unsigned long t, char* pszDateTime)
{
    if (!ULOG_REQUIRE_T(pszDateTime != nullptr, "pszDateTime != NULL"))
        return FALSE;
    const TM_DATETIME local = LocalRecord(t);
    switch (DayOf(local))
    {
    case Day::Today:
        LocGetDateTimeFormatEx(&local, static_cast<unsigned long>(LocGetDefaultTimeFormat()), 0, pszDateTime,
                               kTextLen);
        break;
    case Day::Yesterday:
    {
        WCHAR word[kTextLen];
        RsrcLoadString(RSRC_STR_YESTERDAY, word, kTextLen);
        WmConvert2LCode(pszDateTime, kTextLen, word);
        break;
    }
    case Day::Other:
        LocGetDateTimeFormatEx(&local, static_cast<unsigned long>(LocGetDefaultDateFormat()), 0, pszDateTime,
                               kTextLen);
        break;
    }
    return TRUE;
}

BOOL CUlogSvcUtil::MakeCallCostFormat(unsigned long flags, unsigned long units, int ppu, int expSign,
                                      int exponent, char const* pszCurrencyCode, int nCurrencyLength,
                                      unsigned short* pmszBuf)
{
    if (!ULOG_REQUIRE_T(pszCurrencyCode != nullptr, "pszCurrencyCode != NULL"))
        return FALSE;
    if (!ULOG_REQUIRE_T(nCurrencyLength <= 3, "nCurrencyLength <= SIM_CURRENCY_CODE_LEN_MAX"))
        return FALSE;
    if (!ULOG_REQUIRE(nCurrencyLength >= 0))
        return FALSE;
    if (!ULOG_REQUIRE_T(pmszBuf != nullptr, "pmszBuf != MB_NULL"))
        return FALSE;

    const long long e = expSign == 1 ? -static_cast<long long>(exponent) : exponent;
    const double dCost = std::pow(10.0, static_cast<double>(e)) * ppu * static_cast<double>(units);
    u128 cents = 0;
    if (!CostInCents(units, ppu, e, cents))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcUtil::MakeCallCostFormat: cost too large (%f)\n", dCost);
        pmszBuf[0] = 0;
        return FALSE;
    }
    const bool bZero = cents == 0;
    const std::string value = CostText(ppu < 0, cents);

    WCHAR mszValue[ULOG_CALL_COST_TEXT_LEN];
    WCHAR mszCurrency[8];
    WmConvert2PCode(mszValue, ULOG_CALL_COST_TEXT_LEN, value.c_str());
    mszCurrency[0] = 0;
    if (nCurrencyLength > 0)
        WmConvertGSM2PCode(mszCurrency, 8, pszCurrencyCode, nCurrencyLength);
    const bool bCurrency = nCurrencyLength > 0;

    WCHAR mszOut[ULOG_CALL_COST_TEXT_LEN];
    mszOut[0] = 0;
    const int outLen = ULOG_CALL_COST_TEXT_LEN;
    switch (flags)
    {
    case 0x1:
        WmStrcpy(mszOut, outLen, mszValue);
        break;
    case 0x2:
    case 0x2002:
        if (bCurrency)
            WmSprintf(mszOut, outLen, "%S", mszCurrency);
        else
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcUtil::MakeCallCostFormat: nCurrencyLength (%d)\n",
                           nCurrencyLength);
        break;
    case 0x4:
    case 0x8:
        if (!bCurrency)
            WmStrcpy(mszOut, outLen, mszValue);
        else if (flags == 0x4)
            WmSprintf(mszOut, outLen, "%S %S", mszValue, mszCurrency);
        else
            WmSprintf(mszOut, outLen, "%S %S", mszCurrency, mszValue);
        break;
    case 0x1001:
        if (!bZero)
            WmStrcpy(mszOut, outLen, mszValue);
        break;
    case 0x1004:
    case 0x1008:
        if (bZero)
            SysDebugPrintf(ULOG_DBG_DETAIL, flags == 0x1004
                                                ? "MakeCallCostFormat: cost value is zero\n"
                                                : "CUlogSvcUtil::MakeCallCostFormat: cost value is zero\n");
        else if (!bCurrency)
            WmStrcpy(mszOut, outLen, mszValue);
        else if (flags == 0x1004)
            WmSprintf(mszOut, outLen, "%S %S", mszValue, mszCurrency);
        else
            WmSprintf(mszOut, outLen, "%S %S", mszCurrency, mszValue);
        break;
    case 0x2004:
        if (bCurrency)
            WmSprintf(mszOut, outLen, "%S %S", mszValue, mszCurrency);
        break;
    case 0x2008:
        if (bCurrency)
            WmSprintf(mszOut, outLen, "%S %S", mszCurrency, mszValue);
        break;
    default:
        _SysSaveAssertMsg("CUlogSvcUtil::MakeCallCostFormat: flags (0x%x)", flags);
        ULOG_NEVER_GET_HERE();
        return FALSE; // the caller's buffer is left as it was
    }
    WmStrcpy(pmszBuf, outLen, mszOut);
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcUtil::MakeCallCostFormat: dMaxCost = %lf\n", dCost);
    return TRUE;
}

BOOL CUlogSvcUtil::MakeCallCostFormatEx(unsigned long flags, unsigned short* pmszBuf)
{
    if (!ULOG_REQUIRE_T(pmszBuf != nullptr, "pmszBuf != NULL"))
        return FALSE;
    UlogAocInfo info;
    std::memset(&info, 0, sizeof info);
    CUlogSvcSimMgr::Instance()->GetAocInfo(&info);
    // The stored code may lack its terminator; never read past its four bytes.
    char szCurrency[sizeof info.currencyCode + 1];
    std::memcpy(szCurrency, info.currencyCode, sizeof info.currencyCode);
    szCurrency[sizeof info.currencyCode] = '\0';
    return MakeCallCostFormat(flags, static_cast<unsigned long>(static_cast<unsigned int>(info.acmMax.value)),
                              info.eppu, info.expSign, info.exp, szCurrency, info.currencyCodeLen, pmszBuf);
}

extern "C" BOOL UlogMakeCallCostFormat(unsigned long flags, unsigned long units, int ppu, int expSign,
                                       int exponent, const char* pszCurrencyCode, int nCurrencyLength,
                                       unsigned short* pmszBuf)
{
    return CUlogSvcUtil::MakeCallCostFormat(flags, units, ppu, expSign, exponent, pszCurrencyCode,
                                            nCurrencyLength, pmszBuf);
}
