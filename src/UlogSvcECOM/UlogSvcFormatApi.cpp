/* The exported date, time and call-time formatters of the list screens: each formats into a buffer of
 * the list's own size, then hands the caller the whole text or nothing. */
#define ULOG_SRC_MODULE "UlogSvcECOM/UlogSvcFormatApi"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include <cstring>

namespace
{
/* A formatter of the list screens: writes at most ULOG_DATE_TIME_TEXT_LEN places. */
using Formatter = BOOL (*)(unsigned long, char*);

/* Formats into a buffer of the list's size and copies the text, terminator included, to the caller's
 * buffer when it fits; otherwise the caller's buffer stays as it was. */
BOOL Deliver(const char* pszFunction, Formatter pfnFormat, unsigned long t, char* pszBuf, int nLen)
{
    if (!ULOG_REQUIRE(pszBuf != NULL))
        return FALSE;
    if (!ULOG_REQUIRE(nLen > 0))
        return FALSE;
    char szText[ULOG_DATE_TIME_TEXT_LEN + 1];
    std::memset(szText, 0, sizeof szText);
    if (!pfnFormat(t, szText))
        return FALSE;
    const size_t nPlaces = strnlen(szText, ULOG_DATE_TIME_TEXT_LEN) + 1;
    if (nPlaces > static_cast<size_t>(nLen))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: nLen (%d) is below the %d places of the text\n", pszFunction, nLen,
                       static_cast<int>(nPlaces));
        return FALSE;
    }
    std::memcpy(pszBuf, szText, nPlaces - 1);
    pszBuf[nPlaces - 1] = '\0';
    return TRUE;
}

BOOL ClockTime(unsigned long t, char* pszText)
{
    return CUlogSvcUtil::ConvertCallTimeFormat(t, pszText);
}

/* A call time of any length fits: at most 1193046 hours. */
BOOL CallTime(unsigned long sec, char* pszText)
{
    return CUlogSvcUtil::ConvertCallTimeFormat(sec, pszText, ULOG_DATE_TIME_TEXT_LEN);
}
} // namespace

extern "C" BOOL UlogConvertDateTimeFormatForMainList(unsigned long t, char* pszBuf, int nLen)
{
    return Deliver("UlogConvertDateTimeFormatForMainList", CUlogSvcUtil::ConvertDateTimeFormatForMainList, t,
                   pszBuf, nLen);
}

extern "C" BOOL UlogConvertDateTimeFormat(unsigned long t, char* pszBuf, int nLen)
{
    return Deliver("UlogConvertDateTimeFormat", CUlogSvcUtil::ConvertDateTimeFormat, t, pszBuf, nLen);
}

extern "C" BOOL UlogConvertDateTimeFormatForZoomedList(unsigned long t, char* pszBuf, int nLen)
{
    return Deliver("UlogConvertDateTimeFormatForZoomedList", CUlogSvcUtil::ConvertDateTimeFormatForZoomedList,
                   t, pszBuf, nLen);
}

extern "C" BOOL UlogConvertDateTimeFormatForMissedPopup(unsigned long t, char* pszBuf, int nLen)
{
    return Deliver("UlogConvertDateTimeFormatForMissedPopup",
                   CUlogSvcUtil::ConvertDateTimeFormatForMissedPopup, t, pszBuf, nLen);
}

extern "C" BOOL UlogConvertClockTimeFormat(unsigned long t, char* pszBuf, int nLen)
{
    return Deliver("UlogConvertClockTimeFormat", ClockTime, t, pszBuf, nLen);
}

extern "C" BOOL UlogConvertCallTimeFormat(unsigned long sec, char* pszBuf, int nLen)
{
    return Deliver("UlogConvertCallTimeFormat", CallTime, sec, pszBuf, nLen);
}
