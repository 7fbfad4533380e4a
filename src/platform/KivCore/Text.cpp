// Bounded narrow text functions: every copy is bounded by its destination and always terminated.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreText.h"

#include <cstdlib>
#include <cstring>

extern "C" int AcSprintfSExV(char* dest, size_t destSize, const char* /*srcFile*/, int /*srcLine*/,
                             const char* format, const KivArg* args, int nargs)
{
    if (dest == nullptr || destSize == 0)
        return -1;
    std::string text = kiv::core::FormatToString(format, args, nargs, false);
    return static_cast<int>(kiv::core::CopyBounded(dest, destSize, text));
}

extern "C" char* AcStrcpySEx(char* dest, size_t destSize, const char* src, const char* /*srcFile*/,
                             int /*srcLine*/)
{
    if (dest == nullptr || destSize == 0)
        return dest;
    if (src == nullptr)
    {
        dest[0] = '\0';
        return dest;
    }
    size_t n = strnlen(src, destSize - 1);
    std::memmove(dest, src, n);
    dest[n] = '\0';
    return dest;
}

extern "C" char* AcStrncpyEx(char* dest, size_t destSize, const char* src, size_t count,
                             const char* /*srcFile*/, int /*srcLine*/)
{
    if (dest == nullptr || destSize == 0)
        return dest;
    if (src == nullptr)
    {
        dest[0] = '\0';
        return dest;
    }
    size_t limit = count < destSize - 1 ? count : destSize - 1;
    size_t n = strnlen(src, limit);
    std::memmove(dest, src, n);
    dest[n] = '\0';
    return dest;
}

extern "C" char* AcStrcatSEx(char* dest, size_t destSize, const char* src, const char* /*srcFile*/,
                             int /*srcLine*/)
{
    if (dest == nullptr || destSize == 0)
        return dest;
    size_t used = strnlen(dest, destSize);
    if (used >= destSize)
    {
        // Unterminated destination: terminate it where it ends.
        dest[destSize - 1] = '\0';
        return dest;
    }
    if (src == nullptr)
        return dest;
    size_t n = strnlen(src, destSize - 1 - used);
    std::memmove(dest + used, src, n);
    dest[used + n] = '\0';
    return dest;
}

extern "C" void* AcMemcpyEx(void* dest, size_t destSize, const void* src, size_t count,
                            const char* /*srcFile*/, int /*srcLine*/)
{
    if (dest == nullptr || src == nullptr)
        return dest;
    std::memmove(dest, src, count < destSize ? count : destSize);
    return dest;
}

extern "C" void* AcMemsetEx(void* dest, size_t destSize, int value, size_t count, const char* /*srcFile*/,
                            int /*srcLine*/)
{
    if (dest == nullptr)
        return dest;
    std::memset(dest, value, count < destSize ? count : destSize);
    return dest;
}

extern "C" size_t AcStrlen(const char* s)
{
    return s == nullptr ? 0 : std::strlen(s);
}

extern "C" int AcStrcmp(const char* a, const char* b)
{
    if (a == nullptr || b == nullptr)
        return (a == b) ? 0 : (a == nullptr ? -1 : 1);
    return std::strcmp(a, b);
}

extern "C" char* AcStrstr(const char* haystack, const char* needle)
{
    if (haystack == nullptr || needle == nullptr)
        return nullptr;
    return const_cast<char*>(std::strstr(haystack, needle));
}

extern "C" char* AcStrchr(const char* s, int c)
{
    if (s == nullptr)
        return nullptr;
    return const_cast<char*>(std::strchr(s, c));
}

extern "C" int AcAtoi(const char* s)
{
    if (s == nullptr)
        return 0;
    long long v = std::strtoll(s, nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(v);
}

extern "C" double AcAtof(const char* s)
{
    return s == nullptr ? 0.0 : std::strtod(s, nullptr);
}
