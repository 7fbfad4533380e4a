// 16-bit text: code-page conversion, the GSM default alphabet, formatting and bounded copies.
#include "KivGWESCore/KivGWESCore.h"
#include "KivCore/KivCoreText.h"

#include <unicode/ustring.h>

#include <cstring>

namespace
{
// GSM 03.38 default alphabet.
const char16_t kGsmBasic[128] = {
    0x0040, 0x00A3, 0x0024, 0x00A5, 0x00E8, 0x00E9, 0x00F9, 0x00EC, 0x00F2, 0x00C7, 0x000A, 0x00D8, 0x00F8,
    0x000D, 0x00C5, 0x00E5, 0x0394, 0x005F, 0x03A6, 0x0393, 0x039B, 0x03A9, 0x03A0, 0x03A8, 0x03A3, 0x0398,
    0x039E, 0x00A0, 0x00C6, 0x00E6, 0x00DF, 0x00C9, 0x0020, 0x0021, 0x0022, 0x0023, 0x00A4, 0x0025, 0x0026,
    0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033,
    0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x00A1,
    0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D,
    0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A,
    0x00C4, 0x00D6, 0x00D1, 0x00DC, 0x00A7, 0x00BF, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074,
    0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x00E4, 0x00F6, 0x00F1, 0x00FC, 0x00E0};

// The extension table reached through the escape 0x1B; 0 where the table has nothing.
char16_t GsmExtension(unsigned char c)
{
    switch (c)
    {
    case 0x0A:
        return 0x000C;
    case 0x14:
        return 0x005E;
    case 0x28:
        return 0x007B;
    case 0x29:
        return 0x007D;
    case 0x2F:
        return 0x005C;
    case 0x3C:
        return 0x005B;
    case 0x3D:
        return 0x007E;
    case 0x3E:
        return 0x005D;
    case 0x40:
        return 0x007C;
    case 0x65:
        return 0x20AC;
    default:
        return 0;
    }
}

std::u16string Utf8ToWide(const std::string& text)
{
    std::u16string out;
    if (text.empty())
        return out;
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strFromUTF8WithSub(nullptr, 0, &needed, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                         &status);
    status = U_ZERO_ERROR;
    out.resize(static_cast<size_t>(needed));
    u_strFromUTF8WithSub(out.data(), needed, &needed, text.data(), static_cast<int32_t>(text.size()), 0xFFFD,
                         nullptr, &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        out.clear();
    return out;
}
} // namespace

extern "C" int WmConvert2PCode(WCHAR* dest, int destUnits, const char* src)
{
    if (dest == nullptr || destUnits <= 0)
        return 0;
    return static_cast<int>(
        kiv::core::CopyBoundedWide(dest, static_cast<size_t>(destUnits), kiv::core::LocalToWide(src)));
}

extern "C" int WmConvert2LCode(char* dest, int destBytes, const WCHAR* src)
{
    if (dest == nullptr || destBytes <= 0)
        return 0;
    return static_cast<int>(kiv::core::WideToLocalBounded(dest, static_cast<size_t>(destBytes), src));
}

extern "C" int WmConvert2UTF8(char* dest, int destBytes, const WCHAR* src)
{
    if (dest == nullptr || destBytes <= 0)
        return 0;
    const std::string text = kiv::core::WideToUtf8(src);
    size_t n = text.size();
    if (n > static_cast<size_t>(destBytes) - 1)
    {
        n = static_cast<size_t>(destBytes) - 1;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) // not inside a character
            --n;
    }
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
    return static_cast<int>(n);
}

extern "C" int WmConvertGSM2PCode(WCHAR* dest, int destUnits, const char* src, int srcLength)
{
    if (dest == nullptr || destUnits <= 0)
        return 0;
    int out = 0;
    if (src != nullptr)
    {
        for (int i = 0; (srcLength < 0 || i < srcLength) && src[i] != '\0' && out < destUnits - 1; ++i)
        {
            unsigned char c = static_cast<unsigned char>(src[i]) & 0x7F;
            char16_t u;
            if (c == 0x1B)
            {
                bool hasNext = (srcLength < 0 || i + 1 < srcLength) && src[i + 1] != '\0';
                if (!hasNext)
                {
                    u = 0x0020; // a lone escape shows as a space
                }
                else
                {
                    unsigned char e = static_cast<unsigned char>(src[++i]) & 0x7F;
                    u = GsmExtension(e);
                    if (u == 0)
                        u = kGsmBasic[e];
                }
            }
            else
            {
                u = kGsmBasic[c];
            }
            dest[out++] = static_cast<WCHAR>(u);
        }
    }
    dest[out] = 0;
    return out;
}

extern "C" int WmFormatV(WCHAR* dest, int destUnits, const char* format, const KivArg* args, int nargs)
{
    std::u16string text = Utf8ToWide(kiv::core::FormatToString(format, args, nargs, true));
    if (dest == nullptr || destUnits <= 0)
        return static_cast<int>(text.size());
    return static_cast<int>(kiv::core::CopyBoundedWide(dest, static_cast<size_t>(destUnits), text));
}

extern "C" int WmStrlen(const WCHAR* s)
{
    return static_cast<int>(kiv::core::WideLength(s));
}

extern "C" WCHAR* WmStrcpy(WCHAR* dest, int destUnits, const WCHAR* src)
{
    if (dest == nullptr || destUnits <= 0)
        return dest;
    int n = 0;
    if (src != nullptr)
        while (n < destUnits - 1 && src[n] != 0)
        {
            dest[n] = src[n];
            ++n;
        }
    if (n > 0 && n == destUnits - 1 && src[n] != 0 && dest[n - 1] >= 0xD800 && dest[n - 1] <= 0xDBFF)
        --n; // keep a surrogate pair whole
    dest[n] = 0;
    return dest;
}

extern "C" WCHAR* WmStrncpy(WCHAR* dest, const WCHAR* src, int count)
{
    if (dest == nullptr || count < 0)
        return dest;
    int n = 0;
    if (src != nullptr)
        while (n < count && src[n] != 0)
        {
            dest[n] = src[n];
            ++n;
        }
    if (n > 0 && n == count && src[n] != 0 && dest[n - 1] >= 0xD800 && dest[n - 1] <= 0xDBFF)
        --n;
    dest[n] = 0;
    return dest;
}

extern "C" int WmStrcmp(const WCHAR* a, const WCHAR* b)
{
    if (a == nullptr || b == nullptr)
        return (a == b) ? 0 : (a == nullptr ? -1 : 1);
    while (*a != 0 && *a == *b)
    {
        ++a;
        ++b;
    }
    return static_cast<int>(*a) - static_cast<int>(*b);
}
