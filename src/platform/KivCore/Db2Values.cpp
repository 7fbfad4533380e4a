// The engine's value slots: the slot of a declared column type, results read into typed cells with one
// text arena each, and the binding of parameter slots and lifted literals to compiled statements.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kiv::core::db2
{
std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The slot of a declared column type: nvarchar(N) -> 16-bit text of N+1 units, varchar(N) -> narrow
// text of N+1 bytes, integer types -> 64-bit integer, floating types -> double.
SlotClass Classify(const char* decl)
{
    SlotClass c;
    if (decl == nullptr || decl[0] == '\0')
    {
        c.type = DB2_FIELD_TEXT;
        c.size = kExpressionTextSize;
        c.expression = true;
        return c;
    }
    const std::string d = Lower(decl);
    if (d.find("char") != std::string::npos || d.find("text") != std::string::npos ||
        d.find("clob") != std::string::npos)
    {
        c.type = d[0] == 'n' ? DB2_FIELD_WTEXT : DB2_FIELD_TEXT;
        c.size = kDefaultTextSize;
        const size_t open = d.find('(');
        if (open != std::string::npos)
        {
            const long n = std::strtol(d.c_str() + open + 1, nullptr, 10);
            if (n > 0 && n < 1000000)
                c.size = static_cast<unsigned>(n) + 1;
        }
        return c;
    }
    if (d.find("int") != std::string::npos)
    {
        c.type = DB2_FIELD_INT;
        c.size = 1;
        return c;
    }
    if (d.find("real") != std::string::npos || d.find("floa") != std::string::npos ||
        d.find("doub") != std::string::npos || d.find("num") != std::string::npos ||
        d.find("dec") != std::string::npos)
    {
        c.type = DB2_FIELD_REAL;
        c.size = 1;
        return c;
    }
    c.type = DB2_FIELD_TEXT;
    return c;
}

bool IsWideDecl(const char* decl)
{
    return decl != nullptr && (decl[0] == 'n' || decl[0] == 'N') && Classify(decl).type == DB2_FIELD_WTEXT;
}

namespace
{
const size_t kFirstRows = 64; // rows of cells reserved at a result's first row
} // namespace

void ReadRow(sqlite3_stmt* st, ResultSet& rs)
{
    const size_t n = rs.wide.size();
    const size_t first = rs.cells.size();
    if (first == 0)
        rs.cells.reserve(n * kFirstRows);
    rs.cells.resize(first + n);
    Cell* cells = rs.cells.data() + first;
    for (size_t c = 0; c < n; ++c)
    {
        // One call per cell that takes the connection's mutex; the value's readers do not (the engine
        // mutex already keeps other threads off the connection).
        sqlite3_value* v = sqlite3_column_value(st, static_cast<int>(c));
        Cell& cell = cells[c];
        const int type = sqlite3_value_type(v);
        if (type == SQLITE_NULL)
            continue;
        if (rs.wide[c] != 0)
        {
            // A 16-bit column gives its value as 16-bit text, whatever its storage class.
            const char* p = static_cast<const char*>(sqlite3_value_text16(v));
            const int bytes = sqlite3_value_bytes16(v);
            if (rs.text.size() & 1u)
                rs.text.push_back('\0');
            cell.kind = Cell::WText;
            cell.off = static_cast<int32_t>(rs.text.size());
            if (p != nullptr)
                rs.text.append(p, static_cast<size_t>(bytes));
            rs.text.append(2, '\0');
            continue;
        }
        if (type == SQLITE_INTEGER)
        {
            cell.kind = Cell::Int;
            cell.i = sqlite3_value_int64(v);
            continue;
        }
        if (type == SQLITE_FLOAT)
        {
            cell.kind = Cell::Real;
            cell.d = sqlite3_value_double(v);
        }
        else
            cell.kind = Cell::Text;
        const char* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        const int bytes = sqlite3_value_bytes(v);
        cell.off = static_cast<int32_t>(rs.text.size());
        if (p != nullptr)
            rs.text.append(p, static_cast<size_t>(bytes));
        rs.text.push_back('\0');
    }
    ++rs.rows;
}

char* ResultSet::TextOf(size_t row, size_t col)
{
    if (row >= rows || col >= wide.size())
        return nullptr;
    Cell& cell = cells[row * wide.size() + col];
    switch (cell.kind)
    {
    case Cell::Null:
        return nullptr;
    case Cell::Int:
        if (cell.off < 0)
        {
            numbers.emplace_back();
            std::snprintf(numbers.back().data(), numbers.back().size(), "%lld", cell.i);
            cell.off = static_cast<int32_t>(numbers.size() - 1);
        }
        return numbers[static_cast<size_t>(cell.off)].data();
    default:
        return text.data() + cell.off;
    }
}

long long SaturatedInt(double d)
{
    if (d >= 9.2233720368547758e18)
        return LLONG_MAX;
    if (d <= -9.2233720368547758e18)
        return LLONG_MIN;
    return d == d ? static_cast<long long>(d) : 0;
}

size_t WideLen(const WCHAR* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return n;
}

// ---- Statements --------------------------------------------------------------------------------

void Allocate(Db2BindField& f, Slot& s, const SlotClass& c)
{
    f.nType = c.type;
    f.nIndicator = -1;
    f.nSize = (c.type == DB2_FIELD_INT || c.type == DB2_FIELD_REAL) ? 1 : c.size;
    const size_t bytes = c.type == DB2_FIELD_WTEXT ? f.nSize * 2u : (c.type == DB2_FIELD_TEXT ? f.nSize : 8u);
    s.storage.assign(bytes / 8 + 1, 0);
    s.expression = c.expression;
    f.pData = s.storage.data();
}

void FillSlot(Db2BindField& f, Slot& s, const ResultSet& rs, size_t row, size_t col)
{
    const Cell* cell = rs.At(row, col);
    if (cell == nullptr || cell->kind == Cell::Null)
    {
        f.nIndicator = -1;
        std::memset(f.pData, 0, 8);
        return;
    }
    f.nIndicator = 0;
    // The text of a text or real cell; an integer's decimal text is made here only for a text slot.
    const char* cellText = cell->kind == Cell::Int ? nullptr : rs.text.data() + cell->off;
    switch (f.nType)
    {
    case DB2_FIELD_INT:
    {
        long long v = cell->i;
        if (cell->kind == Cell::Real)
            v = SaturatedInt(cell->d);
        else if (cell->kind != Cell::Int)
        {
            char* end = nullptr;
            v = std::strtoll(cellText, &end, 10);
            if (end != nullptr && (*end == '.' || *end == 'e' || *end == 'E'))
                v = SaturatedInt(std::strtod(cellText, nullptr));
        }
        *static_cast<long long*>(f.pData) = v;
        break;
    }
    case DB2_FIELD_REAL:
        *static_cast<double*>(f.pData) = cell->kind == Cell::Int    ? static_cast<double>(cell->i)
                                         : cell->kind == Cell::Real ? cell->d
                                                                    : std::strtod(cellText, nullptr);
        break;
    case DB2_FIELD_WTEXT:
    {
        // A 16-bit slot is made only for a column declared so, whose cells are 16-bit text.
        static const WCHAR kNone[1] = {0};
        const WCHAR* w = cellText != nullptr ? reinterpret_cast<const WCHAR*>(cellText) : kNone;
        size_t n = WideLen(w, SIZE_MAX);
        if (n + 1 > f.nSize)
        {
            n = f.nSize > 0 ? f.nSize - 1 : 0;
            if (n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF)
                --n; // never keep half of a surrogate pair
        }
        if (f.nSize > 0)
        {
            std::memcpy(f.pData, w, n * 2);
            static_cast<WCHAR*>(f.pData)[n] = 0;
        }
        break;
    }
    default:
    {
        char number[24];
        if (cell->kind == Cell::Int)
        {
            std::snprintf(number, sizeof(number), "%lld", cell->i);
            cellText = number;
        }
        size_t n = std::strlen(cellText);
        if (s.expression && n + 1 > f.nSize)
        {
            s.storage.assign((n + 1) / 8 + 1, 0);
            f.pData = s.storage.data();
            f.nSize = static_cast<unsigned>(n + 1);
        }
        if (n + 1 > f.nSize)
        {
            n = f.nSize > 0 ? f.nSize - 1 : 0;
            // Cut on a UTF-8 character boundary.
            while (n > 0 && (static_cast<unsigned char>(cellText[n]) & 0xC0u) == 0x80u)
                --n;
        }
        if (f.nSize > 0)
        {
            std::memcpy(f.pData, cellText, n);
            static_cast<char*>(f.pData)[n] = '\0';
        }
        break;
    }
    }
}

// SQLite's 16-bit text reader takes any surrogate for the first half of a pair and merges it with the
// unit after it, so a lone one would swallow the next character. A lone surrogate becomes U+FFFD here,
// and the unit after it is kept.
void BindWideText(sqlite3_stmt* st, int idx, const WCHAR* text, size_t units)
{
    size_t i = 0;
    while (i < units && (text[i] < 0xD800 || text[i] > 0xDFFF))
        ++i;
    if (i == units)
    {
        sqlite3_bind_text16(st, idx, text, static_cast<int>(units * 2), SQLITE_STATIC);
        return;
    }
    std::u16string safe(reinterpret_cast<const char16_t*>(text), units);
    for (; i < units; ++i)
    {
        const char16_t c = safe[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && safe[i + 1] >= 0xDC00 && safe[i + 1] <= 0xDFFF)
            ++i; // a whole pair
        else if (c >= 0xD800 && c <= 0xDFFF)
            safe[i] = 0xFFFD;
    }
    sqlite3_bind_text16(st, idx, safe.data(), static_cast<int>(units * 2), SQLITE_TRANSIENT);
}

// Binds the caller's values of a statement's parameter slots to st (parameters 1..k).
void BindParams(sqlite3_stmt* st, const Statement& s)
{
    for (size_t i = 0; i < s.params.size(); ++i)
    {
        const Db2BindField& f = s.params[i];
        const int idx = static_cast<int>(i) + 1;
        if (f.nIndicator < 0 || f.pData == nullptr)
        {
            sqlite3_bind_null(st, idx);
            continue;
        }
        switch (f.nType)
        {
        case DB2_FIELD_INT:
            sqlite3_bind_int64(st, idx, *static_cast<const long long*>(f.pData));
            break;
        case DB2_FIELD_REAL:
            sqlite3_bind_double(st, idx, *static_cast<const double*>(f.pData));
            break;
        case DB2_FIELD_TEXT:
            sqlite3_bind_text(st, idx, static_cast<const char*>(f.pData),
                              static_cast<int>(strnlen(static_cast<const char*>(f.pData), f.nSize)),
                              SQLITE_STATIC);
            break;
        default:
            BindWideText(st, idx, static_cast<const WCHAR*>(f.pData),
                         WideLen(static_cast<const WCHAR*>(f.pData), f.nSize));
            break;
        }
    }
}

// Binds the lifted values after the caller's parameters (k+1..).
void BindLiterals(sqlite3_stmt* st, const std::vector<Literal>& literals, int base, bool copy)
{
    for (size_t j = 0; j < literals.size(); ++j)
    {
        const Literal& l = literals[j];
        const int idx = base + static_cast<int>(j) + 1;
        if (l.kind == Literal::Integer)
            sqlite3_bind_int64(st, idx, l.i);
        else if (l.kind == Literal::Real)
            sqlite3_bind_double(st, idx, l.d);
        else
            sqlite3_bind_text(st, idx, l.text.data(), static_cast<int>(l.text.size()),
                              copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
    }
}
} // namespace kiv::core::db2
