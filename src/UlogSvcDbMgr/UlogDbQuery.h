/*
 * What the table objects and the query managers share to run their
 * statements: the size of a statement buffer, the release of the engine's
 * current result, the binding of 16-bit text to "?" marks, a filter's
 * condition with its bound arguments, and reading rows either way.
 */
#ifndef ULOG_DB_QUERY_H
#define ULOG_DB_QUERY_H

#include <string>
#include <vector>

#include "KivCore/KivCore.h"

class IUlogSvcFilter;

namespace UlogDbQuery
{
/* Every statement text is composed with bounded formatting into a buffer of this size. */
constexpr int QUERY_SIZE = 5120;

/* Releases the current Db2QueryEx result when the scope ends. */
class CResultGuard
{
public:
    CResultGuard() = default;
    CResultGuard(const CResultGuard&) = delete;
    CResultGuard& operator=(const CResultGuard&) = delete;
    ~CResultGuard() { Db2ClearRow(); }
};

/* Copies 16-bit text into parameter nIndex of a statement (at most nMaxChars units, within the slot;
 * converted when the slot holds narrow text) and marks it present. Nothing for a missing slot. */
void BindWideParam(Db2BindField* pFields, int nFieldCnt, int nIndex, const WCHAR* pmszValue, int nMaxChars);

/* Ends a statement run with Db2StmtExecute: destroys it, then commits (nResult >= 0) or rolls back.
 * Returns nResult. */
int FinishStatement(HOBJ hStmt, int nResult);

/* Runs a statement with 16-bit arguments bound to its "?" marks in order, for conditions that carry
 * them. Returns what Db2StmtExecute gives (rows of a query, rows changed by a write, negative on
 * failure). For a query, the first column of its first row goes to *pnValue, and *pbValue tells
 * whether there was a value (a row whose first column is not SQL NULL). The statement is destroyed
 * and the work committed (rolled back on failure) before it returns. */
int RunBound(const char* pszQuery, const std::vector<unsigned short*>& args, long long* pnValue = nullptr,
             bool* pbValue = nullptr);

/* A filter's condition text with the 16-bit texts bound to its "?" marks. A filter without a condition
 * has no arguments either: its texts could only belong to marks of the condition. */
class CBoundFilter
{
public:
    explicit CBoundFilter(const IUlogSvcFilter& filter);

    bool IsEmpty() const { return m_strText.empty(); }
    bool IsBound() const { return !m_args.empty(); }
    const char* GetText() const { return m_strText.c_str(); }
    const std::vector<unsigned short*>& GetArgs() const { return m_args; }
    std::vector<const WCHAR*> GetWideArgs() const
    {
        return std::vector<const WCHAR*>(m_args.begin(), m_args.end());
    }

    /* Runs a statement composed with the condition: through a statement with the arguments bound when
     * there are any, else as ready text with its result released. Rows of a query or rows changed by a
     * write; negative on failure. */
    int Run(const char* pszQuery) const;

private:
    std::string m_strText;
    std::vector<unsigned short*> m_args;
};

/* Reads the rows of a query column by column as text, either from the engine's current result
 * (no arguments) or from a statement with the arguments bound. The result or the statement is
 * released by Close() or by the destructor. */
class CRowReader
{
public:
    CRowReader() = default;
    CRowReader(const CRowReader&) = delete;
    CRowReader& operator=(const CRowReader&) = delete;
    ~CRowReader() { Close(); }

    /* Runs the query; the number of rows, negative on failure. */
    int Open(const char* pszQuery, const std::vector<unsigned short*>& args);
    /* Steps to the next row; negative when there is none or stepping fails. */
    int Next();
    /* Text of a column of the current row; NULL for SQL NULL or a missing column. */
    const char* Column(int nColumn);
    void Close();

private:
    HOBJ m_hStmt = INVALID_HOBJ;
    bool m_bResult = false;
    std::string m_strText;
};
} // namespace UlogDbQuery

#endif
