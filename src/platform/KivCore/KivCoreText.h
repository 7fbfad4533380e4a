/* Text services shared inside the platform libraries: code-page conversion and formatting. */
#ifndef KIVCORE_TEXT_H
#define KIVCORE_TEXT_H

#include "KivCore/KivTypes.h"

#include <string>

namespace kiv::core
{
/* The narrow "local code page" is UTF-8 unless set to another ICU converter name. */
bool SetLocalCodePage(const std::string& icuName);
std::string LocalCodePage();
bool LocalCodePageIsUtf8();

/* Conversions; invalid input is substituted, never read past its terminator. */
std::u16string LocalToWide(const char* text);
std::string WideToLocal(const WCHAR* text);
std::string WideToUtf8(const WCHAR* text);
std::string LocalToUtf8(const char* text);

/* Bounded copies: at most size-1 units/bytes and a terminator; never splits a character.
 * Return the units/bytes written. */
size_t CopyBounded(char* dest, size_t destSize, const std::string& text);
size_t CopyBoundedWide(WCHAR* dest, size_t destUnits, const std::u16string& text);
/* Narrow text of the local code page cut to at most destBytes-1 bytes on a character boundary. */
size_t WideToLocalBounded(char* dest, size_t destBytes, const WCHAR* text);

/* The formatter behind every printf-style function. With utf8Out, narrow arguments and literal text
 * are converted from the local code page and 16-bit arguments to UTF-8 (used for 16-bit output). */
std::string FormatToString(const char* format, const KivArg* args, int nargs, bool utf8Out);

size_t WideLength(const WCHAR* text);
} // namespace kiv::core

#endif
