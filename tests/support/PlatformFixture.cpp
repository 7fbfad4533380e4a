#include "support/PlatformFixture.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstdlib>
#include <filesystem>
#include <random>

namespace ulogtest
{
std::string MakeTempDir(const std::string& prefix)
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        auto dir = std::filesystem::temp_directory_path() /
                   (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
        std::error_code ec;
        if (std::filesystem::create_directory(dir, ec))
            return dir.string();
    }
    return {};
}

void RemoveTree(const std::string& dir)
{
    UlogCtlWaitForStores(); // no store may land in a folder being removed
    std::error_code ec;
    if (!dir.empty())
        std::filesystem::remove_all(dir, ec);
}

std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        names.push_back(std::filesystem::relative(it->path(), dir).string());
    return names;
}

void PlatformTest::SetUp()
{
    m_root = MakeTempDir();
    ASSERT_FALSE(m_root.empty());
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    UlogCtlCaptureDiagnostics(TRUE);
}

void PlatformTest::TearDown()
{
    UlogCtlReset(m_root.c_str());
    RemoveTree(m_root);
}

void ServiceTest::SetUp()
{
    PlatformTest::SetUp();
    UlogSvcDispatch(0);
    UlogCtlClearDiagnostics();
}

void ServiceTest::TearDown()
{
    UlogSvcDispatch(1);
    PlatformTest::TearDown();
}
} // namespace ulogtest
