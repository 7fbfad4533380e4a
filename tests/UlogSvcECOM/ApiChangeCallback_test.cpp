// An application's change callback: one call per committed change, with the change's kind and row;
// nothing for a change that fails; nothing once removed. (Which changes the observers raise, and in
// which order: tests/UlogSvcLogMgr/Observer_test.cpp.)
#include "ApiTestSupport.h"

#include <utility>

namespace
{
using namespace apitest;
using Changes = std::vector<std::pair<int, int>>;

struct Seen
{
    Changes changes;
    std::vector<int> counts; // what the callback read of the changed row while it ran: its events, or -1
};

void OnChange(int nChangeType, int nUniqueId, void* pUserData)
{
    Seen* pSeen = static_cast<Seen*>(pUserData);
    pSeen->changes.emplace_back(nChangeType, nUniqueId);
    UlogInfo info;
    pSeen->counts.push_back(
        nUniqueId >= 0 && UlogGetCallLogInfoByUniqueID(nUniqueId, &info) ? info.nDuplLogCount : -1);
}

class ApiChangeCallbackTest : public ApiTest
{
protected:
    void SetUp() override
    {
        ApiTest::SetUp();
        ASSERT_EQ(1, UlogSvcSetChangeCallback(&OnChange, &m_seen));
    }
    void TearDown() override
    {
        UlogSvcSetChangeCallback(nullptr, nullptr);
        ApiTest::TearDown();
    }
    Seen m_seen;
};

TEST_F(ApiChangeCallbackTest, EachCommittedChangeIsAnnouncedOnceWithItsRow)
{
    const UlogInfo first = Add(ULOG_LOG_ORIGINATED, "0101234567");
    Add(ULOG_LOG_ORIGINATED, "0101234567", 1700000100u);
    EXPECT_EQ((Changes{{0, first.nUniqueId}, {1, first.nUniqueId}, {0, first.nUniqueId}}), m_seen.changes);
    // The callback runs after the commit: the row it reads already holds the new event.
    EXPECT_EQ((std::vector<int>{1, 2, 2}), m_seen.counts);

    // Updates and deletes name their row; every row at once names none.
    m_seen = Seen();
    UlogInfo renamed;
    ASSERT_EQ(1, UlogGetCallLogInfoByUniqueID(first.nUniqueId, &renamed));
    std::strcpy(renamed.szName, "Alice");
    ASSERT_EQ(1, UlogUpdateCallLog(&renamed));
    ASSERT_EQ(1, UlogDeleteCallLog(first.nUniqueId));
    EXPECT_EQ((Changes{{1, first.nUniqueId}, {11, first.nUniqueId}}), m_seen.changes);
    Add(ULOG_LOG_ORIGINATED, "0209876543");
    m_seen = Seen();
    ASSERT_EQ(1, UlogDeleteAllCallLog());
    EXPECT_EQ((Changes{{13, -1}}), m_seen.changes);
}

TEST_F(ApiChangeCallbackTest, AFailedChangeIsNeverAnnounced)
{
    const UlogInfo stored = Add(ULOG_LOG_ORIGINATED, "0101234567");
    for (int position = 1; position <= 12; ++position)
    {
        m_seen = Seen();
        UlogCtlFailSqlAt(position);
        UlogInfo info = Record(ULOG_LOG_ORIGINATED, "0101234567", 1700000000u + 10u * position);
        const BOOL bStored = UlogAddCallLog(&info);
        UlogCtlFailNextSql(0);
        const Changes expected = bStored ? Changes{{1, stored.nUniqueId}, {0, stored.nUniqueId}} : Changes{};
        EXPECT_EQ(expected, m_seen.changes) << "statement " << position;
    }
    // A change refused before it begins (nothing to delete) is silent too.
    m_seen = Seen();
    EXPECT_EQ(0, UlogDeleteCallLog(stored.nUniqueId + 100));
    EXPECT_TRUE(m_seen.changes.empty());
}

TEST_F(ApiChangeCallbackTest, ARemovedCallbackHearsNothingMore)
{
    ASSERT_EQ(1, UlogSvcSetChangeCallback(nullptr, nullptr));
    Add(ULOG_LOG_ORIGINATED, "0101234567");
    EXPECT_TRUE(m_seen.changes.empty());
    // Registering again (twice) still announces each change once.
    ASSERT_EQ(1, UlogSvcSetChangeCallback(&OnChange, &m_seen));
    ASSERT_EQ(1, UlogSvcSetChangeCallback(&OnChange, &m_seen));
    Add(ULOG_LOG_ORIGINATED, "0209876543");
    EXPECT_EQ(1u, m_seen.changes.size());
}
} // namespace
