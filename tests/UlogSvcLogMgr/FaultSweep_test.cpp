// Fault sweep: each statement, and separately each allocation, of a change is made to fail in turn,
// until the change runs untouched. After every failure the tables must be exactly as before the
// change and consistent, the change must say it failed, and running it again must succeed.
#include "UlogSvcLogMgr/DistinctMgrTestSupport.h"

#include <functional>
#include <vector>

namespace
{
using evtest::Event;

enum class Fault
{
    NthStatement,    // only the Nth statement from the change's start fails
    FirstStatements, // the first N statements fail
    NthAllocation    // only the Nth allocation from the change's start fails
};

std::string FaultName(const testing::TestParamInfo<Fault>& info)
{
    const char* const apszNames[] = {"NthStatement", "FirstStatements", "NthAllocation"};
    return apszNames[static_cast<int>(info.param)];
}

struct Change
{
    std::function<void()> prepare; // builds the tables the change starts from
    std::function<bool()> run;     // the change; its result
};

class FaultSweepTest : public evtest::ServiceTest, public testing::WithParamInterface<Fault>
{
protected:
    // A fresh data root with the service started on it.
    void Restart()
    {
        UlogSvcDispatch(1);
        ulogtest::RemoveTree(m_root);
        ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
        UlogSvcDispatch(0);
    }

    static BOOL AddEvent(const Event& e)
    {
        UlogInfo info = evtest::MakeInfo(e);
        return UlogAddCallLog(&info);
    }

    // Every committed row of both tables and the call-time total, as text.
    std::string Snapshot()
    {
        std::string out =
            std::to_string(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1)) + "\n";
        for (const char* table : {"UlogDistinctDbTable", "UlogDuplDbTable"})
        {
            for (const std::string& row : ulogtest::QueryDbFile(m_root, std::string("select * from ") +
                                                                            table + " order by clogdbindex"))
                out += row + "\n";
            out += "--\n";
        }
        return out;
    }

    void ExpectConsistent(const std::string& where) { ulogtest::ExpectTablesConsistent(m_root, where); }

    void Arm(int n)
    {
        switch (GetParam())
        {
        case Fault::NthStatement:
            UlogCtlFailSqlAt(n);
            break;
        case Fault::FirstStatements:
            UlogCtlFailNextSql(n);
            break;
        case Fault::NthAllocation:
            UlogCtlFailAllocAt(n);
            break;
        }
    }

    // True when some armed fault was never given.
    static bool Disarm()
    {
        const bool bUnused = UlogCtlPendingSqlFaults() > 0 || UlogCtlPendingAllocFaults() > 0;
        UlogCtlFailNextSql(0);
        UlogCtlFailNextAllocs(0);
        return bUnused;
    }

    // Sweeps the faults over the change; the number of failure points it ran into.
    int Sweep(const char* pszName, const Change& change)
    {
        int nPoints = 0;
        for (int n = 1; n <= 400; ++n)
        {
            Restart();
            change.prepare();
            const std::string before = Snapshot();
            const std::string where = std::string(pszName) + " with fault " + std::to_string(n);
            Arm(n);
            const bool bResult = change.run();
            const UlogErrorCode iError = UlogGetLastError(nullptr); // before any other call clears it
            const bool bUntouched = Disarm() && GetParam() != Fault::FirstStatements;
            const std::string after = Snapshot();
            ExpectConsistent(where);
            if (bUntouched || (GetParam() == Fault::FirstStatements && bResult))
            {
                EXPECT_TRUE(bResult) << where << ": failed with no fault given";
                EXPECT_NE(before, after) << where << ": reported done, but nothing changed";
                return nPoints;
            }
            ++nPoints;
            if (bResult)
            {
                // A failure the change could live with: then its change is in the tables.
                EXPECT_NE(before, after) << where << ": reported done, but nothing changed";
                continue;
            }
            EXPECT_EQ(before, after) << where << ": reported failed, but the tables changed";
            EXPECT_NE(ULOG_ERR_NONE, iError) << where << ": no reason given";
            EXPECT_TRUE(change.run()) << where << ": the retry failed";
            EXPECT_NE(before, Snapshot()) << where << ": the retry changed nothing";
            ExpectConsistent(where + ", after the retry");
            if (testing::Test::HasFailure())
                return nPoints;
            if (GetParam() == Fault::FirstStatements && n >= 3)
                return nPoints; // past the first failure nothing new runs: the change stops there
        }
        ADD_FAILURE() << pszName << ": still failing after 400 faults";
        return nPoints;
    }

    static Event Call(const char* pszNumber, UlogLogType iType = ULOG_LOG_ORIGINATED)
    {
        return Event{.type = iType, .number = pszNumber};
    }
};

TEST_P(FaultSweepTest, AddingAnEventForAKnownOrNewCorrespondent)
{
    const int nKnown = Sweep("add (known)", {[] { ASSERT_TRUE(AddEvent(Call("0101234567"))); },
                                             [] { return AddEvent(Call("0101234567")) != 0; }});
    const int nNew = Sweep("add (new)", {[] { ASSERT_TRUE(AddEvent(Call("0101234567"))); },
                                         [] { return AddEvent(Call("0209876543")) != 0; }});
    EXPECT_GT(nKnown, 0);
    EXPECT_GT(nNew, 0);
    RecordProperty("failure_points", nKnown + nNew);
}

TEST_P(FaultSweepTest, AddingAnEventThatEvictsTheOldestRow)
{
    const auto thirtyRows = []
    {
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(AddEvent(Call(("05550100" + std::to_string(10 + i)).c_str())));
    };
    const int nPoints =
        Sweep("add (eviction)", {thirtyRows, [] { return AddEvent(Call("0303030303")) != 0; }});
    EXPECT_GT(nPoints, 0);
    RecordProperty("failure_points", nPoints);
}

TEST_P(FaultSweepTest, UpdatingDeletingAndBulkUpdating)
{
    static UlogInfo s_stored;
    const auto prepare = []
    {
        s_stored = evtest::MakeInfo(Call("0101234567"));
        ASSERT_TRUE(UlogAddCallLog(&s_stored));
        UlogInfo again = evtest::MakeInfo(Call("0101234567"));
        ASSERT_TRUE(UlogAddCallLog(&again));
        UlogInfo missed = evtest::MakeInfo(Call("0101234567", ULOG_LOG_MISSED));
        ASSERT_TRUE(UlogAddCallLog(&missed));
        ASSERT_TRUE(UlogGetCallLogInfoByUniqueID(s_stored.nUniqueId, &s_stored));
    };
    const int nUpdate = Sweep("update", {prepare, []
                                         {
                                             UlogInfo info = s_stored;
                                             std::strcpy(info.szName, "Renamed");
                                             return UlogUpdateCallLog(&info) != 0;
                                         }});
    const int nDelete = Sweep("delete", {prepare, [] { return UlogDeleteCallLog(s_stored.nUniqueId) != 0; }});
    const int nBulk = Sweep("bulk update", {prepare, []
                                            {
                                                UlogInfo info = s_stored;
                                                std::strcpy(info.szName, "Everywhere");
                                                return UlogSetAllCallLogInfo(ULOG_UPDATE_NAME, &info) != 0;
                                            }});
    const int nUnread =
        Sweep("unread status", {prepare, [] { return UlogSetAllUnreadMissedStatus(1) != 0; }});
    const int nDeleteAll = Sweep("delete all", {prepare, [] { return UlogDeleteAllCallLog() != 0; }});
    EXPECT_GT(nUpdate, 0);
    EXPECT_GT(nDelete, 0);
    EXPECT_GT(nBulk, 0);
    if (GetParam() != Fault::NthAllocation) // neither allocates: only their statements can fail
    {
        EXPECT_GT(nUnread, 0);
        EXPECT_GT(nDeleteAll, 0);
    }
    RecordProperty("failure_points", nUpdate + nDelete + nBulk + nUnread + nDeleteAll);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultSweepTest,
                         testing::Values(Fault::NthStatement, Fault::FirstStatements, Fault::NthAllocation),
                         FaultName);
} // namespace
