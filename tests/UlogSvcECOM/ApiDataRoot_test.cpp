// UlogSetDataRoot: the directory an application chooses holds the logs of the service it starts; the
// choice is refused while the service runs and stays refused for bad names.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"
#include "support/Records.h"

#include "UlogSvc.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace
{
class AppDataRootTest : public ulogtest::PlatformTest
{
protected:
    void TearDown() override
    {
        if (m_bRunning)
            UlogSvcDispatch(1);
        ulogtest::PlatformTest::TearDown();
    }
    bool m_bRunning = false;
};
} // namespace

TEST_F(AppDataRootTest, ChosenRootHoldsTheLogsAndCannotChangeWhileTheServiceRuns)
{
    const std::string chosen = m_root + "/app/logs"; // missing: made by the call
    const std::string other = m_root + "/other";
    ASSERT_TRUE(UlogSetDataRoot(chosen.c_str()));
    ASSERT_EQ(UlogSvcDispatch(0), 0u);
    m_bRunning = true;
    UlogInfo info = ulogtest::MakeInfo({});
    ASSERT_TRUE(UlogAddCallLog(&info));
    EXPECT_EQ(ulogtest::ScalarDbFile(chosen, "select count(*) from UlogDuplDbTable"), 1);

    EXPECT_FALSE(UlogSetDataRoot(other.c_str()));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_FAILED);
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 1); // still the chosen root's database

    UlogSvcDispatch(1);
    m_bRunning = false;
    EXPECT_TRUE(UlogSetDataRoot(other.c_str()));
    ASSERT_EQ(UlogSvcDispatch(0), 0u);
    m_bRunning = true;
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 0);
}

TEST_F(AppDataRootTest, BadNamesAreRefusedAndTheRootStays)
{
    const std::string file = m_root + "/plain-file";
    const std::string below = file + "/below";
    std::ofstream(file) << "x";
    const struct
    {
        const char* pszDir;
        UlogErrorCode iError;
    } cases[] = {{nullptr, ULOG_ERR_INVALID_ARGUMENT},
                 {"", ULOG_ERR_INVALID_ARGUMENT},
                 {file.c_str(), ULOG_ERR_IO},
                 {below.c_str(), ULOG_ERR_IO}};
    for (const auto& c : cases)
    {
        EXPECT_FALSE(UlogSetDataRoot(c.pszDir)) << (c.pszDir ? c.pszDir : "NULL");
        EXPECT_EQ(UlogGetLastError(nullptr), c.iError) << (c.pszDir ? c.pszDir : "NULL");
    }
    ASSERT_EQ(UlogSvcDispatch(0), 0u);
    m_bRunning = true;
    UlogInfo info = ulogtest::MakeInfo({});
    ASSERT_TRUE(UlogAddCallLog(&info));
    EXPECT_EQ(ulogtest::ScalarDbFile(m_root, "select count(*) from UlogDuplDbTable"), 1);
}
