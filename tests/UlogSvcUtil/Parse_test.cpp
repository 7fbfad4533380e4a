// Classification of dialled strings: barring commands, lock codes, SS commands, CLI prefixes.
#include "support/PlatformFixture.h"

#include "UlogSvc.h"
#include "UlogSvcUtil/CUlogSvcParse.h"
#include "control/PlatformControl.h"

#include <string>

namespace
{
class ParseTest : public ulogtest::PlatformTest
{
protected:
    CUlogSvcParse m_parse;

    UlogParseState State(const char* input)
    {
        UlogParseState state = static_cast<UlogParseState>(-7);
        m_parse.GetStringState(input, &state);
        return state;
    }
};

struct CodeCase
{
    const char* input;
    int code; // what the caller is told; -1 for no match
};
} // namespace

TEST_F(ParseTest, EveryBarringCommandReportsItsTablePositionAndNothingElseMatches)
{
    const CodeCase cases[] = {
        {"*33*1234#", 0},   {"#33*1234#", 1},   {"*331*1234#", 2},  {"#331*1234#", 3},  {"*332*1234#", 4},
        {"#332*1234#", 5},  {"*35*1234#", 6},   {"#35*1234#", 7},   {"*351*1234#", 8},  {"#351*1234#", 9},
        {"#330*1234#", 10}, {"#333*1234#", 11}, {"#353*1234#", 12}, {"*03*330*1#", 13}, {"**03*33*1#", 14},
    };
    for (const auto& c : cases)
    {
        UlogParseCode code = 99;
        EXPECT_TRUE(UlogParseIsValidCode(c.input, &code)) << c.input;
        EXPECT_EQ(code, c.code) << c.input;
        EXPECT_TRUE(UlogParseIsValidLockCode(c.input)) << c.input << " carries a barring password";
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
    for (const auto& c : cases)
    {
        UlogParseCode code = 99;
        EXPECT_TRUE(m_parse.IsValidCode(c.input, &code)) << c.input;
        EXPECT_EQ(code, c.code) << c.input;
    }
    EXPECT_FALSE(m_parse.IsValidLockCode("*03**1234*5678*5678#"));
    EXPECT_FALSE(m_parse.IsValidLockCode("**03**1234*5678*5678#"));
    EXPECT_TRUE(m_parse.IsValidLockCode("*03*330*1234*5678*5678#"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 0) << "22 and 23 are no precondition failure";
}

TEST_F(ParseTest, NullArgumentsAreRefusedAndReported)
{
    UlogParseCode code = 99;
    EXPECT_FALSE(UlogParseIsValidCode(nullptr, &code));
    EXPECT_EQ(code, 99) << "nothing written";
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszInput != NULL"));
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(UlogParseIsValidCode("*33*1#", nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pCode != NULL"));
    EXPECT_FALSE(UlogParseIsValidLockCode(nullptr));
    EXPECT_FALSE(m_parse.IsValidSsCode(nullptr));
    EXPECT_GE(UlogCtlGetAssertCount(), 3);

    UlogCtlClearDiagnostics();
    m_parse.GetStringState("*31#123", nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pState != NULL"));
    UlogParseState state = static_cast<UlogParseState>(-7);
    m_parse.GetStringState(nullptr, &state);
    EXPECT_EQ(static_cast<int>(state), -7) << "nothing written";
}

TEST_F(ParseTest, SupplementaryServiceCommandsAndStringStatesByForm)
{
    const struct
    {
        const char* input;
        bool ss;
    } cases[] = {
        {"25", true},       {"99", true},       {"20", true},        {"12", false},       {"1#", false},
        {"2a", false},      {"#", false},       {"", false},         {"5", false},        {"*#06#", true},
        {"#31#", true},     {"*21*123#", true}, {"+*21*123#", true}, {"+#21#", true},     {"+21#", false},
        {"*21*123", false}, {"021#", false},    {"##002#", true},    {"**21*123#", true}, {"123", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(m_parse.IsValidSsCode(c.input), c.ss ? TRUE : FALSE) << '"' << c.input << '"';

    // The state of a string prefers the SS form over the CLI prefix.
    EXPECT_EQ(State("*31#0123456"), ULOG_PARSE_STATE_CLI);
    EXPECT_EQ(State("#31#0123456"), ULOG_PARSE_STATE_CLI);
    EXPECT_EQ(State("*31#0123#"), ULOG_PARSE_STATE_SS);
    EXPECT_EQ(State("*33*1234#"), ULOG_PARSE_STATE_SS) << "a lock code is an SS command by form";
    EXPECT_EQ(State("0123456789"), ULOG_PARSE_STATE_NORMAL);
    EXPECT_EQ(State("*31"), ULOG_PARSE_STATE_NORMAL);
    EXPECT_EQ(State(""), ULOG_PARSE_STATE_NORMAL);
    EXPECT_EQ(State("42"), ULOG_PARSE_STATE_SS);
}
