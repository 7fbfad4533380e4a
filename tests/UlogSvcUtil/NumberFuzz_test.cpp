// Randomised properties of the number comparison, over numbers of every length up to past the limit.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <random>
#include <string>

namespace
{
class NumberFuzzTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        // Thousands of calls: keep no diagnostics in memory.
        UlogCtlCaptureDiagnostics(FALSE);
    }

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
        switch (Pick(0, 3))
        {
        case 0:
            s += Digits(Pick(0, 12));
            break;
        case 1:
            s += Digits(Pick(0, 3)) + "12345678";
            break;
        case 2:
            s += Digits(Pick(60, 120));
            break;
        default:
            for (int i = Pick(0, 30); i > 0; --i)
                s += "0123456789*#+P"[Pick(0, allowDtmf ? 13 : 12)];
            break;
        }
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

    // Basic number into an 80-place destination followed by guard bytes.
    std::string Basic(const std::string& number, int ipDigits)
    {
        unsigned char buf[80 + 32];
        std::memset(buf, 0xA5, sizeof(buf));
        EXPECT_TRUE(CUlogSvcUtil::ExtractBasicNum(number.c_str(), reinterpret_cast<char*>(buf), ipDigits));
        for (size_t i = 80; i < sizeof(buf); ++i)
        {
            if (buf[i] != 0xA5)
            {
                ADD_FAILURE() << "wrote byte " << i << " for \"" << number << "\" ip " << ipDigits;
                break;
            }
        }
        const void* end = std::memchr(buf, '\0', 80);
        EXPECT_NE(end, nullptr) << number;
        return end != nullptr ? std::string(reinterpret_cast<char*>(buf)) : std::string();
    }
};

TEST_F(NumberFuzzTest, ComparisonIsSymmetricAndReflexive)
{
    for (int i = 0; i < 4000; ++i)
    {
        ChooseSetting();
        const std::string a = Number(true);
        const std::string b =
            Pick(0, 2) == 0 ? a.substr(0, Pick(0, (int)a.size())) + Digits(Pick(0, 2)) : Number(true);
        const BOOL ab = CUlogSvcUtil::StrCmp(a.c_str(), b.c_str());
        const BOOL ba = CUlogSvcUtil::StrCmp(b.c_str(), a.c_str());
        ASSERT_EQ(ab, ba) << "\"" << a << "\" / \"" << b << "\"";
        // Every number is the same party as itself, with or without DTMF text.
        ASSERT_EQ(CUlogSvcUtil::StrCmp(a.c_str(), a.c_str()), TRUE) << a;
        if (HasFailure())
            return;
    }
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(NumberFuzzTest, BasicNumberIsBoundedAndATailOfTheNumber)
{
    for (int i = 0; i < 4000; ++i)
    {
        ChooseSetting();
        const std::string a = Number(true);
        const int ip = Pick(-2, 6) <= 0 ? 0 : Pick(-3, 90);
        const std::string basic = Basic(a, ip);
        ASSERT_LE(basic.size(), 79u) << a;
        // Numbers are cut to 80 characters; the basic number is the end of what is left, except that a
        // whole 80-character number does not fit the destination and keeps its first 79.
        const std::string cut = a.substr(0, 80);
        const bool isTail =
            cut.size() >= basic.size() && cut.compare(cut.size() - basic.size(), basic.size(), basic) == 0;
        const bool isCutWhole = basic.size() == 79 && cut.compare(0, 79, basic) == 0;
        ASSERT_TRUE(isTail || isCutWhole) << "\"" << a << "\" ip " << ip << " -> \"" << basic << "\"";
        if (HasFailure())
            return;
    }
}

TEST_F(NumberFuzzTest, ComparisonAgreesWithBasicNumbers)
{
    // Without DTMF text and within the limit, two numbers are the same party exactly when their basic
    // numbers are equal: the tables are searched by basic number, the lists grouped by StrCmp.
    for (int i = 0; i < 4000; ++i)
    {
        ChooseSetting();
        const std::string a = Number(false).substr(0, 79);
        const std::string b =
            (Pick(0, 1) == 0 ? Digits(Pick(0, 4)) + a.substr(Pick(0, (int)a.size())) : Number(false))
                .substr(0, 79);
        const bool same = CUlogSvcUtil::StrCmp(a.c_str(), b.c_str()) == TRUE;
        ASSERT_EQ(same, Basic(a, 0) == Basic(b, 0)) << "\"" << a << "\" / \"" << b << "\"";
        if (HasFailure())
            return;
    }
}
} // namespace
