/*
 * CUlogSvcUtil: the service's utility functions (all static): phone-number
 * comparison, SIM queries, text for queries, display formatting.
 */
#ifndef CULOG_SVC_UTIL_H
#define CULOG_SVC_UTIL_H

#include "UlogSvc.h"
#include "KivCore/KivTypes.h"

class CUlogSvcUtil
{
public:
    /* ==== Number comparison and SIM (UlogSvcUtilNumber.cpp) ==== */
    /* Numbers are narrow strings of at most 80 characters; longer ones are cut to their first 80. */
    /* TRUE when the two numbers denote the same party (DTMF text after 'P' must match exactly; the
     * home-network prefixes are dropped on a SIM of country code 454; the deciding tails must match). */
    static BOOL StrCmp(char const* pszNumberL, char const* pszNumberR);
    /* Plain comparison of the deciding tails; iMatch does not change the result. */
    static BOOL StrCmpEx(char const* pszNumber, char const* pszNeedle, UlogMatchType iMatch);
    /* Where the deciding tail of each number starts (0 when the number is not longer than the tail). */
    static BOOL GetCmpOffset(char const* pszNumberL, char const* pszNumberR, int* pOffsetL, int* pOffsetR);
    /* Where pszNeedle would have to start to be a suffix of pszNumber (0 when it is not shorter). */
    static BOOL GetCmpOffsetEx(char const* pszNumber, char const* pszNeedle, int* pOffset);
    /* The basic number stored with a log: the IP-call access prefix (nIPCallDigitCount characters) and a
     * home-network prefix removed, then the deciding tail. pszDestNumber must hold at least 80 bytes; at
     * most 80 are written. */
    static BOOL ExtractBasicNum(char const* pszSrcNumber, char* pszDestNumber, int nIPCallDigitCount);
    /* Number-matching condition kept in non-volatile item 1458. */
    static UlogMatchType GetMatchCondition();
    static BOOL SetMatchCondition(UlogMatchType iMatch);
    /* The SIM's country and network codes as numbers; 0 without a SIM. */
    static int GetMcc();
    static int GetMnc();
    /* TRUE for a test SIM (country code 1, network code 1). */
    static BOOL IsTestSim();
    /* TRUE when the SIM's service table offers advice of charge (accumulated call meter). */
    static BOOL IsAcmValid();
    /* The log's phone type for a contacts-service number kind (CtSvcPhoneType, a 32-bit integer); -1 for
     * an unknown kind. */
    static UlogPhoneType GetPhoneType(int iCtPhoneType);

    /* ==== Text for queries (UlogSvcUtilQuery.cpp) ==== */
    /* Copies pszSrc to pszDest for use between single quotes in SQL text, writing every apostrophe
     * and every '%' twice, and terminates it. pszDest must hold 2 * strlen(pszSrc) + 1 bytes.
     * FALSE (nothing written) when either pointer is NULL. */
    static BOOL ConvertDBStringForQuery(const char* pszSrc, char* pszDest);
    /* The same, bounded: at most nDestSize-1 bytes and a terminator; a doubled character is never
     * cut in half. FALSE when an argument is missing or the text had to be cut. */
    static BOOL ConvertDBStringForQuery(const char* pszSrc, char* pszDest, size_t nDestSize);

    /* ==== Date, time and call-cost formatting (UlogSvcUtilFormat.cpp) ==== */
    /* Times are UTC platform seconds. Dates and times are written in the handset's locale (format
     * flag words of KivAppFrmwk) and, except for MakeDateTimeFormat, in the handset's time zone.
     * "Today" and "yesterday" are calendar days of the handset's time zone. Every output is bounded
     * and terminated; the buffers without a length take ULOG_DATE_TIME_TEXT_LEN (50) places. */

    /* Date and time of t (no zone conversion), at most nBufLen-1 bytes. */
    static BOOL MakeDateTimeFormat(unsigned long t, char* pszBuf, int nBufLen);
    /* A duration as hours:minutes:seconds ("01:02:05", "100:00:00"), at most nLen-1 bytes. */
    static BOOL ConvertCallTimeFormat(unsigned long sec, char* pszTimeFormat, int nLen);
    /* The local clock time of t. */
    static BOOL ConvertCallTimeFormat(unsigned long t, char* pszTimeFormat);
    /* The word for today or yesterday, or the local date of t, as 16-bit text of at most nLen-1 units
     * (and never more than 49). */
    static BOOL ConvertDateFormat(unsigned long t, unsigned short* pmszDateFormat, int nLen);
    /* The local date and time of t. */
    static BOOL ConvertDateTimeFormat(unsigned long t, char* pszDateTime);
    /* Short date (no year) and time of t. */
    static BOOL ConvertDateTimeFormatForZoomedList(unsigned long t, char* pszDateTime);
    /* "<today word> <time>", "<yesterday word> <time>", or the date and time of t. */
    static BOOL ConvertDateTimeFormatForMissedPopup(unsigned long t, char* pszDateTime);
    /* The time (today), the yesterday word, or the date of t. */
    static BOOL ConvertDateTimeFormatForMainList(unsigned long t, char* pszDateTime);
    /* t in the handset's time zone (local seconds). */
    static unsigned long long ConvertUTC2Local(unsigned long long t);

    /* The call cost 10^(+-exponent) x ppu x units as text, rounded to cents (halves away from zero),
     * without trailing zeros ("6", "5.5", "3.75"), with or without the currency per flags (see
     * UlogMakeCallCostFormat). pmszBuf takes ULOG_CALL_COST_TEXT_LEN units. FALSE for a missing
     * argument, a currency longer than 3, a cost too large to show, or unknown flags (buffer
     * untouched). */
    static BOOL MakeCallCostFormat(unsigned long flags, unsigned long units, int ppu, int expSign,
                                   int exponent, char const* pszCurrencyCode, int nCurrencyLength,
                                   unsigned short* pmszBuf);
    /* The cost of the SIM's call-meter maximum, from the stored advice-of-charge record. */
    static BOOL MakeCallCostFormatEx(unsigned long flags, unsigned short* pmszBuf);
};

#endif
