// The duplicate log manager on its own table: the 30 events per parent, its own sort order, group
// moves, contact data from the parent row and voicemail renames.
#include "UlogSvcLogMgr/DistinctMgrTestSupport.h"

#include "UlogSvcLogMgr/CUlogSvcFilter.h"

#include <string>
#include <vector>

using evtest::Add;
using evtest::Distinct;
using evtest::Dupl;
using evtest::Event;

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

TEST_F(DuplMgrTest, TheThirtyFirstEventOfAParentReplacesItsOldestOfTheSameType)
{
    std::vector<int> ids;
    for (int i = 0; i < 30; ++i)
        ids.push_back(AddEvent(500, ULOG_LOG_ORIGINATED, 1700000000u + i));
    ASSERT_EQ(EventsOf(500), 30);
    // Another parent's events are not touched.
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
}

TEST_F(DuplMgrTest, AParentFullOfTheOtherDirectionStillKeepsThirtyEvents)
{
    std::vector<int> ids;
    for (int i = 0; i < 30; ++i)
        ids.push_back(AddEvent(700, ULOG_LOG_SNS_1, 1700000000u + i, ""));
    ASSERT_EQ(EventsOf(700), 30);
    ASSERT_GT(AddEvent(700, ULOG_LOG_SNS_2, 1700001000u, ""), 0);
    EXPECT_EQ(EventsOf(700), 30);
    EXPECT_FALSE(Dupl()->IsExist(ids[0]));
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
