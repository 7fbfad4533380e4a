#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcGenerator"

#include "UlogSvcLogMgr/CUlogSvcGenerator.h"

#include "H/UlogSvcDef.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogImLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"

#include <new>

namespace
{
enum class Kind
{
    None,
    Call,
    Msg,
    Email,
    Sns,
    Im
};

Kind KindOf(int iLogType)
{
    switch (iLogType)
    {
    case ULOG_LOG_ORIGINATED:
    case ULOG_LOG_TERMINATED:
    case ULOG_LOG_MISSED:
        return Kind::Call;
    case ULOG_LOG_MSG_SENT:
    case ULOG_LOG_MSG_RECEIVED:
        return Kind::Msg;
    case ULOG_LOG_EMAIL_SENT:
    case ULOG_LOG_EMAIL_RECEIVED:
        return Kind::Email;
    case ULOG_LOG_SNS_1:
    case ULOG_LOG_SNS_2:
        return Kind::Sns;
    case ULOG_LOG_IM_1:
    case ULOG_LOG_IM_2:
        return Kind::Im;
    default:
        _SysSaveAssertMsg("CUlogSvcGenerator::Generate: iLogType (%d)", iLogType);
        ULOG_NEVER_GET_HERE();
        return Kind::None;
    }
}

/* Builds the kind from a source with the kind's constructor for that source. */
template <class Source> CUlog* Build(Kind kind, const Source& source)
{
    CUlog* pUlog = nullptr;
    switch (kind)
    {
    case Kind::Call:
        pUlog = new (std::nothrow) CUlogCallLog(source);
        break;
    case Kind::Msg:
        pUlog = new (std::nothrow) CUlogMsgLog(source);
        break;
    case Kind::Email:
        pUlog = new (std::nothrow) CUlogEmailLog(source);
        break;
    case Kind::Sns:
        pUlog = new (std::nothrow) CUlogSnsLog(source);
        break;
    case Kind::Im:
        pUlog = new (std::nothrow) CUlogImLog(source);
        break;
    case Kind::None:
        return nullptr;
    }
    ULOG_REQUIRE(pUlog != NULL);
    return pUlog;
}
} // namespace

CUlog* CUlogSvcGenerator::Generate(const CUlog& log)
{
    CUlog* pUlog = nullptr;
    switch (KindOf(log.GetLogType()))
    {
    case Kind::Call:
    {
        const CUlogCallLog* pCallLog = dynamic_cast<const CUlogCallLog*>(&log);
        if (!ULOG_REQUIRE(pCallLog != NULL))
            return nullptr;
        pUlog = new (std::nothrow) CUlogCallLog(*pCallLog);
        break;
    }
    case Kind::Msg:
    {
        const CUlogMsgLog* pMsgLog = dynamic_cast<const CUlogMsgLog*>(&log);
        if (!ULOG_REQUIRE(pMsgLog != NULL))
            return nullptr;
        pUlog = new (std::nothrow) CUlogMsgLog(*pMsgLog);
        break;
    }
    case Kind::Email:
    {
        const CUlogEmailLog* pEmailLog = dynamic_cast<const CUlogEmailLog*>(&log);
        if (!ULOG_REQUIRE(pEmailLog != NULL))
            return nullptr;
        pUlog = new (std::nothrow) CUlogEmailLog(*pEmailLog);
        break;
    }
    case Kind::Sns:
    {
        const CUlogSnsLog* pSnsLog = dynamic_cast<const CUlogSnsLog*>(&log);
        if (!ULOG_REQUIRE(pSnsLog != NULL))
            return nullptr;
        pUlog = new (std::nothrow) CUlogSnsLog(*pSnsLog);
        break;
    }
    case Kind::Im:
    {
        const CUlogImLog* pImLog = dynamic_cast<const CUlogImLog*>(&log);
        if (!ULOG_REQUIRE(pImLog != NULL))
            return nullptr;
        pUlog = new (std::nothrow) CUlogImLog(*pImLog);
        break;
    }
    case Kind::None:
        return nullptr;
    }
    ULOG_REQUIRE(pUlog != NULL);
    return pUlog;
}

CUlog* CUlogSvcGenerator::Generate(const UlogInfo& info)
{
    return Build(KindOf(info.iLogType), info);
}

CUlog* CUlogSvcGenerator::Generate(const CContent& row)
{
    int iLogType = 0;
    row.GetInt(ULOG_DB_LOG_TYPE, iLogType);
    return Build(KindOf(iLogType), row);
}

CUlog* CUlogSvcGenerator::Generate(const CUlogSvcDataSet& dataSet)
{
    return Build(KindOf(dataSet.GetLogType()), dataSet);
}
