// Text helpers of the ulog tool: argument parsing, times, JSON and UTF-16 text.
#ifndef ULOG_TOOL_FORMAT_H
#define ULOG_TOOL_FORMAT_H

#include "UlogSvc.h"

#include <optional>
#include <string>

namespace ulogtool
{
// A whole decimal number within [lo, hi]; nothing for anything else.
std::optional<long long> ParseInteger(const std::string& text, long long lo, long long hi);
// A stored text field of the given size, as stored (up to its terminator or its end).
std::string FieldText(const char* field, size_t places);
// Seconds since 1970-01-01 UTC, given as a number or as "YYYY-MM-DD[ HH:MM[:SS]]" (also with 'T').
std::optional<unsigned int> ParseTime(const std::string& text);
// A JSON string literal.
std::string JsonString(const std::string& text);
// Stored text as the text output shows it: control characters, C1 controls, backslashes and bytes that
// are not UTF-8 written as escapes (\n, \t, \r, \\, \x1b, \u009b), so stored text can never
// move the cursor, start a terminal sequence or begin a line of its own.
std::string Printable(const std::string& text);
// UTF-8 to UTF-16 into a terminated buffer of places units; false when it is not valid UTF-8 or
// does not fit.
bool Utf8ToUtf16(const std::string& text, WCHAR* buffer, size_t places);
std::string Utf16ToUtf8(const WCHAR* text, size_t places);
// True for text that is valid UTF-8 without control characters.
bool IsPrintableUtf8(const std::string& text);
// A phone number: digits with an optional leading '+', and '*', '#', ' ', '-', '(', ')'; at least one
// digit.
bool IsPhoneNumber(const std::string& text);
// A number as dialled: without the spaces, dashes, dots and brackets it may be written with.
std::string WithoutSeparators(const std::string& number);
// An e-mail address: text around one '@' (neither side empty), without spaces, tabs, '<', '>' or '"'.
bool IsEmailAddress(const std::string& text);
// The short name of a log type ("outgoing", "missed", "message-sent", ...).
const char* LogTypeName(int type);
// A log type by its short name; -1 when unknown.
int LogTypeByName(const std::string& name);
} // namespace ulogtool

#endif
