// What the exported functions say when they fail: 0 or a negative count, the record untouched, and
// UlogGetLastError with the reason; the capacity-taking read that never writes past the array; reads that
// cannot be made (they say so, with the cause, instead of giving an empty list); and the service started
// on a read-only data root (a missing one: tests/tools).
#include "ApiTestSupport.h"
#include "support/DataFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace fs = std::filesystem;

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

    // The cause UlogGetLastError gives, as "code text".
    static std::string LastError()
    {
        const char* text = nullptr;
        const UlogErrorCode code = UlogGetLastError(&text);
        return std::to_string(static_cast<int>(code)) + " " + (text != nullptr ? text : "<null>");
    }
    static std::string Expected(UlogErrorCode code, const char* text)
    {
        return std::to_string(static_cast<int>(code)) + " " + text;
    }

    // Restarts the service on the test's root, read-only or not.
    void Restart(bool readOnly)
    {
        UlogSvcDispatch(1);
        ASSERT_TRUE(readOnly ? UlogCtlResetReadOnly(m_root.c_str()) : UlogCtlReset(m_root.c_str()));
        UlogSvcDispatch(0);
    }
    // Every file under the root but the database's journal and shared-memory files (SQLite makes them
    // for a reader where it may), with its size and time.
    std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> Files() const
    {
        UlogCtlWaitForStores();
        std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> files;
        for (const auto& entry : fs::recursive_directory_iterator(m_root))
        {
            const std::string name = fs::relative(entry.path(), m_root).string();
            if (name.size() > 4 && (name.ends_with("-shm") || name.ends_with("-wal")))
                continue;
            if (entry.is_regular_file())
                files[name] = {entry.file_size(), entry.last_write_time()};
        }
        return files;
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
    EXPECT_EQ(LastError(), Expected(ULOG_ERR_NOT_FOUND, "no such log"));
    UlogInfo info;
    EXPECT_EQ(0, UlogGetCallLogInfoByUniqueID(42, &info));
    EXPECT_EQ(ULOG_ERR_NOT_FOUND, UlogGetLastError(nullptr));
    // A success after a failure says so, a list as a single read.
    const HOBJ h = UlogGetAllLogInfo();
    EXPECT_EQ(LastError(), Expected(ULOG_ERR_NONE, "no error"));
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
TEST_F(ApiFailureTest, ReadsOfADamagedDatabaseFailWithTheCause)
{
    apitest::Add(ULOG_LOG_ORIGINATED, "0101");
    UlogSvcDispatch(1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // closes the database
    for (const char* name : {"ulog.db", "ulog.db-wal", "ulog.db-shm"})
        fs::remove(m_root + "/System/" + name);
    std::ofstream(m_root + "/System/ulog.db") << std::string(8192, 'j');

    for (const bool readOnly : {false, true})
    {
        Restart(readOnly);
        const std::string damaged = Expected(ULOG_ERR_DB_CORRUPT, "database is damaged");
        const HOBJ h = UlogGetAllLogInfo();
        EXPECT_TRUE(h == 0 || h == INVALID_HOBJ) << h;
        EXPECT_EQ(LastError(), damaged);
        const HOBJ hType = UlogGetAllLogInfoByType(ULOG_LOG_ORIGINATED);
        EXPECT_TRUE(hType == 0 || hType == INVALID_HOBJ) << hType;
        EXPECT_EQ(LastError(), damaged);
        const HOBJ hDupl = UlogGetDuplAllLogInfo();
        EXPECT_TRUE(hDupl == 0 || hDupl == INVALID_HOBJ) << hDupl;
        EXPECT_EQ(LastError(), damaged);
        EXPECT_LT(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 0);
        EXPECT_EQ(LastError(), damaged);
        EXPECT_LT(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED), 0);
        EXPECT_EQ(LastError(), damaged);
        int nCount = 0;
        UlogGetDuplLogUncheckedCount(ULOG_LOG_MISSED, &nCount);
        EXPECT_LT(nCount, 0);
        EXPECT_EQ(LastError(), damaged);
        UlogInfo info;
        EXPECT_EQ(UlogGetCallLogInfoByUniqueID(1, &info), 0);
        EXPECT_EQ(LastError(), damaged) << "read-only " << readOnly;
    }
}

TEST_F(ApiFailureTest, ReadOnlyStartReadsTheLogsAndChangesNoFile)
{
    apitest::Add(ULOG_LOG_ORIGINATED, "0303");
    apitest::Add(ULOG_LOG_MSG_SENT, "0404");
    UlogSvcDispatch(1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // closes the database
    ASSERT_TRUE(UlogCtlResetReadOnly(m_root.c_str()));
    const auto before = Files();

    UlogSvcDispatch(0);
    EXPECT_EQ(apitest::Numbers(apitest::WalkAndRelease(UlogGetAllLogInfo())),
              (std::vector<std::string>{"0404", "0303"}));
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 1);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_MSG_SENT), 1);
    // A write has nowhere to go: the rows stay as they were.
    UlogInfo more = apitest::Record(ULOG_LOG_ORIGINATED, "0505");
    UlogAddCallLog(&more);
    UlogDeleteAllCallLog();
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 1);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED), 1);
    UlogSvcDispatch(1);
    UlogCtlResetReadOnly(m_root.c_str());
    EXPECT_EQ(Files(), before);
    UlogSvcDispatch(0);
}
} // namespace
