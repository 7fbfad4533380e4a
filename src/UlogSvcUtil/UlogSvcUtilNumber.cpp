// Phone-number comparison and SIM queries of CUlogSvcUtil.
#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcUtil"
#include "H/UlogSvcDef.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"

#include "KivCommTAPI/KivCommTAPI.h"
#include "KivCtSvc/KivCtSvc.h"

namespace
{
// Numbers are at most this long; every working copy has one place more.
constexpr int kNumberLenMax = 80;
constexpr int kNumberBufSize = kNumberLenMax + 1;
// Places of the caller's basic-number buffer.
constexpr int kBasicNumBufSize = 80;

constexpr char kDtmfSeparator = 'P';

// Non-volatile item of the number-matching condition.
constexpr int kNvMatchCondition = 1458;

// Prefixes of the home network (country code 454), tried in this order.
constexpr int kMccHongKong = 454;
const char* const pszPrefixHk[] = {"+852", "00852", "133", "1357"};
constexpr int kPrefixHkCount = sizeof(pszPrefixHk) / sizeof(pszPrefixHk[0]);

// Length of a number, looking at no more than its first 80 characters.
int NumberLen(const char* pszNumber)
{
    int n = 0;
    while (n < kNumberLenMax && pszNumber[n] != '\0')
        ++n;
    return n;
}

// Copies at most count characters of src (stopping at its terminator) into an 81-byte working copy.
void CopyNumber(char (&dest)[kNumberBufSize], const char* src, int count)
{
    int n = 0;
    while (n < count && n < kNumberLenMax && src[n] != '\0')
    {
        dest[n] = src[n];
        ++n;
    }
    dest[n] = '\0';
}

// Removes the first count characters of a working copy.
void DropFront(char (&number)[kNumberBufSize], int count)
{
    const int len = NumberLen(number);
    if (count >= len)
    {
        number[0] = '\0';
        return;
    }
    int i = 0;
    for (; count + i < len; ++i)
        number[i] = number[count + i];
    number[i] = '\0';
}

// The first home-network prefix (in table order) found anywhere in the number, or -1.
int FindPrefixHk(const char* pszNumber)
{
    for (int i = 0; i < kPrefixHkCount; ++i)
    {
        if (AcStrstr(pszNumber, pszPrefixHk[i]) != nullptr)
            return i;
    }
    return -1;
}

// The deciding tail of a number starts at its length minus the contacts service's digit count. A count
// that is not positive cannot pick a tail: the whole number decides then.
int TailOffset(int nLen, int nDigits)
{
    if (nDigits <= 0)
        return 0;
    const int nOffset = nLen - nDigits;
    return nOffset < 0 ? 0 : nOffset;
}

// Position of the DTMF separator within the first 80 characters, or -1.
int FindDtmf(const char* pszNumber)
{
    for (int i = 0; i < kNumberLenMax && pszNumber[i] != '\0'; ++i)
    {
        if (pszNumber[i] == kDtmfSeparator)
            return i;
    }
    return -1;
}
} // namespace

BOOL CUlogSvcUtil::GetCmpOffset(char const* pszNumberL, char const* pszNumberR, int* pOffsetL, int* pOffsetR)
{
    if (!ULOG_REQUIRE(pOffsetL != NULL) || !ULOG_REQUIRE(pOffsetR != NULL) ||
        !ULOG_REQUIRE(pszNumberL != NULL) || !ULOG_REQUIRE(pszNumberR != NULL))
        return FALSE;

    const int nL = CtSvcGetDigitsCount2Compare(pszNumberL);
    const int nR = CtSvcGetDigitsCount2Compare(pszNumberR);
    *pOffsetL = TailOffset(NumberLen(pszNumberL), nL);
    *pOffsetR = TailOffset(NumberLen(pszNumberR), nR);

    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::GetCmpOffset: pszNumberL (%s) nOffsetL (%d)\n",
                   pszNumberL, nL);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::GetCmpOffset: pszNumberR (%s) nOffsetR (%d)\n",
                   pszNumberR, nR);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::GetCmpOffset: *pOffsetL (%d) *pOffsetR (%d)\n", *pOffsetL,
                   *pOffsetR);
    return TRUE;
}

BOOL CUlogSvcUtil::GetCmpOffsetEx(char const* pszNumber, char const* pszNeedle, int* pOffset)
{
    if (!ULOG_REQUIRE(pOffset != NULL) || !ULOG_REQUIRE(pszNumber != NULL) ||
        !ULOG_REQUIRE(pszNeedle != NULL))
        return FALSE;
    const int nOffset = NumberLen(pszNumber) - NumberLen(pszNeedle);
    *pOffset = nOffset < 0 ? 0 : nOffset;
    return TRUE;
}

BOOL CUlogSvcUtil::StrCmp(char const* pszNumberL, char const* pszNumberR)
{
    if (!ULOG_REQUIRE(pszNumberL != NULL) || !ULOG_REQUIRE(pszNumberR != NULL))
        return FALSE;

    // The dialled number is what precedes the first 'P'; from the 'P' on it is DTMF text.
    const int nDtmfL = FindDtmf(pszNumberL);
    const int nDtmfR = FindDtmf(pszNumberR);
    char szL[kNumberBufSize] = {};
    char szR[kNumberBufSize] = {};
    CopyNumber(szL, pszNumberL, nDtmfL < 0 ? kNumberLenMax : nDtmfL);
    CopyNumber(szR, pszNumberR, nDtmfR < 0 ? kNumberLenMax : nDtmfR);

    if ((nDtmfL < 0) != (nDtmfR < 0))
    {
        SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::StrCmp: DIFFERENCE_1 catched!\n");
        return FALSE;
    }
    if (nDtmfL >= 0)
    {
        char szDtmfL[kNumberBufSize] = {};
        char szDtmfR[kNumberBufSize] = {};
        CopyNumber(szDtmfL, pszNumberL + nDtmfL, kNumberLenMax - nDtmfL);
        CopyNumber(szDtmfR, pszNumberR + nDtmfR, kNumberLenMax - nDtmfR);
        if (AcStrcmp(szDtmfL, szDtmfR) != 0)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::StrCmp: DIFFERENCE_1 catched!\n");
            return FALSE;
        }
    }

    if (GetMcc() == kMccHongKong)
    {
        const int iPrefixL = FindPrefixHk(szL);
        if (iPrefixL >= 0)
            DropFront(szL, (int)AcStrlen(pszPrefixHk[iPrefixL]));
        const int iPrefixR = FindPrefixHk(szR);
        if (iPrefixR >= 0)
            DropFront(szR, (int)AcStrlen(pszPrefixHk[iPrefixR]));
    }

    int nOffsetL = 0;
    int nOffsetR = 0;
    if (!GetCmpOffset(szL, szR, &nOffsetL, &nOffsetR))
        return FALSE;
    return AcStrcmp(szL + nOffsetL, szR + nOffsetR) == 0 ? TRUE : FALSE;
}

BOOL CUlogSvcUtil::ExtractBasicNum(char const* pszSrcNumber, char* pszDestNumber, int nIPCallDigitCount)
{
    if (!ULOG_REQUIRE(pszSrcNumber != NULL) || !ULOG_REQUIRE(pszDestNumber != NULL))
        return FALSE;

    char szNumber[kNumberBufSize] = {};
    CopyNumber(szNumber, pszSrcNumber, kNumberLenMax);

    if (nIPCallDigitCount < 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcUtil::ExtractBasicNum: nIPCallDigitCount error(%d)\n",
                       nIPCallDigitCount);
        nIPCallDigitCount = 0;
    }
    if (nIPCallDigitCount > 0)
        DropFront(szNumber, nIPCallDigitCount);

    if (GetMcc() == kMccHongKong)
    {
        const int iPrefix = FindPrefixHk(szNumber);
        if (iPrefix >= 0)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::ExtractBasicNum: pszPrefixHk[%d] (%s)\n", iPrefix,
                           pszPrefixHk[iPrefix]);
            DropFront(szNumber, (int)AcStrlen(pszPrefixHk[iPrefix]));
        }
    }

    const int nLen = NumberLen(szNumber);
    const int nOffset = TailOffset(nLen, CtSvcGetDigitsCount2Compare(szNumber));
    AcStrcpySEx(pszDestNumber, kBasicNumBufSize, szNumber + nOffset, __FILE__, __LINE__);

    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::ExtractBasicNum: pszDestNumber (%s)\n", pszDestNumber);
    return TRUE;
}

int CUlogSvcUtil::GetMcc()
{
    const SimImsiInfo* pImsiInfo = SimGetImsiInfo();
    if (!ULOG_REQUIRE(pImsiInfo != NULL))
        return 0;
    const int nMcc = AcAtoi(pImsiInfo->mcc);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::GetMcc: mcc (0x%x)!! pImsiInfo->mcc (%s)\n", nMcc,
                   pImsiInfo->mcc);
    return nMcc;
}

int CUlogSvcUtil::GetMnc()
{
    const SimImsiInfo* pImsiInfo = SimGetImsiInfo();
    if (!ULOG_REQUIRE(pImsiInfo != NULL))
        return 0;
    const int nMnc = AcAtoi(pImsiInfo->mnc);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::GetMnc: mnc (0x%x)!! pImsiInfo->mnc (%s)\n", nMnc,
                   pImsiInfo->mnc);
    return nMnc;
}

BOOL CUlogSvcUtil::IsTestSim()
{
    const int nMcc = GetMcc();
    const int nMnc = GetMnc();
    const BOOL bTestSim = (nMcc == 1 && nMnc == 1) ? TRUE : FALSE;
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::IsTestSim: bTestSim (%d) mcc (0x%x) mnc (0x%x)\n",
                   bTestSim, nMcc, nMnc);
    return bTestSim;
}

BOOL CUlogSvcUtil::IsAcmValid()
{
    BOOL bIsAcmValid = FALSE;
    switch (SimGetCardType())
    {
    case SIM_CARD_TYPE_GSM:
    {
        SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::IsAcmValid: SIM_CARD_TYPE_GSM!!\n");
        const SimSstInfo* pSstInfo = SimGetSstInfo();
        if (!ULOG_REQUIRE(pSstInfo != NULL))
            return FALSE;
        bIsAcmValid = pSstInfo->bAoc != 0 ? TRUE : FALSE;
        break;
    }
    case SIM_CARD_TYPE_USIM:
    {
        SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::IsAcmValid: SIM_CARD_TYPE_USIM!!\n");
        const SimUstInfo* pUstInfo = SimGetUstInfo();
        if (!ULOG_REQUIRE(pUstInfo != NULL))
            return FALSE;
        bIsAcmValid = pUstInfo->bAoc != 0 ? TRUE : FALSE;
        break;
    }
    default:
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcUtil::IsAcmValid: SimGetCardType unknown sim type!!\n");
        bIsAcmValid = FALSE;
        break;
    }
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::IsAcmValid: bIsAcmValid (%d)!!\n", bIsAcmValid);
    return bIsAcmValid;
}

BOOL CUlogSvcUtil::StrCmpEx(char const* pszNumber, char const* pszNeedle, UlogMatchType iMatch)
{
    if (!ULOG_REQUIRE(pszNumber != NULL) || !ULOG_REQUIRE(pszNeedle != NULL))
        return FALSE;

    int nOffsetL = 0;
    int nOffsetR = 0;
    if (!GetCmpOffset(pszNumber, pszNeedle, &nOffsetL, &nOffsetR))
        return FALSE;
    char szL[kNumberBufSize] = {};
    char szR[kNumberBufSize] = {};
    // The tails end where the numbers' first 80 characters end.
    CopyNumber(szL, pszNumber + nOffsetL, kNumberLenMax - nOffsetL);
    CopyNumber(szR, pszNeedle + nOffsetR, kNumberLenMax - nOffsetR);
    const BOOL bResult = AcStrcmp(szL, szR) == 0 ? TRUE : FALSE;
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcUtil::StrCmpEx: iMatch (%d) bResult (%d)\n", iMatch, bResult);
    return bResult;
}

UlogMatchType CUlogSvcUtil::GetMatchCondition()
{
    return static_cast<UlogMatchType>(NvGetInt(kNvMatchCondition));
}

BOOL CUlogSvcUtil::SetMatchCondition(UlogMatchType iMatch)
{
    if (!((ULOG_MATCH_EXACT <= iMatch) && (iMatch < ULOG_MATCH_CNT_MAX)))
    {
        _SysSaveAssertMsg("CUlogSvcUtil::UlogSetMatchCondition: iMatch (%d)", iMatch);
        (void)ULOG_REQUIRE((ULOG_MATCH_EXACT <= iMatch) && (iMatch < ULOG_MATCH_CNT_MAX));
        return FALSE;
    }
    // A setting that could not be stored is not reported as changed.
    if (!NvWriteInt(kNvMatchCondition, iMatch))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcUtil::UlogSetMatchCondition: NvWriteInt failed (%d)\n",
                       iMatch);
        return FALSE;
    }
    SysDebugPrintf(ULOG_DBG_PROGRESS,
                   "CUlogSvcUtil::UlogSetMatchCondition: The current match condition is now (%d)\n", iMatch);
    return TRUE;
}

UlogPhoneType CUlogSvcUtil::GetPhoneType(int iCtPhoneType)
{
    // Contacts-service number kinds 0 to 10, in order.
    static const UlogPhoneType aiPhoneType[] = {ULOG_PHONE_TYPE_14, ULOG_PHONE_TYPE_0,  ULOG_PHONE_TYPE_3,
                                                ULOG_PHONE_TYPE_6,  ULOG_PHONE_TYPE_7,  ULOG_PHONE_TYPE_8,
                                                ULOG_PHONE_TYPE_9,  ULOG_PHONE_TYPE_10, ULOG_PHONE_TYPE_11,
                                                ULOG_PHONE_TYPE_12, ULOG_PHONE_TYPE_FDN};
    constexpr int nKinds = sizeof(aiPhoneType) / sizeof(aiPhoneType[0]);
    const UlogPhoneType iPhoneType =
        (iCtPhoneType >= 0 && iCtPhoneType < nKinds) ? aiPhoneType[iCtPhoneType] : ULOG_PHONE_TYPE_NONE;
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcUtil::GetPhoneType : iCtPhoneType(%d) iPhoneType (%d)\n",
                   iCtPhoneType, iPhoneType);
    return iPhoneType;
}
