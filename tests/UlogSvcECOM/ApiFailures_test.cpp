// What the exported functions say when they fail: 0 or a negative count, the record untouched, and
// UlogGetLastError with the reason, kept per thread until the next call; reads that cannot be made (they
// say so, with the cause, instead of giving an empty list); and the service started on a read-only data
// root (a missing one: tests/tools). Refused arguments and absent rows: ApiCallLog_test.cpp.
#include "ApiTestSupport.h"
#include "support/DataFiles.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

namespace fs = std::filesystem;
using namespace apitest;

namespace
{
class ApiFailureTest : public ApiTest
{
protected:
    // Restarts the service on the test's root, read-only or not.
    void Restart(bool readOnly)
    {
        UlogSvcDispatch(1);
        ASSERT_TRUE(readOnly ? UlogCtlResetReadOnly(m_root.c_str()) : UlogCtlReset(m_root.c_str()));
        UlogSvcDispatch(0);
    }
};

TEST_F(ApiFailureTest, ADatabaseHeldByAnotherProcessFailsTheAddWithItsReason)
{
    Add(ULOG_LOG_ORIGINATED, "0101234567");
    sqlite3* other = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open((m_root + "/System/ulog.db").c_str(), &other));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
    auto rows = [this]
    { return ulogtest::QueryDbFile(m_root, "select * from UlogDistinctDbTable order by clogdbindex"); };
    const std::vector<std::string> before = rows();
    UlogInfo info = Record(ULOG_LOG_ORIGINATED, "0101234567", 1700000500u);
    const UlogInfo written = info;
    EXPECT_EQ(0, UlogAddCallLog(&info));
    EXPECT_EQ(0, std::memcmp(&info, &written, sizeof(info)))
        << "a failed add must leave the record as it was";
    EXPECT_EQ(LastError(), Expected(ULOG_ERR_DB_BUSY, "database is busy"));

    ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr));
    sqlite3_close(other);
    EXPECT_EQ(before, rows());
    EXPECT_EQ(1, UlogAddCallLog(&info));
    EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    EXPECT_EQ(2, info.nDuplLogCount);
}

TEST_F(ApiFailureTest, TheReasonIsTheCallingThreadsAndASuccessClearsIt)
{
    EXPECT_EQ(0, UlogDeleteCallLog(42));
    // A success after a failure says so, a list as a single read.
    const HOBJ h = UlogGetAllLogInfo();
    EXPECT_EQ(LastError(), Expected(ULOG_ERR_NONE, "no error"));
    UlogSvcIteratorRelease(h);
    UlogInfo info;
    const UlogInfo added = Add(ULOG_LOG_MISSED, "0202");
    EXPECT_EQ(0, UlogGetCallLogInfoByUniqueID(added.nUniqueId + 100, &info));
    EXPECT_EQ(1, UlogGetCallLogInfoByUniqueID(added.nUniqueId, &info));
    EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    // An update of a row that does not exist wrote nothing: it is not a success.
    UlogInfo ghost = Record(ULOG_LOG_ORIGINATED, "0101234567");
    ghost.nUniqueId = 42;
    EXPECT_EQ(0, UlogUpdateCallLog(&ghost));
    EXPECT_NE(ULOG_ERR_NONE, UlogGetLastError(nullptr));
    std::thread([] { EXPECT_EQ(ULOG_ERR_NONE, UlogGetLastError(nullptr)); }).join();
}

TEST_F(ApiFailureTest, ReadsOfADamagedDatabaseFailWithTheCause)
{
    Add(ULOG_LOG_ORIGINATED, "0101");
    UlogSvcDispatch(1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // closes the database
    for (const char* name : {"ulog.db", "ulog.db-wal", "ulog.db-shm"})
        fs::remove(m_root + "/System/" + name);
    std::ofstream(m_root + "/System/ulog.db") << std::string(8192, 'j');

    auto noHandle = [](HOBJ h) { return h == 0 || h == INVALID_HOBJ; };
    auto damaged = [](bool bFailed, const char* what)
    {
        EXPECT_TRUE(bFailed) << what;
        EXPECT_EQ(LastError(), Expected(ULOG_ERR_DB_CORRUPT, "database is damaged")) << what;
    };
    for (const bool readOnly : {false, true})
    {
        Restart(readOnly);
        SCOPED_TRACE(readOnly ? "read-only" : "writable");
        damaged(noHandle(UlogGetAllLogInfo()), "all rows");
        damaged(noHandle(UlogGetAllLogInfoByType(ULOG_LOG_ORIGINATED)), "rows of a type");
        damaged(noHandle(UlogGetDuplAllLogInfo()), "all events");
        damaged(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED) < 0, "row count");
        int n = 0;
        damaged(UlogGetCallLogCount(ULOG_LOG_ORIGINATED, &n) == 0, "row count written");
        damaged(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED) < 0, "event count");
        UlogGetDuplLogUncheckedCount(ULOG_LOG_MISSED, &n);
        damaged(n < 0, "unchecked count");
        UlogInfo info;
        damaged(UlogGetCallLogInfoByUniqueID(1, &info) == 0, "row by id");
    }
}

TEST_F(ApiFailureTest, ReadOnlyStartReadsTheLogsAndChangesNoFile)
{
    Add(ULOG_LOG_ORIGINATED, "0303");
    Add(ULOG_LOG_MSG_SENT, "0404");
    // Every file under the root but the database's journal and shared-memory files (SQLite makes them
    // for a reader where it may), with its size and time.
    auto files = [this]
    {
        UlogCtlWaitForStores();
        std::map<std::string, std::pair<uintmax_t, fs::file_time_type>> out;
        for (const auto& entry : fs::recursive_directory_iterator(m_root))
        {
            const std::string name = fs::relative(entry.path(), m_root).string();
            if (entry.is_regular_file() && !name.ends_with("-shm") && !name.ends_with("-wal"))
                out[name] = {entry.file_size(), entry.last_write_time()};
        }
        return out;
    };
    UlogSvcDispatch(1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // closes the database
    ASSERT_TRUE(UlogCtlResetReadOnly(m_root.c_str()));
    const auto before = files();

    UlogSvcDispatch(0);
    EXPECT_EQ(Numbers(WalkAndRelease(UlogGetAllLogInfo())), (std::vector<std::string>{"0404", "0303"}));
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 1);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_MSG_SENT), 1);
    // A write has nowhere to go: the rows stay as they were.
    UlogInfo more = Record(ULOG_LOG_ORIGINATED, "0505");
    UlogAddCallLog(&more);
    UlogDeleteAllCallLog();
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 1);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED), 1);
    UlogSvcDispatch(1);
    UlogCtlResetReadOnly(m_root.c_str());
    EXPECT_EQ(files(), before);
    UlogSvcDispatch(0);
}
} // namespace
