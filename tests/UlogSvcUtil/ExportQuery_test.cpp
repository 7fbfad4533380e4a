// Query-text escaping: the exported form as an application calls it, and the bounded form the filters use.
#include "UlogSvc.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

using ExportQuery = ulogtest::PlatformTest;

TEST_F(ExportQuery, DoublesApostrophesAndPercentSignsAndRefusesNull)
{
    char out[2 * 10 + 1];
    std::memset(out, 'x', sizeof out);
    ASSERT_TRUE(UlogConvertDBStringForQuery("O'Neil 50%", out));
    EXPECT_STREQ(out, "O''Neil 50%%");
    ASSERT_TRUE(UlogConvertDBStringForQuery("", out));
    EXPECT_STREQ(out, "");
    // The worst case fills exactly twice the length plus the terminator.
    char worst[2 * 4 + 1];
    ASSERT_TRUE(UlogConvertDBStringForQuery("'%'%", worst));
    EXPECT_STREQ(worst, "''%%''%%");
    EXPECT_FALSE(UlogConvertDBStringForQuery(nullptr, out));
    EXPECT_FALSE(UlogConvertDBStringForQuery("a", nullptr));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
}

TEST_F(ExportQuery, TheBoundedFormNeverPassesItsBufferNorHalvesADoubledCharacter)
{
    // Into 6 bytes: whether the text fits whole, and what is written.
    const std::tuple<const char*, BOOL, const char*> cases[] = {
        {"ab'cd", FALSE, "ab''c"}, {"abcd'", FALSE, "abcd"}, {"abc'", TRUE, "abc''"}, {"a'b", TRUE, "a''b"}};
    for (const auto& [src, whole, written] : cases)
    {
        char small[6];
        std::memset(small, 'x', sizeof(small));
        EXPECT_EQ(CUlogSvcUtil::ConvertDBStringForQuery(src, small, sizeof(small)), whole) << src;
        EXPECT_STREQ(small, written);
    }
    // Exactly twice the length: a 309-character name of quotes needs 619 bytes.
    std::vector<char> buf(618, 'x');
    EXPECT_FALSE(
        CUlogSvcUtil::ConvertDBStringForQuery(std::string(309, '\'').c_str(), buf.data(), buf.size()));
    EXPECT_EQ(std::strlen(buf.data()), 616u);
}
