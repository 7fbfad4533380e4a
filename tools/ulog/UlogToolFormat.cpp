#include "UlogToolFormat.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace ulogtool
{
std::string FieldText(const char* field, size_t places)
{
    return std::string(field, strnlen(field, places));
}

namespace
{
const char* const s_typeNames[ULOG_LOG_CNT_MAX] = {
    "outgoing", "incoming", "missed", "message-sent", "message-received", "email-sent", "email-received",
    "sns-out",  "sns-in",   "im-1",   "im-2"};

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}
} // namespace

std::optional<long long> ParseInteger(const std::string& text, long long lo, long long hi)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-')
    {
        negative = true;
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i)
    {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (value < lo || value > hi)
        return std::nullopt;
    return value;
}

std::optional<unsigned int> ParseTime(const std::string& text)
{
    if (auto seconds = ParseInteger(text, 0, 4294967295LL))
        return static_cast<unsigned int>(*seconds);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char sep = 0;
    int consumed = 0;
    const char* p = text.c_str();
    if (std::sscanf(p, "%4d-%2d-%2d%n", &y, &mo, &d, &consumed) != 3 || consumed != 10)
        return std::nullopt;
    if (text.size() > 10)
    {
        sep = text[10];
        if (sep != ' ' && sep != 'T')
            return std::nullopt;
        const std::string rest = text.substr(11);
        int n = 0;
        if (std::sscanf(rest.c_str(), "%2d:%2d:%2d%n", &h, &mi, &s, &n) == 3 && n == 8 && rest.size() == 8)
        {
        }
        else if (std::sscanf(rest.c_str(), "%2d:%2d%n", &h, &mi, &n) == 2 && n == 5 && rest.size() == 5)
            s = 0;
        else
            return std::nullopt;
    }
    static const int s_days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    const int maxDay = s_days[mo - 1] + ((mo == 2 && IsLeap(y)) ? 1 : 0);
    if (d > maxDay)
        return std::nullopt;
    const long long total = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400LL +
                            h * 3600LL + mi * 60LL + s;
    if (total < 0 || total > 4294967295LL)
        return std::nullopt;
    return static_cast<unsigned int>(total);
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text)
    {
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (c < 0x20)
            {
                char buf[8];
                std::snprintf(buf, sizeof(buf), "\\u%04x", c);
                out += buf;
            }
            else
                out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

namespace
{
// The next code point of valid UTF-8 at text[i]; advances i. -1 for an invalid sequence.
long NextCodePoint(const std::string& text, size_t& i)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = 0;
    long cp = 0;
    if (c < 0x80)
    {
        ++i;
        return c;
    }
    if ((c & 0xE0) == 0xC0)
    {
        extra = 1;
        cp = c & 0x1F;
    }
    else if ((c & 0xF0) == 0xE0)
    {
        extra = 2;
        cp = c & 0x0F;
    }
    else if ((c & 0xF8) == 0xF0)
    {
        extra = 3;
        cp = c & 0x07;
    }
    else
        return -1;
    if (i + static_cast<size_t>(extra) >= text.size())
        return -1;
    for (int k = 1; k <= extra; ++k)
    {
        const unsigned char cc = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((cc & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static const long s_min[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < s_min[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    i += static_cast<size_t>(extra) + 1;
    return cp;
}
} // namespace

std::string Printable(const std::string& text)
{
    std::string out;
    char buf[24];
    size_t i = 0;
    while (i < text.size())
    {
        const size_t start = i;
        const long cp = NextCodePoint(text, i);
        if (cp < 0)
        {
            std::snprintf(buf, sizeof(buf), "\\x%02x", static_cast<unsigned char>(text[start]));
            out += buf;
            i = start + 1;
        }
        else if (cp == '\\')
            out += "\\\\";
        else if (cp == '\n')
            out += "\\n";
        else if (cp == '\t')
            out += "\\t";
        else if (cp == '\r')
            out += "\\r";
        else if (cp < 0x20 || cp == 0x7F)
        {
            std::snprintf(buf, sizeof(buf), "\\x%02lx", cp);
            out += buf;
        }
        else if (cp >= 0x80 && cp <= 0x9F)
        {
            // C1 controls: some terminals take U+009B for the start of an escape sequence.
            std::snprintf(buf, sizeof(buf), "\\u%04lx", cp);
            out += buf;
        }
        else
            out.append(text, start, i - start);
    }
    return out;
}

bool Utf8ToUtf16(const std::string& text, WCHAR* buffer, size_t places)
{
    size_t out = 0;
    size_t i = 0;
    while (i < text.size())
    {
        const long cp = NextCodePoint(text, i);
        if (cp < 0)
            return false;
        const size_t need = (cp >= 0x10000) ? 2 : 1;
        if (out + need >= places)
            return false;
        if (cp >= 0x10000)
        {
            buffer[out++] = static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10));
            buffer[out++] = static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        else
            buffer[out++] = static_cast<WCHAR>(cp);
    }
    buffer[out] = 0;
    return true;
}

std::string Utf16ToUtf8(const WCHAR* text, size_t places)
{
    std::string out;
    for (size_t i = 0; i < places && text[i] != 0; ++i)
    {
        unsigned long cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < places && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        if (cp < 0x80)
            out += static_cast<char>(cp);
        else if (cp < 0x800)
        {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        else if (cp < 0x10000)
        {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool IsPrintableUtf8(const std::string& text)
{
    size_t i = 0;
    while (i < text.size())
    {
        const long cp = NextCodePoint(text, i);
        if (cp < 0x20 || cp == 0x7F)
            return false;
    }
    return true;
}

std::string WithoutSeparators(const std::string& number)
{
    std::string out;
    for (char c : number)
        if (c != ' ' && c != '-' && c != '(' && c != ')' && c != '.')
            out += c;
    return out;
}

bool IsEmailAddress(const std::string& text)
{
    const size_t at = text.find('@');
    return at != std::string::npos && at != 0 && at + 1 != text.size() &&
           text.find_first_of(" \t<>\"") == std::string::npos;
}

bool IsPhoneNumber(const std::string& text)
{
    bool digit = false;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c)))
            digit = true;
        else if (c == '+' && i == 0)
            continue;
        else if (c != '*' && c != '#' && c != ' ' && c != '-' && c != '(' && c != ')')
            return false;
    }
    return digit;
}

const char* LogTypeName(int type)
{
    return (type >= 0 && type < ULOG_LOG_CNT_MAX) ? s_typeNames[type] : "unknown";
}

int LogTypeByName(const std::string& name)
{
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
        if (name == s_typeNames[type])
            return type;
    return -1;
}
} // namespace ulogtool
