// What the exported functions say when they fail: 0 or a negative count, the record untouched, and
// UlogGetLastError with the reason; and the capacity-taking read that never writes past the array.
#include "ApiTestSupport.h"
#include "support/DataFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <thread>

namespace
{
using apitest::Add;
using apitest::ApiTest;
using apitest::Record;

class ApiFailureTest : public ApiTest
{
protected:
    // Every committed row of the distinct table, as text.
    std::vector<std::string> Rows()
    {
        return ulogtest::QueryDbFile(m_root, "select clogdbindex, sncount, logname, isuncheckedyet from "
                                             "UlogDistinctDbTable order by clogdbindex");
    }

    static std::string LastErrorText()
    {
        const char* pszText = nullptr;
        UlogGetLastError(&pszText);
        return pszText != nullptr ? pszText : "<null>";
    }
};

TEST_F(ApiFailureTest, ADatabaseHeldByAnotherProcessFailsTheAddWithItsReason)
{
    Add(ULOG_LOG_ORIGINATED, "0101234567");
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root + "/System/ulog.db").c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));

    const std::vector<std::string> before = Rows();
    UlogInfo info = Record(ULOG_LOG_ORIGINATED, "0101234567", 1700000500u);
    const UlogInfo written = info;
    EXPECT_EQ(0, UlogAddCallLog(&info));
    EXPECT_EQ(0, std::memcmp(&info, &written, sizeof(info)))
        << "a failed add must leave the record as it was";
    const char* pszText = nullptr;
    EXPECT_EQ(ULOG_ERR_DB_BUSY, UlogGetLastError(&pszText));
    EXPECT_STREQ("database is busy", pszText);
    EXPECT_EQ(60u, UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1))
        << "an event that was not stored must not count";

    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr));
    sqlite3_close(other);
    EXPECT_EQ(before, Rows());
    EXPECT_EQ(1, UlogAddCallLog(&info));
    EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    EXPECT_EQ(2, info.nDuplLogCount);
    EXPECT_EQ(120u, UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1));
}

TEST_F(ApiFailureTest, MissingRowsAndBadArgumentsHaveTheirOwnReasons)
{
    EXPECT_EQ(0, UlogDeleteCallLog(42));
    EXPECT_EQ(ULOG_ERR_NOT_FOUND, UlogGetLastError(nullptr));
    EXPECT_EQ("no such log", LastErrorText());
    UlogInfo info;
    EXPECT_EQ(0, UlogGetCallLogInfoByUniqueID(42, &info));
    EXPECT_EQ(ULOG_ERR_NOT_FOUND, UlogGetLastError(nullptr));
    // A success after a failure says so, a list as a single read.
    const HOBJ h = UlogGetAllLogInfo();
    EXPECT_EQ("no error", LastErrorText());
    EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    UlogSvcIteratorRelease(h);
    const UlogInfo added = Add(ULOG_LOG_MISSED, "0202");
    EXPECT_EQ(0, UlogGetCallLogInfoByUniqueID(added.nUniqueId + 100, &info));
    EXPECT_EQ(1, UlogGetCallLogInfoByUniqueID(added.nUniqueId, &info));
    EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    EXPECT_EQ(0, UlogAddCallLog(nullptr));
    EXPECT_EQ(ULOG_ERR_INVALID_ARGUMENT, UlogGetLastError(nullptr));
    // An update of a row that does not exist wrote nothing: it is not a success.
    UlogInfo ghost = Record(ULOG_LOG_ORIGINATED, "0101234567");
    ghost.nUniqueId = 42;
    EXPECT_EQ(0, UlogUpdateCallLog(&ghost));
    EXPECT_NE(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    // The record belongs to the calling thread.
    std::thread([] { EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr)); }).join();
}

TEST_F(ApiFailureTest, FailedCountsAreNegativeAndFailedListsGiveNoHandle)
{
    Add(ULOG_LOG_ORIGINATED, "0101234567");
    UlogCtlFailNextSql(1);
    EXPECT_LT(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 0);
    EXPECT_NE(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    int nCount = 99;
    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, UlogGetCallLogCount(ULOG_LOG_ORIGINATED, &nCount));
    UlogCtlFailNextSql(0);
    EXPECT_EQ(1, UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED));
    EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr));
}

TEST_F(ApiFailureTest, TheCapacityTakingReadNeverWritesPastTheArray)
{
    for (int i = 0; i < 5; ++i)
        Add(ULOG_LOG_ORIGINATED, ("01012345" + std::to_string(10 + i)).c_str());
    UlogInfo array[4];
    std::memset(array, 0x5a, sizeof(array));
    int nFilled = -1;
    EXPECT_EQ(1, UlogGetAllCallLogInfoEx(ULOG_LOG_ORIGINATED, array, 3, &nFilled));
    EXPECT_EQ(3, nFilled);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ULOG_LOG_ORIGINATED, array[i].iLogType);
    const unsigned char* pGuard = reinterpret_cast<const unsigned char*>(&array[3]);
    for (size_t i = 0; i < sizeof(UlogInfo); ++i)
        ASSERT_EQ(0x5a, pGuard[i]) << "byte " << i << " past the capacity was written";

    EXPECT_EQ(1, UlogGetAllCallLogInfoEx(ULOG_LOG_ORIGINATED, array, 4, nullptr));
    EXPECT_EQ(1, UlogGetAllCallLogInfoEx(ULOG_LOG_ORIGINATED, nullptr, 0, &nFilled));
    EXPECT_EQ(0, nFilled);
    EXPECT_EQ(0, UlogGetAllCallLogInfoEx(ULOG_LOG_ORIGINATED, nullptr, 2, &nFilled));
    EXPECT_EQ(ULOG_ERR_INVALID_ARGUMENT, UlogGetLastError(nullptr));
    EXPECT_EQ(0, UlogGetAllCallLogInfoEx(ULOG_LOG_ORIGINATED, array, -1, &nFilled));
    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, UlogGetAllCallLogInfoEx(ULOG_LOG_ORIGINATED, array, 4, &nFilled));
    EXPECT_EQ(0, nFilled);
}
} // namespace
