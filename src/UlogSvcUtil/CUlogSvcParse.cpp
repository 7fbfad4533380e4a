// Classification of dialled strings: barring commands, lock codes, supplementary-service commands.
#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcParse"
#include "H/UlogSvcDef.h"

#include "UlogSvcUtil/CUlogSvcParse.h"

#include <cstring>

// Call barring: 33 all outgoing, 331 outgoing international, 332 outgoing international except to the
// home country, 35 all incoming, 351 incoming when roaming, 330 all barring services, 333 outgoing
// barring services, 353 incoming barring services ('*' activates, '#' deactivates); 03 changes the
// barring password.
const CUlogSvcParse::ParseString CUlogSvcParse::m_parseStringTable[CUlogSvcParse::PARSE_STRING_COUNT] = {
    {7, "*33*", 1},   {8, "#33*", 1},    {9, "*331*", 1},  {10, "#331*", 1}, {11, "*332*", 1},
    {12, "#332*", 1}, {13, "*35*", 1},   {14, "#35*", 1},  {15, "*351*", 1}, {16, "#351*", 1},
    {17, "#330*", 1}, {18, "#333*", 1},  {19, "#353*", 1}, {20, "*03*", 1},  {21, "**03*", 1},
    {22, "*03**", 1}, {23, "**03**", 1},
};

namespace
{
bool StartsWith(const char* s, const char* prefix)
{
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

bool IsDigit(char c, char low)
{
    return c >= low && c <= '9';
}
} // namespace

BOOL CUlogSvcParse::IsValidCode(char const* pszInput, UlogParseCode* pCode)
{
    if (!ULOG_REQUIRE_T(pszInput != nullptr, "pszInput != NULL"))
        return FALSE;
    if (!ULOG_REQUIRE_T(pCode != nullptr, "pCode != NULL"))
        return FALSE;
    const size_t inputLen = std::strlen(pszInput);
    for (int i = 0; i < PARSE_STRING_COUNT; ++i)
    {
        const ParseString& entry = m_parseStringTable[i];
        if (!StartsWith(pszInput, entry.szPrefix))
            continue;
        const size_t prefixLen = std::strlen(entry.szPrefix);
        if (entry.nCode == 20 && inputLen > prefixLen && pszInput[4] == '*')
            *pCode = ULOG_PARSE_CODE_PWD_CHANGE_STAR;
        else if (entry.nCode == 21 && inputLen > prefixLen && pszInput[5] == '*')
            *pCode = ULOG_PARSE_CODE_PWD_CHANGE_DSTAR;
        else
            *pCode = i;
        return TRUE;
    }
    *pCode = ULOG_PARSE_CODE_NONE;
    return FALSE;
}

BOOL CUlogSvcParse::IsValidLockCode(char const* pszInput)
{
    if (!ULOG_REQUIRE_T(pszInput != nullptr, "pszInput != NULL"))
        return FALSE;
    UlogParseCode code = ULOG_PARSE_CODE_NONE;
    if (!IsValidCode(pszInput, &code))
        return FALSE;
    if (!ULOG_REQUIRE(code >= 0))
        return FALSE;
    if (code >= PARSE_STRING_COUNT)
        return FALSE; // the password-change forms are no table position
    return m_parseStringTable[code].bLockCode == 1 ? TRUE : FALSE;
}

BOOL CUlogSvcParse::IsValidSsCode(char const* pszInput)
{
    if (!ULOG_REQUIRE_T(pszInput != nullptr, "pszInput != NULL"))
        return FALSE;
    const size_t len = std::strlen(pszInput);
    if (len < 3)
        return (len == 2 && IsDigit(pszInput[0], '2') && IsDigit(pszInput[1], '0')) ? TRUE : FALSE;
    if (pszInput[len - 1] != '#')
        return FALSE;
    const char first = pszInput[0];
    if (first == '#' || first == '*')
        return TRUE;
    return (first == '+' && (pszInput[1] == '#' || pszInput[1] == '*')) ? TRUE : FALSE;
}

void CUlogSvcParse::GetStringState(char const* pszInput, UlogParseState* pState)
{
    if (!ULOG_REQUIRE_T(pszInput != nullptr, "pszInput != NULL"))
        return;
    if (!ULOG_REQUIRE_T(pState != nullptr, "pState != NULL"))
        return;
    if (IsValidSsCode(pszInput))
        *pState = ULOG_PARSE_STATE_SS;
    else if (StartsWith(pszInput, "*31#") || StartsWith(pszInput, "#31#"))
        *pState = ULOG_PARSE_STATE_CLI;
    else
        *pState = ULOG_PARSE_STATE_NORMAL;
}

extern "C" BOOL UlogParseIsValidCode(const char* pszInput, UlogParseCode* pCode)
{
    CUlogSvcParse parse;
    return parse.IsValidCode(pszInput, pCode);
}

extern "C" BOOL UlogParseIsValidLockCode(const char* pszInput)
{
    CUlogSvcParse parse;
    return parse.IsValidLockCode(pszInput);
}
