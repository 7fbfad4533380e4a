// Registry flushes and settings are synced to disk in the background: what a caller of this process
// reads, what reaches the disk, and what fails where it is made.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
using ulogtest::Holds;

class StoreWriterTest : public ulogtest::PlatformTest
{
protected:
    std::string ReadHost(const std::string& name) const
    {
        UlogCtlWaitForStores();
        return ulogtest::ReadWholeFile(m_root + "/" + name);
    }
    // Names in the folder that are left-over temporary files of a store.
    std::vector<std::string> TemporaryFiles(const std::string& dir) const
    {
        UlogCtlWaitForStores();
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_root + "/" + dir))
            if (entry.path().filename().string().find(".tmp") != std::string::npos)
                names.push_back(entry.path().filename().string());
        return names;
    }
};

TEST_F(StoreWriterTest, AFileLoadedAgainAtOnceShowsTheLastFlush)
{
    for (int i = 1; i <= 50; ++i)
    {
        HOBJ h = RegLoad("Ulog.ini", 1);
        ASSERT_EQ(RegGetInt(h, "Version", "Version", 0), i - 1);
        RegSetInt(h, "Version", "Version", i);
        ASSERT_TRUE(RegFlush(h));
        RegUnload(h); // the last handle: the next load reads the file
    }
}

TEST_F(StoreWriterTest, DroppingTheLastHandleLeavesTheFlushedFileOnDisk)
{
    HOBJ h = RegLoad("Ulog.ini", 1);
    HOBJ h2 = RegLoad("Ulog.ini", 1);
    RegSetInt(h, "LastLog", "LifeTime", 42);
    ASSERT_TRUE(RegFlush(h));
    RegUnload(h2);
    RegUnload(h);
    // Read straight from the host, without waiting for the store writer.
    EXPECT_TRUE(Holds(ulogtest::ReadWholeFile(m_root + "/Ulog.ini"), {"LifeTime=42\n"}));
}

TEST_F(StoreWriterTest, SettingsWrittenInARowSurviveAPowerCycle)
{
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(NvWriteInt(459, i * 7));
    ASSERT_TRUE(NvWriteInt(1458, 3));
    // Straight into a power cycle: nothing written before it is lost.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(NvGetInt(459), 199 * 7);
    EXPECT_EQ(NvGetInt(1458), 3);
    EXPECT_TRUE(TemporaryFiles("System").empty());
}

TEST_F(StoreWriterTest, AFlushThatCannotBeWrittenFailsWhereItIsMadeAndTheNextOneLands)
{
    HOBJ h = RegLoad("Stats.ini", 1);
    RegSetInt(h, "A", "B", 1);
    ASSERT_TRUE(RegFlush(h));
    const std::string before = ReadHost("Stats.ini");
    // A directory where the file's lock must go.
    std::filesystem::remove(m_root + "/Stats.ini.lock");
    std::filesystem::create_directory(m_root + "/Stats.ini.lock");
    RegSetInt(h, "A", "B", 2);
    EXPECT_FALSE(RegFlush(h));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("cannot be written"));
    EXPECT_EQ(ReadHost("Stats.ini"), before);

    std::filesystem::remove(m_root + "/Stats.ini.lock");
    EXPECT_TRUE(RegFlush(h));
    EXPECT_TRUE(Holds(ReadHost("Stats.ini"), {"B=2\n"}));
    RegUnload(h);
}

TEST_F(StoreWriterTest, AStoreThatFailsInTheBackgroundIsReportedByTheFilesNextFlush)
{
    HOBJ h = RegLoad("Sub/Late.ini", 1);
    ASSERT_NE(h, INVALID_HOBJ);
    RegSetInt(h, "A", "B", 1);
    // A plain file where the folder must be: seen only when the store is written.
    std::ofstream(m_root + "/Sub") << "not a folder";
    EXPECT_TRUE(RegFlush(h));
    EXPECT_EQ(UlogCtlWaitForStores(), -1);
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(RegFlush(h));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("could not be written"));

    std::filesystem::remove(m_root + "/Sub");
    RegSetInt(h, "A", "B", 2);
    EXPECT_TRUE(RegFlush(h));
    EXPECT_TRUE(Holds(ReadHost("Sub/Late.ini"), {"B=2\n"}));
    RegUnload(h);
}

TEST_F(StoreWriterTest, AFlushOverADirectoryFailsAtOnce)
{
    HOBJ h = RegLoad("Dir.ini", 1);
    RegSetInt(h, "A", "B", 1);
    std::filesystem::create_directories(m_root + "/Dir.ini/inside");
    EXPECT_FALSE(RegFlush(h));
    EXPECT_TRUE(std::filesystem::is_directory(m_root + "/Dir.ini/inside"));
    RegUnload(h);
}

// Rapid flushes of each file, from several threads at once: each file ends with its newest content, and
// no temporary file is left.
TEST_F(StoreWriterTest, ConcurrentFlushesOfSeveralFilesAllLand)
{
    constexpr int kThreads = 4;
    constexpr int kFlushes = 150;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [t, &failures]
            {
                const std::string name = "File" + std::to_string(t) + ".ini";
                HOBJ h = RegLoad(name.c_str(), 1);
                for (int i = 1; i <= kFlushes; ++i)
                {
                    RegSetInt(h, "Count", "Value", i);
                    failures += !RegFlush(h);
                    failures += !NvWriteInt(2000 + t, i); // one settings file shared by every thread
                }
                RegUnload(h);
            });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_TRUE(Holds(ReadHost("File" + std::to_string(t) + ".ini"),
                          {"Value=" + std::to_string(kFlushes) + "\n"}));
    EXPECT_TRUE(TemporaryFiles(".").empty());
    EXPECT_TRUE(TemporaryFiles("System").empty());
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(NvGetInt(2000 + t), kFlushes);
}
} // namespace
