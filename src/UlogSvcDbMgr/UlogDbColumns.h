/*
 * The columns of the two log tables, the one description of a column: in
 * table position order (the order of the create statement and of "select *"),
 * each column's name, SQL type word and text size, the field identifier that
 * names it, how its value is kept, and the record field it stores. The
 * create statement's arguments, insert and update, both forms of row reading
 * and the content rows all walk this table.
 *
 * Note the flag columns: position 20 is "isvideoshare" (field 21), which
 * stores the CNAP flag, and position 21 is "iscnap" (field 20), which stores
 * the video-share flag.
 */
#ifndef ULOG_DB_COLUMNS_H
#define ULOG_DB_COLUMNS_H

#include <string>

#include "KivCore/KivCore.h"
#include "UlogSvc.h"

class CUlog;
class CUlogSvcDataSet;

namespace UlogDbColumns
{
/* How a column's value is kept in a row. */
enum ColumnKind
{
    COLUMN_NUMBER, /* signed 32-bit number, written with %d */
    COLUMN_TIME,   /* unsigned 32-bit seconds, written with %lu */
    COLUMN_FLAG,   /* 0 or 1, written with %d */
    COLUMN_TEXT,   /* narrow text, quoted inside the statement text */
    COLUMN_WTEXT   /* 16-bit text, always bound to a "?" */
};

/* How a column is read from the record and written back into it. A number column uses the number pair,
 * a narrow text column the text pair, a 16-bit text column the wide pair; the others are null. A column
 * without a getter is written empty; one without a setter is never read. The number getter also sees
 * the log, for the values that depend on its kind. */
struct ColumnAccess
{
    long long (*pfnGetNumber)(const CUlogSvcDataSet& dataSet, const CUlog& log);
    void (*pfnSetNumber)(CUlogSvcDataSet& dataSet, long long nValue);
    const char* (*pfnGetText)(const CUlogSvcDataSet& dataSet);
    void (*pfnSetText)(CUlogSvcDataSet& dataSet, const char* pszValue);
    const WCHAR* (*pfnGetWText)(const CUlogSvcDataSet& dataSet);
    void (*pfnSetWText)(CUlogSvcDataSet& dataSet, const WCHAR* pmszValue);
};

struct Column
{
    const char* pszName;
    const char* pszType;
    int nSize;    /* text size including the terminator; 0 for number columns */
    int nFieldId; /* the identifier (ULOG_DB_...) by which the service names the column */
    ColumnKind iKind;
    const char* pszQuoteRequire; /* narrow text: the report when its quoting buffer cannot be allocated */
    ColumnAccess access;

    constexpr bool IsText() const { return iKind == COLUMN_TEXT || iKind == COLUMN_WTEXT; }
    /* Columns without a record field are written empty by insert and left alone otherwise. */
    constexpr bool HasField() const
    {
        return access.pfnSetNumber != nullptr || access.pfnSetText != nullptr ||
               access.pfnSetWText != nullptr;
    }
};

/* Number of columns of either table. */
constexpr int COLUMN_CNT = ULOG_DB_FIELD_CNT_MAX;

/* Columns in table position order. */
extern const Column s_aColumns[COLUMN_CNT];

/* Table position of a field identifier 0..COLUMN_CNT - 1. */
int PositionOfField(int nFieldId);
/* The column of a field identifier 0..COLUMN_CNT - 1. */
inline const Column& ColumnOfField(int nFieldId)
{
    return s_aColumns[PositionOfField(nFieldId)];
}

/* One index: its name, one to three key columns with their directions, and the failure message. */
struct IndexDef
{
    const char* pszName;
    int nKeyCnt;
    const char* apszKey[3][2];
    const char* pszFailMsg;
};

/* Formats a create statement (format of the table class) with the table name and, for every column in
 * position order, its name, its type word and, for text columns, its size. */
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

/* A zeroed heap buffer holding a narrow text ready for quotes: every ' and % doubled. Freed with the
 * object. */
class CQuotedText
{
public:
    CQuotedText() = default;
    CQuotedText(const CQuotedText&) = delete;
    CQuotedText& operator=(const CQuotedText&) = delete;
    ~CQuotedText();

    /* Takes at most nColumnSize - 1 characters of the source; the buffer holds twice the column. */
    bool Prepare(const char* pszSource, int nColumnSize);
    const char* Get() const { return m_psz != NULL ? m_psz : ""; }

private:
    char* m_psz = NULL;
};

/* One row as a log writes it: the values of its data set in column order, with the narrow texts quoted,
 * and the 16-bit texts bound to the "?" marks in the same order. */
class CRowValues
{
public:
    CRowValues(const CUlogSvcDataSet& dataSet, const CUlog& log) : m_dataSet(dataSet), m_log(log) {}
    CRowValues(const CRowValues&) = delete;
    CRowValues& operator=(const CRowValues&) = delete;

    /* Quotes every narrow text; false, after the column's precondition report, when a buffer cannot be
     * allocated. The statements can be composed only once it succeeded (before, they are empty). */
    bool Prepare();
    /* "insert into <table> values ( ... )" with every column. */
    std::string FormatInsert(const char* pszTableName) const;
    /* "update <table> set <column> = <value>, ... where <key> = <unique id>" with every column that has a
     * record field, but the key. */
    std::string FormatUpdate(const char* pszTableName) const;
    /* Fills the "?" marks of a statement made from FormatInsert (bInsert) or FormatUpdate. */
    void Bind(HOBJ hStmt, bool bInsert) const;

private:
    std::string __Value(int nPos) const;

    const CUlogSvcDataSet& m_dataSet;
    const CUlog& m_log;
    bool m_bPrepared = false;
    CQuotedText m_aQuoted[COLUMN_CNT];
};
} // namespace UlogDbColumns

#endif
