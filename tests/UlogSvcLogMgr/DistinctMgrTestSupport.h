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
#include "UlogSvcLogMgr/CUlogCallLog.h"
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

// Adds one event through the distinct manager; the stored log (unique id, group, counts). An event that
// cannot be stored fails the test (the log is given all the same).
inline std::unique_ptr<CUlog> Add(const Event& e)
{
    std::unique_ptr<CUlog> log = MakeLog(e);
    if (log == nullptr)
    {
        ADD_FAILURE() << "no log for an event of type " << e.type;
        return std::make_unique<CUlogCallLog>();
    }
    EXPECT_TRUE(Distinct()->Add(*log)) << "the event of \"" << e.number << "\" was not stored";
    return log;
}

// The row of a unique id in the distinct or the duplicate table; a missing row fails the test (an empty log
// is given instead).
inline std::unique_ptr<CUlog> Stored(IUlogSvcLogMgr* pMgr, int nUniqueId)
{
    std::unique_ptr<CUlog> row(pMgr->GetUlog(nUniqueId));
    if (row == nullptr)
    {
        ADD_FAILURE() << "no row " << nUniqueId;
        return std::make_unique<CUlogCallLog>();
    }
    return row;
}
inline std::unique_ptr<CUlog> DistinctRow(int nUniqueId)
{
    return Stored(Distinct(), nUniqueId);
}
inline std::unique_ptr<CUlog> DuplRow(int nUniqueId)
{
    return Stored(Dupl(), nUniqueId);
}

// A voicemail entry of the SIM.
inline MbdnInfo Voicemail(int bSet, const char* number, const char16_t* name = u"Voicemail")
{
    MbdnInfo entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.bSet = bSet;
    std::strncpy(entry.szNumber, number, sizeof(entry.szNumber) - 1);
    for (int i = 0; name[i] != 0 && i < 40; ++i)
        entry.mszName[i] = static_cast<WCHAR>(name[i]);
    return entry;
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
