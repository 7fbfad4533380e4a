// Phone-number comparison and basic numbers of CUlogSvcUtil, at and past the 80-character limit and over
// random numbers, and its SIM queries.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <utility>

namespace
{
// The basic number, with the destination checked for writes past its 80 places.
std::string Basic(const std::string& number, int ipDigits)
{
    char buf[80 + 16];
    std::memset(buf, 'x', sizeof(buf));
    EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum(number.c_str(), buf, ipDigits));
    EXPECT_EQ(std::string(buf + 80, 16), std::string(16, 'x'))
        << "written past 80 for " << number << " ip " << ipDigits;
    EXPECT_NE(std::memchr(buf, '\0', 80), nullptr) << number;
    return std::string(buf, strnlen(buf, 80));
}

// StrCmp must not depend on the order of its arguments, and the exported function gives the same.
bool Same(const std::string& a, const std::string& b)
{
    const BOOL ab = CUlogSvcUtil::StrCmp(a.c_str(), b.c_str());
    EXPECT_EQ(ab, CUlogSvcUtil::StrCmp(b.c_str(), a.c_str())) << a << " / " << b;
    EXPECT_EQ(ab, UlogStrCmp(a.c_str(), b.c_str()));
    return ab == TRUE;
}

// A sequence of distinct digit runs, so that any misplaced cut shows.
std::string Counting(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += static_cast<char>('0' + (i * 7 + i / 10) % 10);
    return s;
}

// Cases written "a = b" (the same party) or "a != b"; numbers hold no blanks.
void ExpectSame(const std::vector<std::string>& cases)
{
    for (const std::string& c : cases)
    {
        const bool same = c.find(" != ") == std::string::npos;
        const size_t at = c.find(same ? " = " : " != ");
        EXPECT_EQ(Same(c.substr(0, at), c.substr(at + (same ? 3 : 4))), same) << c;
    }
}

// Cases written "number -> basic number", for the given count of IP-prefix digits.
void ExpectBasic(int ipDigits, const std::vector<std::string>& cases)
{
    for (const std::string& c : cases)
    {
        const size_t at = c.find(" -> ");
        EXPECT_EQ(Basic(c.substr(0, at), ipDigits), c.substr(at + 4)) << c << " ip " << ipDigits;
    }
}

class NumberTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        UlogCtlSetDigitsCount2Compare(8);
    }

    static void UseHongKongSim() { ASSERT_TRUE(UlogCtlSetSim(0, "454", "00", 0)); }
};

TEST_F(NumberTest, TrailingDigitsAndExactDtmfTextDecideIdentity)
{
    ExpectSame({"0212345678 = +82212345678", "12345678 = 12345678", "0212345678 != 0212345679",
                "0212345678 != 02123456780", "1234 != 01234", " = ", " != 1"});
    // DTMF text must match exactly; it starts at the first 'P', later ones belong to it. The dialled
    // numbers still decide when the DTMF texts agree.
    ExpectSame({"12345678P123 != 12345678", "12345678P123 = 9912345678P123", "12345678P12 != 12345678P13",
                "12345678P12 != 12345678P123", "12345678P != 12345678", "0212345678P1P2 = 12345678P1P2",
                "12345678P1P2 != 12345678P12", "P = P", "PPPP = PPPP", "PPPP != PPP",
                "11111111P9 != 22222222P9"});
    // Only the first 80 characters count; a 'P' beyond them is not DTMF text.
    const std::string n80 = Counting(80), n79 = Counting(79), p500(500, 'P');
    ExpectSame({n80 + "1111 = " + n80 + "2222222", n80 + Counting(420) + " = " + n80, n79 + " != " + n80,
                n80 + "P12 = " + n80, n79 + "P12 != " + n80, p500 + " = " + std::string(80, 'P'),
                p500 + " != " + std::string(79, 'P'), p500 + " != "});
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(NumberTest, BasicNumberDropsIpPrefixAndHongKongPrefixThenKeepsTheTail)
{
    // A prefix count not below the length leaves nothing; the basic number keeps DTMF characters; in
    // another country "133" is part of the number.
    ExpectBasic(5, {"17951012345678 -> 12345678", "12345 -> "});
    ExpectBasic(500, {"12345 -> "});
    ExpectBasic(0, {"1234 -> 1234", "123456789 -> 23456789", " -> ", "0212345678P12 -> 45678P12",
                    "51330000 -> 51330000"});
    ExpectSame({"51330000 != 30000"});
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
    // A negative count counts as 0.
    ExpectBasic(-3, {"0212345678 -> 12345678"});

    // On country code 454 a prefix found anywhere removes as many characters from the start; only one is
    // removed, and a number that is only a prefix leaves nothing.
    UseHongKongSim();
    ExpectBasic(0, {"+85291234567 -> 91234567", "0085291234567 -> 91234567", "51330000 -> 30000", "+852 -> ",
                    "00852 -> ", "+852+852+852 -> +852+852", "+852" + std::string(100, '1') + " -> 11111111",
                    std::string(500, 'P') + " -> PPPPPPPP"});
    ExpectBasic(3, {" -> "});
    ExpectSame({"+85291234567 = 0085291234567", "51330000 = 30000", "+852 = 00852"});
    // The prefix rule sees the dialled number only, not the DTMF text; prefixes are tried in table order:
    // "00852" before "133", "133" before "1357".
    UlogCtlSetDigitsCount2Compare(20);
    ExpectSame({"99912345678P133 != 00012345678P133"});
    ExpectBasic(0, {"0085213312345678 -> 13312345678", "1357133 -> 7133", "+85200852 -> 00852"});
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
        ExpectSame({"123 != 456", "0212345678 != +82212345678", "0212345678 = 0212345678"});
        EXPECT_EQ(Basic("0212345678", 0), "0212345678") << count;
        int offL = -1, offR = -1;
        EXPECT_TRUE(CUlogSvcUtil::GetCmpOffset("0212345678", "1", &offL, &offR));
        EXPECT_EQ(std::pair(offL, offR), std::pair(0, 0));
    }
    // A reset of the platform brings the default back.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(CtSvcGetDigitsCount2Compare(nullptr), 8);
}

// Offsets of the deciding tails, the basic number at every length around the limit: a whole number of 80
// characters and more does not fit the destination and keeps its first 79.
TEST_F(NumberTest, CompareOffsetsAndTailsAroundTheLimit)
{
    int offL = -1, offR = -1, off = -1;
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffset("0212345678", "1234", &offL, &offR));
    EXPECT_EQ(std::pair(offL, offR), std::pair(2, 0));
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffset(Counting(500).c_str(), "1", &offL, &offR));
    EXPECT_EQ(std::pair(offL, offR), std::pair(72, 0));
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffsetEx("0212345678", "5678", &off));
    EXPECT_EQ(off, 6);
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffsetEx("5678", "0212345678", &off));
    EXPECT_EQ(off, 0);
    EXPECT_TRUE(CUlogSvcUtil::GetCmpOffsetEx(Counting(500).c_str(), "12", &off));
    EXPECT_EQ(off, 78);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    for (int count : {8, 79, 80, 81, 500})
    {
        UlogCtlSetDigitsCount2Compare(count);
        for (size_t len : {0u, 1u, 8u, 78u, 79u, 80u, 81u, 500u})
        {
            const std::string cut = Counting(len).substr(0, 80);
            const std::string basic = Basic(Counting(len), 0);
            if (count >= (int)cut.size())
                EXPECT_EQ(basic, cut.substr(0, 79)) << "count " << count << " length " << len;
            else
                EXPECT_EQ(basic, cut.substr(cut.size() - count)) << "count " << count << " length " << len;
        }
    }
}

TEST_F(NumberTest, NullArgumentsAreRefusedReportedAndWriteNothing)
{
    int off = 7;
    char dest[80] = "x";
    const std::function<BOOL()> calls[] = {
        [&] { return CUlogSvcUtil::GetCmpOffset("1", "2", nullptr, &off); },
        [&] { return CUlogSvcUtil::GetCmpOffset("1", "2", &off, nullptr); },
        [&] { return CUlogSvcUtil::GetCmpOffset(nullptr, "2", &off, &off); },
        [&] { return CUlogSvcUtil::GetCmpOffset("1", nullptr, &off, &off); },
        [&] { return CUlogSvcUtil::GetCmpOffsetEx("1", "2", nullptr); },
        [&] { return CUlogSvcUtil::GetCmpOffsetEx(nullptr, "2", &off); },
        [&] { return CUlogSvcUtil::GetCmpOffsetEx("1", nullptr, &off); },
        [] { return CUlogSvcUtil::StrCmp(nullptr, "1"); },
        [] { return UlogStrCmp("1", nullptr); },
        [] { return CUlogSvcUtil::StrCmpEx(nullptr, "1", ULOG_MATCH_EXACT); },
        [] { return CUlogSvcUtil::StrCmpEx("1", nullptr, ULOG_MATCH_EXACT); },
        [&] { return CUlogSvcUtil::ExtractBasicNum(nullptr, dest, 0); },
        [] { return CUlogSvcUtil::ExtractBasicNum("123", nullptr, 0); },
    };
    for (size_t i = 0; i < std::size(calls); ++i)
    {
        UlogCtlClearDiagnostics();
        EXPECT_FALSE(calls[i]()) << "call " << i;
        EXPECT_EQ(UlogCtlGetAssertCount(), 1) << "call " << i;
    }
    EXPECT_EQ(off, 7);
    EXPECT_STREQ(dest, "x");
}

TEST_F(NumberTest, PlainTailComparisonIgnoresMatchType)
{
    // No DTMF handling: the tails of "12345678P123" and "12345678" differ.
    const std::tuple<const char*, const char*, BOOL> cases[] = {
        {"0212345678", "+82212345678", TRUE},
        {"12345678P123", "12345678", FALSE},
        {"12345678P123", "0012345678P123", TRUE},
        {"0212345678", "0212345679", FALSE},
        {"1234", "1234", TRUE},
    };
    for (const auto& [a, b, same] : cases)
        for (int match = ULOG_MATCH_EXACT; match <= ULOG_MATCH_CNT_MAX; ++match)
            EXPECT_EQ(CUlogSvcUtil::StrCmpEx(a, b, static_cast<UlogMatchType>(match)), same)
                << a << " / " << b << " match " << match;
    // Only the first 80 characters count.
    const std::string n80 = Counting(80);
    EXPECT_TRUE(CUlogSvcUtil::StrCmpEx((n80 + "9").c_str(), (n80 + "0").c_str(), ULOG_MATCH_EXACT));
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
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    EXPECT_FALSE(CUlogSvcUtil::SetMatchCondition(ULOG_MATCH_CNT_MAX));
    EXPECT_EQ(CUlogSvcUtil::GetMatchCondition(), ULOG_MATCH_2);
    EXPECT_EQ(UlogCtlGetAssertCount(), 1);
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
}

class NumberFuzzTest : public NumberTest
{
protected:
    std::mt19937 m_rng{20261206u};

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

    std::string Digits(int n)
    {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>('0' + Pick(0, 9));
        return s;
    }

    // A number built to hit the interesting cases: prefixes, shared tails, DTMF text, long runs.
    std::string Number(bool allowDtmf)
    {
        static const char* const prefixes[] = {"", "", "+", "00", "+852", "00852", "133", "1357", "+82", "0"};
        std::string s = prefixes[Pick(0, 9)];
        const int form = Pick(0, 3);
        if (form == 0)
            s += Digits(Pick(0, 12));
        else if (form == 1)
            s += Digits(Pick(0, 3)) + "12345678";
        else if (form == 2)
            s += Digits(Pick(60, 120));
        else
            for (int i = Pick(0, 30); i > 0; --i)
                s += "0123456789*#+P"[Pick(0, allowDtmf ? 13 : 12)];
        if (allowDtmf && Pick(0, 3) == 0)
            s += std::string(Pick(1, 3), 'P') + Digits(Pick(0, 4));
        return s;
    }

    void ChooseSetting()
    {
        static const int counts[] = {8, 8, 8, 0, -1, 1, 3, 11, 79, 80, 200};
        UlogCtlSetDigitsCount2Compare(counts[Pick(0, 10)]);
        ASSERT_TRUE(UlogCtlSetSim(0, Pick(0, 1) == 0 ? "454" : "450", "05", 0));
    }
};

// Over numbers of every length up to past the limit: the comparison is symmetric and reflexive; the basic
// number is bounded and the end of the number cut to 80 characters (a whole 80-character number keeps its
// first 79); and without DTMF text, within the limit, two numbers are the same party exactly when their
// basic numbers are equal (the tables are searched by basic number, the lists grouped by StrCmp).
TEST_F(NumberFuzzTest, ComparisonAndBasicNumbersKeepTheirProperties)
{
    UlogCtlCaptureDiagnostics(FALSE); // thousands of calls: keep no diagnostics in memory
    for (int i = 0; i < 4000 && !HasFailure(); ++i)
    {
        ChooseSetting();
        const std::string a = Number(true);
        const std::string b =
            Pick(0, 2) == 0 ? a.substr(0, Pick(0, (int)a.size())) + Digits(Pick(0, 2)) : Number(true);
        ASSERT_EQ(CUlogSvcUtil::StrCmp(a.c_str(), b.c_str()), CUlogSvcUtil::StrCmp(b.c_str(), a.c_str()))
            << "\"" << a << "\" / \"" << b << "\"";
        ASSERT_EQ(CUlogSvcUtil::StrCmp(a.c_str(), a.c_str()), TRUE) << a;

        const int ip = Pick(-2, 6) <= 0 ? 0 : Pick(-3, 90);
        const std::string basic = Basic(a, ip);
        ASSERT_LE(basic.size(), 79u) << a;
        const std::string cut = a.substr(0, 80);
        const bool isTail =
            cut.size() >= basic.size() && cut.compare(cut.size() - basic.size(), basic.size(), basic) == 0;
        const bool isCutWhole = basic.size() == 79 && cut.compare(0, 79, basic) == 0;
        ASSERT_TRUE(isTail || isCutWhole) << "\"" << a << "\" ip " << ip << " -> \"" << basic << "\"";

        const std::string c = Number(false).substr(0, 79);
        const std::string d =
            (Pick(0, 1) == 0 ? Digits(Pick(0, 4)) + c.substr(Pick(0, (int)c.size())) : Number(false))
                .substr(0, 79);
        ASSERT_EQ(CUlogSvcUtil::StrCmp(c.c_str(), d.c_str()) == TRUE, Basic(c, 0) == Basic(d, 0))
            << "\"" << c << "\" / \"" << d << "\"";
    }
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

using NumberSimTest = ulogtest::PlatformTest;

TEST_F(NumberSimTest, CountryAndNetworkCodesAreDecimalAndTheTestSimIsOneOne)
{
    // The handset starts with a SIM of country 450, network 05.
    EXPECT_EQ(CUlogSvcUtil::GetMcc(), 450);
    EXPECT_EQ(CUlogSvcUtil::GetMnc(), 5);
    ASSERT_TRUE(UlogCtlSetSim(1, "454", "123", 0));
    EXPECT_EQ(UlogGetMcc(), 454);
    EXPECT_EQ(UlogGetMnc(), 123);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);

    // The test SIM is country 1, network 1.
    const std::tuple<const char*, const char*, BOOL> sims[] = {
        {"454", "123", FALSE}, {"001", "02", FALSE}, {"002", "01", FALSE},
        {"1", "1", TRUE},      {"001", "01", TRUE},
    };
    for (const auto& [mcc, mnc, test] : sims)
    {
        ASSERT_TRUE(UlogCtlSetSim(0, mcc, mnc, 0));
        EXPECT_EQ(CUlogSvcUtil::IsTestSim(), test) << mcc << " " << mnc;
    }

    // Without a SIM the codes are 0 (reported), and numbers still compare.
    UlogCtlRemoveSim();
    UlogCtlClearDiagnostics();
    EXPECT_EQ(CUlogSvcUtil::GetMcc(), 0);
    EXPECT_EQ(UlogGetMnc(), 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_FALSE(CUlogSvcUtil::IsTestSim());
    EXPECT_TRUE(UlogStrCmp("0212345678", "+82212345678"));
    EXPECT_FALSE(UlogStrCmp("0212345678", "0212345679"));
    EXPECT_EQ(Basic("+85291234567", 0), "91234567");
    EXPECT_FALSE(UlogIsAcmValid());
}

TEST_F(NumberSimTest, AdviceOfChargeFollowsTheCardsServiceTable)
{
    EXPECT_FALSE(CUlogSvcUtil::IsAcmValid()); // the default SIM has none
    // A SIM (0) or USIM (1) has it when its service table says so; a card of unknown type (7), or a table
    // that cannot be read (reported), has none.
    const unsigned kAoc = ULOG_CTL_SIM_SERVICE_AOC, kUnreadable = kAoc | ULOG_CTL_SIM_TABLE_UNREADABLE;
    const std::tuple<int, unsigned, BOOL, int> cards[] = {
        {0, kAoc, TRUE, 0},  {1, kAoc, TRUE, 0},         {1, 0, FALSE, 0},
        {7, kAoc, FALSE, 0}, {0, kUnreadable, FALSE, 1}, {1, kUnreadable, FALSE, 1},
    };
    for (const auto& [card, services, acm, asserts] : cards)
    {
        ASSERT_TRUE(UlogCtlSetSim(card, "450", "05", services));
        UlogCtlClearDiagnostics();
        EXPECT_EQ(UlogIsAcmValid(), acm) << card << " " << services;
        EXPECT_EQ(UlogCtlGetAssertCount(), asserts) << card << " " << services;
    }
}
} // namespace
