/*
 * Bounded text copies used by the log record classes.
 *
 * Every copy is bounded twice: by the destination (at most size-1 places and
 * a terminator) and by the source, which is never read beyond the places the
 * destination can take. A record handed in by a caller may therefore hold
 * unterminated text in a field without any read past that field, as long as
 * the destination is not larger than the source field.
 */
#ifndef ULOG_SVC_TEXT_H
#define ULOG_SVC_TEXT_H

#include "KivCore/KivTypes.h"

#include <cstring>

namespace ulog
{
/* Length of src, looking at no more than max bytes. 0 for NULL. */
inline size_t BoundedLength(const char* src, size_t max)
{
    if (src == nullptr)
        return 0;
    const void* nul = std::memchr(src, 0, max);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - src) : max;
}

inline size_t BoundedLength(const WCHAR* src, size_t max)
{
    if (src == nullptr)
        return 0;
    size_t n = 0;
    while (n < max && src[n] != 0)
        ++n;
    return n;
}

/* Copies at most destSize-1 bytes of src and terminates. A NULL src gives an empty text. */
inline void CopyText(char* dest, size_t destSize, const char* src)
{
    if (dest == nullptr || destSize == 0)
        return;
    const size_t n = BoundedLength(src, destSize - 1);
    if (n != 0)
        std::memmove(dest, src, n);
    dest[n] = 0;
}

/* Copies at most destUnits-1 units of src and terminates. A NULL src gives an empty text. */
inline void CopyWText(WCHAR* dest, size_t destUnits, const WCHAR* src)
{
    if (dest == nullptr || destUnits == 0)
        return;
    const size_t n = BoundedLength(src, destUnits - 1);
    if (n != 0)
        std::memmove(dest, src, n * sizeof(WCHAR));
    dest[n] = 0;
}

template <size_t N> inline void CopyText(char (&dest)[N], const char* src)
{
    CopyText(dest, N, src);
}

template <size_t N> inline void CopyWText(WCHAR (&dest)[N], const WCHAR* src)
{
    CopyWText(dest, N, src);
}
} // namespace ulog

#endif
