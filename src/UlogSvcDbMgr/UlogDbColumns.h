/*
 * Column layout shared by both log tables: the columns in table position
 * order with their SQL type words and text sizes, and the column names in
 * field-identifier order. Internal to the table objects.
 */
#ifndef ULOG_DB_COLUMNS_H
#define ULOG_DB_COLUMNS_H

#include <string>
#include <vector>

#include "KivCore/KivCore.h"

namespace UlogDbColumns
{
struct Column
{
    const char* pszName;
    const char* pszType;
    int nSize; /* text size including the terminator; 0 for number columns */
};

/* Number of columns of either table. */
constexpr int COLUMN_CNT = 46;

/* Columns in table position order (the order of the create statement and of "select *"). */
extern const Column s_aColumns[COLUMN_CNT];

/* Column names by field identifier (positions 20 and 21 swapped against the table order). */
extern const char* const s_apszFieldNames[COLUMN_CNT];

/* Table positions of the columns that the rows keep as narrow text. */
inline bool IsNarrowTextPosition(int nPos)
{
    return (nPos >= 24 && nPos <= 28) || nPos == 32 || nPos == 40 || nPos == 42 || nPos == 43;
}
/* Table positions of the columns that the rows keep as 16-bit text. */
inline bool IsWideTextPosition(int nPos)
{
    return nPos == 29 || (nPos >= 33 && nPos <= 37);
}

/* One index: its name, one to three key columns with their directions, and the failure message. */
struct IndexDef
{
    const char* pszName;
    int nKeyCnt;
    const char* apszKey[3][2];
    const char* pszFailMsg;
};

/* Formats a create statement (format of the table class) with the table name and every column. */
int FormatCreateTable(char* pszQuery, int nQuerySize, const char* pszFormat, const char* pszTableName);

/* Creates the indexes in order with Db2QueryEx; at the first failure prints its message and returns 0. */
int CreateIndexes(const char* pszTableName, const IndexDef* pIndexes, int nIndexCnt,
                  const char* pszSummaryPrefix);
/* Creates those of the indexes that the table lacks (a start cut short after the table was created),
 * each with its usual statement, going on after a failure. The number created, -1 when the indexes
 * could not be read or one could not be created (reported at level 186 with pszFunc). */
int CreateMissingIndexes(const char* pszTableName, const IndexDef* pIndexes, int nIndexCnt,
                         const char* pszFunc);
/* Formats "create temp table <name> (...)" with every column of the log tables: an empty stand-in for
 * a table that a read-only database lacks, living in memory for the connection. */
int FormatStandInTable(char* pszQuery, int nQuerySize, const char* pszTableName);

/* Copies 16-bit text into parameter nIndex of a statement (at most nMaxChars units, within the slot;
 * converted when the slot holds narrow text) and marks it present. Nothing for a missing slot. */
void BindWideParam(Db2BindField* pFields, int nFieldCnt, int nIndex, const WCHAR* pmszValue, int nMaxChars);

/* Runs a statement with 16-bit arguments bound to its "?" marks in order, for conditions that carry
 * them. Returns what Db2StmtExecute gives (rows of a query, rows changed by a write, negative on
 * failure). For a query, the first column of its first row goes to *pnValue, and *pbValue tells
 * whether there was a value (a row whose first column is not SQL NULL). The statement is destroyed
 * and the work committed (rolled back on failure) before it returns. */
int RunBound(const char* pszQuery, const std::vector<unsigned short*>& args, long long* pnValue = nullptr,
             bool* pbValue = nullptr);

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
} // namespace UlogDbColumns

#endif
