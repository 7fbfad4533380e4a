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
};

#endif
