#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcUtil"

#include "UlogSvcUtil/CUlogSvcUtil.h"

#include "H/UlogSvcDef.h"

namespace
{
inline bool IsDoubled(char c)
{
    return c == '\'' || c == '%';
}
} // namespace

BOOL CUlogSvcUtil::ConvertDBStringForQuery(const char* pszSrc, char* pszDest)
{
    if (!ULOG_REQUIRE(pszSrc != NULL) || !ULOG_REQUIRE(pszDest != NULL))
        return FALSE;
    char* pOut = pszDest;
    for (const char* p = pszSrc; *p != 0; ++p)
    {
        *pOut++ = *p;
        if (IsDoubled(*p))
            *pOut++ = *p;
    }
    *pOut = 0;
    return TRUE;
}

BOOL CUlogSvcUtil::ConvertDBStringForQuery(const char* pszSrc, char* pszDest, size_t nDestSize)
{
    if (!ULOG_REQUIRE(pszSrc != NULL) || !ULOG_REQUIRE(pszDest != NULL) || !ULOG_REQUIRE(nDestSize > 0))
        return FALSE;
    size_t n = 0;
    for (const char* p = pszSrc; *p != 0; ++p)
    {
        const size_t need = IsDoubled(*p) ? 2 : 1;
        if (n + need > nDestSize - 1)
        {
            pszDest[n] = 0;
            return FALSE;
        }
        pszDest[n++] = *p;
        if (need == 2)
            pszDest[n++] = *p;
    }
    pszDest[n] = 0;
    return TRUE;
}

extern "C" BOOL UlogConvertDBStringForQuery(const char* pszSrc, char* pszDest)
{
    return CUlogSvcUtil::ConvertDBStringForQuery(pszSrc, pszDest);
}
