// Translations by shape: statements that differ only in their values (numbers and quoted text) share
// one translation, made once and then filled with each statement's values.
//
// The service formats its values into its statements, so the texts of its inserts and updates never
// repeat and a cache keyed by the text cannot help them. Their shape does repeat: the text with every
// literal replaced by a marker of its own. The first statement of a shape is translated twice, as a
// whole and through its shape; the shape is kept only when both agree, so a shape whose translation
// depends on its values is never used. Anything the scan does not know for certain (comments, reals,
// hexadecimal or oversized numbers, numbers with leading zeros, bracketed names) goes the long way.
#include "KivCore/Db2Dialect.h"

#include <charconv>
#include <cstdlib>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kiv::core::db2
{
namespace
{
// Markers: an integer literal becomes kIntMarkerBase + its index (digits no statement of ours uses),
// a text literal '\x01' index '\x02'.
constexpr long long kIntMarkerBase = 900000000000000000LL;
constexpr size_t kMaxLiterals = 4096;
constexpr size_t kShapesMax = 256;

struct RawLiteral
{
    uint32_t b = 0; // the literal's text: the digits, or what lies between the quotes
    uint32_t e = 0;
    bool bText = false;
};

bool IsIdentChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void AppendNumber(std::string& out, long long v)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof(digits), v);
    out.append(digits, r.ptr);
}

void AppendIntMarker(std::string& out, size_t i)
{
    AppendNumber(out, kIntMarkerBase + static_cast<long long>(i));
}

void AppendTextMarker(std::string& out, size_t i)
{
    out += '\x01';
    AppendNumber(out, static_cast<long long>(i));
    out += '\x02';
}

// The shape of sql (its literals replaced by markers) and the literals; false when the text holds
// something the scan leaves to the full translation.
bool Scan(std::string_view sql, std::string& shape, std::vector<RawLiteral>& lits)
{
    shape.clear();
    shape.reserve(sql.size() + 64);
    const size_t n = sql.size();
    size_t i = 0;
    while (i < n)
    {
        const char c = sql[i];
        if (c == '\x01' || c == '\x02' || c == '[' || c == '`')
            return false;
        if ((c == '-' && i + 1 < n && sql[i + 1] == '-') || (c == '/' && i + 1 < n && sql[i + 1] == '*'))
            return false; // comments
        if (c == '\'')
        {
            size_t k = i + 1;
            for (;; ++k)
            {
                if (k >= n)
                    return false; // unterminated
                if (sql[k] == '\'')
                {
                    if (k + 1 < n && sql[k + 1] == '\'')
                    {
                        ++k;
                        continue;
                    }
                    break;
                }
            }
            if (lits.size() >= kMaxLiterals)
                return false;
            lits.push_back({static_cast<uint32_t>(i + 1), static_cast<uint32_t>(k), true});
            shape += '\'';
            AppendTextMarker(shape, lits.size() - 1);
            shape += '\'';
            i = k + 1;
            continue;
        }
        if (c == '"')
        {
            const size_t k = sql.find('"', i + 1);
            if (k == std::string_view::npos)
                return false;
            shape.append(sql.data() + i, k + 1 - i);
            i = k + 1;
            continue;
        }
        if (IsIdentChar(c) && !IsDigit(c))
        {
            size_t k = i;
            while (k < n && IsIdentChar(sql[k]))
                ++k;
            shape.append(sql.data() + i, k - i);
            i = k;
            continue;
        }
        if (c == '?' || c == ':' || c == '@' || c == '$')
        {
            size_t k = i + 1;
            while (k < n && IsIdentChar(sql[k]))
                ++k;
            shape.append(sql.data() + i, k - i);
            i = k;
            continue;
        }
        if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(sql[i + 1])))
        {
            size_t k = i;
            while (k < n && IsDigit(sql[k]))
                ++k;
            // Only plain decimal integers that a long long holds, written without leading zeros.
            if (k < n && (IsIdentChar(sql[k]) || sql[k] == '.'))
                return false;
            if (k - i > 17 || (sql[i] == '0' && k - i > 1) || c == '.')
                return false;
            if (lits.size() >= kMaxLiterals)
                return false;
            lits.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(k), false});
            AppendIntMarker(shape, lits.size() - 1);
            i = k;
            continue;
        }
        shape += c;
        ++i;
    }
    return true;
}

// A translation made once for a shape: its text in pieces with the places of the literals it keeps,
// and, for every value it lifts out, the literal that gives it.
struct Template
{
    Translation base; // literals and sql left empty
    std::vector<std::string> pieces;
    std::vector<size_t> keptLiteral; // between pieces[i] and pieces[i + 1]
    std::vector<size_t> liftedLiteral;
};

// The index of the marker at s[at...] (either kind), with its length; false when none starts there.
bool MarkerAt(const std::string& s, size_t at, size_t nLits, size_t& index, size_t& len)
{
    if (s[at] == '\x01')
    {
        const size_t end = s.find('\x02', at + 1);
        if (end == std::string::npos || end == at + 1)
            return false;
        index = std::strtoull(s.c_str() + at + 1, nullptr, 10);
        len = end + 1 - at;
        return index < nLits;
    }
    if (s[at] != '9' || (at > 0 && (IsIdentChar(s[at - 1]) || s[at - 1] == '?')) || s.size() - at < 18)
        return false;
    size_t k = at;
    while (k < s.size() && IsDigit(s[k]))
        ++k;
    if (k - at != 18 || (k < s.size() && IsIdentChar(s[k])))
        return false;
    const long long v = std::strtoll(s.c_str() + at, nullptr, 10) - kIntMarkerBase;
    if (v < 0 || static_cast<size_t>(v) >= nLits)
        return false;
    index = static_cast<size_t>(v);
    len = k - at;
    return true;
}

std::shared_ptr<const Template> MakeTemplate(const std::string& shape, size_t nLits)
{
    Translation t = Translate(shape, true);
    auto tpl = std::make_shared<Template>();
    std::vector<int> uses(nLits, 0);
    for (const Literal& lit : t.literals)
    {
        size_t index = 0;
        if (lit.kind == Literal::Integer && lit.i >= kIntMarkerBase &&
            lit.i - kIntMarkerBase < static_cast<long long>(nLits))
            index = static_cast<size_t>(lit.i - kIntMarkerBase);
        else if (lit.kind == Literal::Text && lit.text.size() > 2 && lit.text.front() == '\x01' &&
                 lit.text.back() == '\x02')
            index = std::strtoull(lit.text.c_str() + 1, nullptr, 10);
        else
            return nullptr;
        if (index >= nLits || uses[index]++ != 0)
            return nullptr;
        tpl->liftedLiteral.push_back(index);
    }
    std::string piece;
    for (size_t at = 0; at < t.sql.size();)
    {
        size_t index = 0, len = 0;
        if (MarkerAt(t.sql, at, nLits, index, len))
        {
            if (uses[index]++ != 0)
                return nullptr;
            tpl->pieces.push_back(std::move(piece));
            piece.clear();
            tpl->keptLiteral.push_back(index);
            at += len;
            continue;
        }
        piece += t.sql[at++];
    }
    tpl->pieces.push_back(std::move(piece));
    for (int n : uses)
        if (n != 1)
            return nullptr;
    t.sql.clear();
    t.literals.clear();
    tpl->base = std::move(t);
    return tpl;
}

void Fill(const Template& tpl, std::string_view text, const std::vector<RawLiteral>& lits, Translation& out)
{
    out = tpl.base;
    size_t nSize = 0;
    for (const std::string& p : tpl.pieces)
        nSize += p.size();
    out.sql.reserve(nSize + text.size());
    for (size_t i = 0; i < tpl.pieces.size(); ++i)
    {
        out.sql += tpl.pieces[i];
        if (i < tpl.keptLiteral.size())
        {
            const RawLiteral& r = lits[tpl.keptLiteral[i]];
            out.sql.append(text.data() + r.b, r.e - r.b);
        }
    }
    out.literals.resize(tpl.liftedLiteral.size());
    for (size_t i = 0; i < tpl.liftedLiteral.size(); ++i)
    {
        const RawLiteral& r = lits[tpl.liftedLiteral[i]];
        Literal& lit = out.literals[i];
        if (r.bText)
        {
            lit.kind = Literal::Text;
            lit.text.reserve(r.e - r.b);
            for (uint32_t k = r.b; k < r.e; ++k)
            {
                lit.text.push_back(text[k]);
                if (text[k] == '\'')
                    ++k; // a doubled quote is one quote
            }
        }
        else
        {
            // At most 17 digits without a sign (the scan takes no other): no overflow.
            lit.kind = Literal::Integer;
            lit.i = 0;
            for (uint32_t k = r.b; k < r.e; ++k)
                lit.i = lit.i * 10 + (text[k] - '0');
        }
    }
}

bool SameLiterals(const std::vector<Literal>& a, const std::vector<Literal>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].i != b[i].i || a[i].text != b[i].text ||
            (a[i].kind == Literal::Real && a[i].d != b[i].d))
            return false;
    return true;
}

bool SameParams(const std::vector<ParamHint>& a, const std::vector<ParamHint>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].table != b[i].table || a[i].column != b[i].column || a[i].position != b[i].position)
            return false;
    return true;
}

bool Same(const Translation& a, const Translation& b)
{
    return a.sql == b.sql && a.changed == b.changed && a.schemaChange == b.schemaChange &&
           a.tables == b.tables && SameParams(a.params, b.params) && a.insertColumns == b.insertColumns &&
           a.parameterised == b.parameterised && SameLiterals(a.literals, b.literals);
}

class ShapeCache
{
public:
    bool Translate(const std::string& text, Translation& out)
    {
        std::string shape;
        std::vector<RawLiteral> lits;
        if (!Scan(text, shape, lits) || lits.empty())
            return false;
        std::shared_ptr<const Template> tpl;
        bool bKnown = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (auto it = m_map.find(shape); it != m_map.end())
            {
                bKnown = true;
                tpl = it->second;
            }
        }
        if (bKnown)
        {
            if (tpl == nullptr)
                return false; // a shape whose translation depends on its values
            Fill(*tpl, text, lits, out);
            return true;
        }
        // First of its shape: kept only when it gives what the whole translation gives.
        tpl = MakeTemplate(shape, lits.size());
        Translation whole = kiv::core::db2::Translate(text, true);
        if (tpl != nullptr)
        {
            Translation filled;
            Fill(*tpl, text, lits, filled);
            if (!Same(filled, whole))
                tpl = nullptr;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_map.size() >= kShapesMax)
                m_map.clear();
            m_map.emplace(std::move(shape), tpl);
        }
        out = std::move(whole);
        return true;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const Template>> m_map;
};
} // namespace

bool TranslateByShape(const std::string& text, Translation& out)
{
    static ShapeCache* s_cache = new ShapeCache; // used by tasks until the process ends
    return s_cache->Translate(text, out);
}
} // namespace kiv::core::db2
