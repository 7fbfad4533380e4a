// Call-cost texts: every form, zero and no-currency cases, rounding at the cent boundaries.
#include "support/PlatformFixture.h"

#include "UlogSvc.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <string>
#include <tuple>

namespace
{
class CostTest : public ulogtest::PlatformTest
{
protected:
    // The text the user sees; "<FALSE>" when the call fails.
    std::u16string Cost(unsigned long flags, unsigned long units, int ppu, int expSign, int exponent,
                        const char* currency, int currencyLen)
    {
        WCHAR buf[ULOG_CALL_COST_TEXT_LEN + 4];
        for (auto& w : buf)
            w = 0x7777;
        const BOOL ok =
            UlogMakeCallCostFormat(flags, units, ppu, expSign, exponent, currency, currencyLen, buf);
        EXPECT_EQ(buf[ULOG_CALL_COST_TEXT_LEN], 0x7777) << "wrote past the cost text";
        return ok ? std::u16string(reinterpret_cast<const char16_t*>(buf)) : u"<FALSE>";
    }

    // 12 units at 5 x 10^-1: a cost of 6.
    std::u16string Six(unsigned long flags, const char* currency = "EUR", int len = 3)
    {
        return Cost(flags, 12, 5, 1, 1, currency, len);
    }
    std::u16string Zero(unsigned long flags, const char* currency = "EUR", int len = 3)
    {
        return Cost(flags, 0, 5, 1, 1, currency, len);
    }

    std::u16string Ex(unsigned long flags)
    {
        WCHAR buf[ULOG_CALL_COST_TEXT_LEN];
        const BOOL ok = CUlogSvcUtil::MakeCallCostFormatEx(flags, buf);
        return ok ? std::u16string(reinterpret_cast<const char16_t*>(buf)) : u"<FALSE>";
    }
};

// Flags; the text of a cost of 6 in EUR, of a cost of 0 in EUR, and of a cost of 6 without a currency.
const std::tuple<unsigned long, const char16_t*, const char16_t*, const char16_t*> kForms[] = {
    {0x1, u"6", u"0", u"6"},           {0x2, u"EUR", u"EUR", u""},    {0x4, u"6 EUR", u"0 EUR", u"6"},
    {0x8, u"EUR 6", u"EUR 0", u"6"},   {0x1001, u"6", u"", u"6"},     {0x1004, u"6 EUR", u"", u"6"},
    {0x1008, u"EUR 6", u"", u"6"},     {0x2002, u"EUR", u"EUR", u""}, {0x2004, u"6 EUR", u"0 EUR", u""},
    {0x2008, u"EUR 6", u"EUR 0", u""},
};
} // namespace

TEST_F(CostTest, EveryFormWithACostZeroAndNoCurrency)
{
    for (const auto& [flags, withCost, zeroCost, noCurrency] : kForms)
    {
        EXPECT_EQ(Six(flags), withCost) << std::hex << flags;
        EXPECT_EQ(Zero(flags), zeroCost) << std::hex << flags;
        EXPECT_EQ(Six(flags, "", 0), noCurrency) << std::hex << flags;
    }
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

TEST_F(CostTest, WorkedExamples)
{
    EXPECT_EQ(Cost(0x4, 12, 5, 1, 1, "EUR", 3), u"6 EUR") << "12 x 5 x 10^-1 = 6.00";
    EXPECT_EQ(Cost(0x1, 3, 125, 1, 2, "EUR", 3), u"3.75");
    EXPECT_EQ(Cost(0x1, 11, 5, 1, 1, "EUR", 3), u"5.5") << "one trailing zero dropped";
    EXPECT_EQ(Cost(0x1, 7, 1, 0, 2, "EUR", 3), u"700") << "a positive exponent multiplies";
    EXPECT_EQ(Cost(0x1, 7, 1, 5, 2, "EUR", 3), u"700") << "only a sign of 1 makes it negative";
    EXPECT_EQ(Cost(0x4, 16777215, 4095, 0, 7, "EUR", 3), u"687026954250000000 EUR")
        << "the largest cost a SIM can describe";
    EXPECT_EQ(Cost(0x8, 12, -5, 1, 1, "EUR", 3), u"EUR -6");
    EXPECT_EQ(Cost(0x1, 0, 5, 0, 40, "EUR", 3), u"0") << "nothing costs nothing at any scale";
    EXPECT_EQ(Cost(0x1, 1, 5, 1, 60, "EUR", 3), u"0");
    // The currency is GSM text of the given length.
    EXPECT_EQ(Six(0x4, "EUR", 2), u"6 EU");
    EXPECT_EQ(Six(0x8, "\x01", 1), u"\u00A3 6") << "GSM 0x01 is the pound sign";
    EXPECT_EQ(Six(0x2, "\x02", 1), u"$") << "GSM 0x02 is the dollar sign";
    EXPECT_EQ(Six(0x2, "$", 1), u"\u00A4") << "the ASCII dollar byte is the GSM currency sign";
}

TEST_F(CostTest, RoundingAtTheCentBoundaries)
{
    // price per unit x 10^-3 for one unit: what the cost is, what the user sees.
    const struct
    {
        int ppu;
        const char16_t* seen;
    } cases[] = {
        {1005, u"1.01"},               // 1.005: a half cent rounds up
        {1004, u"1"},                  // 1.004
        {1006, u"1.01"},               // 1.006
        {1995, u"2"},                  // 1.995 rounds up to the next whole amount
        {1994, u"1.99"},               // 1.994
        {2995, u"3"},                  // 2.995
        {995, u"1"},                   // 0.995
        {994, u"0.99"},                // 0.994
        {2675, u"2.68"},               // 2.675 (2.67499... in binary floating point)
        {5, u"0.01"},                  // 0.005
        {4, u"0"},                     // 0.004
        {1050, u"1.05"},               // 1.05
        {1500, u"1.5"},                // 1.50
        {-1005, u"-1.01"}, {-4, u"0"}, // no minus sign on a cost that rounds to nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cost(0x1, 1, c.ppu, 1, 3, "EUR", 3), c.seen) << c.ppu << " x 10^-3";

    EXPECT_EQ(Cost(0x1001, 1, 4, 1, 3, "EUR", 3), u"") << "0.004 shows as zero, so it is suppressed";
    EXPECT_EQ(Cost(0x1001, 1, 5, 1, 3, "EUR", 3), u"0.01");
}

TEST_F(CostTest, InvalidCallsAreRefused)
{
    // Unknown flags, a missing currency or buffer, a currency length outside 0 to 3: each refused with one
    // report, the buffer untouched.
    WCHAR buf[ULOG_CALL_COST_TEXT_LEN] = {'o', 'l', 'd', 0};
    const std::tuple<unsigned long, const char*, int, WCHAR*> calls[] = {
        {0x3, "EUR", 3, buf},  {0x1, nullptr, 3, buf},   {0x1, "EURO", 4, buf},
        {0x1, "EUR", -1, buf}, {0x1, "EUR", 3, nullptr},
    };
    for (const auto& [flags, currency, len, out] : calls)
    {
        UlogCtlClearDiagnostics();
        EXPECT_FALSE(UlogMakeCallCostFormat(flags, 12, 5, 1, 1, currency, len, out)) << flags << " " << len;
        EXPECT_EQ(UlogCtlGetAssertCount(), 1) << flags << " " << len;
    }
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf)), u"old");

    EXPECT_EQ(Cost(0x4, 1, 1, 0, 40, "EUR", 3), u"<FALSE>") << "10^40 does not fit the text";
}

TEST_F(CostTest, StoredAdviceOfChargeGivesTheCostOfTheMeterMaximum)
{
    const UlogAocInfo none{};
    ASSERT_TRUE(SetAocInfo(&none));
    EXPECT_EQ(Ex(0x1), u"0");
    EXPECT_EQ(Ex(0x2), u"") << "no currency stored";

    // Meter 3 of 12 at 5 x 10^-1 per unit.
    const UlogAocInfo euro = {{3}, {12}, 3, "EUR", 5, 1, 1, 0.5f};
    ASSERT_TRUE(SetAocInfo(&euro));
    EXPECT_EQ(Ex(0x4), u"6 EUR");
    EXPECT_EQ(Ex(0x2008), u"EUR 6");
    const UlogAocInfo unterminated = {{3}, {12}, 3, {'C', 'H', 'F', 'X'}, 5, 1, 1, 0.5f};
    ASSERT_TRUE(SetAocInfo(&unterminated));
    EXPECT_EQ(Ex(0x2), u"CHF");

    EXPECT_EQ(Ex(0x3), u"<FALSE>");
    EXPECT_FALSE(CUlogSvcUtil::MakeCallCostFormatEx(0x1, nullptr));
    SetAocInfo(&none);
}
