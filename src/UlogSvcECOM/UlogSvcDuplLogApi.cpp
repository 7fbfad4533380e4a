/* The exported duplicate-log functions: read access to the table of every event. */
#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcDuplMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcApiUtil.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcFilterMgr.h"
#include "UlogSvcLogMgr/IUlogSvcDuplMgr.h"

namespace
{
const int LINE_FILTER_MGR = 675;
const ulogapi::HandleLines LINES_ALL = {690, 693, 696, 702};
const ulogapi::HandleLines LINES_BY_TYPE = {711, 714, 717, 723};
const ulogapi::HandleLines LINES_MAX = {732, 735, 738, 744};
const ulogapi::HandleLines LINES_MIN = {753, 756, 759, 765};

IUlogSvcDuplMgr* Mgr()
{
    return IUlogSvcDuplMgr::Instance();
}
} // namespace

extern "C" int UlogGetDuplLogCount(UlogLogType iLogType)
{
    ulogerr::CUlogApiCall call;
    return ulogapi::RecordCount(Mgr()->GetCount(iLogType));
}

extern "C" BOOL UlogGetDuplLogUncheckedCount(UlogLogType iLogType, int* pnCount)
{
    ulogerr::CUlogApiCall call;
    /* The count is written through the pointer: a null one is refused, not written. */
    if (pnCount == nullptr)
    {
        ulogapi::Require(ULOG_SRC_MODULE, "pnCount != NULL", __LINE__);
        return 0;
    }
    CUlogSvcFilterMgr* pFilterMgr = CUlogSvcFilterMgr::Instance();
    if (pFilterMgr == nullptr)
    {
        ulogapi::Require(ULOG_SRC_MODULE, "pFilterMgr != NULL", LINE_FILTER_MGR);
        return 0;
    }
    CUlogSvcFilter filter;
    filter.SetFilter(pFilterMgr->GetFieldName(ULOG_DB_LOG_TYPE, ULOG_DB_TABLE_DUPL),
                     static_cast<int>(iLogType));
    filter.AppendFilter(pFilterMgr->GetFieldName(ULOG_DB_IS_UNCHECKED_YET, ULOG_DB_TABLE_DUPL), 1, 1);
    *pnCount = ulogapi::RecordCount(Mgr()->GetCount(&filter));
    return 1;
}

extern "C" HOBJ UlogGetDuplAllLogInfo(void)
{
    ulogerr::CUlogApiCall call;
    return ulogapi::RecordHandle(ulogapi::MakeHandle(Mgr()->GetUlogs(), ULOG_SRC_MODULE, LINES_ALL));
}

extern "C" HOBJ UlogGetDuplAllLogInfoByType(UlogLogType iLogType)
{
    ulogerr::CUlogApiCall call;
    return ulogapi::RecordHandle(
        ulogapi::MakeHandle(Mgr()->GetUlogs(iLogType), ULOG_SRC_MODULE, LINES_BY_TYPE));
}

extern "C" HOBJ UlogGetDuplMaxLogInfo(int nField)
{
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return ulogapi::MakeHandle(Mgr()->GetMax(nField), ULOG_SRC_MODULE, LINES_MAX);
}

extern "C" HOBJ UlogGetDuplMinLogInfo(int nField)
{
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return ulogapi::MakeHandle(Mgr()->GetMin(nField), ULOG_SRC_MODULE, LINES_MIN);
}

extern "C" int UlogGetDuplIndex(int nUniqueId)
{
    return Mgr()->GetIndex(nUniqueId);
}

extern "C" int UlogGetDuplSum(int nField)
{
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return Mgr()->GetSum(nField);
}

extern "C" int UlogGetDuplAverage(int nField)
{
    if (!ulogapi::IsValidField(nField, ULOG_SRC_MODULE, __LINE__))
        return 0;
    return Mgr()->GetAverage(nField);
}

extern "C" BOOL UlogSetDuplFilter(int nFilter)
{
    return Mgr()->SetFilter(nFilter);
}

extern "C" BOOL UlogSetDuplOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4)
{
    return Mgr()->SetOrder(nOrder1, nOrder2, nOrder3, nOrder4);
}
