// A fresh emulated platform under a temporary data root for each test.
#ifndef ULOG_TEST_PLATFORM_FIXTURE_H
#define ULOG_TEST_PLATFORM_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ulogtest
{
// Makes a new empty directory under the system's temporary directory.
std::string MakeTempDir(const std::string& prefix = "ulogtest");
void RemoveTree(const std::string& dir);
// Everything under a directory, as paths relative to it.
std::vector<std::string> Listing(const std::string& dir);

// Resets the platform onto a new temporary data root, captures diagnostics,
// and removes the root afterwards.
class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    std::string m_root;
};

// The service started on the fresh data root (diagnostics of the start cleared), stopped afterwards.
class ServiceTest : public PlatformTest
{
protected:
    void SetUp() override;
    void TearDown() override;
};
} // namespace ulogtest

#endif
