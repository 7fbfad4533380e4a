// The query manager's list, grouping, counting and single-log queries on real tables.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include "CUlogDbTestUtil.h"

using namespace ulogdbtest;

namespace
{
constexpr UlogDbTableType kDistinct = ULOG_DB_TABLE_DISTINCT;
constexpr UlogDbTableType kDupl = ULOG_DB_TABLE_DUPL;

class QueryManagerTest : public NativeDbTest
{
protected:
    // After an operation the engine holds no result of it any more.
    static bool ResultReleased() { return Db2GetNextRow() < 0; }

    // Inserts a row whose start time (and group) are given.
    int InsertAt(UlogLogType type, const char* number, int sortIndex, int group, unsigned int start,
                 UlogDbTableType table = kDupl)
    {
        CUlogSvcDataSet ds = MakeDataSet(type, number, sortIndex, group);
        ds.SetStartTime(start);
        return Insert(ds, table);
    }

    // The day counts of a grouped list, by day.
    static std::map<unsigned int, int> Days(IUlogList<CUlog>* pList)
    {
        ListPtr<CUlog> list(pList);
        std::map<unsigned int, int> counts;
        for (const CUlogSvcDataSet& row : Rows(pList))
        {
            counts[row.GetStartTime()] = row.GetDuplLogCount();
            EXPECT_EQ(ULOG_LOG_ORIGINATED, row.GetLogType());
        }
        return counts;
    }
};
} // namespace

TEST_F(QueryManagerTest, FilteredListsWithOrderWindowAndArguments)
{
    for (int i = 1; i <= 5; i++)
        Insert(MakeDataSet(i % 2 ? ULOG_LOG_MISSED : ULOG_LOG_ORIGINATED, ("0" + std::to_string(i)).c_str(),
                           i * 10));

    CUlogSvcFilter all;
    ListPtr<CUlog> list(m_mgr.GetUlogs(all, 0, -1, kDistinct));
    EXPECT_EQ(5, list->GetCount());
    EXPECT_TRUE(ResultReleased());

    CUlogSvcFilter missed = Where("logtype", ULOG_LOG_MISSED);
    missed.SetOrder(CUlogSvcOrder("sortindex desc"));
    EXPECT_EQ((std::vector<int>{50, 30, 10}), SortIndexes(m_mgr.GetUlogs(missed, 0, -1, kDistinct)));
    // A window of two rows from the second one.
    EXPECT_EQ((std::vector<int>{30, 10}), SortIndexes(m_mgr.GetUlogs(missed, 1, 2, kDistinct)));
    // Start 0 with a count is a window too; a count beyond the rows gives what there is.
    EXPECT_EQ(3u, SortIndexes(m_mgr.GetUlogs(missed, 0, 10, kDistinct)).size());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CHECK THE RESULT"));

    // Order without condition; condition with a bound 16-bit argument.
    CUlogSvcFilter ordered;
    ordered.SetOrder(CUlogSvcOrder("sortindex asc"));
    EXPECT_EQ((std::vector<int>{10, 20}), SortIndexes(m_mgr.GetUlogs(ordered, 0, 2, kDistinct)));
    EXPECT_EQ((std::vector<int>{40}), SortIndexes(m_mgr.GetUlogs(ByNumber("04"), 0, -1, kDistinct)));

    // A failing statement gives no list and leaves nothing behind.
    UlogCtlFailNextSql(1);
    EXPECT_EQ(nullptr, m_mgr.GetUlogs(all, 0, -1, kDistinct));
    list.reset(m_mgr.GetUlogs(all, 0, -1, kDistinct));
    EXPECT_EQ(5, list->GetCount());
}

TEST_F(QueryManagerTest, PlainListsNewestFirst)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 3), kDupl);
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "2", 8), kDupl);
    Insert(MakeDataSet(ULOG_LOG_MISSED, "3", 5), kDupl);

    EXPECT_EQ((std::vector<int>{8, 5, 3}), SortIndexes(m_mgr.GetUlogs(0, -1, kDupl)));
    EXPECT_EQ((std::vector<int>{5}), SortIndexes(m_mgr.GetUlogs(1, 1, kDupl)));
    EXPECT_EQ((std::vector<int>{5, 3}), SortIndexes(m_mgr.GetUlogs((int)ULOG_LOG_MISSED, 0, -1, kDupl)));
    EXPECT_EQ((std::vector<int>{5}), SortIndexes(m_mgr.GetUlogs((int)ULOG_LOG_MISSED, 0, 1, kDupl)));
    EXPECT_TRUE(ResultReleased());

    // A failing plain query gives an empty list, not a null one.
    UlogCtlFailNextSql(1);
    ListPtr<CUlog> list(m_mgr.GetUlogs(0, -1, kDupl));
    ASSERT_NE(nullptr, list.get());
    EXPECT_EQ(0, list->GetCount());
}

TEST_F(QueryManagerTest, GroupedListGivesTheNewestRowOfEachGroup)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "7a", 3, 7));
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "7b", 9, 7));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "5a", 6, 5));
    Insert(MakeDataSet(ULOG_LOG_MSG_SENT, "2a", 12, 2));

    CUlogSvcFilter none;
    EXPECT_EQ((std::vector<int>{12, 9, 6}), SortIndexes(m_mgr.GetUlogsByGroup(none, 0, -1, kDistinct)));
    EXPECT_TRUE(ResultReleased());
    ListPtr<CUlog> list(m_mgr.GetUlogsByGroup(none, 1, 1, kDistinct));
    const std::vector<CUlogSvcDataSet> rows = Rows(list.get());
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(9, rows[0].GetSortIndex());
    EXPECT_EQ(7, rows[0].GetGroupID());
    EXPECT_EQ("7b", N(rows[0].GetNumber()));

    // The condition applies inside the grouping: group 7's newest missed row is sort index 3.
    const CUlogSvcFilter missed = Where("logtype", ULOG_LOG_MISSED);
    EXPECT_EQ((std::vector<int>{6, 3}), SortIndexes(m_mgr.GetUlogsByGroup(missed, 0, -1, kDistinct)));
    EXPECT_EQ((std::vector<int>{3}), SortIndexes(m_mgr.GetUlogsByGroup(missed, 1, 1, kDistinct)));
    // A condition with a bound 16-bit argument.
    EXPECT_EQ((std::vector<int>{9}), SortIndexes(m_mgr.GetUlogsByGroup(ByNumber("7b"), 0, -1, kDistinct)));

    EXPECT_EQ(3, m_mgr.GetGroupCount(none, kDistinct));
    EXPECT_EQ(2, m_mgr.GetGroupCount(missed, kDistinct));
}

TEST_F(QueryManagerTest, DayCountsOfGroups)
{
    const unsigned int day1 = 20000u * 86400u;
    const unsigned int day2 = day1 + 86400u;
    InsertAt(ULOG_LOG_MISSED, "1", 1, 1, day1 + 3600);
    InsertAt(ULOG_LOG_MISSED, "1", 2, 1, day1 + 7200); // same group, same day: counted once
    InsertAt(ULOG_LOG_MISSED, "2", 3, 2, day1 + 80000);
    InsertAt(ULOG_LOG_MISSED, "3", 4, 3, day2 + 10);

    CUlogSvcFilter none;
    EXPECT_EQ((std::map<unsigned int, int>{{day1, 2}, {day2, 1}}), Days(m_mgr.GetDateByGroup(none, kDupl)));
    EXPECT_TRUE(ResultReleased());
    EXPECT_EQ((std::map<unsigned int, int>{{day1, 1}}),
              Days(m_mgr.GetDateByGroup(Where("groupid", 2), kDupl)));
    // A condition with an order of its own.
    CUlogSvcFilter missedByOrder = Where("logtype", ULOG_LOG_MISSED);
    missedByOrder.SetOrder(CUlogSvcOrder("sortindex desc"));
    EXPECT_EQ(2u, Days(m_mgr.GetDateByGroup(missedByOrder, kDupl)).size());

    UlogCtlFailNextSql(1);
    EXPECT_EQ(nullptr, m_mgr.GetDateByGroup(none, kDupl));
}

TEST_F(QueryManagerTest, OnlyNumberedCallAndMessageLogs)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "111", 1, 1));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "111", 4, 1));
    Insert(MakeDataSet(ULOG_LOG_MSG_RECEIVED, "222", 2, 2));
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "", 5, 3));        // no number
    Insert(MakeDataSet(ULOG_LOG_EMAIL_RECEIVED, "333", 6, 4)); // not a call or message log
    EXPECT_EQ((std::vector<int>{4, 2}), SortIndexes(m_mgr.GetAllUlogOnlyNumber(kDistinct)));
    EXPECT_TRUE(ResultReleased());
}

// Distinct values and the days of groups, also of a condition with a bound argument.
TEST_F(QueryManagerTest, DistinctFieldValuesAndDaysOfAConditionWithArguments)
{
    const unsigned int day = 20100u * 86400u;
    InsertAt(ULOG_LOG_MISSED, "0101", 1, 3, day + 5, kDistinct);
    InsertAt(ULOG_LOG_ORIGINATED, "0101", 2, 6, day + 86400 + 5, kDistinct);
    InsertAt(ULOG_LOG_MISSED, "0202", 3, 9, day + 10, kDistinct);
    InsertAt(ULOG_LOG_MISSED, "0303", 4, 3, day + 20, kDistinct);
    CUlogSvcFilter none;
    std::vector<int> values = Values(m_mgr.GetFieldDistinct(ULOG_DB_GROUP_ID, none, kDistinct));
    EXPECT_EQ((std::set<int>{3, 6, 9}), std::set<int>(values.begin(), values.end()));
    EXPECT_EQ(3u, values.size());
    EXPECT_EQ(3, m_mgr.GetCountDistinct(ULOG_DB_GROUP_ID, none, kDistinct));
    // The two missed rows of group 3 count once.
    const CUlogSvcFilter missed = Where("logtype", ULOG_LOG_MISSED);
    EXPECT_EQ(2, m_mgr.GetCountDistinct(ULOG_DB_GROUP_ID, missed, kDistinct));
    EXPECT_EQ(3, m_mgr.GetCount(missed, kDistinct));

    values = Values(m_mgr.GetFieldDistinct(ULOG_DB_GROUP_ID, ByNumber("0101"), kDistinct));
    EXPECT_EQ((std::set<int>{3, 6}), std::set<int>(values.begin(), values.end()));
    EXPECT_EQ((std::map<unsigned int, int>{{day, 1}, {day + 86400, 1}}),
              Days(m_mgr.GetDateByGroup(ByNumber("0101"), kDistinct)));
    EXPECT_TRUE(ResultReleased());
}

TEST_F(QueryManagerTest, GroupIdAndContactUpdates)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 1, 3));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "2", 2, 4));
    EXPECT_EQ(1, m_mgr.UpdateAllGroupId(3, 4, kDistinct));
    EXPECT_EQ((std::vector<std::string>{"4", "4"}),
              QueryColumn("select groupid from UlogDistinctDbTable order by clogdbindex"));
    EXPECT_EQ(0, m_mgr.UpdateAllGroupId(3, 9, kDistinct));

    // Event rows of distinct row 1 take its contact ids; the others keep theirs.
    for (int parent : {1, 1, 2})
    {
        CUlogSvcDataSet ev = MakeDataSet(ULOG_LOG_MISSED, "1", 1);
        ev.SetParentID(parent);
        ev.SetCtPid(99);
        Insert(ev, kDupl);
    }
    CUlogSvcDataSet owner = MakeDataSet(ULOG_LOG_MISSED, "1", 1);
    owner.SetUniqueID(1);
    owner.SetCtPid(21);
    owner.SetCtDataId(22);
    owner.SetCtFdnId(23);
    owner.SetMyAccountId(24);
    std::unique_ptr<CUlog> log = MakeLog(owner);
    EXPECT_EQ(1, m_mgr.UpdateDupleContactInfo(*log));
    EXPECT_EQ((std::vector<std::string>{"21", "21", "99"}),
              QueryColumn("select ctprimaryid from UlogDuplDbTable order by clogdbindex"));
    EXPECT_EQ((std::vector<std::string>{"24", "24", "0"}),
              QueryColumn("select myaccountid from UlogDuplDbTable order by clogdbindex"));
    log->SetUniqueID(55);
    EXPECT_EQ(0, m_mgr.UpdateDupleContactInfo(*log));
}

TEST_F(QueryManagerTest, SingleLogReads)
{
    EXPECT_EQ(nullptr, m_mgr.GetFirstUlog(kDistinct));
    EXPECT_EQ(nullptr, m_mgr.GetUlogByUniqueID(5, kDistinct));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogNativeDbMgr::GetUlogByUniqueID: nCount (0)"));

    Insert(MakeDataSet(ULOG_LOG_MISSED, "a", 4));
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "b", 2));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "c", 9));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "d", 6));

    auto numberOf = [](CUlog* p)
    {
        std::unique_ptr<CUlog> log(p);
        return log ? N(CUlogSvcDataSet(*log).GetNumber()) : std::string("<null>");
    };
    EXPECT_EQ("b", numberOf(m_mgr.GetFirstUlog(kDistinct)));
    EXPECT_EQ("c", numberOf(m_mgr.GetLastUlog(kDistinct)));
    EXPECT_EQ("a", numberOf(m_mgr.GetFirstUlog((int)ULOG_LOG_MISSED, kDistinct)));
    EXPECT_EQ("c", numberOf(m_mgr.GetLastUlog((int)ULOG_LOG_MISSED, kDistinct)));
    EXPECT_EQ("b", numberOf(m_mgr.GetLastUlog((int)ULOG_LOG_ORIGINATED, kDistinct)));
    EXPECT_EQ("d", numberOf(m_mgr.GetUlogByUniqueID(4, kDistinct)));
    EXPECT_EQ("<null>", numberOf(m_mgr.GetLastUlog((int)ULOG_LOG_MSG_SENT, kDistinct)));
    EXPECT_TRUE(ResultReleased());

    // Reads this manager does not offer.
    CUlogSvcFilter none;
    EXPECT_EQ(nullptr, m_mgr.GetUlog(none, kDistinct));
    EXPECT_EQ(nullptr, m_mgr.GetLastUlog(none, kDistinct));
    EXPECT_EQ(nullptr, m_mgr.GetUlogs(none, kDistinct));
    EXPECT_EQ(1, m_mgr.Delete(none, kDistinct));
    EXPECT_EQ(4, m_mgr.GetCount(none, kDistinct));
}

TEST_F(QueryManagerTest, WholeTableAndExtremeValueLists)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "a", 4, 1, 7), kDupl);
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "b", 2, 1, 7), kDupl);
    Insert(MakeDataSet(ULOG_LOG_MISSED, "c", 9, 1, 1), kDupl);

    EXPECT_EQ((std::vector<int>{9, 4, 2}), SortIndexes(m_mgr.GetAllUlog(kDupl)));
    EXPECT_EQ((std::vector<int>{9, 4}), SortIndexes(m_mgr.GetAllUlog((int)ULOG_LOG_MISSED, kDupl)));
    EXPECT_EQ(2u, SortIndexes(m_mgr.GetMax(ULOG_DB_CALL_COST, kDupl)).size());
    EXPECT_EQ((std::vector<int>{9}), SortIndexes(m_mgr.GetMin(ULOG_DB_CALL_COST, kDupl)));
    EXPECT_TRUE(ResultReleased());

    UlogCtlFailNextSql(1);
    EXPECT_EQ(nullptr, m_mgr.GetAllUlog(kDupl));
    UlogCtlFailNextSql(1);
    EXPECT_EQ(nullptr, m_mgr.GetMax(ULOG_DB_CALL_COST, kDupl));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogNativeDbMgr::GetMax: GetMax() failed!"));
}

TEST_F(QueryManagerTest, TemporaryLogsAreMadePermanentOneAtATime)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 1));
    EXPECT_EQ(1, m_mgr.CheckTempLog());
    EXPECT_EQ(std::vector<std::string>{"0"}, QueryColumn("select istemplog from UlogDistinctDbTable"));

    for (int i = 2; i <= 3; i++)
    {
        CUlogSvcDataSet ds = MakeDataSet(ULOG_LOG_MISSED, std::to_string(i).c_str(), i);
        ds.SetTemporary(1);
        Insert(ds);
    }
    EXPECT_EQ(1, m_mgr.CheckTempLog());
    EXPECT_EQ((std::vector<std::string>{"0", "0", "1"}),
              QueryColumn("select istemplog from UlogDistinctDbTable order by clogdbindex"));
    // The row written back keeps its other fields.
    EXPECT_EQ((std::vector<std::string>{"2"}),
              QueryColumn("select sortindex from UlogDistinctDbTable where clogdbindex = 2"));

    // The start of the service finishes the next one.
    EXPECT_EQ(1, m_mgr.Init());
    EXPECT_EQ((std::vector<std::string>{"0", "0", "0"}),
              QueryColumn("select istemplog from UlogDistinctDbTable order by clogdbindex"));
    EXPECT_TRUE(ResultReleased());
}

TEST_F(QueryManagerTest, NameOrderSettingShapesDisplayNames)
{
    CUlogSvcDataSet both = MakeDataSet(ULOG_LOG_MISSED, "1", 3, 1);
    both.SetFirstName("Ann");
    both.SetLastName("Lee");
    CUlogSvcDataSet lastOnly = MakeDataSet(ULOG_LOG_MISSED, "2", 2, 2);
    lastOnly.SetLastName("Kim");
    CUlogSvcDataSet none = MakeDataSet(ULOG_LOG_MISSED, "3", 1, 3);
    none.SetDisplayName(P(W("Stored")));
    Insert(both);
    Insert(lastOnly);
    Insert(none);

    auto names = [](IUlogList<CUlog>* p)
    {
        ListPtr<CUlog> list(p);
        std::vector<std::string> v;
        for (const CUlogSvcDataSet& row : Rows(list.get()))
            v.push_back(N(row.GetDisplayName()));
        return v;
    };
    CUlogSvcFilter all;
    UlogCtlSetNvInt(1417, 0);
    const std::vector<std::string> firstLast = {"Ann Lee", "Kim", "Stored"};
    EXPECT_EQ(firstLast, names(m_mgr.GetUlogs(0, -1, kDistinct)));
    EXPECT_EQ(firstLast, names(m_mgr.GetUlogsByGroup(all, 0, -1, kDistinct)));
    EXPECT_EQ(firstLast, names(m_mgr.GetAllUlogOnlyNumber(kDistinct)));

    UlogCtlSetNvInt(1417, 1);
    const std::vector<std::string> lastFirst = {"Lee Ann", "Kim", "Stored"};
    EXPECT_EQ(lastFirst, names(m_mgr.GetUlogs((int)ULOG_LOG_MISSED, 0, -1, kDistinct)));
    all.SetOrder(CUlogSvcOrder("sortindex desc"));
    EXPECT_EQ(lastFirst, names(m_mgr.GetUlogs(all, 0, -1, kDistinct)));

    // Any other setting keeps the first name alone.
    UlogCtlSetNvInt(1417, 2);
    EXPECT_EQ((std::vector<std::string>{"Ann", "Kim", "Stored"}), names(m_mgr.GetUlogs(0, -1, kDistinct)));

    // Single-log reads give the stored name.
    std::unique_ptr<CUlog> log(m_mgr.GetUlogByUniqueID(1, kDistinct));
    ASSERT_NE(nullptr, log.get());
    EXPECT_EQ("", N(CUlogSvcDataSet(*log).GetDisplayName()));
}

TEST_F(QueryManagerTest, MissingTableFailsQuietly)
{
    ASSERT_GE(Db2QueryEx("drop table UlogDuplDbTable"), 0);
    CUlogSvcFilter none;
    EXPECT_EQ(nullptr, m_mgr.GetUlogs(none, 0, -1, kDupl));
    EXPECT_EQ(nullptr, m_mgr.GetUlogsByGroup(none, 0, -1, kDupl));
    EXPECT_EQ(-1, m_mgr.GetCount(none, kDupl));
    EXPECT_EQ(-1, Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 1), kDupl));
    EXPECT_EQ(0, m_mgr.DeleteAll(kDupl));
    EXPECT_TRUE(ResultReleased());
}
