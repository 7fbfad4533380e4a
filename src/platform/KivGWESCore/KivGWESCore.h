/*
 * KivGWESCore: 16-bit text, code-page conversion, window-manager timers and events.
 *
 * 16-bit text is UTF-16. The "local code page" of narrow text is UTF-8 unless
 * the control interface names another ICU converter.
 */
#ifndef KIV_GWESCORE_H
#define KIV_GWESCORE_H

#include "KivCore/KivCore.h"

#ifdef __cplusplus
extern "C"
{
#endif

    /* ------------------------------------------------------------------ */
    /* 16-bit text                                                         */
    /* ------------------------------------------------------------------ */

    /* Local code page -> 16-bit text. Writes at most destUnits-1 units and terminates; never splits a
     * surrogate pair; invalid input is substituted (U+FFFD). Returns the units written. */
    int WmConvert2PCode(WCHAR* dest, int destUnits, const char* src);
    /* 16-bit text -> local code page. Writes at most destBytes-1 bytes and terminates; never splits a
     * character; lone surrogates are substituted. Returns the bytes written. */
    int WmConvert2LCode(char* dest, int destBytes, const WCHAR* src);
    /* 16-bit text -> UTF-8, for files whose format says UTF-8 whatever the code page. Writes at most
     * destBytes-1 bytes and terminates; never splits a character; lone surrogates are substituted
     * (U+FFFD), so the result is always valid UTF-8. Three bytes per unit and a terminator always
     * suffice. Returns the bytes written. */
    int WmConvert2UTF8(char* dest, int destBytes, const WCHAR* src);
    /* GSM 03.38 default alphabet (one septet per byte, 0x1B escapes) -> 16-bit text; srcLength bytes of
     * src are read (or up to a NUL). Returns the units written. */
    int WmConvertGSM2PCode(WCHAR* dest, int destUnits, const char* src, int srcLength);

    int WmFormatV(WCHAR* dest, int destUnits, const char* format, const KivArg* args, int nargs);
    int WmStrlen(const WCHAR* s);                                  /* 0 for NULL */
    WCHAR* WmStrcpy(WCHAR* dest, int destUnits, const WCHAR* src); /* bounded, terminated */
    WCHAR* WmStrncpy(WCHAR* dest, const WCHAR* src, int count);    /* at most count units, then a terminator:
                                                                      dest must hold count + 1 units */
    int WmStrcmp(const WCHAR* a, const WCHAR* b);

    /* ------------------------------------------------------------------ */
    /* Timers                                                              */
    /* ------------------------------------------------------------------ */
    typedef void (*WM_TIMER_CALLBACK)(int hTimer, unsigned long param);

    HOBJ __WmCreateTimer(const char* name, const char* srcFile, int srcLine); /* a new handle */
    /* Fires callback(hTimer, param) once, on a timer thread, tickMs milliseconds after the call; starting a
     * started timer starts it again from now. A callback may start, cancel or delete its own timer. While
     * the clock is frozen nothing fires by itself (see UlogCtlRunDueTimers). FALSE for an unknown timer. */
    BOOL WmStartTimer(HOBJ hTimer, unsigned long tickMs, WM_TIMER_CALLBACK callback, void* param);
    BOOL WmCancelTimer(HOBJ hTimer); /* TRUE for a known timer, started or not */
    /* When the timer's callback is running on another thread, waits (up to 5 s) for it to return, so what
     * the callback uses may be freed afterwards. FALSE for an unknown timer. */
    BOOL __WmDeleteTimer(HOBJ hTimer, const char* srcFile, int srcLine);

    /* ------------------------------------------------------------------ */
    /* Events                                                              */
    /* ------------------------------------------------------------------ */
    typedef struct WMEVENT
    {
        unsigned short wEventCode; /* offset 0 */
        unsigned short wReserved0; /* offset 2 */
        int hDestEventHandler;     /* offset 4 */
        int nParam[3];             /* offsets 8, 12, 16 */
        unsigned short wSubType;   /* offset 20 */
        unsigned short wReserved1; /* offset 22 */
    } WMEVENT;

    BOOL WmSendEvent(const WMEVENT* event); /* recorded; see UlogCtlGetSentEvent */

    /* A bitmap descriptor (44 bytes). */
    typedef struct tagWMBITMAP
    {
        int nWidth;
        int nHeight;
        int nBitsPerPixel;
        int nStride;
        int nFormat;
        int nFlags;
        int nTransparentColor;
        unsigned int nDataOffset;
        unsigned int nDataSize;
        int nResourceId;
        int nReserved;
    } tagWMBITMAP;

#ifdef __cplusplus
} /* extern "C" */

template <class... A> int WmSprintf(WCHAR* dest, int destUnits, const char* format, A... args)
{
    KIV_PACK_ARGS(packed, args);
    return WmFormatV(dest, destUnits, format, packed, (int)sizeof...(A));
}

static_assert(sizeof(WMEVENT) == 24, "WMEVENT layout");
static_assert(sizeof(tagWMBITMAP) == 44, "bitmap descriptor layout");
#endif

#endif /* KIV_GWESCORE_H */
