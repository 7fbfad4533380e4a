// Phone-number comparison and basic numbers of CUlogSvcUtil.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <filesystem>
#include <string>

namespace
{
class NumberTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        UlogCtlSetDigitsCount2Compare(8);
    }

    static void UseHongKongSim() { ASSERT_TRUE(UlogCtlSetSim(0, "454", "00", 0)); }

    // The basic number, with the destination checked for writes past its 80 places.
    static std::string Basic(const char* number, int ipDigits)
    {
        char buf[80 + 8];
        std::memset(buf, 0x5A, sizeof(buf));
        EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum(number, buf, ipDigits));
        for (size_t i = 80; i < sizeof(buf); ++i)
            EXPECT_EQ(buf[i], 0x5A) << "byte " << i << " written for " << number;
        EXPECT_NE(std::memchr(buf, '\0', 80), nullptr);
        return std::string(buf);
    }

    // StrCmp must not depend on the order of its arguments.
    static bool Same(const char* a, const char* b)
    {
        const BOOL ab = CUlogSvcUtil::StrCmp(a, b);
        const BOOL ba = CUlogSvcUtil::StrCmp(b, a);
        EXPECT_EQ(ab, ba) << a << " / " << b;
        EXPECT_EQ(ab, UlogStrCmp(a, b));
        return ab == TRUE;
    }
};

TEST_F(NumberTest, TrailingDigitsDecideIdentity)
{
    EXPECT_TRUE(Same("0212345678", "+82212345678"));
    EXPECT_TRUE(Same("12345678", "12345678"));
    EXPECT_FALSE(Same("0212345678", "0212345679"));
    EXPECT_FALSE(Same("0212345678", "02123456780"));
    EXPECT_FALSE(Same("1234", "01234"));
    EXPECT_TRUE(Same("", ""));
    EXPECT_FALSE(Same("", "1"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(NumberTest, DtmfTextMustMatchExactly)
{
    EXPECT_FALSE(Same("12345678P123", "12345678"));
    EXPECT_TRUE(Same("12345678P123", "9912345678P123"));
    EXPECT_FALSE(Same("12345678P12", "12345678P13"));
    EXPECT_FALSE(Same("12345678P12", "12345678P123"));
    EXPECT_FALSE(Same("12345678P", "12345678"));
    // The DTMF text starts at the first 'P': later ones belong to it.
    EXPECT_TRUE(Same("0212345678P1P2", "12345678P1P2"));
    EXPECT_FALSE(Same("12345678P1P2", "12345678P12"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::StrCmp: DIFFERENCE_1 catched!"));
    // Dialled numbers still decide when the DTMF texts agree.
    EXPECT_FALSE(Same("11111111P9", "22222222P9"));
    EXPECT_TRUE(Same("P", "P"));
    EXPECT_TRUE(Same("PPPP", "PPPP"));
    EXPECT_FALSE(Same("PPPP", "PPP"));
}

TEST_F(NumberTest, HongKongPrefixesOnlyOnCountryCode454InTableOrder)
{
    // Another country: "133" in the middle is part of the number.
    EXPECT_FALSE(Same("51330000", "30000"));
    EXPECT_EQ(Basic("51330000", 0), "51330000");

    UseHongKongSim();
    EXPECT_TRUE(Same("+85291234567", "0085291234567"));
    EXPECT_EQ(Basic("+85291234567", 0), "91234567");
    EXPECT_EQ(Basic("0085291234567", 0), "91234567");
    // A prefix found anywhere removes as many characters from the start.
    EXPECT_EQ(Basic("51330000", 0), "30000");
    EXPECT_TRUE(Same("51330000", "30000"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::ExtractBasicNum: pszPrefixHk[2] (133)"));
    // Only a prefix: nothing is left.
    EXPECT_EQ(Basic("+852", 0), "");
    EXPECT_TRUE(Same("+852", "00852"));
    // The prefix rule sees the dialled number only, not the DTMF text.
    UlogCtlSetDigitsCount2Compare(20);
    EXPECT_FALSE(Same("99912345678P133", "00012345678P133"));
    // Prefixes are tried in table order: "00852" before "133", "133" before "1357".
    EXPECT_EQ(Basic("0085213312345678", 0), "13312345678");
    EXPECT_EQ(Basic("1357133", 0), "7133");
    EXPECT_EQ(Basic("+85200852", 0), "00852");
}

TEST_F(NumberTest, ExtractBasicNumDropsIpPrefixThenKeepsTail)
{
    EXPECT_EQ(Basic("17951012345678", 5), "12345678");
    EXPECT_EQ(Basic("1234", 0), "1234");
    EXPECT_EQ(Basic("123456789", 0), "23456789");
    EXPECT_EQ(Basic("", 0), "");
    // A prefix count not below the length leaves nothing.
    EXPECT_EQ(Basic("12345", 5), "");
    EXPECT_EQ(Basic("12345", 500), "");
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
    // A negative count is reported and counts as 0.
    EXPECT_EQ(Basic("0212345678", -3), "12345678");
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::ExtractBasicNum: nIPCallDigitCount error(-3)"));
    // The basic number keeps DTMF characters: it is the tail of the whole text.
    EXPECT_EQ(Basic("0212345678P12", 0), "45678P12");
}

TEST_F(NumberTest, DigitCountComesFromContactsServiceAndNoneComparesWholeNumbers)
{
    EXPECT_EQ(CtSvcGetDigitsCount2Compare("0212345678"), 8);
    UlogCtlSetDigitsCount2Compare(4);
    EXPECT_EQ(CtSvcGetDigitsCount2Compare("0212345678"), 4);
    EXPECT_TRUE(Same("99995678", "11115678"));
    EXPECT_EQ(Basic("0212345678", 0), "5678");
    UlogCtlSetDigitsCount2Compare(12);
    EXPECT_FALSE(Same("0212345678", "+82212345678"));
    EXPECT_EQ(Basic("0212345678", 0), "0212345678");
    // No count (0 or less): whole numbers are compared, from their start.
    for (int count : {0, -5})
    {
        UlogCtlSetDigitsCount2Compare(count);
        EXPECT_FALSE(Same("123", "456")) << count;
        EXPECT_FALSE(Same("0212345678", "+82212345678")) << count;
        EXPECT_TRUE(Same("0212345678", "0212345678")) << count;
        EXPECT_EQ(Basic("0212345678", 0), "0212345678") << count;
        int offL = -1, offR = -1;
        EXPECT_TRUE(CUlogSvcUtil::GetCmpOffset("0212345678", "1", &offL, &offR));
        EXPECT_EQ(offL, 0);
        EXPECT_EQ(offR, 0);
    }
    // A reset of the platform brings the default back.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(CtSvcGetDigitsCount2Compare(nullptr), 8);
}

TEST_F(NumberTest, CompareOffsets)
{
    int offL = -1, offR = -1;
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffset("0212345678", "1234", &offL, &offR));
    EXPECT_EQ(offL, 2);
    EXPECT_EQ(offR, 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::GetCmpOffset: *pOffsetL (2) *pOffsetR (0)"));

    int off = -1;
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffsetEx("0212345678", "5678", &off));
    EXPECT_EQ(off, 6);
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffsetEx("5678", "0212345678", &off));
    EXPECT_EQ(off, 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(NumberTest, NullArgumentsAreRefused)
{
    int offL = 7, offR = 7;
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffset("1", "2", nullptr, &offR));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pOffsetL != NULL"));
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffset("1", "2", &offL, nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pOffsetR != NULL"));
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffset(nullptr, "2", &offL, &offR));
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffset("1", nullptr, &offL, &offR));
    EXPECT_EQ(offL, 7);
    EXPECT_EQ(offR, 7);
    EXPECT_EQ(UlogCtlGetAssertCount(), 4);

    UlogCtlClearDiagnostics();
    EXPECT_FALSE(CUlogSvcUtil::StrCmp(nullptr, "1"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszNumberL != NULL"));
    EXPECT_FALSE(UlogStrCmp("1", nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszNumberR != NULL"));
    EXPECT_FALSE(CUlogSvcUtil::StrCmpEx(nullptr, "1", ULOG_MATCH_EXACT));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszNumber != NULL"));
    EXPECT_FALSE(CUlogSvcUtil::StrCmpEx("1", nullptr, ULOG_MATCH_EXACT));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszNeedle != NULL"));
    int off = 7;
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffsetEx("1", "2", nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pOffset != NULL"));
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffsetEx(nullptr, "2", &off));
    EXPECT_FALSE(CUlogSvcUtil::GetCmpOffsetEx("1", nullptr, &off));
    EXPECT_EQ(off, 7);

    char dest[80];
    std::memset(dest, 'x', sizeof(dest));
    EXPECT_FALSE(CUlogSvcUtil::ExtractBasicNum(nullptr, dest, 0));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszSrcNumber != NULL"));
    EXPECT_EQ(dest[0], 'x');
    EXPECT_FALSE(CUlogSvcUtil::ExtractBasicNum("123", nullptr, 0));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszDestNumber != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 9);
}

TEST_F(NumberTest, PlainTailComparisonIgnoresMatchType)
{
    struct Case
    {
        const char* number;
        const char* needle;
        BOOL same;
    } const cases[] = {
        {"0212345678", "+82212345678", TRUE},
        {"12345678P123", "12345678", FALSE}, // no DTMF handling:
                                             // the tails differ
        {"12345678P123", "0012345678P123", TRUE},
        {"0212345678", "0212345679", FALSE},
        {"1234", "1234", TRUE},
    };
    for (const Case& c : cases)
    {
        for (int match = ULOG_MATCH_EXACT; match <= ULOG_MATCH_CNT_MAX; ++match)
        {
            EXPECT_EQ(CUlogSvcUtil::StrCmpEx(c.number, c.needle, static_cast<UlogMatchType>(match)), c.same)
                << c.number << " / " << c.needle << " match " << match;
        }
    }
    // No prefix handling either, even on country code 454.
    UseHongKongSim();
    UlogCtlSetDigitsCount2Compare(12);
    EXPECT_FALSE(CUlogSvcUtil::StrCmpEx("+85291234567", "0085291234567", ULOG_MATCH_1));
    EXPECT_TRUE(CUlogSvcUtil::StrCmp("+85291234567", "0085291234567"));
}

TEST_F(NumberTest, MatchConditionIsKeptInSettings)
{
    EXPECT_TRUE(CUlogSvcUtil::SetMatchCondition(ULOG_MATCH_2));
    EXPECT_EQ(CUlogSvcUtil::GetMatchCondition(), ULOG_MATCH_2);
    EXPECT_EQ(NvGetInt(1458), 2);
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "CUlogSvcUtil::UlogSetMatchCondition: The current match condition is now (2)"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    EXPECT_FALSE(CUlogSvcUtil::SetMatchCondition(ULOG_MATCH_CNT_MAX));
    EXPECT_EQ(CUlogSvcUtil::GetMatchCondition(), ULOG_MATCH_2);
    EXPECT_EQ(UlogCtlGetAssertCount(), 1);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("(ULOG_MATCH_EXACT <= iMatch) && (iMatch < ULOG_MATCH_CNT_MAX)"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::UlogSetMatchCondition: iMatch (4)"));
    EXPECT_FALSE(CUlogSvcUtil::SetMatchCondition(static_cast<UlogMatchType>(-1)));
    EXPECT_EQ(NvGetInt(1458), 2);

    UlogCtlSetNvInt(1458, 3);
    EXPECT_EQ(CUlogSvcUtil::GetMatchCondition(), ULOG_MATCH_3);
    // The comparison does not read the condition.
    EXPECT_TRUE(CUlogSvcUtil::SetMatchCondition(ULOG_MATCH_EXACT));
    EXPECT_TRUE(Same("0212345678", "+82212345678"));

    // A condition that cannot be stored (a directory where the settings file goes) is not set.
    const std::filesystem::path nvFile = std::filesystem::path(m_root) / "System" / "nv.ini";
    std::filesystem::remove(nvFile);
    std::filesystem::create_directories(nvFile / "blocker");
    EXPECT_FALSE(CUlogSvcUtil::SetMatchCondition(ULOG_MATCH_3));
    EXPECT_EQ(CUlogSvcUtil::GetMatchCondition(), ULOG_MATCH_EXACT);
    EXPECT_FALSE(UlogCtlDiagnosticsContain("The current match condition is now (3)"));
}

TEST_F(NumberTest, ContactPhoneKindsMapToLogPhoneTypes)
{
    const int expected[] = {14, 0, 3, 6, 7, 8, 9, 10, 11, 12, 13};
    for (int kind = 0; kind < 11; ++kind)
    {
        EXPECT_EQ(CUlogSvcUtil::GetPhoneType(kind), expected[kind]) << kind;
        EXPECT_EQ(UlogGetPhoneType(kind), expected[kind]) << kind;
    }
    for (int kind : {-1, 11, 14, 1000})
        EXPECT_EQ(CUlogSvcUtil::GetPhoneType(kind), ULOG_PHONE_TYPE_NONE) << kind;
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcUtil::GetPhoneType : iCtPhoneType(2) iPhoneType (3)"));
}
} // namespace
