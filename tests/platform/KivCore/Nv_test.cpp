// Settings kept across power cycles.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <filesystem>

namespace
{
class NvTest : public ulogtest::PlatformTest
{
};

TEST_F(NvTest, ServiceItemsStartAtZero)
{
    EXPECT_EQ(NvGetInt(459), 0);
    EXPECT_EQ(NvGetInt(1417), 0);
    EXPECT_EQ(NvGetInt(1458), 0);
}

TEST_F(NvTest, WrittenValuesSurviveAPowerCycle)
{
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
}

TEST_F(NvTest, ANewDataRootHasFreshSettings)
{
    NvWriteInt(459, 10);
    std::string other = ulogtest::MakeTempDir();
    ASSERT_TRUE(UlogCtlReset(other.c_str()));
    EXPECT_EQ(NvGetInt(459), 0);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(NvGetInt(459), 10);
    ulogtest::RemoveTree(other);
}

TEST_F(NvTest, ControlInterfaceSetsAnItem)
{
    UlogCtlSetNvInt(1458, 3);
    EXPECT_EQ(NvGetInt(1458), 3);
    UlogCtlSetNvInt(1458, 0);
    EXPECT_EQ(NvGetInt(1458), 0);
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
} // namespace
