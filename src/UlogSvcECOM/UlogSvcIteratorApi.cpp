/* The exported iterator-handle functions: walks of the lists that the call-log and duplicate-log
 * functions hand out as handles. */
#define ULOG_SRC_MODULE "UlogSvcCollection/UlogSvcIteratorAdapter"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcCollection/CUlogSvcIteratorAdapter.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

namespace
{
const int LINE_MOVE_FIRST = 190;
const int LINE_MOVE_NEXT = 206;
const int LINE_IS_DONE = 214;
const int LINE_GET_CUR_ITEM = 222;
const int LINE_RELEASE = 230;

/* A handle is worth looking up when it is not the invalid handle; unknown ones fail in the lookup. */
bool IsValidIterator(int hIterator, int nLine)
{
    if (hIterator == INVALID_HOBJ)
    {
        _SysAssertReport(1, "ASSERTION_REQUIRE", "__UlogIsValidIterator(hIterator)", ULOG_SRC_MODULE, nLine);
        return false;
    }
    return true;
}
} // namespace

extern "C" void UlogSvcIteratorMoveFirst(int hIterator)
{
    if (IsValidIterator(hIterator, LINE_MOVE_FIRST))
        CUlogSvcIteratorAdapter::Instance()->First(hIterator);
}

extern "C" void UlogSvcIteratorMoveNext(int hIterator)
{
    if (IsValidIterator(hIterator, LINE_MOVE_NEXT))
        CUlogSvcIteratorAdapter::Instance()->Next(hIterator);
}

extern "C" BOOL UlogSvcIteratorIsDone(int hIterator)
{
    if (!IsValidIterator(hIterator, LINE_IS_DONE))
        return 0;
    return CUlogSvcIteratorAdapter::Instance()->IsDone(hIterator);
}

extern "C" BOOL UlogSvcIteratorGetCurItem(int hIterator, UlogInfo* pUlogInfo)
{
    ulogerr::CUlogApiCall call;
    if (pUlogInfo == nullptr)
    {
        _SysAssertReport(1, "ASSERTION_REQUIRE", "pUlogInfo != NULL", ULOG_SRC_MODULE, LINE_GET_CUR_ITEM);
        return ulogerr::Fail(ULOG_ERR_INVALID_ARGUMENT);
    }
    /* A row that cannot be read leaves the platform's cause. */
    if (!CUlogSvcIteratorAdapter::Instance()->GetCurItem(hIterator, pUlogInfo))
        return ulogerr::Fail(ULOG_ERR_FAILED);
    return 1;
}

extern "C" void UlogSvcIteratorRelease(int hIterator)
{
    if (IsValidIterator(hIterator, LINE_RELEASE))
        CUlogSvcIteratorAdapter::Instance()->Release(hIterator);
}
