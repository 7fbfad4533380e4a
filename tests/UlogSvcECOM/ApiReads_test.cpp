// Reads through the exported functions that cannot be made: they say so, with the cause, instead of
// giving an empty list; and the service started on a read-only data root (a missing one: tests/tools).
#include "ApiTestSupport.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace
{
using apitest::ApiTest;

// The cause UlogGetLastError gives, as "code text".
std::string LastError()
{
    const char* text = nullptr;
    const UlogErrorCode code = UlogGetLastError(&text);
    return std::to_string(static_cast<int>(code)) + " " + (text != nullptr ? text : "<null>");
}

std::string Expected(UlogErrorCode code, const char* text)
{
    return std::to_string(static_cast<int>(code)) + " " + text;
}

class ApiReadsTest : public ApiTest
{
protected:
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

TEST_F(ApiReadsTest, ReadsOfADamagedDatabaseFailWithTheCause)
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

TEST_F(ApiReadsTest, ReadOnlyStartReadsTheLogsAndChangesNoFile)
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
