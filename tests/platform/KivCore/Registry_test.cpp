// Registry files: handles, values, durable flush, clean, and fault behaviour.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace
{
using ulogtest::Holds;

class RegistryTest : public ulogtest::PlatformTest
{
protected:
    // The files on disk, once the flushes made so far have been synced in the background.
    std::string HostFile(const std::string& name) const
    {
        UlogCtlWaitForStores();
        return m_root + "/" + name;
    }
    std::string ReadHost(const std::string& name) const { return ulogtest::ReadWholeFile(HostFile(name)); }
};

TEST_F(RegistryTest, ANewFileReadsEmptyAndValuesSurviveFlushUnloadAndReload)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    ASSERT_NE(h, INVALID_HOBJ);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 0);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 42), 42);
    char buf[64] = "junk";
    EXPECT_EQ(RegGetString(h, "Name", "Name1", buf, sizeof(buf)), -1);
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(std::filesystem::exists(HostFile("Ulog.ini"))); // not created until flushed

    EXPECT_TRUE(RegSetInt(h, "Version", "Version", 6));
    EXPECT_TRUE(RegSetInt(h, "TerminatedLog", "Video1TotalTime", 120));
    EXPECT_TRUE(RegSetInt(h, "TrminatedLog", "Video2TotalTime", 77));
    EXPECT_TRUE(RegSetInt(h, "LastLog", "LifeTime", -5));
    EXPECT_TRUE(RegSetInt(h, "LastLog", "Big", static_cast<int>(0xFFFFFFF0u)));
    EXPECT_TRUE(RegSetString(h, "Name", "Name1", "line1\nline2 \\ end"));
    EXPECT_TRUE(RegSetInt(h, "Version", "Version", 7)); // overwrite keeps one key
    // Visible at once, before any flush.
    EXPECT_EQ(RegGetInt(h, "TrminatedLog", "Video2TotalTime", 0), 77);
    EXPECT_TRUE(RegFlush(h));
    EXPECT_TRUE(RegUnload(h));
    EXPECT_TRUE(std::filesystem::exists(HostFile("Ulog.ini")));

    HOBJ h2 = RegLoad("Ulog.ini", 1);
    ASSERT_NE(h2, INVALID_HOBJ);
    EXPECT_EQ(RegGetInt(h2, "Version", "Version", 0), 7);
    EXPECT_EQ(RegGetInt(h2, "TerminatedLog", "Video1TotalTime", 0), 120);
    // The misspelt section is a section of its own.
    EXPECT_EQ(RegGetInt(h2, "TrminatedLog", "Video2TotalTime", 0), 77);
    EXPECT_EQ(RegGetInt(h2, "TerminatedLog", "Video2TotalTime", -1), -1);
    EXPECT_EQ(RegGetInt(h2, "LastLog", "LifeTime", 0), -5);
    EXPECT_EQ(static_cast<unsigned int>(RegGetInt(h2, "LastLog", "Big", 0)), 0xFFFFFFF0u);
    EXPECT_EQ(RegGetString(h2, "Name", "Name1", buf, sizeof(buf)), 17);
    EXPECT_STREQ(buf, "line1\nline2 \\ end");
    EXPECT_EQ(RegGetString(h2, "Name", "Name1", buf, 5), 4); // bounded and terminated
    EXPECT_STREQ(buf, "line");
    // A text that is not a number reads as the default.
    EXPECT_EQ(RegGetInt(h2, "Name", "Name1", 9), 9);
    RegUnload(h2);
}

TEST_F(RegistryTest, HandlesOfOneFileShareValues)
{
    HOBJ a = RegLoad("/User/shared.ini", 1);
    HOBJ b = RegLoad("User/shared.ini", 1);
    ASSERT_NE(a, INVALID_HOBJ);
    ASSERT_NE(b, INVALID_HOBJ);
    EXPECT_NE(a, b);
    RegSetInt(a, "S", "K", 11);
    EXPECT_EQ(RegGetInt(b, "S", "K", 0), 11);
    EXPECT_TRUE(RegUnload(a));
    EXPECT_EQ(RegGetInt(b, "S", "K", 0), 11);
    EXPECT_FALSE(RegUnload(a));
    // What was not flushed is lost with the last handle.
    RegFlush(b);
    RegSetInt(b, "S", "K", 12);
    EXPECT_TRUE(RegUnload(b));
    b = RegLoad("User/shared.ini", 1);
    EXPECT_EQ(RegGetInt(b, "S", "K", 0), 11);
    RegUnload(b);
}

TEST_F(RegistryTest, CleanEmptiesTheFileAndLoadedCopies)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "Version", "Version", 6);
    ASSERT_TRUE(RegFlush(h));
    EXPECT_TRUE(RegClean("Ulog.ini"));
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 0);
    EXPECT_EQ(ReadHost("Ulog.ini"), "");
    RegUnload(h);
    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 0);
    RegUnload(h);
    // Cleaning a file that does not exist leaves an empty one.
    EXPECT_TRUE(RegClean("Other.ini"));
    EXPECT_TRUE(std::filesystem::exists(HostFile("Other.ini")));
}

TEST_F(RegistryTest, RefusesNamesThatCannotBeStoredAndBadHandles)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    EXPECT_FALSE(RegSetInt(h, "Sec", "a=b", 1));
    EXPECT_FALSE(RegSetInt(h, "Sec", "", 1));
    EXPECT_FALSE(RegSetInt(h, "Sec", "line\nbreak", 1));
    EXPECT_FALSE(RegSetInt(h, "Se]c", "k", 1));
    EXPECT_FALSE(RegSetInt(h, nullptr, "k", 1));
    EXPECT_FALSE(RegSetString(h, "Sec", "k", nullptr));
    EXPECT_TRUE(RegSetInt(h, "", "k", 1)); // an empty section name is still a section
    EXPECT_TRUE(RegFlush(h));
    RegUnload(h);
    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetInt(h, "", "k", 0), 1);
    RegUnload(h);

    EXPECT_EQ(RegLoad("../escape.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(RegLoad("/User/../../escape.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(RegLoad("", 1), INVALID_HOBJ);
    EXPECT_EQ(RegLoad(nullptr, 1), INVALID_HOBJ);
    EXPECT_FALSE(RegClean("../escape.ini"));
    std::filesystem::create_directory(HostFile("adir"));
    EXPECT_EQ(RegLoad("adir", 1), INVALID_HOBJ);
    EXPECT_EQ(RegGetInt(INVALID_HOBJ, "S", "K", 5), 5);
    EXPECT_FALSE(RegSetInt(12345, "S", "K", 1));
    EXPECT_FALSE(RegFlush(12345));
    EXPECT_FALSE(RegUnload(12345));
}

TEST_F(RegistryTest, ConcurrentWritersThroughOneHandleLoseNothing)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    ASSERT_NE(h, INVALID_HOBJ);
    constexpr int kThreads = 4;
    constexpr int kKeys = 200;
    std::vector<std::thread> threads;
    std::atomic<int> flushFailures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int k = 0; k < kKeys; ++k)
                {
                    std::string key = "K" + std::to_string(t) + "_" + std::to_string(k);
                    RegSetInt(h, "Counters", key.c_str(), t * 1000 + k);
                    if (k % 50 == 0 && !RegFlush(h))
                        ++flushFailures;
                }
            });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(flushFailures.load(), 0);
    ASSERT_TRUE(RegFlush(h));
    RegUnload(h);
    h = RegLoad("Ulog.ini", 1);
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < kKeys; ++k)
        {
            std::string key = "K" + std::to_string(t) + "_" + std::to_string(k);
            ASSERT_EQ(RegGetInt(h, "Counters", key.c_str(), -1), t * 1000 + k) << key;
        }
    RegUnload(h);
}

TEST_F(RegistryTest, ResetDropsHandles)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "S", "K", 1);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(RegGetInt(h, "S", "K", -1), -1);
    EXPECT_FALSE(RegUnload(h));
    HOBJ h2 = RegLoad("Ulog.ini", 1);
    EXPECT_NE(h2, h); // a stale handle never names a new file
    RegUnload(h2);
}
} // namespace

// ---- Files shared with other processes ----------------------------------------------------------

namespace
{
class SharedRegistryTest : public RegistryTest
{
protected:
    // Replaces a file whole, as another process's store does (the platform's own writer is idle).
    void StoreAsAnotherProcess(const std::string& name, const std::string& text)
    {
        ulogtest::ReplaceFile(HostFile(name), text);
    }
};

TEST_F(SharedRegistryTest, AFlushAppliesThisProcesssChangesToWhatTheFileHoldsThen)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "Version", "Version", 6);
    RegSetInt(h, "Log", "Total", 10);
    ASSERT_TRUE(RegFlush(h));

    // Another process adds 100 to the total and stores a key of its own.
    StoreAsAnotherProcess("Ulog.ini", "[Version]\nVersion=6\n[Log]\nTotal=110\nOther=1\n");
    EXPECT_TRUE(RegAddInt(h, "Log", "Total", 5));
    EXPECT_TRUE(RegSetInt(h, "Log", "Mine", 2));
    // Reads show the other process's store with this one's changes on top.
    EXPECT_EQ(RegGetInt(h, "Log", "Total", 0), 115);
    EXPECT_EQ(RegGetInt(h, "Log", "Other", 0), 1);
    ASSERT_TRUE(RegFlush(h));
    EXPECT_TRUE(Holds(ReadHost("Ulog.ini"), {"Total=115\n", "Other=1\n", "Mine=2\n"}));

    // A plain set wins over what the file holds, for its own key only.
    StoreAsAnotherProcess("Ulog.ini", "[Log]\nTotal=500\nOther=3\n");
    RegSetInt(h, "Log", "Total", 0);
    ASSERT_TRUE(RegFlush(h));
    RegUnload(h);
    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetInt(h, "Log", "Total", -1), 0);
    EXPECT_EQ(RegGetInt(h, "Log", "Other", -1), 3);
    RegUnload(h);
}

TEST_F(SharedRegistryTest, AdditionsCountOnceInTheOrderMadeAndUnsignedValuesStayUnsigned)
{
    HOBJ h = RegLoad("Counts.ini", 1);
    RegAddInt(h, "C", "N", 3);
    RegSetInt(h, "C", "N", 100); // a reset between additions
    RegAddInt(h, "C", "N", -1);
    RegAddUInt(h, "C", "Big", 4294967290u);
    RegAddUInt(h, "C", "Big", 10u); // wraps
    RegAddInt(h, "C", "Signed", 2147483647);
    RegAddInt(h, "C", "Signed", 1); // written signed
    RegSetString(h, "C", "Text", "abc");
    RegAddInt(h, "C", "Text", 4); // not a number counts 0
    RegSetUInt(h, "C", "Total", 3000000000u);
    RegSetInt(h, "C", "Old", -1294967296); // as an earlier version wrote 3000000000
    RegAddUInt(h, "C", "Old", 5u);
    ASSERT_TRUE(RegFlush(h));
    ASSERT_TRUE(RegFlush(h)); // nothing new: nothing added twice
    EXPECT_TRUE(Holds(ReadHost("Counts.ini"), {"N=99\n", "Big=4\n", "Signed=-2147483648\n", "Text=4\n",
                                               "Total=3000000000\n", "Old=3000000005\n"}));
    EXPECT_EQ(static_cast<unsigned int>(RegGetInt(h, "C", "Total", 0)), 3000000000u);
    RegUnload(h);
}

TEST_F(SharedRegistryTest, InitialValuesAndConditionalCleaningKeepWhatAnotherProcessStoredFirst)
{
    // This process found the file of an old layout; another one re-initialised it and counted a call
    // before this one's store is written.
    StoreAsAnotherProcess("Ulog.ini", "[Version]\nVersion=5\n[Log]\nTotal=40\nStray=1\n");
    HOBJ h = RegLoad("Ulog.ini", 1);
    ASSERT_EQ(RegGetInt(h, "Version", "Version", 0), 5);
    RegCleanUnless(h, "Version", "Version", 6);
    EXPECT_EQ(RegGetInt(h, "Log", "Total", -1), -1); // the copy is empty at once
    RegSetInt(h, "Version", "Version", 6);
    RegInitUInt(h, "Log", "Total", 0);
    RegInitUInt(h, "Log", "Calls", 0);
    StoreAsAnotherProcess("Ulog.ini", "[Version]\nVersion=6\n[Log]\nTotal=25\n");
    EXPECT_EQ(RegGetInt(h, "Log", "Total", -1), 25);
    ASSERT_TRUE(RegFlush(h));
    EXPECT_TRUE(Holds(ReadHost("Ulog.ini"), {"Total=25\n", "Calls=0\n"}));

    // Still of the old layout when written: wiped, and the initial values go in.
    StoreAsAnotherProcess("Ulog.ini", "[Version]\nVersion=5\n[Log]\nTotal=40\nStray=1\n");
    RegCleanUnless(h, "Version", "Version", 6);
    RegSetInt(h, "Version", "Version", 6);
    RegInitUInt(h, "Log", "Total", 0);
    ASSERT_TRUE(RegFlush(h));
    EXPECT_EQ(ReadHost("Ulog.ini"), "[Version]\nVersion=6\n\n[Log]\nTotal=0\n\n");
    RegUnload(h);
}

TEST_F(SharedRegistryTest, ADamagedFileIsToldApartAndCanBeSetAside)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetFileState(h), REG_FILE_MISSING);
    EXPECT_FALSE(RegSetAside(h, ".bad")); // nothing to set aside
    RegUnload(h);

    StoreAsAnotherProcess("Ulog.ini", "[Version]\nVersion=6\n; a comment\n\n");
    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetFileState(h), REG_FILE_READ);
    RegUnload(h);

    std::string damaged = "[Version]\nVersion=6\nno value here\n";
    damaged += '\0';
    StoreAsAnotherProcess("Ulog.ini", damaged);
    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetFileState(h), REG_FILE_DAMAGED);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 6); // what can be read is read
    RegSetInt(h, "Log", "Mine", 1);
    ASSERT_TRUE(RegSetAside(h, ".bad"));
    EXPECT_EQ(ReadHost("Ulog.ini.bad"), damaged);
    EXPECT_FALSE(std::filesystem::exists(HostFile("Ulog.ini")));
    // The copy reads as a new file; the change not yet stored stays.
    EXPECT_EQ(RegGetFileState(h), REG_FILE_MISSING);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 0);
    EXPECT_EQ(RegGetInt(h, "Log", "Mine", 0), 1);

    // Another process replaced the file since it was read: it is not set aside, and is read.
    StoreAsAnotherProcess("Ulog.ini", "garbage\n");
    ASSERT_EQ(RegGetFileState(h), REG_FILE_DAMAGED);
    StoreAsAnotherProcess("Ulog.ini", "[Version]\nVersion=6\n");
    EXPECT_FALSE(RegSetAside(h, ".bad"));
    EXPECT_EQ(ReadHost("Ulog.ini.bad"), damaged);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 6);
    RegUnload(h);
}

TEST_F(SharedRegistryTest, LinksAreRefusedWithAnErrorAndCountAsFailedStores)
{
    StoreAsAnotherProcess("Real.ini", "[A]\nB=1\n");
    std::filesystem::create_symlink(HostFile("Real.ini"), HostFile("Ulog.ini"));
    ASSERT_EQ(UlogCtlWaitForStores(), 0);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(RegLoad("Ulog.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("RegLoad: Ulog.ini is not a file; refused"));
    EXPECT_EQ(UlogCtlWaitForStores(), -1);
    EXPECT_EQ(UlogCtlWaitForStores(), 0); // reported once

    // A link on the path that leads out of the root.
    const std::string outside = ulogtest::MakeTempDir("ulogtest-outside");
    std::filesystem::create_directory_symlink(outside, HostFile("out"));
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(RegLoad("out/Ulog.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(RegLoad("../Ulog.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_BAD_PATH);
    ulogtest::RemoveTree(outside);
}

// A failure of the writer itself: the store writer's tests.
TEST_F(SharedRegistryTest, AFailedFlushLeavesTheOldFileAndWaitingForStoresTellsWhetherTheyLanded)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "MessageLog", "SentMsg", 1);
    ASSERT_TRUE(RegFlush(h));
    EXPECT_EQ(UlogCtlWaitForStores(), 0);
    const std::string before = ReadHost("Ulog.ini");

    UlogCtlFailNextFileWrites(1);
    RegSetInt(h, "MessageLog", "SentMsg", 2);
    EXPECT_FALSE(RegFlush(h));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_WRITE_FAULT);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(UlogCtlWaitForStores(), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_WRITE_FAULT);
    EXPECT_EQ(ReadHost("Ulog.ini"), before);
    EXPECT_FALSE(std::filesystem::exists(HostFile("Ulog.ini.tmp")));
    // The change was kept and the fault used up: the next flush stores it.
    ASSERT_TRUE(RegFlush(h));
    EXPECT_EQ(UlogCtlWaitForStores(), 0);
    EXPECT_TRUE(Holds(ReadHost("Ulog.ini"), {"SentMsg=2\n"}));
    // A clean that cannot be written keeps the values; a reset starts afresh.
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(RegClean("Ulog.ini"));
    EXPECT_EQ(RegGetInt(h, "MessageLog", "SentMsg", 0), 2);
    RegUnload(h);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(UlogCtlWaitForStores(), 0);
}

TEST_F(SharedRegistryTest, ReadingCreatesNothingAndStaleTemporaryFilesAreHarmless)
{
    StoreAsAnotherProcess("Ulog.ini", "[A]\nB=1\n");
    HOBJ h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetInt(h, "A", "B", 0), 1);
    ASSERT_TRUE(RegFlush(h)); // nothing to store
    EXPECT_FALSE(std::filesystem::exists(HostFile("Ulog.ini.lock")));

    // What crashed writers may leave: the old shared name (even as a folder) and names of other
    // processes. Neither is read, truncated nor in the way.
    std::filesystem::create_directory(HostFile("Ulog.ini.tmp"));
    StoreAsAnotherProcess("Ulog.ini.tmp.1.1", "[A]\nB=666\n");
    RegAddInt(h, "A", "B", 1);
    ASSERT_TRUE(RegFlush(h));
    EXPECT_EQ(UlogCtlWaitForStores(), 0);
    EXPECT_EQ(ReadHost("Ulog.ini"), "[A]\nB=2\n\n");
    EXPECT_EQ(ReadHost("Ulog.ini.tmp.1.1"), "[A]\nB=666\n");
    EXPECT_TRUE(std::filesystem::is_directory(HostFile("Ulog.ini.tmp")));
    RegUnload(h);
}
} // namespace
