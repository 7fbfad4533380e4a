// Registry files: handles, values, durable flush, clean, and fault behaviour.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
class RegistryTest : public ulogtest::PlatformTest
{
protected:
    // The files on disk, once the flushes made so far have been synced in the background.
    std::string HostFile(const std::string& name) const
    {
        UlogCtlWaitForStores();
        return m_root + "/" + name;
    }
    std::string ReadHost(const std::string& name) const
    {
        std::ifstream in(HostFile(name));
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(RegistryTest, NewFileReadsEmptyAndIsNotCreatedUntilFlushed)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    ASSERT_NE(h, INVALID_HOBJ);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 0);
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 42), 42);
    char buf[16] = "junk";
    EXPECT_EQ(RegGetString(h, "Name", "Name1", buf, sizeof(buf)), -1);
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(std::filesystem::exists(HostFile("Ulog.ini")));
    EXPECT_TRUE(RegUnload(h));
}

TEST_F(RegistryTest, ValuesSurviveFlushUnloadAndReload)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    ASSERT_NE(h, INVALID_HOBJ);
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
    char buf[64];
    EXPECT_EQ(RegGetString(h2, "Name", "Name1", buf, sizeof(buf)), 17);
    EXPECT_STREQ(buf, "line1\nline2 \\ end");
    // A text that is not a number reads as the default.
    EXPECT_EQ(RegGetInt(h2, "Name", "Name1", 9), 9);
    RegUnload(h2);
}

TEST_F(RegistryTest, ValuesNotFlushedAreLostWithTheLastHandle)
{
    HOBJ h = RegLoad("MoxSetMemoryStatus.ini", 1);
    RegSetInt(h, "CallLog", "Missed", 3);
    RegFlush(h);
    RegSetInt(h, "CallLog", "Missed", 4);
    RegUnload(h);
    h = RegLoad("MoxSetMemoryStatus.ini", 1);
    EXPECT_EQ(RegGetInt(h, "CallLog", "Missed", 0), 3);
    RegUnload(h);
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
    EXPECT_TRUE(RegUnload(b));
}

TEST_F(RegistryTest, FailedFlushLeavesTheOldFileIntact)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "Version", "Version", 6);
    RegSetInt(h, "MessageLog", "SentMsg", 1);
    ASSERT_TRUE(RegFlush(h));
    const std::string before = ReadHost("Ulog.ini");

    RegSetInt(h, "MessageLog", "SentMsg", 2);
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(RegFlush(h));
    EXPECT_EQ(ReadHost("Ulog.ini"), before);
    EXPECT_FALSE(std::filesystem::exists(HostFile("Ulog.ini.tmp")));
    RegUnload(h);

    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetInt(h, "MessageLog", "SentMsg", 0), 1);
    // The fault was used up: the next flush goes through.
    RegSetInt(h, "MessageLog", "SentMsg", 3);
    EXPECT_TRUE(RegFlush(h));
    RegUnload(h);
    h = RegLoad("Ulog.ini", 1);
    EXPECT_EQ(RegGetInt(h, "MessageLog", "SentMsg", 0), 3);
    RegUnload(h);
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

TEST_F(RegistryTest, CleanHonoursWriteFaults)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "Version", "Version", 6);
    ASSERT_TRUE(RegFlush(h));
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(RegClean("Ulog.ini"));
    EXPECT_EQ(RegGetInt(h, "Version", "Version", 0), 6);
    RegUnload(h);
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

    EXPECT_EQ(RegGetInt(INVALID_HOBJ, "S", "K", 5), 5);
    EXPECT_FALSE(RegSetInt(12345, "S", "K", 1));
    EXPECT_FALSE(RegFlush(12345));
    EXPECT_FALSE(RegUnload(12345));
}

TEST_F(RegistryTest, FilesOutsideTheRootAreRefused)
{
    EXPECT_EQ(RegLoad("../escape.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(RegLoad("/User/../../escape.ini", 1), INVALID_HOBJ);
    EXPECT_EQ(RegLoad("", 1), INVALID_HOBJ);
    EXPECT_EQ(RegLoad(nullptr, 1), INVALID_HOBJ);
    EXPECT_FALSE(RegClean("../escape.ini"));
    std::filesystem::create_directory(HostFile("adir"));
    EXPECT_EQ(RegLoad("adir", 1), INVALID_HOBJ);
}

TEST_F(RegistryTest, GetStringIsBoundedAndTerminated)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    RegSetString(h, "Name", "Name1", "abcdefghij");
    char buf[5];
    EXPECT_EQ(RegGetString(h, "Name", "Name1", buf, sizeof(buf)), 4);
    EXPECT_STREQ(buf, "abcd");
    RegUnload(h);
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
