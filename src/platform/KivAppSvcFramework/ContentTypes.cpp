#include "KivAppSvcFramework/ContentTypes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace
{
size_t WideLength(const WCHAR* text)
{
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

/* A whole decimal number with an optional sign and surrounding blanks. */
bool ParseInteger(const char* text, long long& value)
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || errno == ERANGE)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != 0)
        return false;
    value = v;
    return true;
}

/* A column type as a row keeps it; a code no kind has (above 255) is kept as no type. */
unsigned char TypeCode(ContentColumnType type)
{
    return static_cast<unsigned char>((type >= 0 && type <= 255) ? type : CONTENT_COLUMN_TYPE_NONE);
}

std::string StripTrailingSlashes(std::string uri)
{
    while (!uri.empty() && uri.back() == '/')
        uri.pop_back();
    return uri;
}
} // namespace

/* ------------------------------------------------------------------ */
/* CContent                                                            */
/* ------------------------------------------------------------------ */

BOOL CContent::AddFieldData(ContentColumnType type, const char* text)
{
    switch (type)
    {
    case CONTENT_COLUMN_TYPE_BOOL:
    case CONTENT_COLUMN_TYPE_INT:
    case CONTENT_COLUMN_TYPE_TIME:
    {
        long long v = 0;
        if (text == nullptr)
            AddNull(type);
        else if (ParseInteger(text, v))
            AddInt(v, type);
        else
        {
            AddString(text);
            m_values.back().type = TypeCode(type);
        }
        return TRUE;
    }
    case CONTENT_COLUMN_TYPE_STRING:
        AddString(text);
        return TRUE;
    case CONTENT_COLUMN_TYPE_NSTRING:
        AddNString(reinterpret_cast<const WCHAR*>(text));
        return TRUE;
    default:
        AddNull(type);
        return FALSE;
    }
}

void CContent::AddInt(long long value, ContentColumnType type)
{
    Value v;
    v.type = TypeCode(type);
    v.kind = Kind::Int;
    v.i = value;
    m_values.push_back(v);
}

void CContent::AddString(const char* text)
{
    if (text == nullptr)
    {
        AddNull(CONTENT_COLUMN_TYPE_STRING);
        return;
    }
    AddString(text, std::strlen(text));
}

unsigned int CContent::AppendText(const void* text, size_t n, size_t terminatorBytes)
{
    if (terminatorBytes == 2 && (m_text.size() & 1u) != 0)
        m_text.push_back('\0');
    const unsigned int off = static_cast<unsigned int>(m_text.size());
    m_text.append(static_cast<const char*>(text), n);
    m_text.append(terminatorBytes, '\0');
    return off;
}

void CContent::AddString(const char* text, size_t length)
{
    if (text == nullptr)
    {
        AddNull(CONTENT_COLUMN_TYPE_STRING);
        return;
    }
    Value v;
    v.type = CONTENT_COLUMN_TYPE_STRING;
    v.kind = Kind::Text;
    const void* nul = std::memchr(text, 0, length);
    v.off = AppendText(text, nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : length, 1);
    m_values.push_back(v);
}

void CContent::AddNString(const WCHAR* text)
{
    if (text == nullptr)
    {
        AddNull(CONTENT_COLUMN_TYPE_NSTRING);
        return;
    }
    Value v;
    v.type = CONTENT_COLUMN_TYPE_NSTRING;
    v.kind = Kind::WText;
    v.off = AppendText(text, WideLength(text) * sizeof(WCHAR), sizeof(WCHAR));
    m_values.push_back(v);
}

void CContent::AddNull(ContentColumnType type)
{
    Value v;
    v.type = TypeCode(type);
    m_values.push_back(v);
}

void CContent::Reserve(int columns, size_t textBytes)
{
    if (columns > 0)
        m_values.reserve(static_cast<size_t>(columns));
    if (textBytes > 0)
        m_text.reserve(textBytes);
}

const CContent::Value* CContent::At(int column) const
{
    if (column < 0 || static_cast<size_t>(column) >= m_values.size())
        return nullptr;
    return &m_values[static_cast<size_t>(column)];
}

ContentColumnType CContent::GetColumnType(int column) const
{
    const Value* v = At(column);
    return v ? static_cast<ContentColumnType>(v->type) : CONTENT_COLUMN_TYPE_NONE;
}

BOOL CContent::IsNull(int column) const
{
    const Value* v = At(column);
    return (v == nullptr || v->kind == Kind::Null) ? TRUE : FALSE;
}

BOOL CContent::GetInt64(int column, long long& value) const
{
    const Value* v = At(column);
    if (v == nullptr || v->kind != Kind::Int)
        return FALSE;
    value = v->i;
    return TRUE;
}

BOOL CContent::GetInt(int column, int& value) const
{
    long long v = 0;
    if (!GetInt64(column, v))
        return FALSE;
    value = static_cast<int>(v);
    return TRUE;
}

BOOL CContent::GetBool(int column, int& value) const
{
    long long v = 0;
    if (!GetInt64(column, v))
        return FALSE;
    value = (v != 0) ? 1 : 0;
    return TRUE;
}

BOOL CContent::GetUInt32(int column, unsigned int& value) const
{
    long long v = 0;
    if (!GetInt64(column, v))
        return FALSE;
    value = static_cast<unsigned int>(v);
    return TRUE;
}

const char* CContent::GetString(int column) const
{
    const Value* v = At(column);
    if (v == nullptr || v->kind != Kind::Text)
        return nullptr;
    return m_text.data() + v->off;
}

const WCHAR* CContent::GetNString(int column) const
{
    const Value* v = At(column);
    if (v == nullptr || v->kind != Kind::WText)
        return nullptr;
    return reinterpret_cast<const WCHAR*>(m_text.data() + v->off);
}

/* ------------------------------------------------------------------ */
/* CContentFilter                                                      */
/* ------------------------------------------------------------------ */

CContentFilter::CContentFilter(const std::vector<std::string>& columns, const std::string& where,
                               const std::vector<WCHAR*>& args, const std::string& orderBy)
    : m_columns(columns), m_where(where), m_orderBy(orderBy)
{
    m_args.reserve(args.size());
    for (const WCHAR* arg : args)
        AddArg(arg);
}

CContentFilter::CContentFilter(const std::vector<std::string>& columns, const std::string& where,
                               const std::vector<const WCHAR*>& args, const std::string& orderBy)
    : m_columns(columns), m_where(where), m_orderBy(orderBy)
{
    m_args.reserve(args.size());
    for (const WCHAR* arg : args)
        AddArg(arg);
}

void CContentFilter::AddArg(const WCHAR* arg)
{
    if (arg == nullptr)
        m_args.emplace_back();
    else
        m_args.emplace_back(arg, arg + WideLength(arg) + 1);
}

const WCHAR* CContentFilter::GetWhereArg(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_args.size() ||
        m_args[static_cast<size_t>(index)].empty())
        return nullptr;
    return m_args[static_cast<size_t>(index)].data();
}

std::vector<const WCHAR*> CContentFilter::GetWhereArgs() const
{
    std::vector<const WCHAR*> out;
    out.reserve(m_args.size());
    for (int i = 0; i < GetWhereArgCount(); ++i)
        out.push_back(GetWhereArg(i));
    return out;
}

/* ------------------------------------------------------------------ */
/* CContentURI                                                         */
/* ------------------------------------------------------------------ */

CContentURI::CContentURI(const char* uri) : m_uri(StripTrailingSlashes(uri ? uri : "")) {}

CContentURI::CContentURI(const std::string& uri) : m_uri(StripTrailingSlashes(uri)) {}

BOOL CContentURI::IsEqual(const char* uri) const
{
    if (uri == nullptr)
        return FALSE;
    return (StripTrailingSlashes(uri) == m_uri) ? TRUE : FALSE;
}

BOOL CContentURI::IsSubsetOf(const char* uri) const
{
    if (uri == nullptr)
        return FALSE;
    const std::string base = StripTrailingSlashes(uri);
    if (m_uri == base)
        return TRUE;
    if (base.empty())
        return FALSE;
    return (m_uri.size() > base.size() && m_uri.compare(0, base.size(), base) == 0 &&
            m_uri[base.size()] == '/')
               ? TRUE
               : FALSE;
}
