// Settings kept across power cycles.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace
{
class NvTest : public ulogtest::PlatformTest
{
protected:
    // Replaces the settings file whole, as another process's store does.
    void StoreAsAnotherProcess(const std::string& text)
    {
        UlogCtlWaitForStores();
        ulogtest::ReplaceFile(m_root + "/System/nv.ini", text);
    }
    std::string OnDisk()
    {
        UlogCtlWaitForStores();
        return ulogtest::ReadWholeFile(m_root + "/System/nv.ini");
    }
};

TEST_F(NvTest, ItemsStartAtZeroAndWrittenValuesSurviveAPowerCycleButNotAChangeOfDataRoot)
{
    EXPECT_EQ(NvGetInt(459), 0);
    EXPECT_EQ(NvGetInt(1417), 0);
    EXPECT_EQ(NvGetInt(1458), 0);
    EXPECT_TRUE(NvWriteInt(459, 3600));
    EXPECT_TRUE(NvWriteInt(1458, 2));
    EXPECT_TRUE(NvWriteInt(1417, -1));
    EXPECT_EQ(NvGetInt(459), 3600);
    UlogCtlWaitForStores();
    EXPECT_TRUE(std::filesystem::exists(m_root + "/System/nv.ini"));

    // A reset on the same data root is a power cycle: the values are read back from storage.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(NvGetInt(459), 3600);
    EXPECT_EQ(NvGetInt(1458), 2);
    EXPECT_EQ(NvGetInt(1417), -1);
    // The control interface sets an item too.
    UlogCtlSetNvInt(1458, 3);
    EXPECT_EQ(NvGetInt(1458), 3);
    UlogCtlSetNvInt(1458, 0);
    EXPECT_EQ(NvGetInt(1458), 0);

    // A new data root has fresh settings.
    const std::string other = ulogtest::MakeTempDir();
    ASSERT_TRUE(UlogCtlReset(other.c_str()));
    EXPECT_EQ(NvGetInt(459), 0);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(NvGetInt(459), 3600);
    ulogtest::RemoveTree(other);
}

TEST_F(NvTest, AFailedStoreKeepsTheOldValue)
{
    NvWriteInt(459, 5);
    UlogCtlWaitForStores();
    // Make the settings unwritable by putting a directory where their lock file must go.
    std::filesystem::remove(m_root + "/System/nv.ini.lock");
    std::filesystem::create_directory(m_root + "/System/nv.ini.lock");
    EXPECT_FALSE(NvWriteInt(459, 6));
    EXPECT_EQ(NvGetInt(459), 5);
    std::filesystem::remove(m_root + "/System/nv.ini.lock");
    EXPECT_TRUE(NvWriteInt(459, 6));
    EXPECT_EQ(NvGetInt(459), 6);
}

TEST_F(NvTest, AdditionsOfSeveralProcessesAllCount)
{
    ASSERT_TRUE(NvAddInt(459, 30));
    ASSERT_TRUE(NvWriteInt(1458, 2));
    EXPECT_EQ(NvGetInt(459), 30);
    // Another process added 100 to the life time and set an item of its own.
    StoreAsAnotherProcess("[Nv]\n459=130\n1458=2\n1417=1\n");
    ASSERT_TRUE(NvAddInt(459, 5));
    ASSERT_TRUE(NvAddInt(459, -1));
    EXPECT_EQ(NvGetInt(459), 134); // reads follow the other process's store
    EXPECT_EQ(NvGetInt(1417), 1);
    EXPECT_TRUE(ulogtest::Holds(OnDisk(), {"459=134\n", "1417=1\n"}));
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(NvGetInt(459), 134);
}

TEST_F(NvTest, ALinkInThePlaceOfTheSettingsIsRefusedWithAnError)
{
    std::filesystem::create_directories(m_root + "/System");
    std::ofstream(m_root + "/elsewhere.ini") << "[Nv]\n459=99\n";
    std::filesystem::create_symlink(m_root + "/elsewhere.ini", m_root + "/System/nv.ini");
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogCtlCaptureDiagnostics(TRUE);
    EXPECT_EQ(NvGetInt(459), 0);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_FALSE(NvWriteInt(459, 1));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT);
    EXPECT_FALSE(NvAddInt(459, 1));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("System/nv.ini is not a file; refused"));
    EXPECT_EQ(UlogCtlWaitForStores(), -1);
    EXPECT_EQ(ulogtest::ReadWholeFile(m_root + "/elsewhere.ini"), "[Nv]\n459=99\n");
}
} // namespace
