// Diagnostics: level filtering into the log file, capture, assertion reports, allocation faults.
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace
{
class Diag : public ulogtest::PlatformTest
{
protected:
    std::string ReadLog(const char* suffix = "")
    {
        return ulogtest::ReadWholeFile(m_root + "/System/debug.log" + suffix);
    }
};
} // namespace

TEST_F(Diag, LevelThresholdDecidesWhatReachesTheLogFile)
{
    UlogCtlSetDebugLevel(SYS_DBG_PROGRESS);
    SysDebugPrintf(SYS_DBG_FAIL, "CFoo::Bar: failed (%d)\n", 7);
    SysDebugPrintf(SYS_DBG_PROGRESS, "CFoo::Bar: progress\n");
    SysDebugPrintf(SYS_DBG_DETAIL, "CFoo::Bar: detail\n");
    EXPECT_TRUE(ulogtest::Holds(ReadLog(), {"CFoo::Bar: failed (7)", "CFoo::Bar: progress"}));
    EXPECT_EQ(ReadLog().find("detail"), std::string::npos);
    // Capture keeps every level.
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CFoo::Bar: detail"));
}

TEST_F(Diag, LogFileIsMovedAsideAtOneMebibyteKeepingOneOlderFile)
{
    const std::string log = m_root + "/System/debug.log";
    const std::string line(1000, 'x');
    // 1100 lines of 1 kB: the first mebibyte moves to debug.log.1 once.
    for (int i = 0; i < 1100; ++i)
        SysDebugPrintf(SYS_DBG_FAIL, "CFoo::Bar: %04d %s\n", i, line.c_str());
    ASSERT_TRUE(std::filesystem::exists(log + ".1"));
    EXPECT_LE(std::filesystem::file_size(log), 1u << 20);
    EXPECT_LE(std::filesystem::file_size(log + ".1"), 1u << 20);
    EXPECT_EQ(std::filesystem::file_size(log) + std::filesystem::file_size(log + ".1"), 1100u * 1017u);
    EXPECT_NE(ReadLog().find("CFoo::Bar: 1099 "), std::string::npos);
    EXPECT_EQ(ReadLog().find("CFoo::Bar: 0000 "), std::string::npos);

    // A second mebibyte replaces the older file; a link in its place is replaced, never written through.
    const std::string outside = ulogtest::MakeTempDir("ulogtest-outside");
    std::filesystem::remove(log + ".1");
    std::filesystem::create_symlink(outside + "/old.log", log + ".1");
    for (int i = 1100; i < 2200; ++i)
        SysDebugPrintf(SYS_DBG_FAIL, "CFoo::Bar: %04d %s\n", i, line.c_str());
    EXPECT_TRUE(std::filesystem::is_regular_file(log + ".1"));
    EXPECT_FALSE(std::filesystem::exists(log + ".2"));
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    EXPECT_LE(std::filesystem::file_size(log), 1u << 20);
    EXPECT_EQ(ReadLog(".1").find("CFoo::Bar: 0000 "), std::string::npos);
    EXPECT_TRUE(ulogtest::Holds(ReadLog(".1"), {"CFoo::Bar: 1100 "}));
    ulogtest::RemoveTree(outside);
}

TEST_F(Diag, AssertReportsCarryConditionModuleLineAndSavedMessage)
{
    _SysSaveAssertMsg("CUlogSvcGenerator::Generate: iLogType (%d)", 11);
    _SysAssertReport(4, "ASSERTION_NEVER_GET_HERE", "NEVER_GET_HERE", "UlogSvcLogMgr/UlogSvcGenerator", 120);
    _SysAssertReport(1, "ASSERTION_REQUIRE", "pszName != NULL", "UlogSvcUtil/UlogSvcMutex", 33);
    ASSERT_EQ(UlogCtlGetAssertCount(), 2);
    int n = UlogCtlGetDiagnosticCount();
    ASSERT_GE(n, 2);
    EXPECT_STREQ(UlogCtlGetDiagnostic(n - 2),
                 "ASSERTION_NEVER_GET_HERE: NEVER_GET_HERE (UlogSvcLogMgr/UlogSvcGenerator:120)"
                 " - CUlogSvcGenerator::Generate: iLogType (11)");
    // The saved message is used once.
    EXPECT_STREQ(UlogCtlGetDiagnostic(n - 1),
                 "ASSERTION_REQUIRE: pszName != NULL (UlogSvcUtil/UlogSvcMutex:33)");
    EXPECT_NE(ReadLog().find("pszName != NULL"), std::string::npos);
    UlogCtlClearDiagnostics();
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
    EXPECT_EQ(UlogCtlGetDiagnosticCount(), 0);
}

TEST_F(Diag, ConcurrentMessagesAreAllCaptured)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back(
            [t]
            {
                for (int i = 0; i < 200; ++i)
                    SysDebugPrintf(SYS_DBG_DETAIL, "%d %d\n", t, i);
            });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(UlogCtlGetDiagnosticCount(), 400);
}

TEST_F(Diag, AllocationFaultsFailExactlyTheNextN)
{
    UlogCtlFailNextAllocs(2);
    EXPECT_EQ(MemAllocTraceEx(0, 16, __FILE__, __LINE__), nullptr);
    EXPECT_EQ(MemAllocTraceEx(0, 16, __FILE__, __LINE__), nullptr);
    void* p = MemAllocTraceEx(0, 16, __FILE__, __LINE__);
    ASSERT_NE(p, nullptr);
    MemFreeTraceMultiHeap(p, __FILE__, __LINE__);
}
