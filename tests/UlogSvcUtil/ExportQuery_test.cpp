// The exported query-text escaping, as an application calls it.
#include "UlogSvc.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstring>

class ExportQuery : public ulogtest::PlatformTest
{
};

TEST_F(ExportQuery, DoublesApostrophesAndPercentSignsAndRefusesNull)
{
    char out[2 * 10 + 1];
    std::memset(out, 'x', sizeof out);
    ASSERT_TRUE(UlogConvertDBStringForQuery("O'Neil 50%", out));
    EXPECT_STREQ(out, "O''Neil 50%%");
    // The worst case fills exactly twice the length plus the terminator.
    char worst[2 * 4 + 1];
    ASSERT_TRUE(UlogConvertDBStringForQuery("'%'%", worst));
    EXPECT_STREQ(worst, "''%%''%%");
    EXPECT_FALSE(UlogConvertDBStringForQuery(nullptr, out));
    EXPECT_FALSE(UlogConvertDBStringForQuery("a", nullptr));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
}
