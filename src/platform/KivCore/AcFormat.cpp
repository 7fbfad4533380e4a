// printf-style formatting over typed argument arrays.
//
// The formatter never reads an argument that was not passed: a conversion
// without an argument left is copied literally. An argument whose kind does
// not match its conversion is rendered sensibly instead of being reinterpreted:
// text given to a numeric conversion prints as text, a number given to %s or
// %S prints in decimal, a number given to %f is widened to double.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreText.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace kiv::core
{
namespace
{
struct Spec
{
    std::string flags;
    int width = -1;
    int precision = -1;
    char conv = 0;
};

void AppendNumber(std::string& out, const Spec& spec, const char* lengthAndConv, long long si,
                  unsigned long long ui, bool isSigned)
{
    std::string f = "%" + spec.flags;
    if (spec.width >= 0)
        f += std::to_string(spec.width);
    if (spec.precision >= 0)
        f += "." + std::to_string(spec.precision);
    f += lengthAndConv;
    char buf[128];
    int n = isSigned ? std::snprintf(buf, sizeof buf, f.c_str(), si)
                     : std::snprintf(buf, sizeof buf, f.c_str(), ui);
    if (n > 0)
        out.append(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

void AppendDouble(std::string& out, const Spec& spec, double d)
{
    std::string f = "%" + spec.flags;
    if (spec.width >= 0)
        f += std::to_string(spec.width);
    if (spec.precision >= 0)
        f += "." + std::to_string(spec.precision < 100 ? spec.precision : 100);
    f += spec.conv;
    char buf[512];
    int n = std::snprintf(buf, sizeof buf, f.c_str(), d);
    if (n > 0)
        out.append(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

// Text with width and precision (precision counts bytes of the converted text).
void AppendText(std::string& out, const Spec& spec, const std::string& text)
{
    size_t len = text.size();
    if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < len)
        len = static_cast<size_t>(spec.precision);
    size_t pad = (spec.width > 0 && static_cast<size_t>(spec.width) > len) ? spec.width - len : 0;
    bool left = spec.flags.find('-') != std::string::npos;
    if (!left)
        out.append(pad, ' ');
    out.append(text, 0, len);
    if (left)
        out.append(pad, ' ');
}

std::string ArgAsText(const KivArg& a, bool utf8Out)
{
    switch (a.type)
    {
    case KIV_ARG_STR:
        if (a.v.s == nullptr)
            return "(null)";
        return utf8Out ? LocalToUtf8(a.v.s) : std::string(a.v.s);
    case KIV_ARG_WSTR:
        if (a.v.ws == nullptr)
            return "(null)";
        return utf8Out ? WideToUtf8(a.v.ws) : WideToLocal(a.v.ws);
    case KIV_ARG_INT:
        return std::to_string(a.v.i);
    case KIV_ARG_UINT:
        return std::to_string(a.v.u);
    case KIV_ARG_DOUBLE:
        return std::to_string(a.v.d);
    case KIV_ARG_PTR:
        if (a.v.p == nullptr)
            return "(null)";
        {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%p", a.v.p);
            return buf;
        }
    }
    return {};
}

long long ArgAsSigned(const KivArg& a)
{
    switch (a.type)
    {
    case KIV_ARG_INT:
        return a.v.i;
    case KIV_ARG_UINT:
        return static_cast<long long>(a.v.u);
    case KIV_ARG_DOUBLE:
        return static_cast<long long>(a.v.d);
    case KIV_ARG_PTR:
        return static_cast<long long>(reinterpret_cast<uintptr_t>(a.v.p));
    default:
        return 0;
    }
}

unsigned long long ArgAsUnsigned(const KivArg& a)
{
    switch (a.type)
    {
    case KIV_ARG_INT:
        return static_cast<unsigned long long>(a.v.i);
    case KIV_ARG_UINT:
        return a.v.u;
    case KIV_ARG_DOUBLE:
        return static_cast<unsigned long long>(static_cast<long long>(a.v.d));
    case KIV_ARG_PTR:
        return reinterpret_cast<uintptr_t>(a.v.p);
    default:
        return 0;
    }
}

double ArgAsDouble(const KivArg& a)
{
    switch (a.type)
    {
    case KIV_ARG_INT:
        return static_cast<double>(a.v.i);
    case KIV_ARG_UINT:
        return static_cast<double>(a.v.u);
    case KIV_ARG_DOUBLE:
        return a.v.d;
    default:
        return 0.0;
    }
}

// Unsigned conversions of a signed argument keep the argument's 32-bit view when it fits in 32 bits,
// the way "%u" and "%x" of an int print on the handset (so -1 prints as ffffffff, not as 64 bits).
unsigned long long UnsignedView(const KivArg& a)
{
    if (a.type == KIV_ARG_INT && a.v.i < 0 && a.v.i >= INT32_MIN)
        return static_cast<unsigned long long>(static_cast<uint32_t>(a.v.i));
    return ArgAsUnsigned(a);
}
} // namespace

std::string FormatToString(const char* format, const KivArg* args, int nargs, bool utf8Out)
{
    std::string out;
    if (format == nullptr)
        return out;
    if (args == nullptr)
        nargs = 0;
    int next = 0;
    const char* p = format;
    auto appendLiteral = [&](const char* b, size_t n)
    {
        if (utf8Out && !LocalCodePageIsUtf8())
            out += LocalToUtf8(std::string(b, n).c_str());
        else
            out.append(b, n);
    };
    while (*p != '\0')
    {
        const char* pct = std::strchr(p, '%');
        if (pct == nullptr)
        {
            appendLiteral(p, std::strlen(p));
            break;
        }
        appendLiteral(p, static_cast<size_t>(pct - p));
        const char* q = pct + 1;
        if (*q == '%')
        {
            out += '%';
            p = q + 1;
            continue;
        }
        Spec spec;
        int needed = 0; // arguments this conversion consumes
        while (*q != '\0' && std::strchr("-+ 0#", *q) != nullptr)
            spec.flags += *q++;
        bool widthStar = false, precStar = false;
        if (*q == '*')
        {
            widthStar = true;
            ++needed;
            ++q;
        }
        else
        {
            int w = 0;
            bool any = false;
            while (*q >= '0' && *q <= '9')
            {
                if (w < 100000)
                    w = w * 10 + (*q - '0');
                any = true;
                ++q;
            }
            if (any)
                spec.width = w;
        }
        if (*q == '.')
        {
            ++q;
            if (*q == '*')
            {
                precStar = true;
                ++needed;
                ++q;
            }
            else
            {
                int pr = 0;
                while (*q >= '0' && *q <= '9')
                {
                    if (pr < 100000)
                        pr = pr * 10 + (*q - '0');
                    ++q;
                }
                spec.precision = pr;
            }
        }
        while (*q != '\0' && std::strchr("hlLqjzt", *q) != nullptr)
            ++q;
        spec.conv = *q;
        bool known = spec.conv != '\0' && std::strchr("diuxXoscSfFgGeEp", spec.conv) != nullptr;
        ++needed;
        if (!known || next + needed > nargs)
        {
            // Nothing to format it with: the conversion stays as written.
            const char* end = (*q != '\0') ? q + 1 : q;
            appendLiteral(pct, static_cast<size_t>(end - pct));
            p = end;
            continue;
        }
        if (widthStar)
        {
            long long w = ArgAsSigned(args[next++]);
            if (w < 0)
            {
                spec.flags += '-';
                w = -w;
            }
            spec.width = static_cast<int>(w > 100000 ? 100000 : w);
        }
        if (precStar)
        {
            long long pr = ArgAsSigned(args[next++]);
            spec.precision = pr < 0 ? -1 : static_cast<int>(pr > 100000 ? 100000 : pr);
        }
        if (spec.width > 4096)
            spec.width = 4096;
        const KivArg& a = args[next++];
        bool argIsText = a.type == KIV_ARG_STR || a.type == KIV_ARG_WSTR;
        switch (spec.conv)
        {
        case 'd':
        case 'i':
            if (argIsText)
                AppendText(out, Spec{spec.flags, spec.width, -1, 's'}, ArgAsText(a, utf8Out));
            else
                AppendNumber(out, spec, "lld", ArgAsSigned(a), 0, true);
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
        {
            if (argIsText)
            {
                AppendText(out, Spec{spec.flags, spec.width, -1, 's'}, ArgAsText(a, utf8Out));
                break;
            }
            const char conv[] = {'l', 'l', spec.conv, '\0'};
            AppendNumber(out, spec, conv, 0, UnsignedView(a), false);
            break;
        }
        case 'c':
            if (argIsText)
                AppendText(out, spec, ArgAsText(a, utf8Out));
            else
            {
                long long c = ArgAsSigned(a);
                std::string ch;
                if (c >= 0 && c < 0x80)
                    ch.assign(1, static_cast<char>(c));
                else if (utf8Out)
                {
                    WCHAR w[2] = {static_cast<WCHAR>(c), 0};
                    ch = WideToUtf8(w);
                }
                else
                    ch.assign(1, static_cast<char>(c & 0xFF));
                AppendText(out, Spec{spec.flags, spec.width, -1, 's'}, ch);
            }
            break;
        case 's':
        case 'S':
            AppendText(out, spec, ArgAsText(a, utf8Out));
            break;
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'e':
        case 'E':
            if (argIsText)
                AppendText(out, Spec{spec.flags, spec.width, -1, 's'}, ArgAsText(a, utf8Out));
            else
                AppendDouble(out, spec, ArgAsDouble(a));
            break;
        case 'p':
            AppendText(out, spec, ArgAsText(a, utf8Out));
            break;
        default:
            break;
        }
        p = q + 1;
    }
    return out;
}

size_t CopyBounded(char* dest, size_t destSize, const std::string& text)
{
    if (dest == nullptr || destSize == 0)
        return 0;
    size_t n = text.size();
    if (n > destSize - 1)
    {
        n = destSize - 1;
        // Do not leave half a character of UTF-8 text at the end.
        if (LocalCodePageIsUtf8() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        {
            while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
                --n;
        }
    }
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
    return n;
}
} // namespace kiv::core

extern "C" int AcFormatV(char* dest, size_t destSize, const char* format, const KivArg* args, int nargs)
{
    std::string text = kiv::core::FormatToString(format, args, nargs, false);
    kiv::core::CopyBounded(dest, destSize, text);
    return static_cast<int>(text.size());
}
