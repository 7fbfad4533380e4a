// The SQL dialect layer: one tokenising pass, a few pattern rewrites, and parameter hints.
#include "KivCore/Db2Dialect.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdint>

namespace kiv::core::db2
{
namespace
{
enum class Kind : uint8_t
{
    Ident,       // bare word (keywords included)
    QuotedIdent, // "x", `x`, [x]
    String,      // 'x' (also n'x' and x'..')
    Number,
    Param, // ?, ?NNN, :name, @name, $name
    Punct
};

struct Tok
{
    Kind kind;
    uint32_t b;
    uint32_t e;
};

struct Edit
{
    uint32_t b;
    uint32_t e;
    std::string text;
};

inline bool IsIdentStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
inline bool IsIdentChar(unsigned char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '$';
}
inline bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
inline bool IsSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

class Scanner
{
public:
    Scanner(std::string_view sql, bool parameterise) : m_s(sql), m_parameterise(parameterise) {}

    // See ParseUpdate.
    bool ParseUpdate(UpdateShape& shape)
    {
        Tokenise();
        if (!Is(0, "update") || !IsPlainName(1) || !Is(2, "set"))
            return false;
        shape.table = std::string(Text(1));
        size_t i = 3;
        for (;;)
        {
            if (!IsPlainName(i) || !IsPunct(i + 1, "="))
                return false;
            const bool negative = IsPunct(i + 2, "-");
            const size_t v = i + 2 + (negative ? 1 : 0);
            if (v >= m_toks.size() || m_toks[v].kind != Kind::Param || Text(v).size() < 2 ||
                Text(v)[0] != '?')
                return false;
            shape.sets.emplace_back(std::string(Text(i)), (negative ? "-" : "") + std::string(Text(v)));
            if (IsPunct(v + 1, ","))
            {
                i = v + 2;
                continue;
            }
            if (!Is(v + 1, "where") || v + 2 >= m_toks.size())
                return false;
            shape.where = std::string(m_s.substr(m_toks[v + 2].b));
            return shape.sets.size() >= 2;
        }
    }

    Translation Run()
    {
        Translation t;
        Tokenise();
        if (!m_toks.empty())
        {
            RewriteTruncate();
            if (Is(0, "create") || Is(0, "drop") || Is(0, "alter"))
                t.schemaChange = true;
            MatchParens();
            RewriteDerivedColumnLists();
            CollectTables(t);
            CollectParams(t);
            if (m_parameterise)
                Parameterise(t);
        }
        Apply(t);
        return t;
    }

private:
    std::string_view m_s;
    bool m_parameterise;
    mutable bool m_unterminated = false;
    std::vector<Tok> m_toks;
    std::vector<Edit> m_edits;
    std::vector<int> m_match; // index of the matching parenthesis, -1 when none

    std::string_view Text(size_t i) const { return m_s.substr(m_toks[i].b, m_toks[i].e - m_toks[i].b); }
    bool Is(size_t i, std::string_view lowerKeyword) const
    {
        return i < m_toks.size() && m_toks[i].kind == Kind::Ident && EqualsKeyword(Text(i), lowerKeyword);
    }
    bool IsPunct(size_t i, std::string_view p) const
    {
        return i < m_toks.size() && m_toks[i].kind == Kind::Punct && Text(i) == p;
    }
    bool IsPlainName(size_t i) const { return i < m_toks.size() && m_toks[i].kind == Kind::Ident; }
    bool IsName(size_t i) const
    {
        if (i >= m_toks.size())
            return false;
        if (m_toks[i].kind == Kind::QuotedIdent)
            return true;
        if (m_toks[i].kind != Kind::Ident)
            return false;
        std::string_view w = Text(i);
        return sqlite3_keyword_check(w.data(), static_cast<int>(w.size())) == 0;
    }
    std::string NameText(size_t i) const
    {
        std::string_view w = Text(i);
        if (m_toks[i].kind == Kind::QuotedIdent && w.size() >= 2)
            return std::string(w.substr(1, w.size() - 2));
        return std::string(w);
    }

    void Tokenise()
    {
        const size_t n = m_s.size();
        m_toks.reserve(n / 4 + 8);
        size_t i = 0;
        while (i < n)
        {
            const unsigned char c = static_cast<unsigned char>(m_s[i]);
            if (IsSpace(c))
            {
                ++i;
                continue;
            }
            if (c == '-' && i + 1 < n && m_s[i + 1] == '-')
            {
                while (i < n && m_s[i] != '\n')
                    ++i;
                continue;
            }
            if (c == '/' && i + 1 < n && m_s[i + 1] == '*')
            {
                size_t end = m_s.find("*/", i + 2);
                i = end == std::string_view::npos ? n : end + 2;
                continue;
            }
            const size_t start = i;
            if (c == '\'')
            {
                i = SkipQuoted(i, '\'');
                Push(Kind::String, start, i);
                continue;
            }
            if (c == '"' || c == '`')
            {
                i = SkipQuoted(i, static_cast<char>(c));
                Push(Kind::QuotedIdent, start, i);
                continue;
            }
            if (c == '[')
            {
                size_t end = m_s.find(']', i + 1);
                i = end == std::string_view::npos ? n : end + 1;
                Push(Kind::QuotedIdent, start, i);
                continue;
            }
            if (IsIdentStart(c))
            {
                while (i < n && IsIdentChar(static_cast<unsigned char>(m_s[i])))
                    ++i;
                if (i < n && m_s[i] == '\'' && i - start == 1)
                {
                    const char p = m_s[start];
                    if (p == 'n' || p == 'N')
                        m_edits.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(i), {}});
                    if (p == 'n' || p == 'N' || p == 'x' || p == 'X')
                    {
                        i = SkipQuoted(i, '\'');
                        Push(Kind::String, start, i);
                        continue;
                    }
                }
                Push(Kind::Ident, start, i);
                continue;
            }
            if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(static_cast<unsigned char>(m_s[i + 1]))))
            {
                while (i < n &&
                       (IsIdentChar(static_cast<unsigned char>(m_s[i])) || m_s[i] == '.' ||
                        ((m_s[i] == '+' || m_s[i] == '-') && (m_s[i - 1] == 'e' || m_s[i - 1] == 'E'))))
                    ++i;
                Push(Kind::Number, start, i);
                continue;
            }
            if (c == '?')
            {
                ++i;
                while (i < n && IsDigit(static_cast<unsigned char>(m_s[i])))
                    ++i;
                Push(Kind::Param, start, i);
                continue;
            }
            if ((c == ':' || c == '@' || c == '$') && i + 1 < n &&
                IsIdentStart(static_cast<unsigned char>(m_s[i + 1])))
            {
                ++i;
                while (i < n && IsIdentChar(static_cast<unsigned char>(m_s[i])))
                    ++i;
                Push(Kind::Param, start, i);
                continue;
            }
            // Punctuation: two-character operators first.
            if (i + 1 < n)
            {
                const char d = m_s[i + 1];
                if ((c == '<' && (d == '=' || d == '>' || d == '<')) ||
                    (c == '>' && (d == '=' || d == '>')) || (c == '!' && d == '=') ||
                    (c == '=' && d == '=') || (c == '|' && d == '|'))
                {
                    i += 2;
                    Push(Kind::Punct, start, i);
                    continue;
                }
            }
            ++i;
            Push(Kind::Punct, start, i);
        }
    }

    size_t SkipQuoted(size_t i, char q) const
    {
        // i is at the opening quote; a doubled quote inside is an escaped quote.
        const size_t n = m_s.size();
        ++i;
        while (i < n)
        {
            if (m_s[i] == q)
            {
                if (i + 1 < n && m_s[i + 1] == q)
                {
                    i += 2;
                    continue;
                }
                return i + 1;
            }
            ++i;
        }
        m_unterminated = true;
        return n; // unterminated: SQLite reports it
    }

    void Push(Kind k, size_t b, size_t e)
    {
        m_toks.push_back({k, static_cast<uint32_t>(b), static_cast<uint32_t>(e)});
    }

    void RewriteTruncate()
    {
        if (!Is(0, "truncate"))
            return;
        if (Is(1, "table") && IsName(2))
            m_edits.push_back({m_toks[0].b, m_toks[1].e, "delete from"});
        else if (IsName(1))
            m_edits.push_back({m_toks[0].b, m_toks[0].e, "delete from"});
    }

    void MatchParens()
    {
        m_match.assign(m_toks.size(), -1);
        std::vector<int> stack;
        for (size_t i = 0; i < m_toks.size(); ++i)
        {
            if (m_toks[i].kind != Kind::Punct)
                continue;
            const char c = m_s[m_toks[i].b];
            if (c == '(')
                stack.push_back(static_cast<int>(i));
            else if (c == ')' && !stack.empty())
            {
                m_match[i] = stack.back();
                m_match[static_cast<size_t>(stack.back())] = static_cast<int>(i);
                stack.pop_back();
            }
        }
    }

    // "( select ... ) [as] alias ( name, ... )"
    void RewriteDerivedColumnLists()
    {
        for (size_t open = 0; open < m_toks.size(); ++open)
        {
            if (!IsPunct(open, "(") || m_match[open] < 0 || !Is(open + 1, "select"))
                continue;
            const size_t close = static_cast<size_t>(m_match[open]);
            size_t p = close + 1;
            const bool hasAs = Is(p, "as");
            if (hasAs)
                ++p;
            if (p >= m_toks.size() || (m_toks[p].kind != Kind::QuotedIdent && m_toks[p].kind != Kind::Ident))
                continue;
            if (!hasAs && !IsName(p))
                continue;
            const size_t listOpen = p + 1;
            if (!IsPunct(listOpen, "(") || m_match[listOpen] < 0)
                continue;
            const size_t listClose = static_cast<size_t>(m_match[listOpen]);
            std::vector<std::string> names;
            bool ok = true;
            for (size_t k = listOpen + 1; k < listClose; k += 2)
            {
                if (m_toks[k].kind != Kind::Ident && m_toks[k].kind != Kind::QuotedIdent)
                {
                    ok = false;
                    break;
                }
                names.push_back(std::string(Text(k)));
                if (k + 1 < listClose && !IsPunct(k + 1, ","))
                {
                    ok = false;
                    break;
                }
            }
            if (!ok || names.empty())
                continue;

            // The inner select list: items at depth 0 up to "from" (or the closing parenthesis).
            size_t q = open + 2;
            if (Is(q, "distinct") || Is(q, "all"))
                ++q;
            std::vector<std::pair<size_t, size_t>> items; // first and last token of each item
            size_t itemStart = q;
            for (size_t k = q; k <= close; ++k)
            {
                if (k < close && IsPunct(k, "(") && m_match[k] > 0)
                {
                    k = static_cast<size_t>(m_match[k]);
                    continue;
                }
                if (k == close || IsPunct(k, ",") || Is(k, "from"))
                {
                    if (k > itemStart)
                        items.push_back({itemStart, k - 1});
                    if (k == close || Is(k, "from"))
                        break;
                    itemStart = k + 1;
                }
            }
            std::vector<Edit> local;
            for (size_t n = 0; n < names.size() && n < items.size() && ok; ++n)
            {
                const auto [a, z] = items[n];
                if (IsPunct(z, "*"))
                {
                    ok = false; // "select *" has no list to name
                    break;
                }
                if (z > a && Is(z - 1, "as"))
                    local.push_back({m_toks[z].b, m_toks[z].e, names[n]});
                else if (z > a && IsName(z) && !IsPunct(z - 1, ".") &&
                         (m_toks[z - 1].kind != Kind::Punct || IsPunct(z - 1, ")")))
                    local.push_back({m_toks[z].b, m_toks[z].e, names[n]}); // implicit alias
                else
                    local.push_back({m_toks[z].e, m_toks[z].e, " AS " + names[n]});
            }
            if (!ok)
                continue;
            for (auto& e : local)
                m_edits.push_back(std::move(e));
            m_edits.push_back({m_toks[p].e, m_toks[listClose].e, {}});
        }
    }

    void CollectTables(Translation& t) const
    {
        for (size_t i = 0; i + 1 < m_toks.size(); ++i)
        {
            if ((Is(i, "from") || Is(i, "into") || Is(i, "update") || Is(i, "join") || Is(i, "table")) &&
                (m_toks[i + 1].kind == Kind::Ident || m_toks[i + 1].kind == Kind::QuotedIdent) &&
                IsName(i + 1))
            {
                std::string name = NameText(i + 1);
                if (std::find(t.tables.begin(), t.tables.end(), name) == t.tables.end())
                    t.tables.push_back(std::move(name));
            }
        }
    }

    bool IsComparison(size_t i) const
    {
        if (i >= m_toks.size())
            return false;
        if (m_toks[i].kind == Kind::Ident)
            return Is(i, "like") || Is(i, "glob") || Is(i, "is");
        if (m_toks[i].kind != Kind::Punct)
            return false;
        std::string_view p = Text(i);
        return p == "=" || p == "==" || p == "<>" || p == "!=" || p == "<" || p == ">" || p == "<=" ||
               p == ">=";
    }

    // Column name ending at token i (optionally "qualifier . column").
    bool ColumnAt(size_t i, ParamHint& hint) const
    {
        if (i >= m_toks.size() || !IsName(i))
            return false;
        hint.column = NameText(i);
        if (i >= 2 && IsPunct(i - 1, ".") && IsName(i - 2))
            hint.table = NameText(i - 2);
        return true;
    }

    void CollectParams(Translation& t)
    {
        // Value lists of an insert: "insert [or x] into T [(cols)] values (..), (..)".
        size_t insertTable = SIZE_MAX;
        std::vector<std::pair<size_t, size_t>> valueGroups;
        if (Is(0, "insert") || Is(0, "replace"))
        {
            size_t i = 1;
            while (i < m_toks.size() && !Is(i, "into"))
                ++i;
            if (i + 1 < m_toks.size() && IsName(i + 1))
            {
                insertTable = i + 1;
                size_t k = i + 2;
                if (IsPunct(k, "(") && m_match[k] > 0)
                {
                    const size_t end = static_cast<size_t>(m_match[k]);
                    for (size_t c = k + 1; c < end; ++c)
                        if (IsName(c))
                            t.insertColumns.push_back(NameText(c));
                    k = end + 1;
                }
                if (Is(k, "values"))
                {
                    ++k;
                    while (IsPunct(k, "(") && m_match[k] > 0)
                    {
                        valueGroups.push_back({k, static_cast<size_t>(m_match[k])});
                        k = static_cast<size_t>(m_match[k]) + 1;
                        if (!IsPunct(k, ","))
                            break;
                        ++k;
                    }
                }
            }
        }

        for (size_t i = 0; i < m_toks.size(); ++i)
        {
            if (m_toks[i].kind != Kind::Param)
                continue;
            ParamHint hint;
            bool found = false;
            for (const auto& [gb, ge] : valueGroups)
            {
                if (i <= gb || i >= ge)
                    continue;
                int pos = 0;
                for (size_t k = gb + 1; k < i; ++k)
                {
                    if (IsPunct(k, "(") && m_match[k] > 0)
                        k = static_cast<size_t>(m_match[k]);
                    else if (IsPunct(k, ","))
                        ++pos;
                }
                // Only a "?" that is the whole value stands for its column.
                if (IsPunct(i - 1, "(") || IsPunct(i - 1, ","))
                {
                    hint.table = NameText(insertTable);
                    if (static_cast<size_t>(pos) < t.insertColumns.size())
                        hint.column = t.insertColumns[static_cast<size_t>(pos)];
                    else
                        hint.position = pos;
                    found = true;
                }
                break;
            }
            if (!found && i >= 2 && IsComparison(i - 1))
                found = ColumnAt(i - 2, hint) ||
                        (i >= 3 && Is(i - 1, "like") && Is(i - 2, "not") && ColumnAt(i - 3, hint));
            if (!found && i >= 2 && Is(i - 1, "between"))
                found = ColumnAt(i - 2, hint);
            if (!found && IsComparison(i + 1))
            {
                size_t k = i + 2;
                if (IsName(k) && IsPunct(k + 1, ".") && IsName(k + 2))
                    k += 2;
                found = ColumnAt(k, hint);
            }
            t.params.push_back(found ? std::move(hint) : ParamHint{});
        }
    }

    void Parameterise(Translation& t)
    {
        if (m_unterminated ||
            !(Is(0, "select") || Is(0, "insert") || Is(0, "update") || Is(0, "delete") || Is(0, "replace")))
            return;
        size_t userParams = 0;
        for (size_t i = 0; i < m_toks.size(); ++i)
        {
            if (m_toks[i].kind == Kind::Param)
            {
                if (Text(i) != "?")
                    return; // numbered or named parameters: keep the text as it is
                ++userParams;
            }
            else if (Is(i, "cast"))
                return; // type sizes such as varchar(10) must stay literal
        }
        std::vector<Edit> edits;
        std::vector<Literal> literals;
        std::vector<bool> byList{false}; // per parenthesis depth: inside an order by / group by list
        size_t userIndex = 0;
        for (size_t i = 0; i < m_toks.size(); ++i)
        {
            const Tok& tok = m_toks[i];
            if (tok.kind == Kind::Punct)
            {
                if (IsPunct(i, "("))
                    byList.push_back(false);
                else if (IsPunct(i, ")") && byList.size() > 1)
                    byList.pop_back();
                continue;
            }
            if (tok.kind == Kind::Ident)
            {
                if (Is(i, "by") && i > 0 && (Is(i - 1, "order") || Is(i - 1, "group")))
                    byList.back() = true;
                else if (Is(i, "limit") || Is(i, "having") || Is(i, "from") || Is(i, "where") ||
                         Is(i, "union") || Is(i, "except") || Is(i, "intersect") || Is(i, "select") ||
                         Is(i, "window") || Is(i, "offset") || Is(i, "on") || Is(i, "set") || Is(i, "values"))
                    byList.back() = false;
                continue;
            }
            if (tok.kind == Kind::Param)
            {
                edits.push_back({tok.b, tok.e, "?" + std::to_string(++userIndex)});
                continue;
            }
            if ((tok.kind != Kind::Number && tok.kind != Kind::String) || byList.back() ||
                (i > 0 && Is(i - 1, "as")))
                continue;
            Literal lit;
            uint32_t b = tok.b;
            if (tok.kind == Kind::String)
            {
                const char first = m_s[tok.b];
                if (first == 'x' || first == 'X')
                    continue; // blob
                if (first == 'n' || first == 'N')
                    ++b; // the prefix is already removed by its own edit
                lit.kind = Literal::Text;
                lit.text.reserve(tok.e - b - 2);
                for (uint32_t k = b + 1; k + 1 < tok.e; ++k)
                {
                    lit.text.push_back(m_s[k]);
                    if (m_s[k] == '\'')
                        ++k; // a doubled quote is one quote
                }
            }
            else if (!ParseNumber(Text(i), lit))
                continue;
            literals.push_back(std::move(lit));
            edits.push_back({b, tok.e, "?" + std::to_string(userParams + literals.size())});
        }
        for (auto& e : edits)
            m_edits.push_back(std::move(e));
        t.literals = std::move(literals);
        t.parameterised = true;
    }

    static bool ParseNumber(std::string_view text, Literal& lit)
    {
        std::string s(text);
        if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
            return false; // hexadecimal: left to SQLite
        char* end = nullptr;
        errno = 0;
        const long long v = std::strtoll(s.c_str(), &end, 10);
        if (end == s.c_str() + s.size() && errno == 0)
        {
            lit.kind = Literal::Integer;
            lit.i = v;
            return true;
        }
        if (s.find_first_of(".eE") == std::string::npos)
            return false; // too large for an integer: SQLite makes it a real; leave it
        errno = 0;
        const double d = std::strtod(s.c_str(), &end);
        if (end != s.c_str() + s.size() || errno != 0)
            return false;
        lit.kind = Literal::Real;
        lit.d = d;
        return true;
    }

    void Apply(Translation& t)
    {
        if (m_edits.empty())
        {
            t.sql.assign(m_s.data(), m_s.size());
            return;
        }
        std::stable_sort(m_edits.begin(), m_edits.end(),
                         [](const Edit& a, const Edit& b) { return a.b < b.b; });
        t.sql.reserve(m_s.size() + 64);
        uint32_t at = 0;
        for (const Edit& e : m_edits)
        {
            if (e.b < at)
                continue; // overlapping edit: the first one wins
            t.sql.append(m_s.data() + at, e.b - at);
            t.sql += e.text;
            at = e.e;
        }
        t.sql.append(m_s.data() + at, m_s.size() - at);
        t.changed = true;
    }
};
} // namespace

bool EqualsKeyword(std::string_view word, std::string_view lowerKeyword)
{
    if (word.size() != lowerKeyword.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
    {
        char c = word[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerKeyword[i])
            return false;
    }
    return true;
}

Translation Translate(std::string_view sql, bool parameterise)
{
    return Scanner(sql, parameterise).Run();
}

bool ParseUpdate(std::string_view sql, UpdateShape& shape)
{
    // Most statements are not updates: look at the first word before tokenising the rest.
    const size_t b = sql.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos || sql.size() - b < 6 || !EqualsKeyword(sql.substr(b, 6), "update"))
        return false;
    return Scanner(sql, false).ParseUpdate(shape);
}
} // namespace kiv::core::db2
