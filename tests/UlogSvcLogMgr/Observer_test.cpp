// Change notification from the distinct log manager: change numbers and their order, the observer
// that mirrors the distinct table into the duplicate table, its ownership, and the event counter.
#include "UlogSvcLogMgr/DistinctMgrTestSupport.h"

#include "UlogSvcLogMgr/CUlogSvcDistinctMgrObserver.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"

#include <vector>

using evtest::Add;
using evtest::Distinct;
using evtest::Dupl;
using evtest::Event;

namespace
{
// Records each change it is told of, with the unique id of the object (or -1).
class Recorder : public IUlogObserver
{
public:
    BOOL Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter* pFilter) override
    {
        changes.push_back(pSubject->GetChangeType());
        const CUlog* pUlog = dynamic_cast<const CUlog*>(pObject);
        ids.push_back(pUlog != nullptr ? pUlog->GetUniqueID() : -1);
        filters.push_back(pFilter != nullptr);
        // At change 0 the event must already be in the duplicate table (internal observers run first).
        if (pSubject->GetChangeType() == CUlogSvcSubject::CHANGE_ADD && pUlog != nullptr)
            eventStoredBeforeExternal.push_back(Dupl()->IsExist(pUlog->GetDuplLogLastUniqueID()) != 0);
        return TRUE;
    }
    std::vector<int> changes;
    std::vector<int> ids;
    std::vector<bool> filters;
    std::vector<bool> eventStoredBeforeExternal;
};

class ObserverTest : public evtest::ServiceTest
{
protected:
    void SetUp() override
    {
        evtest::ServiceTest::SetUp();
        ASSERT_TRUE(Distinct()->Attach(&m_recorder, 1));
    }
    void TearDown() override
    {
        Distinct()->Detach(&m_recorder, 1);
        evtest::ServiceTest::TearDown();
    }
    Recorder m_recorder;
};
} // namespace

TEST_F(ObserverTest, AddOfAKnownCorrespondentRaisesChangeOneThenChangeZero)
{
    auto first = Add(Event{.number = "0101234567"});
    EXPECT_EQ(m_recorder.changes, (std::vector<int>{0}));
    m_recorder.changes.clear();
    m_recorder.ids.clear();

    Add(Event{.number = "0101234567", .start = 1700000100u});
    EXPECT_EQ(m_recorder.changes, (std::vector<int>{1, 0}));
    EXPECT_EQ(m_recorder.ids, (std::vector<int>{first->GetUniqueID(), first->GetUniqueID()}));
    EXPECT_EQ(m_recorder.eventStoredBeforeExternal, (std::vector<bool>{true, true}));
    EXPECT_EQ(EventsOf(first->GetUniqueID()), 2);
}

TEST_F(ObserverTest, DeletesAndStatusUpdatesRaiseTheirChanges)
{
    auto a = Add(Event{.number = "0101111111"});
    auto b = Add(Event{.type = ULOG_LOG_MISSED, .number = "0102222222", .start = 1700000100u});
    Add(Event{.number = "0103333333", .start = 1700000200u});
    m_recorder = Recorder();

    EXPECT_TRUE(Distinct()->Delete(a->GetUniqueID()));
    CUlogSvcFilter filter;
    filter.SetFilter("logtype", 2);
    EXPECT_TRUE(Distinct()->Delete(&filter));
    EXPECT_TRUE(Distinct()->UpdateAllUncheckedStatus(1));
    EXPECT_TRUE(Distinct()->DeleteAll(ULOG_LOG_ORIGINATED));
    EXPECT_EQ(m_recorder.changes, (std::vector<int>{11, 12, 8, 13}));
    EXPECT_EQ(m_recorder.ids, (std::vector<int>{a->GetUniqueID(), -1, -1, -1}));
    EXPECT_EQ(m_recorder.filters, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(DuplRows(), 0);

    // A failed table operation is not announced.
    EXPECT_FALSE(Distinct()->DeleteAll(ULOG_LOG_ORIGINATED));
    EXPECT_EQ(m_recorder.changes.size(), 4u);
}

// The thirty-first correspondent of a type evicts the least recently touched row with its events; the
// removed row is announced before the new event.
TEST_F(ObserverTest, TheThirtyFirstCorrespondentEvictsTheLeastRecentlyTouchedRowAndAnnouncesItFirst)
{
    auto num = [](int i) { return "0109" + std::to_string(10000000 + i).substr(1); };
    auto oldest = Add(Event{.number = num(0).c_str(), .start = 1700000000u});
    Add(Event{.number = num(0).c_str(), .start = 1700000001u});
    for (int i = 1; i < 29; ++i)
        Add(Event{.number = num(i).c_str(), .start = 1700000100u + i});
    int nBefore = UlogCtlGetSqlStatementCount();
    Add(Event{.number = num(29).c_str(), .start = 1700000129u});
    const int nPlainNew = UlogCtlGetSqlStatementCount() - nBefore;
    // A row of another type is not counted against the call rows.
    Add(Event{.type = ULOG_LOG_MISSED, .number = num(0).c_str(), .start = 1700000200u});
    ASSERT_EQ(DistinctRows("logtype = 0"), 30);
    ASSERT_EQ(EventsOf(oldest->GetUniqueID()), 2);

    m_recorder = Recorder();
    nBefore = UlogCtlGetSqlStatementCount();
    auto newcomer = Add(Event{.number = num(30).c_str(), .start = 1700000300u});
    // The row is announced twice, its events deleted once: beyond a plain new correspondent's statements
    // only the smallest sort index, the row's two reads and the two deletes.
    EXPECT_EQ(UlogCtlGetSqlStatementCount() - nBefore, nPlainNew + 5);
    EXPECT_EQ(m_recorder.changes, (std::vector<int>{11, 11, 0}));
    EXPECT_EQ(m_recorder.ids,
              (std::vector<int>{oldest->GetUniqueID(), oldest->GetUniqueID(), newcomer->GetUniqueID()}));
    EXPECT_EQ(DistinctRows("logtype = 0"), 30);
    EXPECT_FALSE(Distinct()->IsExist(oldest->GetUniqueID()));
    EXPECT_EQ(EventsOf(oldest->GetUniqueID()), 0);
    EXPECT_EQ(DistinctRows("logtype = 2"), 1);
    EXPECT_EQ(EventsOf(newcomer->GetUniqueID()), 1);
    // The next one evicts the next least recently touched row, num(1).
    CUlogPtr<CUlog> next(Distinct()->GetFirstUlog(ULOG_LOG_ORIGINATED));
    ASSERT_TRUE(next.IsValidPtr());
    EXPECT_STREQ(next->GetNumber(), num(1).c_str());
}

// Every event of a row carries the row's contact ids, whether an event changes them or brings the same.
TEST_F(ObserverTest, EventsFollowTheContactIdsOfTheirRow)
{
    const struct
    {
        int nCtPid;
        int nCtDataId;
    } steps[] = {{0, 0}, {7, 70}, {7, 70}, {7, 71}, {0, 0}, {7, 71}};
    int nRow = -1;
    unsigned int tmStart = 1700000000u;
    for (const auto& step : steps)
    {
        auto log = evtest::MakeLog(Event{.number = "0105556666", .start = tmStart += 100});
        log->SetCtPid(step.nCtPid);
        log->SetCtDataId(step.nCtDataId);
        m_recorder = Recorder();
        ASSERT_TRUE(Distinct()->Add(*log));
        nRow = log->GetUniqueID();
        const std::string other = "(ctprimaryid != " + std::to_string(step.nCtPid) +
                                  " or ctdataid != " + std::to_string(step.nCtDataId) + ")";
        EXPECT_EQ(DuplRows("parentid = " + std::to_string(nRow) + " and " + other), 0)
            << "after the event of person " << step.nCtPid;
        EXPECT_EQ(DistinctRows("clogdbindex = " + std::to_string(nRow) + " and " + other), 0);
        if (&step != &steps[0])
        {
            EXPECT_EQ(m_recorder.changes, (std::vector<int>{1, 0}));
        }
    }
    EXPECT_EQ(EventsOf(nRow), 6);

    // A voicemail rename takes the row's contact away; the events follow, so that the next event of
    // the mailbox, which has no contact either, finds them linked as its row is.
    const MbdnInfo entry = evtest::Voicemail(1, "0105556666");
    ASSERT_TRUE(Distinct()->UpdateNameByVoicemail(&entry));
    auto log = evtest::MakeLog(Event{.number = "0105556666", .start = tmStart + 100});
    log->SetCtPid(0);
    log->SetCtDataId(71); /* the rename keeps the data id */
    ASSERT_TRUE(Distinct()->Add(*log));
    EXPECT_EQ(DuplRows("parentid = " + std::to_string(nRow) + " and ctprimaryid != 0"), 0);
}

TEST_F(ObserverTest, DeletingAConversationRowRemovesTheEventsOfBothDirections)
{
    // Both directions of an SNS conversation share one row, whose type follows the newest event.
    auto out = Add(Event{.type = ULOG_LOG_SNS_1, .number = "", .snsPersonId = "alice", .snsSpInfo = 3});
    auto in = Add(Event{
        .type = ULOG_LOG_SNS_2, .number = "", .start = 1700000100u, .snsPersonId = "alice", .snsSpInfo = 3});
    ASSERT_EQ(in->GetUniqueID(), out->GetUniqueID());
    const int nRow = out->GetUniqueID();
    ASSERT_EQ(DistinctRows("clogdbindex = " + std::to_string(nRow) + " and logtype = 8"), 1);
    ASSERT_EQ(EventsOf(nRow), 2);

    EXPECT_TRUE(Distinct()->Delete(nRow));
    EXPECT_EQ(EventsOf(nRow), 0);
    EXPECT_EQ(DuplRows(), 0);

    // The unique id is given out again; the new correspondent's history is its own event only.
    EXPECT_EQ(EventsOf(Add(Event{.number = "0109999999", .start = 1700000200u})->GetUniqueID()), 1);
}

TEST_F(ObserverTest, FinishingATemporaryLogMovesItsEventToTheFinalGroup)
{
    auto known = Add(Event{.number = "0101111111"});
    auto temp = Add(Event{.number = "", .name = "Pending", .start = 1700000100u, .temporary = true});
    const int nTempGroup = temp->GetGroupID();
    ASSERT_NE(nTempGroup, known->GetGroupID());
    m_recorder.changes.clear();

    temp->SetNumber("0101111111");
    temp->SetEndTime(1700000130u);
    EXPECT_TRUE(Distinct()->UpdateTempLog(*temp));
    EXPECT_EQ(m_recorder.changes, (std::vector<int>{3}));
    EXPECT_EQ(temp->GetGroupID(), known->GetGroupID());
    auto event = evtest::DuplRow(temp->GetDuplLogLastUniqueID());
    EXPECT_EQ(event->GetGroupID(), known->GetGroupID());
    EXPECT_EQ(event->GetEndTime(), 1700000130u);
    EXPECT_EQ(DuplRows("groupid = " + std::to_string(nTempGroup)), 0);
}

TEST_F(ObserverTest, UnexpectedChangesAreReportedAndDoNotStopTheWalk)
{
    CUlogSvcDistinctMgrObserver observer;
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(observer.Update(nullptr, nullptr, nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pSubject != NULL"));

    Add(Event{.number = "0101111111"});
    m_recorder.changes.clear();
    UlogCtlClearDiagnostics();
    EXPECT_TRUE(Distinct()->UpdateAllGroupId(1, 7));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("NEVER_GET_HERE"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pSubject->GetChangeType() (9)"));
    // The external observer after the failing one is still told.
    EXPECT_EQ(m_recorder.changes, (std::vector<int>{9}));
    EXPECT_EQ(DistinctRows("groupid = 7"), 1);

    // Changes without duplicate-table work are accepted.
    CUlogSvcSubject subject;
    for (int change : {2, 5, 6, 10})
    {
        subject.SetChangeType(static_cast<CUlogSvcSubject::ChangeType>(change));
        EXPECT_TRUE(observer.Update(&subject, nullptr, nullptr)) << change;
    }
    subject.SetChangeType(CUlogSvcSubject::CHANGE_4);
    EXPECT_FALSE(observer.Update(&subject, nullptr, nullptr));
}

TEST_F(ObserverTest, TheDuplicateManagerAttachesOneObserverAndExitTakesItBack)
{
    const int nAttached = Distinct()->GetObserverCount();
    ASSERT_EQ(nAttached, 1);
    ASSERT_NE(Dupl()->GetObserver(), nullptr);

    // A second start keeps the one observer: each event is stored once.
    EXPECT_TRUE(Dupl()->Init());
    EXPECT_EQ(Distinct()->GetObserverCount(), 1);
    EXPECT_EQ(EventsOf(Add(Event{.number = "0101111111"})->GetUniqueID()), 1);

    EXPECT_TRUE(Dupl()->Exit());
    EXPECT_EQ(Dupl()->GetObserver(), nullptr);
    EXPECT_EQ(Distinct()->GetObserverCount(), 0);
    EXPECT_TRUE(Dupl()->Exit());
    // Without the observer, events reach only the distinct table.
    EXPECT_EQ(EventsOf(Add(Event{.number = "0102222222", .start = 1700000100u})->GetUniqueID()), 0);

    EXPECT_TRUE(Dupl()->Init());
    EXPECT_EQ(Distinct()->GetObserverCount(), 1);
    EXPECT_EQ(EventsOf(Add(Event{.number = "0103333333", .start = 1700000200u})->GetUniqueID()), 1);
}
