/*
 * KivGWESCore: 16-bit text to UTF-8, for files whose format says UTF-8 whatever the handset's code page.
 */
#ifndef KIV_UTF8_H
#define KIV_UTF8_H

#include "KivCore/KivTypes.h"

#ifdef __cplusplus
extern "C"
{
#endif

    /* 16-bit text -> UTF-8. Writes at most destBytes-1 bytes and terminates; never splits a character;
     * lone surrogates are substituted (U+FFFD), so the result is always valid UTF-8. Three bytes per unit
     * and a terminator always suffice. Returns the bytes written. */
    int WmConvert2UTF8(char* dest, int destBytes, const WCHAR* src);

#ifdef __cplusplus
}
#endif

#endif
