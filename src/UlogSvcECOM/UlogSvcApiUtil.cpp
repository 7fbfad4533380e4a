#define ULOG_SRC_MODULE "UlogSvcECOM/UlogSvcApiUtil"
#include "H/UlogSvcDef.h"

#include "UlogSvcECOM/UlogSvcApiUtil.h"

#include "UlogSvcCollection/CUlogSvcIteratorAdapter.h"
#include "UlogSvcECOM/UlogSvcLastError.h"
#include "UlogSvcLogMgr/CUlog.h"

#include <cstring>
#include <new>

namespace ulogapi
{
namespace
{
HOBJ RegisterList(IUlogList<CUlog>* pList, const char* pszModule, const HandleLines& lines);
} // namespace

void Require(const char* pszModule, const char* pszCond, int nLine)
{
    _SysAssertReport(1, "ASSERTION_REQUIRE", pszCond, pszModule, nLine);
}

bool IsValidField(int nField, const char* pszModule, int nLine)
{
    if (nField >= 0 && nField < ULOG_DB_FIELD_CNT_MAX)
        return true;
    Require(pszModule, "(0 <= nField) && (nField < ULOG_DB_FIELD_CNT_MAX)", nLine);
    ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    return false;
}

BOOL CopyListToArray(IUlogList<CUlog>* pList, UlogInfo* pArray, int nMax, const char* pszModule, int nLine,
                     int* pnFilled)
{
    if (pnFilled != nullptr)
        *pnFilled = 0;
    if (pList == nullptr)
    {
        Require(pszModule, "pList != NULL", nLine);
        return 0;
    }
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    if (pIter == nullptr)
    {
        Require(pszModule, "pIter != NULL", nLine);
        pList->Release();
        return 0;
    }
    BOOL bResult = 1;
    int nIndex = 0;
    for (pIter->First(); !pIter->IsDone() && (nMax < 0 || nIndex < nMax); pIter->Next())
    {
        CUlog* pUlog = pIter->GetCurItem();
        if (pUlog == nullptr)
        {
            Require(pszModule, "pUlog != NULL", nLine);
            bResult = 0;
            break;
        }
        pUlog->Convert2UlogInfo(pArray[nIndex]);
        ++nIndex;
    }
    if (pnFilled != nullptr)
        *pnFilled = nIndex;
    pIter->Release();
    pList->Release();
    return bResult;
}

HOBJ MakeHandle(IUlogList<CUlog>* pList, const char* pszModule, const HandleLines& lines)
{
    const HOBJ hIterator = RegisterList(pList, pszModule, lines);
    if (hIterator == 0 || hIterator == INVALID_HOBJ)
        ulogerr::Fail(ULOG_ERR_FAILED); // the list could not be read, or no handle could be made
    return hIterator;
}

namespace
{
HOBJ RegisterList(IUlogList<CUlog>* pList, const char* pszModule, const HandleLines& lines)
{
    IUlogSvcIteratorAdapterItem<CUlog>* pAdapterItem =
        new (std::nothrow) CUlogSvcIteratorAdapterItem<CUlog>();
    if (pAdapterItem == nullptr)
    {
        Require(pszModule, "pAdapterItem != NULL", lines.nItem);
        UlogRelease(pList);
        return 0;
    }
    if (pList == nullptr)
    {
        Require(pszModule, "pList != NULL", lines.nList);
        delete pAdapterItem;
        return 0;
    }
    pAdapterItem->SetList(pList);
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    if (pIter == nullptr)
    {
        Require(pszModule, "pIter != NULL", lines.nIter);
        delete pAdapterItem; /* releases the list */
        return 0;
    }
    pAdapterItem->SetIterator(pIter);
    HOBJ hIterator = CUlogSvcIteratorAdapter::Instance()->Register(pAdapterItem);
    if (hIterator == INVALID_HOBJ)
    {
        Require(pszModule, "hIterator != INVALID_HOBJ", lines.nRegister);
        delete pAdapterItem;
        return INVALID_HOBJ;
    }
    return hIterator;
}
} // namespace

namespace
{
template <size_t N> void Terminate(char (&sz)[N])
{
    sz[N - 1] = '\0';
}
template <size_t N> void Terminate(WCHAR (&msz)[N])
{
    msz[N - 1] = 0;
}
} // namespace

void CopyTerminated(const UlogInfo& in, UlogInfo& out)
{
    std::memcpy(&out, &in, sizeof(UlogInfo));
    Terminate(out.szBasicNumber);
    Terminate(out.szNumber);
    Terminate(out.szName);
    Terminate(out.szFirstName);
    Terminate(out.szLastName);
    Terminate(out.szCallerIdPath);
    Terminate(out.mszEmailAddress);
    Terminate(out.st2StageDialingInfo.aliasAddress);
    Terminate(out.szEmailDisplayName);
    Terminate(out.szAccountEmailAddress);
    Terminate(out.szSyncId);
    Terminate(out.mszSubject);
    Terminate(out.mszBody);
    Terminate(out.szSnsPersonId);
}
} // namespace ulogapi
