// Numbers at and past the 80-character limit.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <string>

namespace
{
class NumberLimitsTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        UlogCtlSetDigitsCount2Compare(8);
    }

    static std::string Run(char c, size_t n) { return std::string(n, c); }

    // A sequence of distinct digit runs, so that any misplaced cut shows.
    static std::string Counting(size_t n)
    {
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s += static_cast<char>('0' + (i * 7 + i / 10) % 10);
        return s;
    }
};

TEST_F(NumberLimitsTest, OnlyTheFirstEightyCharactersCount)
{
    const std::string n80 = Counting(80);
    // Numbers that agree in their first 80 characters are the same, whatever follows.
    EXPECT_TRUE(UlogStrCmp((n80 + "1111").c_str(), (n80 + "2222222").c_str()));
    EXPECT_TRUE(UlogStrCmp((n80 + Counting(420)).c_str(), n80.c_str()));
    EXPECT_FALSE(UlogStrCmp(Counting(79).c_str(), n80.c_str()));
    // A 'P' beyond the limit is not DTMF text.
    EXPECT_TRUE(UlogStrCmp((n80 + "P12").c_str(), n80.c_str()));
    EXPECT_FALSE(UlogStrCmp((Counting(79) + "P12").c_str(), n80.c_str()));

    int offL = -1, offR = -1;
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffset(Counting(500).c_str(), "1", &offL, &offR));
    EXPECT_EQ(offL, 72);
    EXPECT_EQ(offR, 0);
    int off = -1;
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffsetEx(Counting(500).c_str(), "12", &off));
    EXPECT_EQ(off, 78);
    EXPECT_TRUE(CUlogSvcUtil::StrCmpEx((n80 + "9").c_str(), (n80 + "0").c_str(), ULOG_MATCH_EXACT));
}

TEST_F(NumberLimitsTest, BasicNumberNeverPassesEightyPlaces)
{
    for (int count : {8, 79, 80, 81, 500})
    {
        UlogCtlSetDigitsCount2Compare(count);
        for (size_t len : {0u, 1u, 8u, 78u, 79u, 80u, 81u, 500u})
        {
            const std::string number = Counting(len);
            unsigned char buf[80 + 16];
            std::memset(buf, 0xEE, sizeof(buf));
            ASSERT_TRUE(CUlogSvcUtil::ExtractBasicNum(number.c_str(), reinterpret_cast<char*>(buf), 0));
            for (size_t i = 80; i < sizeof(buf); ++i)
                ASSERT_EQ(buf[i], 0xEE) << "count " << count << " length " << len << " byte " << i;
            const std::string basic(reinterpret_cast<char*>(buf));
            const std::string cut = number.substr(0, 80);
            if (count >= (int)cut.size())
                EXPECT_EQ(basic, cut.substr(0, 79)) << "count " << count << " length " << len;
            else
                EXPECT_EQ(basic, cut.substr(cut.size() - count)) << "count " << count << " length " << len;
        }
    }
}

TEST_F(NumberLimitsTest, DegenerateNumbers)
{
    ASSERT_TRUE(UlogCtlSetSim(0, "454", "00", 0));
    const std::string ps = Run('P', 500);
    EXPECT_TRUE(UlogStrCmp(ps.c_str(), ps.c_str()));
    EXPECT_TRUE(UlogStrCmp(ps.c_str(), Run('P', 80).c_str()));
    EXPECT_FALSE(UlogStrCmp(ps.c_str(), Run('P', 79).c_str()));
    EXPECT_FALSE(UlogStrCmp(ps.c_str(), ""));

    char basic[81];
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum(ps.c_str(), basic, 0));
    EXPECT_STREQ(basic, "PPPPPPPP");
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum("", basic, 3));
    EXPECT_STREQ(basic, "");
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum("00852", basic, 0));
    EXPECT_STREQ(basic, "");
    // Repeated prefixes: only one is removed.
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum("+852+852+852", basic, 0));
    EXPECT_STREQ(basic, "+852+852");
    const std::string prefixes = "+852" + Run('1', 100);
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum(prefixes.c_str(), basic, 0));
    EXPECT_STREQ(basic, "11111111");
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}
} // namespace
