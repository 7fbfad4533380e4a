// Classification of dialled strings: barring commands, lock codes, SS commands, CLI prefixes.
#include "support/PlatformFixture.h"

#include "UlogSvc.h"
#include "UlogSvcUtil/CUlogSvcParse.h"
#include "control/PlatformControl.h"

#include <functional>
#include <iterator>
#include <string>
#include <utility>

namespace
{
class ParseTest : public ulogtest::PlatformTest
{
protected:
    CUlogSvcParse m_parse;
};

// An input and the code the caller is told.
using CodeCase = std::pair<const char*, int>;
} // namespace

TEST_F(ParseTest, EveryBarringCommandReportsItsTablePositionAndNothingElseMatches)
{
    const CodeCase cases[] = {
        {"*33*1234#", 0},   {"#33*1234#", 1},   {"*331*1234#", 2},  {"#331*1234#", 3},  {"*332*1234#", 4},
        {"#332*1234#", 5},  {"*35*1234#", 6},   {"#35*1234#", 7},   {"*351*1234#", 8},  {"#351*1234#", 9},
        {"#330*1234#", 10}, {"#333*1234#", 11}, {"#353*1234#", 12}, {"*03*330*1#", 13}, {"**03*33*1#", 14},
    };
    for (const auto& [input, expected] : cases)
    {
        UlogParseCode code = 99;
        EXPECT_TRUE(UlogParseIsValidCode(input, &code)) << input;
        EXPECT_EQ(code, expected) << input;
        EXPECT_TRUE(UlogParseIsValidLockCode(input)) << input << " carries a barring password";
    }
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
    for (const char* input :
         {"*34*1234#", "", "*3", "33*1234#", "*#06#", "0123456789", "* 33*", "#33", "*0*3*"})
    {
        UlogParseCode code = 99;
        EXPECT_FALSE(UlogParseIsValidCode(input, &code)) << input;
        EXPECT_EQ(code, ULOG_PARSE_CODE_NONE) << input;
        EXPECT_FALSE(UlogParseIsValidLockCode(input)) << input;
    }
}

TEST_F(ParseTest, PasswordChangeFormsHaveTheirOwnCodesAndAreNoLockCodes)
{
    const CodeCase cases[] = {
        {"*03**1234*5678*5678#", 22},
        {"**03**1234*5678*5678#", 23},
        {"*03**", 22},
        {"**03**", 23},
        {"*03*", 13},  // nothing after the prefix
        {"**03*", 14}, // likewise
    };
    for (const auto& [input, expected] : cases)
    {
        UlogParseCode code = 99;
        EXPECT_TRUE(m_parse.IsValidCode(input, &code)) << input;
        EXPECT_EQ(code, expected) << input;
    }
    EXPECT_FALSE(m_parse.IsValidLockCode("*03**1234*5678*5678#"));
    EXPECT_FALSE(m_parse.IsValidLockCode("**03**1234*5678*5678#"));
    EXPECT_TRUE(m_parse.IsValidLockCode("*03*330*1234*5678*5678#"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0) << "22 and 23 are no precondition failure";
}

TEST_F(ParseTest, NullArgumentsAreRefusedReportedAndWriteNothing)
{
    UlogParseCode code = 99;
    UlogParseState state = static_cast<UlogParseState>(-7);
    const std::function<BOOL()> calls[] = {
        [&] { return UlogParseIsValidCode(nullptr, &code); },
        [] { return UlogParseIsValidCode("*33*1#", nullptr); },
        [] { return UlogParseIsValidLockCode(nullptr); },
        [this] { return m_parse.IsValidSsCode(nullptr); },
        [this] { return m_parse.GetStringState("*31#123", nullptr), FALSE; },
        [&] { return m_parse.GetStringState(nullptr, &state), FALSE; },
    };
    for (size_t i = 0; i < std::size(calls); ++i)
    {
        UlogCtlClearDiagnostics();
        EXPECT_FALSE(calls[i]()) << "call " << i;
        EXPECT_EQ(UlogCtlGetAssertCount(), 1) << "call " << i;
    }
    EXPECT_EQ(code, 99);
    EXPECT_EQ(static_cast<int>(state), -7);
}

// A string is an SS command by its form alone (a lock code too); one that is not is a CLI command by its
// prefix, or else a normal number.
TEST_F(ParseTest, SupplementaryServiceCommandsAndStringStatesByForm)
{
    constexpr UlogParseState kSs = ULOG_PARSE_STATE_SS, kCli = ULOG_PARSE_STATE_CLI,
                             kNo = ULOG_PARSE_STATE_NORMAL;
    const std::pair<const char*, UlogParseState> cases[] = {
        {"25", kSs},        {"99", kSs},        {"20", kSs},        {"12", kNo},        {"1#", kNo},
        {"2a", kNo},        {"#", kNo},         {"", kNo},          {"5", kNo},         {"*#06#", kSs},
        {"#31#", kSs},      {"*21*123#", kSs},  {"+*21*123#", kSs}, {"+#21#", kSs},     {"+21#", kNo},
        {"*21*123", kNo},   {"021#", kNo},      {"##002#", kSs},    {"**21*123#", kSs}, {"123", kNo},
        {"*31#0123", kCli}, {"#31#0123", kCli}, {"*31#0123#", kSs}, {"*33*1234#", kSs}, {"*31", kNo},
        {"01234567", kNo},  {"42", kSs},
    };
    for (const auto& [input, state] : cases)
    {
        EXPECT_EQ(m_parse.IsValidSsCode(input), state == kSs ? TRUE : FALSE) << '"' << input << '"';
        UlogParseState got = static_cast<UlogParseState>(-7);
        m_parse.GetStringState(input, &got);
        EXPECT_EQ(got, state) << '"' << input << '"';
    }
}
