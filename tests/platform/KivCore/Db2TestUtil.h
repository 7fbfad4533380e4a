// The SQL engine's results as text: the rows of a query, a statement's slots and their kinds.
#ifndef ULOG_TEST_DB2_TEST_UTIL_H
#define ULOG_TEST_DB2_TEST_UTIL_H

#include "KivCore/KivCore.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace db2test
{
// 16-bit text: ASCII as it is, every other unit as \uXXXX (so a lone surrogate shows as itself).
inline std::string Wide(const void* p)
{
    std::string out;
    for (const char16_t* q = static_cast<const char16_t*>(p); q != nullptr && *q != 0; ++q)
    {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(*q));
        out += *q < 0x80 ? std::string(1, static_cast<char>(*q)) : std::string(buf);
    }
    return out;
}

// The current row of the thread's result, its columns joined by '|'. One letter of columns per column
// read: 'n' narrow text, 'w' 16-bit text; SQL NULL reads "<null>".
inline std::string Row(const char* columns)
{
    std::string out;
    for (int c = 0; columns[c] != 0; ++c)
    {
        const char* p = Db2GetColumn(c);
        out += (c > 0 ? "|" : "") + (p == nullptr ? "<null>" : columns[c] == 'w' ? Wide(p) : std::string(p));
    }
    return out;
}

// Runs a query: what it returned, then its rows as Row gives them ("2: a|b; c|d"). The current result is
// released.
template <class... A> std::string Select(const char* columns, const char* sql, A... args)
{
    std::string out = std::to_string(Db2QueryEx(sql, args...)) + ":";
    for (int r = 0; Db2GetNextRow() == 0; ++r)
        out += (r == 0 ? " " : "; ") + Row(columns);
    Db2ClearRow();
    return out;
}

// A slot's value: numbers in full, text as it is, 16-bit text as Wide gives it, "<null>" for SQL NULL.
inline std::string Value(const Db2BindField& f)
{
    char buf[32];
    if (f.nIndicator == -1)
        return "<null>";
    if (f.nType == DB2_FIELD_INT)
        return std::to_string(*static_cast<long long*>(f.pData));
    if (f.nType != DB2_FIELD_REAL)
        return f.nType == DB2_FIELD_WTEXT ? Wide(f.pData) : std::string(static_cast<char*>(f.pData));
    std::snprintf(buf, sizeof buf, "%.17g", *static_cast<double*>(f.pData));
    return buf;
}

// Steps a statement: its result slots joined by '|', or "<end>" when no row is left.
inline std::string Next(int hStmt)
{
    if (Db2StmtGetNextRow(hStmt) != 0)
        return "<end>";
    const Db2BindField* r = Db2StmtGetBindResFields(hStmt);
    std::string out;
    for (int i = 0; i < Db2StmtGetBindResCount(hStmt); ++i)
        out += (i > 0 ? "|" : "") + Value(r[i]);
    return out;
}

// The kinds of slots, text ones with their size: "INT TEXT21 WTEXT10 REAL".
inline std::string Kinds(const Db2BindField* f, int n)
{
    static const char* const names[] = {"INT", "TEXT", "WTEXT", "REAL"};
    std::string out;
    for (int i = 0; f != nullptr && i < n; ++i)
    {
        const bool bText = f[i].nType == DB2_FIELD_TEXT || f[i].nType == DB2_FIELD_WTEXT;
        out += (i > 0 ? " " : "") + std::string(f[i].nType >= 0 && f[i].nType < 4 ? names[f[i].nType] : "?") +
               (bText ? std::to_string(f[i].nSize) : "");
    }
    return out;
}
inline std::string ParamKinds(int h)
{
    return Kinds(Db2StmtGetBindParamFields(h), Db2StmtGetBindParamCount(h));
}

// Puts 16-bit text (with its terminator) into a parameter slot.
inline void SetWide(Db2BindField& f, const std::u16string& text)
{
    std::memcpy(f.pData, text.c_str(), (text.size() + 1) * 2);
    f.nIndicator = 0;
}

// Creates a statement, binds 16-bit text to its first "?", runs it and destroys it: what the run returned,
// -100 when the statement cannot be made or has no "?".
template <class... A> int RunWide(const std::u16string& text, const char* sql, A... args)
{
    const int h = Db2StmtCreate(sql, args...);
    Db2BindField* p = h > 0 ? Db2StmtGetBindParamFields(h) : nullptr;
    if (p != nullptr)
        SetWide(p[0], text);
    const int n = p != nullptr ? Db2StmtExecute(h) : -100;
    Db2StmtDestroy(h);
    return n;
}
} // namespace db2test

#endif
