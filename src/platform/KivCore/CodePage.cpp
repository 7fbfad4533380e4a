// Code-page conversion between the handset's narrow text and 16-bit text, through ICU.
#include "KivCore/KivCoreText.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace kiv::core
{
namespace
{
std::mutex g_cpMutex;
std::string g_codePage = "UTF-8";
// Read on every formatted text: an atomic, not the mutex.
std::atomic<bool> g_isUtf8{true};

bool NameIsUtf8(const std::string& name)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status) || cnv == nullptr)
        return false;
    const char* canonical = ucnv_getName(cnv, &status);
    bool utf8 = U_SUCCESS(status) && canonical != nullptr && std::strcmp(canonical, "UTF-8") == 0;
    ucnv_close(cnv);
    return utf8;
}

// Opens a converter for the current code page that substitutes what it cannot convert.
UConverter* OpenConverter()
{
    std::string name;
    {
        std::lock_guard<std::mutex> lock(g_cpMutex);
        name = g_codePage;
    }
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status))
        return nullptr;
    return cnv;
}
} // namespace

bool SetLocalCodePage(const std::string& icuName)
{
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(icuName.c_str(), &status);
    if (U_FAILURE(status) || cnv == nullptr)
        return false;
    ucnv_close(cnv);
    std::lock_guard<std::mutex> lock(g_cpMutex);
    g_codePage = icuName;
    g_isUtf8 = NameIsUtf8(icuName);
    return true;
}

std::string LocalCodePage()
{
    std::lock_guard<std::mutex> lock(g_cpMutex);
    return g_codePage;
}

bool LocalCodePageIsUtf8()
{
    return g_isUtf8.load(std::memory_order_relaxed);
}

size_t WideLength(const WCHAR* text)
{
    if (text == nullptr)
        return 0;
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

std::u16string LocalToWide(const char* text)
{
    std::u16string out;
    if (text == nullptr || *text == '\0')
        return out;
    const int32_t len = static_cast<int32_t>(std::strlen(text));
    UErrorCode status = U_ZERO_ERROR;
    if (LocalCodePageIsUtf8())
    {
        int32_t needed = 0;
        u_strFromUTF8WithSub(nullptr, 0, &needed, text, len, 0xFFFD, nullptr, &status);
        status = U_ZERO_ERROR;
        out.resize(static_cast<size_t>(needed));
        u_strFromUTF8WithSub(out.data(), needed, &needed, text, len, 0xFFFD, nullptr, &status);
        if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
            out.clear();
        return out;
    }
    UConverter* cnv = OpenConverter();
    if (cnv == nullptr)
        return out;
    int32_t needed = ucnv_toUChars(cnv, nullptr, 0, text, len, &status);
    status = U_ZERO_ERROR;
    out.resize(static_cast<size_t>(needed) + 1);
    needed = ucnv_toUChars(cnv, out.data(), needed + 1, text, len, &status);
    ucnv_close(cnv);
    out.resize(U_FAILURE(status) ? 0 : static_cast<size_t>(needed));
    return out;
}

std::string WideToUtf8(const WCHAR* text)
{
    std::string out;
    if (text == nullptr || *text == 0)
        return out;
    const UChar* src = reinterpret_cast<const UChar*>(text);
    const int32_t len = static_cast<int32_t>(WideLength(text));
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8WithSub(nullptr, 0, &needed, src, len, 0xFFFD, nullptr, &status);
    status = U_ZERO_ERROR;
    out.resize(static_cast<size_t>(needed));
    u_strToUTF8WithSub(out.data(), needed, &needed, src, len, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        out.clear();
    return out;
}

std::string WideToLocal(const WCHAR* text)
{
    if (LocalCodePageIsUtf8())
        return WideToUtf8(text);
    std::string out;
    if (text == nullptr || *text == 0)
        return out;
    UConverter* cnv = OpenConverter();
    if (cnv == nullptr)
        return out;
    const UChar* src = reinterpret_cast<const UChar*>(text);
    const int32_t len = static_cast<int32_t>(WideLength(text));
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = ucnv_fromUChars(cnv, nullptr, 0, src, len, &status);
    status = U_ZERO_ERROR;
    out.resize(static_cast<size_t>(needed) + 1);
    needed = ucnv_fromUChars(cnv, out.data(), needed + 1, src, len, &status);
    ucnv_close(cnv);
    out.resize(U_FAILURE(status) ? 0 : static_cast<size_t>(needed));
    return out;
}

std::string LocalToUtf8(const char* text)
{
    if (text == nullptr)
        return {};
    if (LocalCodePageIsUtf8())
        return text;
    std::u16string wide = LocalToWide(text);
    return WideToUtf8(reinterpret_cast<const WCHAR*>(wide.c_str()));
}

size_t CopyBoundedWide(WCHAR* dest, size_t destUnits, const std::u16string& text)
{
    if (dest == nullptr || destUnits == 0)
        return 0;
    size_t n = text.size();
    if (n > destUnits - 1)
    {
        n = destUnits - 1;
        // Keep surrogate pairs whole.
        if (n > 0 && U16_IS_LEAD(text[n - 1]))
            --n;
    }
    for (size_t i = 0; i < n; ++i)
        dest[i] = static_cast<WCHAR>(text[i]);
    dest[n] = 0;
    return n;
}

size_t WideToLocalBounded(char* dest, size_t destBytes, const WCHAR* text)
{
    if (dest == nullptr || destBytes == 0)
        return 0;
    if (LocalCodePageIsUtf8())
        return CopyBounded(dest, destBytes, WideToUtf8(text));
    // Other code pages: convert character by character so a cut never splits one.
    dest[0] = '\0';
    if (text == nullptr)
        return 0;
    UConverter* cnv = OpenConverter();
    if (cnv == nullptr)
        return 0;
    size_t used = 0;
    const size_t len = WideLength(text);
    size_t i = 0;
    while (i < len)
    {
        size_t start = i;
        UChar32 c;
        U16_NEXT(text, i, len, c);
        (void)c;
        char buf[16];
        UErrorCode status = U_ZERO_ERROR;
        int32_t n = ucnv_fromUChars(cnv, buf, sizeof buf, reinterpret_cast<const UChar*>(text + start),
                                    static_cast<int32_t>(i - start), &status);
        if (U_FAILURE(status) || n <= 0)
            continue;
        if (used + static_cast<size_t>(n) > destBytes - 1)
            break;
        std::memcpy(dest + used, buf, static_cast<size_t>(n));
        used += static_cast<size_t>(n);
    }
    dest[used] = '\0';
    ucnv_close(cnv);
    return used;
}
} // namespace kiv::core
