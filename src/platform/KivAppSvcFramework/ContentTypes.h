/*
 * Value types of the content framework: one row (CContent), the filter of a
 * query (CContentFilter) and a content address (CContentURI).
 *
 * A row is a sequence of typed values. Rows are filled column by column,
 * either from text as the SQL engine gives it (AddFieldData) or directly from
 * typed values (AddInt, AddString, AddNString, AddNull), and read back with
 * typed getters that fail on a missing column or a value of another kind.
 */
#ifndef KIV_CONTENT_TYPES_H
#define KIV_CONTENT_TYPES_H

#include "KivCore/KivTypes.h"

#include <cstdint>
#include <string>
#include <vector>

/* Declared column kinds of a content row. */
enum ContentColumnType : int
{
    CONTENT_COLUMN_TYPE_NONE = 0,
    CONTENT_COLUMN_TYPE_BOOL = 1,    /* flag, text "0"/"1" */
    CONTENT_COLUMN_TYPE_INT = 5,     /* integer, decimal text */
    CONTENT_COLUMN_TYPE_TIME = 7,    /* unsigned 32-bit seconds, decimal text */
    CONTENT_COLUMN_TYPE_STRING = 11, /* narrow NUL-terminated text */
    CONTENT_COLUMN_TYPE_NSTRING = 12 /* 16-bit NUL-terminated text */
};

/* One row of typed column values. */
class CContent
{
public:
    CContent() = default;
    CContent(const CContent&) = default;
    CContent(CContent&&) noexcept = default;
    CContent& operator=(const CContent&) = default;
    CContent& operator=(CContent&&) noexcept = default;
    ~CContent() = default;

    /*
     * Appends one column from its text form. For the integer kinds (flag,
     * integer, time) text is decimal; for CONTENT_COLUMN_TYPE_NSTRING text
     * points to 16-bit text (cast to char*); NULL appends a null value.
     * Integer text that is not a whole decimal number is kept as narrow text,
     * so that a later GetInt fails instead of inventing a value.
     * Returns FALSE (and appends a null value, keeping the column count) for
     * an unknown column type.
     */
    BOOL AddFieldData(ContentColumnType type, const char* text);

    /* Typed appends; each adds exactly one column. */
    void AddInt(long long value, ContentColumnType type = CONTENT_COLUMN_TYPE_INT);
    void AddString(const char* text);                /* NULL appends a null value */
    void AddString(const char* text, size_t length); /* the first length bytes (stops at a NUL) */
    void AddNString(const WCHAR* text);              /* NULL appends a null value */
    void AddNull(ContentColumnType type = CONTENT_COLUMN_TYPE_NONE);

    int GetCount() const { return static_cast<int>(m_values.size()); }
    void Clear()
    {
        m_values.clear();
        m_text.clear();
    }
    /* Room for columns values and textBytes bytes of text, so that filling a row allocates at most
     * twice. */
    void Reserve(int columns, size_t textBytes = 0);

    /* The declared type of a column; CONTENT_COLUMN_TYPE_NONE for a column that does not exist. */
    ContentColumnType GetColumnType(int column) const;
    BOOL IsNull(int column) const; /* TRUE also for a column that does not exist */

    /* Integer reads: FALSE (value untouched) unless the column holds an integer. */
    BOOL GetInt(int column, int& value) const;
    BOOL GetBool(int column, int& value) const; /* stores 1 for any non-zero value */
    BOOL GetUInt32(int column, unsigned int& value) const;
    BOOL GetInt64(int column, long long& value) const;

    /* Text reads: a pointer into the row, valid until the row changes (a column added too); NULL unless
     * the column holds text of that width. */
    const char* GetString(int column) const;
    const WCHAR* GetNString(int column) const;

private:
    enum class Kind : unsigned char
    {
        Null,
        Int,
        Text,
        WText
    };
    /* One column: an integer in place, text as an offset into the row's text buffer. */
    struct Value
    {
        unsigned char type = CONTENT_COLUMN_TYPE_NONE; /* a ContentColumnType */
        Kind kind = Kind::Null;
        unsigned int off = 0; /* Text, WText: where the text begins in m_text */
        long long i = 0;
    };
    const Value* At(int column) const;
    /* Appends text of n bytes and a terminator of terminatorBytes (16-bit text starts 2-aligned). */
    unsigned int AppendText(const void* text, size_t n, size_t terminatorBytes);

    std::vector<Value> m_values;
    /* Every text of the row, each terminated: one buffer per row, not one per column. */
    std::string m_text;
};

/* The filter of a content query: projection, where text with bound 16-bit arguments, order. */
class CContentFilter
{
public:
    CContentFilter() = default;
    /* Every part may be empty. The argument texts are copied; a null argument stays null. */
    CContentFilter(const std::vector<std::string>& columns, const std::string& where,
                   const std::vector<WCHAR*>& args, const std::string& orderBy);
    CContentFilter(const std::vector<std::string>& columns, const std::string& where,
                   const std::vector<const WCHAR*>& args, const std::string& orderBy);
    CContentFilter(const CContentFilter&) = default;
    CContentFilter(CContentFilter&&) noexcept = default;
    CContentFilter& operator=(const CContentFilter&) = default;
    CContentFilter& operator=(CContentFilter&&) noexcept = default;
    ~CContentFilter() = default;

    const std::vector<std::string>& GetColumnNames() const { return m_columns; }
    const std::string& GetWhere() const { return m_where; }
    const std::string& GetOrderBy() const { return m_orderBy; }

    int GetWhereArgCount() const { return static_cast<int>(m_args.size()); }
    /* The argument at index, NULL for a null argument or an index out of range. */
    const WCHAR* GetWhereArg(int index) const;
    /* All arguments in "?" order; the pointers stay valid while the filter is unchanged. */
    std::vector<const WCHAR*> GetWhereArgs() const;

private:
    void AddArg(const WCHAR* arg);

    std::vector<std::string> m_columns;
    std::string m_where;
    std::vector<std::vector<WCHAR>> m_args; /* empty vector: null argument */
    std::string m_orderBy;
};

/* A content address such as "ulog/log/distinct/temp". */
class CContentURI
{
public:
    CContentURI() = default;
    explicit CContentURI(const char* uri);
    explicit CContentURI(const std::string& uri);

    const std::string& GetURI() const { return m_uri; }
    /* The same address (a trailing '/' does not count). */
    BOOL IsEqual(const char* uri) const;
    BOOL IsEqual(const std::string& uri) const { return IsEqual(uri.c_str()); }
    /* This address is the given one or lies below it ("a/b/c" is a subset of "a/b", not of "a/bc"). */
    BOOL IsSubsetOf(const char* uri) const;
    BOOL IsSubsetOf(const std::string& uri) const { return IsSubsetOf(uri.c_str()); }

private:
    std::string m_uri; /* without trailing '/' */
};

#endif
