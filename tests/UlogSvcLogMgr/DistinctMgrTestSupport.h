// Helpers for the log manager tests: a started service on a fresh data root, events built from
// records, and counts read straight from the database file.
#ifndef ULOG_DISTINCT_MGR_TEST_SUPPORT_H
#define ULOG_DISTINCT_MGR_TEST_SUPPORT_H

#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "H/UlogSvcPtr.h"
#include "KivCore/KivCore.h"
#include "UlogSvc.h"
#include "UlogSvcECOM/UlogSvcECOM.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcDistinctMgr.h"
#include "UlogSvcLogMgr/CUlogSvcDuplMgr.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <memory>
#include <string>

namespace evtest
{
struct Event
{
    UlogLogType type = ULOG_LOG_ORIGINATED;
    const char* number = "0101234567";
    const char* name = "";
    unsigned start = 1700000000u;
    unsigned duration = 60;
    UlogCallType callType = ULOG_CALL_VOICE;
    bool temporary = false;
    const char* snsPersonId = "";
    int snsSpInfo = 0;
    int msgLogType = 0;
};

inline UlogInfo MakeInfo(const Event& e)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = e.type;
    info.iCallType = e.callType;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.tmStart = e.start;
    info.tmEnd = e.start + e.duration;
    info.bTempLog = e.temporary ? 1 : 0;
    info.nSnsSpInfo = e.snsSpInfo;
    info.nSpInfo = -1;
    info.nMsgLogType = e.msgLogType;
    std::strncpy(info.szNumber, e.number, sizeof(info.szNumber) - 1);
    std::strncpy(info.szName, e.name, sizeof(info.szName) - 1);
    std::strncpy(info.szSnsPersonId, e.snsPersonId, sizeof(info.szSnsPersonId) - 1);
    return info;
}

inline std::unique_ptr<CUlog> MakeLog(const Event& e)
{
    CUlogSvcGenerator generator;
    return std::unique_ptr<CUlog>(generator.Generate(MakeInfo(e)));
}

inline CUlogSvcDistinctMgr* Distinct()
{
    return static_cast<CUlogSvcDistinctMgr*>(IUlogSvcDistinctMgr::Instance());
}

inline CUlogSvcDuplMgr* Dupl()
{
    return static_cast<CUlogSvcDuplMgr*>(IUlogSvcDuplMgr::Instance());
}

// Adds one event through the distinct manager; the stored log (unique id, group, counts) or null.
inline std::unique_ptr<CUlog> Add(const Event& e)
{
    std::unique_ptr<CUlog> log = MakeLog(e);
    if (log == nullptr || !Distinct()->Add(*log))
        return nullptr;
    return log;
}

// The service started on a fresh data root and stopped afterwards.
class ServiceTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        UlogSvcDispatch(0);
    }
    void TearDown() override
    {
        UlogSvcDispatch(1);
        ulogtest::PlatformTest::TearDown();
    }

    // One integer answer of a query run straight on the database file; -1 when it cannot be run.
    long long Scalar(const std::string& sql) { return ulogtest::ScalarDbFile(m_root, sql); }
    long long DistinctRows(const std::string& where = "1")
    {
        return Scalar("select count(*) from UlogDistinctDbTable where " + where);
    }
    long long DuplRows(const std::string& where = "1")
    {
        return Scalar("select count(*) from UlogDuplDbTable where " + where);
    }
    long long EventsOf(int nParentId) { return DuplRows("parentid = " + std::to_string(nParentId)); }
};
} // namespace evtest

#endif
