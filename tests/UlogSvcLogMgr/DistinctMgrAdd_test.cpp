// How events become distinct and duplicate rows: first and further events, groups, basic numbers,
// eviction at 30 rows of a type, the duplicate count limit, temporary logs and name grouping.
#include "UlogSvcLogMgr/DistinctMgrTestSupport.h"

#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcChangeMgr/CUlogSvcNotify.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"

#include <string>
#include <vector>

using evtest::Add;
using evtest::Distinct;
using evtest::DistinctRow;
using evtest::Dupl;
using evtest::DuplRow;
using evtest::Event;

namespace
{
using DistinctMgrAddTest = evtest::ServiceTest;

} // namespace

TEST_F(DistinctMgrAddTest, FirstEventCreatesOneRowAndOneEventUnderIt)
{
    // A row of another correspondent with group 41 already exists.
    CUlogCallLog other(evtest::MakeInfo(Event{.number = "0107777777"}));
    other.SetGroupID(41);
    other.SetSortIndex(5);
    ASSERT_TRUE(CUlogContentFrmwkDbMgr::Instance()->Insert(other, ULOG_DB_TABLE_DISTINCT));

    auto log = Add(Event{.number = "0101234567"});
    EXPECT_EQ(log->GetGroupID(), 42);
    EXPECT_EQ(log->GetDuplLogCount(), 1);
    EXPECT_EQ(log->GetSortIndex(), 6);
    EXPECT_STREQ(log->GetBasicNumber(), "01234567");

    auto row = DistinctRow(log->GetUniqueID());
    EXPECT_EQ(row->GetDuplLogCount(), 1);
    EXPECT_EQ(row->GetGroupID(), 42);
    EXPECT_EQ(DistinctRows(), 2);
    EXPECT_EQ(EventsOf(log->GetUniqueID()), 1);

    // The caller learns the event's own row in the duplicate table.
    auto event = DuplRow(log->GetDuplLogLastUniqueID());
    EXPECT_EQ(event->GetParentID(), log->GetUniqueID());
    EXPECT_EQ(event->GetGroupID(), 42);
    EXPECT_EQ(event->GetStartTime(), log->GetStartTime());
}

TEST_F(DistinctMgrAddTest, FurtherEventsJoinTheRowAndAMissedCallOpensASecondRowInTheSameGroup)
{
    auto first = Add(Event{.number = "0101234567", .start = 1700000000u, .cost = 12});
    auto unrelated = Add(Event{.number = "0105555555", .start = 1700000100u});
    auto second = Add(Event{.number = "0101234567", .start = 1700000200u, .duration = 90, .cost = 7});
    EXPECT_EQ(second->GetUniqueID(), first->GetUniqueID());
    EXPECT_EQ(second->GetDuplLogCount(), 2);
    auto row = DistinctRow(first->GetUniqueID());
    EXPECT_EQ(row->GetDuplLogCount(), 2);
    EXPECT_EQ(row->GetStartTime(), 1700000200u);
    EXPECT_EQ(row->GetEndTime(), 1700000290u);
    // The row shows the newest call's cost; each event keeps its own.
    EXPECT_EQ(row->GetCallCost(), 7);
    EXPECT_EQ(Scalar("select sum(callcost) from UlogDuplDbTable where parentid = " +
                     std::to_string(first->GetUniqueID())),
              12 + 7);
    EXPECT_EQ(Scalar("select max(sortindex) from UlogDistinctDbTable"), row->GetSortIndex());
    EXPECT_GT(row->GetSortIndex(), unrelated->GetSortIndex());
    EXPECT_EQ(EventsOf(first->GetUniqueID()), 2);
    EXPECT_EQ(DistinctRows(), 2);

    auto missed = Add(Event{.type = ULOG_LOG_MISSED, .number = "0101234567", .start = 1700000300u});
    EXPECT_NE(missed->GetUniqueID(), first->GetUniqueID());
    EXPECT_EQ(missed->GetGroupID(), first->GetGroupID());
    EXPECT_NE(missed->GetGroupID(), unrelated->GetGroupID());
    EXPECT_EQ(DistinctRows("logtype = 2"), 1);
    EXPECT_EQ(EventsOf(missed->GetUniqueID()), 1);
    EXPECT_EQ(EventsOf(first->GetUniqueID()), 2);
    EXPECT_EQ(DuplRows(), 4);
}

// (That the two numbers have one basic number: the number utilities' tests.)
TEST_F(DistinctMgrAddTest, ADifferentlyWrittenNumberWithTheSameBasicNumberJoinsTheRow)
{
    auto first = Add(Event{.number = "+821012345678"});
    auto second = Add(Event{.number = "01012345678", .start = 1700000500u});
    EXPECT_EQ(second->GetUniqueID(), first->GetUniqueID());
    EXPECT_EQ(DistinctRows(), 1);
    EXPECT_EQ(EventsOf(first->GetUniqueID()), 2);
    CUlogPtr<CUlog> row(Distinct()->GetUlogByNumber(ULOG_LOG_ORIGINATED, "1012345678", 0));
    ASSERT_TRUE(row.IsValidPtr());
    EXPECT_STREQ(row->GetNumber(), "01012345678");
}

// (Eviction of the least recently touched row: the observer tests.)
TEST_F(DistinctMgrAddTest, DuplicateCountSaturatesAtThirtyAndTheOldestEventGivesWay)
{
    std::vector<int> eventIds;
    int nUniqueId = -1;
    for (int i = 0; i < 32; ++i)
    {
        auto log = Add(Event{.number = "0101234567", .start = 1700000000u + 10u * i});
        nUniqueId = log->GetUniqueID();
        eventIds.push_back(log->GetDuplLogLastUniqueID());
        EXPECT_EQ(log->GetDuplLogCount(), i < 30 ? i + 1 : 30) << i;
    }
    EXPECT_EQ(DistinctRow(nUniqueId)->GetDuplLogCount(), 30);
    EXPECT_EQ(EventsOf(nUniqueId), 30);
    EXPECT_FALSE(Dupl()->IsExist(eventIds[0]));
    EXPECT_FALSE(Dupl()->IsExist(eventIds[1]));
    EXPECT_TRUE(Dupl()->IsExist(eventIds[2]));
    EXPECT_TRUE(Dupl()->IsExist(eventIds[31]));
    // Each event has its own, newest sort index in the duplicate table.
    EXPECT_EQ(Scalar("select max(sortindex) from UlogDuplDbTable"), DuplRow(eventIds[31])->GetSortIndex());
}

TEST_F(DistinctMgrAddTest, TemporaryLogAlwaysGetsItsOwnRowAndUpdateTempLogWritesTheCallTime)
{
    CUlogSvcAccountMgr* account = CUlogSvcAccountMgr::Instance();
    Add(Event{.number = "0101234567", .duration = 60});
    const unsigned before = account->GetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1);
    ASSERT_EQ(before, 60u);

    auto temp = Add(Event{.number = "0101234567", .start = 1700001000u, .duration = 0, .temporary = true});
    EXPECT_EQ(DistinctRows("logtype = 0"), 2);
    EXPECT_EQ(temp->GetDuplLogCount(), 1);
    EXPECT_EQ(EventsOf(temp->GetUniqueID()), 1);
    EXPECT_EQ(account->GetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), before);
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);

    temp->SetEndTime(1700001045u);
    EXPECT_TRUE(Distinct()->UpdateTempLog(*temp));
    EXPECT_EQ(account->GetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), before + 45u);
    EXPECT_EQ(DistinctRow(temp->GetUniqueID())->GetEndTime(), 1700001045u);
    // The event row takes the final times too.
    EXPECT_EQ(DuplRow(temp->GetDuplLogLastUniqueID())->GetEndTime(), 1700001045u);
}

TEST_F(DistinctMgrAddTest, EventsWithoutNumberOrAddressAreGroupedByDisplayName)
{
    auto a1 = Add(Event{.number = "", .name = "Alice"});
    auto a2 = Add(Event{.number = "", .name = "Alice", .start = 1700000100u});
    auto bob = Add(Event{.number = "", .name = "Bob", .start = 1700000200u});
    EXPECT_EQ(a2->GetUniqueID(), a1->GetUniqueID());
    EXPECT_EQ(a2->GetDuplLogCount(), 2);
    EXPECT_NE(bob->GetUniqueID(), a1->GetUniqueID());
    EXPECT_NE(bob->GetGroupID(), a1->GetGroupID());
    auto aMissed = Add(Event{.type = ULOG_LOG_MISSED, .number = "", .name = "Alice", .start = 1700000300u});
    EXPECT_EQ(aMissed->GetGroupID(), a1->GetGroupID());
    EXPECT_EQ(DistinctRows(), 3);
}

TEST_F(DistinctMgrAddTest, MessagesCountInTheStatisticsAndCallsOnlyInCallTimes)
{
    CUlogSvcAccountMgr* account = CUlogSvcAccountMgr::Instance();
    const int nSent = account->GetSentMsgCounter();
    Add(Event{.type = ULOG_LOG_MSG_SENT, .number = "0101234567", .msgLogType = 16});
    EXPECT_EQ(account->GetSentMsgCounter(), nSent + 1);
    EXPECT_EQ(account->GetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), 0u);
    // A message and a call of one number share the group but not the row.
    auto call = Add(Event{.number = "0101234567", .start = 1700000100u});
    EXPECT_EQ(DistinctRows(), 2);
    EXPECT_EQ(DistinctRows("groupid = " + std::to_string(call->GetGroupID())), 2);
}

TEST_F(DistinctMgrAddTest, AddWithoutQueryManagerFailsAndStoresNothing)
{
    CUlogSvcDistinctMgr detached(nullptr);
    auto log = evtest::MakeLog(Event{});
    ASSERT_NE(log, nullptr);
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(detached.Add(*log));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("m_pDbMgr != NULL"));
    EXPECT_EQ(DistinctRows(), 0);
    EXPECT_EQ(detached.GetCount(), 0);
    EXPECT_EQ(detached.GetUlog(1), nullptr);
}

TEST_F(DistinctMgrAddTest, InstantMessagesWithoutAddressAreRefusedAndWithAddressShareOneRow)
{
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(Distinct()->Add(*evtest::MakeLog(Event{.type = ULOG_LOG_IM_1, .number = ""})));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("IM log -  no email address."));
    EXPECT_EQ(DistinctRows(), 0);
    EXPECT_EQ(DuplRows(), 0);

    const WCHAR address[] = {'b', 'o', 'b', '@', 'i', 'm', 0};
    auto sent = evtest::MakeLog(Event{.type = ULOG_LOG_IM_1, .number = ""});
    auto received = evtest::MakeLog(Event{.type = ULOG_LOG_IM_2, .number = "", .start = 1700000100u});
    sent->SetEmailAddress(address);
    received->SetEmailAddress(address);
    ASSERT_TRUE(Distinct()->Add(*sent));
    ASSERT_TRUE(Distinct()->Add(*received));
    EXPECT_EQ(received->GetUniqueID(), sent->GetUniqueID());
    EXPECT_EQ(DistinctRows(), 1);
    EXPECT_EQ(DistinctRows("logtype = 10"), 1);
    EXPECT_EQ(EventsOf(sent->GetUniqueID()), 2);
}
