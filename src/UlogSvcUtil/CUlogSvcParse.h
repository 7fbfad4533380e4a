/*
 * CUlogSvcParse: classifies a dialled string: supplementary-service commands
 * (GSM man-machine-interface form), call-barring commands that carry a barring
 * password (lock codes), and the calling-line-identity prefixes. No state; its
 * only data is a constant table.
 */
#ifndef CULOG_SVC_PARSE_H
#define CULOG_SVC_PARSE_H

#include "H/CUlogObject.h"
#include "UlogSvc.h"

class CUlogSvcParse : public CUlogObject
{
public:
    /* One barring command: what IsValidCode reports for it, its prefix, whether it carries a password. */
    struct ParseString
    {
        int nCode;
        char szPrefix[52];
        int bLockCode;
    };
    static constexpr int PARSE_STRING_COUNT = 17;
    static const ParseString m_parseStringTable[PARSE_STRING_COUNT];

    CUlogSvcParse() = default;
    ~CUlogSvcParse() override = default;

    /* TRUE when pszInput begins with one of the table's prefixes. *pCode is the position of the first
     * matching entry (0 to 14), ULOG_PARSE_CODE_PWD_CHANGE_STAR (22) for "*03**...",
     * ULOG_PARSE_CODE_PWD_CHANGE_DSTAR (23) for "**03**...", and ULOG_PARSE_CODE_NONE with FALSE when
     * nothing matches. NULL arguments give FALSE. */
    BOOL IsValidCode(char const* pszInput, UlogParseCode* pCode);
    /* TRUE when pszInput begins with a barring command that carries a barring password (not the
     * password-change forms 22 and 23). */
    BOOL IsValidLockCode(char const* pszInput);
    /* TRUE for a supplementary-service command by form: two digits "20" to "99", or three or more
     * characters ending in '#' that begin with '#', '*', "+#" or "+*". */
    BOOL IsValidSsCode(char const* pszInput);
    /* ULOG_PARSE_STATE_SS, else ULOG_PARSE_STATE_CLI for "*31#" / "#31#" prefixes, else
     * ULOG_PARSE_STATE_NORMAL. Nothing is written for NULL arguments. */
    void GetStringState(char const* pszInput, UlogParseState* pState);
};

#endif
