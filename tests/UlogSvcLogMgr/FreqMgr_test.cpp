// The ranking queries on a real database: the most frequent correspondents of a type, the photo
// favourites (ranking, exclusions, expansion to every row of a favourite, the exported record and its
// limits) and the delete of a favourite's logs.
#include "DistinctMgrTestSupport.h"

#include "H/UlogSvcList.h"
#include "UlogSvcLogMgr/CUlogSvcFreqMgr.h"

#include <set>
#include <utility>
#include <vector>

namespace
{
using namespace evtest;

struct Row
{
    UlogLogType type;
    const char* number;
    int personId; // 0: no contact
    int events;
    int msgLogType = 0;
};

void OnChange(int nChangeType, int /*nUniqueId*/, void* pUserData)
{
    static_cast<std::vector<int>*>(pUserData)->push_back(nChangeType);
}

class FreqMgrTest : public ServiceTest
{
protected:
    void SetUp() override
    {
        ServiceTest::SetUp();
        ASSERT_TRUE(m_mgr.Init());
    }
    // Stores the rows in order, each with its events; a contact's rows carry its name and picture.
    void Store(const std::vector<Row>& rows)
    {
        for (const Row& row : rows)
            for (int i = 0; i < row.events; ++i)
            {
                UlogInfo info = ulogtest::MakeInfo(Event{.type = row.type,
                                                         .number = row.number,
                                                         .start = m_tmNext++,
                                                         .msgLogType = row.msgLogType});
                info.nPersonId = row.personId;
                if (row.personId > 0)
                {
                    std::snprintf(info.szName, sizeof(info.szName), "Contact %d", row.personId);
                    std::snprintf(info.szCallerIdPath, sizeof(info.szCallerIdPath), "/pic/%d.jpg",
                                  row.personId);
                }
                ASSERT_TRUE(UlogAddCallLog(&info)) << row.number;
            }
    }
    // (basic number, log type) of each log of the list, which is released.
    static std::vector<std::pair<std::string, int>> Keys(IUlogList<CUlog>* pList)
    {
        std::vector<std::pair<std::string, int>> keys;
        EXPECT_NE(pList, nullptr);
        if (pList == nullptr)
            return keys;
        IUlogIterator<CUlog>* pIter = pList->GetIterator();
        for (pIter->First(); !pIter->IsDone(); pIter->Next())
            keys.emplace_back(pIter->GetCurItem()->GetBasicNumber(), pIter->GetCurItem()->GetLogType());
        pIter->Release();
        pList->Release();
        return keys;
    }
    CUlogSvcFreqMgr m_mgr;
    unsigned m_tmNext = 1700000000u;
};

// B: calls and messages counted together (4); C ties with A (3) and is touched later; D only received
// calls, E only messages of type 64, F no contact: none of them is a favourite however many events.
const std::vector<Row> kRows = {
    {ULOG_LOG_ORIGINATED, "01111111", 1, 3},   {ULOG_LOG_ORIGINATED, "02222222", 2, 2},
    {ULOG_LOG_MSG_SENT, "02222222", 2, 2},     {ULOG_LOG_MISSED, "02222222", 2, 1},
    {ULOG_LOG_ORIGINATED, "03333333", 3, 3},   {ULOG_LOG_TERMINATED, "04444444", 4, 9},
    {ULOG_LOG_MSG_SENT, "05555555", 5, 9, 64}, {ULOG_LOG_ORIGINATED, "06666666", 0, 9},
};
} // namespace

TEST_F(FreqMgrTest, FrequentLogsOfOneTypeComeMostEventsFirst)
{
    Store({{ULOG_LOG_MISSED, "01111111", 0, 2},
           {ULOG_LOG_MISSED, "02222222", 0, 5},
           {ULOG_LOG_MISSED, "03333333", 0, 1},
           {ULOG_LOG_ORIGINATED, "04444444", 0, 9}});
    using Keys_t = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(Keys(m_mgr.GetFreqLogs(ULOG_LOG_MISSED, 5)),
              (Keys_t{{"02222222", 2}, {"01111111", 2}, {"03333333", 2}}));
    EXPECT_EQ(Keys(m_mgr.GetFreqLogs(ULOG_LOG_MISSED, 1)), (Keys_t{{"02222222", 2}}));

    UlogInfo out[4];
    int filled = -1;
    ASSERT_TRUE(UlogGetFrequentLogs(ULOG_LOG_MISSED, 4, out, &filled));
    ASSERT_EQ(filled, 3);
    EXPECT_EQ(out[0].nDuplLogCount, 5);
    EXPECT_EQ(out[2].nDuplLogCount, 1);
    EXPECT_FALSE(UlogGetFrequentLogs(ULOG_LOG_CNT_MAX, 4, out, &filled));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_INVALID_ARGUMENT);
}

TEST_F(FreqMgrTest, FavouritesRankBySummedCountsThenNewestAndExpandToEveryRow)
{
    Store(kRows);
    const auto keys = Keys(m_mgr.GetPhotoFvrLogs(10));
    ASSERT_EQ(keys.size(), 5u);
    // B's three rows (any order), then C, then A.
    EXPECT_EQ((std::set<std::pair<std::string, int>>(keys.begin(), keys.begin() + 3)),
              (std::set<std::pair<std::string, int>>{{"02222222", 0}, {"02222222", 3}, {"02222222", 2}}));
    EXPECT_EQ(keys[3], std::make_pair(std::string("03333333"), 0));
    EXPECT_EQ(keys[4], std::make_pair(std::string("01111111"), 0));
    // The limit counts favourites, not rows.
    EXPECT_EQ(Keys(m_mgr.GetPhotoFvrLogs(1)).size(), 3u);
    EXPECT_EQ(m_mgr.GetPhotoFvrLogsInfo(nullptr), nullptr);
}

TEST_F(FreqMgrTest, ExportedRecordsStopAtTheCountAndAtWhatExists)
{
    Store(kRows);
    std::vector<UlogPhotoFvrInfo> out(8);
    std::memset(out.data(), 0x5A, out.size() * sizeof(UlogPhotoFvrInfo));
    int filled = -1;
    // Two records although the first favourite alone has three rows.
    ASSERT_TRUE(UlogGetPhotoFavouritesLogsEx(2, out.data(), &filled));
    EXPECT_EQ(filled, 2);
    EXPECT_EQ(out[0].nPersonId, 2);
    EXPECT_STREQ(out[0].szBasicNumber, "02222222");
    EXPECT_STREQ(out[0].szNumber, "02222222");
    EXPECT_STREQ(out[0].szName, "Contact 2");
    EXPECT_STREQ(out[0].szCallerIdPath, "/pic/2.jpg");
    EXPECT_EQ(out[0].abReserved[0], 0x5A); // never written
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&out[2])[0], 0x5A);

    // More asked than exists: five records, the rest of the array untouched.
    ASSERT_TRUE(UlogGetPhotoFavouritesLogsEx(8, out.data(), &filled));
    EXPECT_EQ(filled, 5);
    EXPECT_STREQ(out[4].szBasicNumber, "01111111");
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&out[5])[0], 0x5A);

    // No array, no count, a negative count: nothing written.
    const std::vector<UlogPhotoFvrInfo> before = out;
    EXPECT_FALSE(UlogGetPhotoFavouritesLogs(2, nullptr));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_INVALID_ARGUMENT);
    EXPECT_TRUE(UlogGetPhotoFavouritesLogsEx(0, out.data(), &filled));
    EXPECT_EQ(filled, 0);
    EXPECT_FALSE(UlogGetPhotoFavouritesLogs(-1, out.data()));
    EXPECT_EQ(std::memcmp(before.data(), out.data(), out.size() * sizeof(UlogPhotoFvrInfo)), 0);
}

TEST_F(FreqMgrTest, BasicNumberWithQuoteAndPercentIsReadAndDeleted)
{
    Store({{ULOG_LOG_ORIGINATED, "07777777", 7, 2}});
    ASSERT_EQ(Scalar("select count(*) from UlogDistinctDbTable"), 1);
    ASSERT_TRUE(
        ulogtest::QueryDbFile(m_root, "update UlogDistinctDbTable set basicnumber = '01''77%7'", false)
            .empty());
    UlogPhotoFvrInfo out[2];
    int filled = 0;
    ASSERT_TRUE(UlogGetPhotoFavouritesLogsEx(2, out, &filled));
    ASSERT_EQ(filled, 1);
    EXPECT_STREQ(out[0].szBasicNumber, "01'77%7");
    EXPECT_STREQ(out[0].szNumber, "07777777");
    EXPECT_TRUE(UlogDeleteSinglePhotoFavouritesLog(&out[0]));
    EXPECT_EQ(DistinctRows(), 0);
}

TEST_F(FreqMgrTest, DeletingFavouritesRemovesEveryRowAndEventAndAnnouncesIt)
{
    Store(kRows);
    std::vector<int> changes;
    ASSERT_TRUE(UlogSvcSetChangeCallback(&OnChange, &changes));
    UlogPhotoFvrInfo out[5];
    int filled = 0;
    ASSERT_TRUE(UlogGetPhotoFavouritesLogsEx(5, out, &filled));
    ASSERT_EQ(filled, 5);
    // B (three rows) and C go; A, D, E, F stay with their events.
    EXPECT_TRUE(UlogDeletePhotoFavouritesLog(&out[2], 2));
    UlogSvcSetChangeCallback(nullptr, nullptr);
    EXPECT_EQ(changes, (std::vector<int>{12, 12}));
    EXPECT_EQ(DistinctRows("basicnumber in ('02222222', '03333333')"), 0);
    EXPECT_EQ(DuplRows("basicnumber in ('02222222', '03333333')"), 0);
    EXPECT_EQ(DistinctRows(), 4);
    EXPECT_EQ(DuplRows(), 30);

    // A record without a basic number would name every row without one: refused, nothing deleted.
    UlogPhotoFvrInfo empty;
    std::memset(&empty, 0, sizeof(empty));
    EXPECT_FALSE(UlogDeleteSinglePhotoFavouritesLog(&empty));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_INVALID_ARGUMENT);
    EXPECT_FALSE(UlogDeletePhotoFavouritesLog(nullptr, 1));
    EXPECT_EQ(DistinctRows(), 4);
}
