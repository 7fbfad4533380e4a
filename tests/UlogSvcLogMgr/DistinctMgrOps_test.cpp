// Bulk updates by mask, voicemail renames, deletes, positions and two-stage dialled logs of the
// distinct log manager; the duplicate log manager on its own table: the 30 events per parent, its own sort
// order, group moves, contact data from the parent row and voicemail renames.
#include "UlogSvcLogMgr/DistinctMgrTestSupport.h"

#include "H/UlogSvcList.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"

#include <string>
#include <vector>

using evtest::Add;
using evtest::Distinct;
using evtest::Dupl;
using evtest::Event;

namespace
{
class DistinctMgrOpsTest : public evtest::ServiceTest
{
protected:
    std::string NameOf(int nUniqueId) { return evtest::DistinctRow(nUniqueId)->GetDisplayName(); }
};

UlogInfo Record(const char* number, const char* name)
{
    return evtest::MakeInfo(Event{.number = number, .name = name});
}

// A query manager whose list of all rows cannot be read.
class NoListDbMgr : public CUlogContentFrmwkDbMgr
{
public:
    IUlogList<CUlog>* GetAllUlog(UlogDbTableType) override { return nullptr; }
};
} // namespace

TEST_F(DistinctMgrOpsTest, SetAllLogInfoRenamesOnlyRowsOfTheRecordsNumber)
{
    auto a0 = Add(Event{.type = ULOG_LOG_ORIGINATED, .number = "0101111111", .name = "Old"});
    auto a1 =
        Add(Event{.type = ULOG_LOG_TERMINATED, .number = "0101111111", .name = "Old", .start = 1700000100u});
    auto b0 = Add(
        Event{.type = ULOG_LOG_ORIGINATED, .number = "0102222222", .name = "Other", .start = 1700000200u});

    const UlogInfo info = Record("0101111111", "Renamed");
    EXPECT_TRUE(Distinct()->SetAllLogInfo(ULOG_UPDATE_NAME, &info));
    EXPECT_EQ(NameOf(a0->GetUniqueID()), "Renamed");
    EXPECT_EQ(NameOf(a1->GetUniqueID()), "Renamed");
    EXPECT_EQ(NameOf(b0->GetUniqueID()), "Other");
    // Only the name was taken from the record.
    auto row = evtest::DistinctRow(a0->GetUniqueID());
    EXPECT_EQ(row->GetStartTime(), a0->GetStartTime());
    EXPECT_EQ(row->GetSortIndex(), a0->GetSortIndex());

    // By type: only the received call's row.
    const UlogInfo again = Record("0101111111", "ByType");
    EXPECT_TRUE(Distinct()->SetAllLogInfoByType(ULOG_LOG_TERMINATED, ULOG_UPDATE_NAME, &again, 0));
    EXPECT_EQ(NameOf(a0->GetUniqueID()), "Renamed");
    EXPECT_EQ(NameOf(a1->GetUniqueID()), "ByType");
    // Matched but not written.
    const UlogInfo dry = Record("0101111111", "DryRun");
    EXPECT_TRUE(Distinct()->SetAllLogInfoByType(ULOG_LOG_TERMINATED, ULOG_UPDATE_NAME, &dry, 1));
    EXPECT_EQ(NameOf(a1->GetUniqueID()), "ByType");
}

// Masks select the copied parts; an empty mask, an invalid type and a missing record are refused.
TEST_F(DistinctMgrOpsTest, SetAllLogInfoMasksSelectTheCopiedPartsAndAreChecked)
{
    auto a = Add(Event{.number = "0101111111", .name = "Keep"});
    UlogInfo info = Record("0101111111", "Ignored");
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(Distinct()->SetAllLogInfo(ULOG_UPDATE_NONE, &info));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("iUpdateType != ULOG_UPDATE_NONE"));
    EXPECT_FALSE(Distinct()->SetAllLogInfoByType(ULOG_LOG_ORIGINATED, ULOG_UPDATE_NONE, &info, 0));
    EXPECT_FALSE(Distinct()->SetAllLogInfoByType(ULOG_LOG_CNT_MAX, ULOG_UPDATE_NAME, &info, 0));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("_UlogIsValidLog(iLogType)"));
    EXPECT_FALSE(Distinct()->SetAllLogInfo(ULOG_UPDATE_NAME, nullptr));
    EXPECT_EQ(NameOf(a->GetUniqueID()), "Keep");

    info.nPersonId = 77;
    info.tmStart = 1800000000u;
    info.tmEnd = 1800000010u;
    info.iCallType = ULOG_CALL_VIDEO;
    info.bVideoShare = 1;
    EXPECT_TRUE(Distinct()->SetAllLogInfo(
        ULOG_UPDATE_PERSON_ID | ULOG_UPDATE_TIMES | ULOG_UPDATE_CALL_TYPE | ULOG_UPDATE_VIDEO_SHARE, &info));
    auto row = evtest::DistinctRow(a->GetUniqueID());
    EXPECT_EQ(row->GetCtPid(), 77);
    EXPECT_EQ(row->GetStartTime(), 1800000000u);
    EXPECT_EQ(row->GetEndTime(), 1800000010u);
    EXPECT_STREQ(row->GetDisplayName(), "Keep");
    const CUlogCallLog* call = dynamic_cast<const CUlogCallLog*>(row.get());
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->GetCallType(), ULOG_CALL_VIDEO);
    EXPECT_TRUE(call->IsVideoShareLog());

    // The video-share flag is never cleared by a record without it.
    info.bVideoShare = 0;
    EXPECT_TRUE(Distinct()->SetAllLogInfo(ULOG_UPDATE_VIDEO_SHARE, &info));
    auto again = evtest::DistinctRow(a->GetUniqueID());
    EXPECT_TRUE(dynamic_cast<const CUlogCallLog&>(*again).IsVideoShareLog());
}

TEST_F(DistinctMgrOpsTest, TwoStageDialledLogsAreMatchedByTheirAliasAddress)
{
    UlogInfo stage = evtest::MakeInfo(Event{.number = "0103333333", .name = "Stage"});
    stage.st2StageDialingInfo.iAddressType = 2;
    std::strcpy(stage.st2StageDialingInfo.aliasAddress, "alias@host");
    CUlogCallLog log(stage);
    EXPECT_TRUE(Distinct()->IsVT2StageDailedLog(log));
    ASSERT_TRUE(Distinct()->Add(log));

    CUlogCallLog plain(evtest::MakeInfo(Event{}));
    EXPECT_FALSE(Distinct()->IsVT2StageDailedLog(plain));
    stage.st2StageDialingInfo.iAddressType = 4;
    EXPECT_FALSE(Distinct()->IsVT2StageDailedLog(CUlogCallLog(stage)));
    auto msg = evtest::MakeLog(Event{.type = ULOG_LOG_MSG_SENT});
    EXPECT_FALSE(Distinct()->IsVT2StageDailedLog(*msg));

    // A record with the same number but another alias does not match the two-stage row.
    UlogInfo other = Record("0103333333", "ByNumber");
    std::strcpy(other.st2StageDialingInfo.aliasAddress, "someone@else");
    EXPECT_TRUE(Distinct()->SetAllLogInfo(ULOG_UPDATE_NAME, &other));
    EXPECT_EQ(NameOf(log.GetUniqueID()), "Stage");
    UlogInfo same = Record("", "ByAlias");
    std::strcpy(same.st2StageDialingInfo.aliasAddress, "alias@host");
    EXPECT_TRUE(Distinct()->SetAllLogInfo(ULOG_UPDATE_NAME, &same));
    EXPECT_EQ(NameOf(log.GetUniqueID()), "ByAlias");
}

TEST_F(DistinctMgrOpsTest, VoicemailEntryRenamesTheRowsOfItsNumber)
{
    auto vm = Add(Event{.number = "0101230000", .name = "Someone"});
    auto other = Add(Event{.number = "0104560000", .name = "Other", .start = 1700000100u});

    const MbdnInfo empty = evtest::Voicemail(0, "0101230000");
    EXPECT_FALSE(Distinct()->UpdateNameByVoicemail(&empty));
    const MbdnInfo noNumber = evtest::Voicemail(1, "");
    EXPECT_FALSE(Distinct()->UpdateNameByVoicemail(&noNumber));
    EXPECT_FALSE(Distinct()->UpdateNameByVoicemail(nullptr));
    EXPECT_EQ(NameOf(vm->GetUniqueID()), "Someone");

    // What a rename writes is the table's test; here: which rows, in every type or in one.
    const MbdnInfo entry = evtest::Voicemail(1, "0101230000");
    EXPECT_TRUE(Distinct()->UpdateNameByVoicemail(&entry));
    EXPECT_EQ(NameOf(vm->GetUniqueID()), "Voicemail");
    EXPECT_EQ(NameOf(other->GetUniqueID()), "Other");

    EXPECT_FALSE(Distinct()->UpdateNameByVoicemailByLogType(ULOG_LOG_CNT_MAX, &entry));
    const MbdnInfo second = evtest::Voicemail(1, "0104560000", u"Mailbox");
    EXPECT_TRUE(Distinct()->UpdateNameByVoicemailByLogType(ULOG_LOG_ORIGINATED, &second));
    EXPECT_EQ(NameOf(other->GetUniqueID()), "Mailbox");
}

TEST_F(DistinctMgrOpsTest, DeletesTakeTheRowsEventsWithThem)
{
    auto a = Add(Event{.number = "0101111111"});
    Add(Event{.number = "0101111111", .start = 1700000100u});
    auto b = Add(Event{.number = "0102222222", .start = 1700000200u});
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0103333333", .start = 1700000300u});
    ASSERT_EQ(DuplRows(), 4);

    EXPECT_TRUE(Distinct()->Delete(a->GetUniqueID()));
    EXPECT_FALSE(Distinct()->IsExist(a->GetUniqueID()));
    EXPECT_EQ(EventsOf(a->GetUniqueID()), 0);
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(Distinct()->Delete(a->GetUniqueID()));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcDistinctMgr::Delete: !ptr.IsValidPtr() failed."));

    // A missing filter is refused rather than emptying the tables.
    EXPECT_FALSE(Distinct()->Delete(static_cast<const IUlogSvcFilter*>(nullptr)));
    EXPECT_FALSE(Distinct()->UpdateUncheckedStatus(nullptr, 0));
    EXPECT_EQ(DistinctRows(), 2);

    EXPECT_TRUE(Distinct()->DeleteByBasicNumber(b->GetBasicNumber()));
    EXPECT_EQ(DistinctRows(), 1);
    EXPECT_EQ(EventsOf(b->GetUniqueID()), 0);

    EXPECT_TRUE(Distinct()->DeleteAll(ULOG_LOG_MISSED));
    EXPECT_EQ(DistinctRows(), 0);
    EXPECT_EQ(DuplRows(), 0);
}

TEST_F(DistinctMgrOpsTest, GetIndexGivesThePositionInTheListAndMinusOneOtherwise)
{
    auto a = Add(Event{.number = "0101111111"});
    auto b = Add(Event{.number = "0102222222", .start = 1700000100u});
    auto c = Add(Event{.number = "0103333333", .start = 1700000200u});
    // Newest first.
    EXPECT_EQ(Distinct()->GetIndex(c->GetUniqueID()), 0);
    EXPECT_EQ(Distinct()->GetIndex(b->GetUniqueID()), 1);
    EXPECT_EQ(Distinct()->GetIndex(a->GetUniqueID()), 2);
    EXPECT_EQ(Distinct()->GetIndex(9999), -1);
    EXPECT_EQ(Dupl()->GetIndex(c->GetDuplLogLastUniqueID()), 0);

    // A list that cannot be read gives no position, not the first one.
    NoListDbMgr broken;
    CUlogSvcDistinctMgr distinct(&broken);
    CUlogSvcDuplMgr dupl(&broken);
    UlogCtlClearDiagnostics();
    EXPECT_EQ(distinct.GetIndex(c->GetUniqueID()), -1);
    EXPECT_EQ(dupl.GetIndex(c->GetDuplLogLastUniqueID()), -1);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pList != NULL"));
}

namespace
{
class DuplMgrTest : public evtest::ServiceTest
{
protected:
    // Stores one event directly under parent nParent; the event's own unique id, or -1.
    int AddEvent(int nParent, UlogLogType type, unsigned start, const char* number = "0101234567")
    {
        auto log = evtest::MakeLog(Event{.type = type, .number = number, .start = start});
        if (log == nullptr)
            return -1;
        log->SetUniqueID(nParent);
        log->SetParentID(nParent);
        log->SetGroupID(9);
        if (!Dupl()->Add(*log))
            return -1;
        return log->GetUniqueID();
    }
};

} // namespace

// The thirty-first event of a parent replaces its oldest, of the same type or (a parent full of the other
// direction) not; other parents' events are not touched.
TEST_F(DuplMgrTest, TheThirtyFirstEventOfAParentReplacesItsOldest)
{
    std::vector<int> ids, sns;
    for (int i = 0; i < 30; ++i)
    {
        ids.push_back(AddEvent(500, ULOG_LOG_ORIGINATED, 1700000000u + i));
        sns.push_back(AddEvent(700, ULOG_LOG_SNS_1, 1700000000u + i, ""));
    }
    ASSERT_EQ(EventsOf(500), 30);
    ASSERT_EQ(EventsOf(700), 30);
    const int nOther = AddEvent(600, ULOG_LOG_ORIGINATED, 1600000000u);
    ASSERT_GT(nOther, 0);

    const int nNew = AddEvent(500, ULOG_LOG_ORIGINATED, 1700001000u);
    ASSERT_GT(nNew, 0);
    EXPECT_EQ(EventsOf(500), 30);
    EXPECT_FALSE(Dupl()->IsExist(ids[0]));
    EXPECT_TRUE(Dupl()->IsExist(ids[1]));
    EXPECT_TRUE(Dupl()->IsExist(nOther));
    auto row = evtest::DuplRow(nNew);
    EXPECT_EQ(row->GetParentID(), 500);
    EXPECT_EQ(Scalar("select max(sortindex) from UlogDuplDbTable"), row->GetSortIndex());

    ASSERT_GT(AddEvent(700, ULOG_LOG_SNS_2, 1700001000u, ""), 0);
    EXPECT_EQ(EventsOf(700), 30);
    EXPECT_FALSE(Dupl()->IsExist(sns[0]));
    EXPECT_EQ(DuplRows("parentid = 700 and logtype = 8"), 1);
}

TEST_F(DuplMgrTest, SortIndexIsTheDuplicateTablesOwn)
{
    // Many distinct rows, so that the distinct sort index runs ahead of the duplicate one.
    for (int i = 0; i < 5; ++i)
    {
        char sz[32];
        std::snprintf(sz, sizeof(sz), "01066%05d", i);
        Add(Event{.number = sz, .start = 1700000000u + i});
    }
    EXPECT_EQ(evtest::DuplRow(AddEvent(900, ULOG_LOG_MISSED, 1700000100u))->GetSortIndex(), 6);
}

TEST_F(DuplMgrTest, UpdateAllGroupIdMovesEveryEventOfTheGroup)
{
    auto a = Add(Event{.number = "0101111111"});
    auto a2 = Add(Event{.type = ULOG_LOG_MISSED, .number = "0101111111", .start = 1700000100u});
    auto b = Add(Event{.number = "0102222222", .start = 1700000200u});
    const int g = a->GetGroupID();
    ASSERT_EQ(DuplRows("groupid = " + std::to_string(g)), 2);

    EXPECT_TRUE(Dupl()->UpdateAllGroupId(g, 77));
    EXPECT_EQ(DuplRows("groupid = " + std::to_string(g)), 0);
    EXPECT_EQ(DuplRows("groupid = 77"), 2);
    EXPECT_EQ(DuplRows("groupid = " + std::to_string(b->GetGroupID())), 1);
    // The distinct rows keep their group.
    EXPECT_EQ(DistinctRows("groupid = " + std::to_string(g)), 2);
}

TEST_F(DuplMgrTest, ContactDataOfTheRowReachesItsEvents)
{
    auto a = Add(Event{.number = "0101111111"});
    Add(Event{.number = "0101111111", .start = 1700000100u});
    Add(Event{.number = "0102222222", .start = 1700000200u});
    auto row = evtest::DistinctRow(a->GetUniqueID());
    row->SetCtPid(31);
    row->SetCtDataId(32);
    row->SetCtFdnId(33);
    EXPECT_TRUE(Distinct()->Update(*row));
    EXPECT_EQ(DuplRows("parentid = " + std::to_string(a->GetUniqueID()) +
                       " and ctprimaryid = 31 and ctdataid = 32"),
              2);
    EXPECT_EQ(DuplRows("ctprimaryid = 31"), 2);
}

TEST_F(DuplMgrTest, VoicemailRenameNeedsASetEntry)
{
    auto a = Add(Event{.number = "0101230000", .name = "Someone"});
    auto nameless = Add(Event{.number = "", .name = "NoNumber", .start = 1700000100u});
    const MbdnInfo unset = evtest::Voicemail(0, "0101230000");
    EXPECT_FALSE(Dupl()->UpdateNameByVoicemail(&unset));
    EXPECT_FALSE(Dupl()->UpdateNameByVoicemailByLogType(ULOG_LOG_ORIGINATED, &unset));
    EXPECT_FALSE(Dupl()->UpdateNameByVoicemail(nullptr));
    EXPECT_FALSE(Dupl()->UpdateNameByVoicemailByLogType(ULOG_LOG_CNT_MAX, &unset));
    EXPECT_STREQ(evtest::DuplRow(a->GetDuplLogLastUniqueID())->GetDisplayName(), "Someone");

    const MbdnInfo entry = evtest::Voicemail(1, "0101230000");
    EXPECT_TRUE(Dupl()->UpdateNameByVoicemail(&entry));
    EXPECT_STREQ(evtest::DuplRow(a->GetDuplLogLastUniqueID())->GetDisplayName(), "Voicemail");

    // A set entry without a number is applied to the events without a number.
    const MbdnInfo noNumber = evtest::Voicemail(1, "");
    Dupl()->UpdateNameByVoicemail(&noNumber);
    EXPECT_STREQ(evtest::DuplRow(nameless->GetDuplLogLastUniqueID())->GetDisplayName(), "Voicemail");
}

TEST_F(DuplMgrTest, DeletesAndQueriesWorkOnTheDuplicateTable)
{
    auto a = Add(Event{.number = "0101111111"});
    auto m = Add(Event{.type = ULOG_LOG_MISSED, .number = "0102222222", .start = 1700000100u});
    EXPECT_EQ(Dupl()->GetCount(), 2);
    EXPECT_EQ(Dupl()->GetCount(ULOG_LOG_MISSED), 1);
    CUlogPtr<CUlog> byNumber(Dupl()->GetUlogByNumber(ULOG_LOG_MISSED, "+82102222222", 0));
    ASSERT_TRUE(byNumber.IsValidPtr());
    EXPECT_EQ(byNumber->GetParentID(), m->GetUniqueID());

    EXPECT_FALSE(Dupl()->Delete(static_cast<const IUlogSvcFilter*>(nullptr)));
    EXPECT_EQ(DuplRows(), 2);
    EXPECT_TRUE(Dupl()->Delete(a->GetDuplLogLastUniqueID()));
    EXPECT_EQ(DuplRows(), 1);
    // The distinct row is not touched by the duplicate manager.
    EXPECT_TRUE(Distinct()->IsExist(a->GetUniqueID()));
    EXPECT_TRUE(Dupl()->DeleteAll(ULOG_LOG_MISSED));
    EXPECT_EQ(DuplRows(), 0);
    EXPECT_EQ(DistinctRows(), 2);
}
