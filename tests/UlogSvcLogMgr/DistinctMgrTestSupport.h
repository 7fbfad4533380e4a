// Helpers for the log manager tests: a started service on a fresh data root, events built from
// records, and counts read straight from the database file.
#ifndef ULOG_DISTINCT_MGR_TEST_SUPPORT_H
#define ULOG_DISTINCT_MGR_TEST_SUPPORT_H

#include "support/DataFiles.h"
#include "support/PlatformFixture.h"
#include "support/Records.h"

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
using ulogtest::Event;
using ulogtest::MakeInfo;

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
class ServiceTest : public ulogtest::ServiceTest
{
protected:
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
