// Texts of the address book: fields of the records, and phone numbers as stored and as compared.
#ifndef KIVCTSVC_TEXT_H
#define KIVCTSVC_TEXT_H

#include <cstddef>
#include <string>

namespace kiv::ctsvc
{
/* The length of the text in a field of nSize bytes; -1 when the field holds no NUL (too long). */
int FieldLength(const char* pszField, size_t nSize);

/* A phone number as stored: spaces, dashes, dots and brackets dropped. False when what remains is not
 * a number: empty, nothing to dial before its first pause, or a character other than digits, a
 * leading '+', '*', '#' and the pauses. */
bool NormaliseNumber(const char* pszNumber, std::string& strNumber);

/* The part of a number that is compared: separators dropped, cut at its first pause. */
std::string DialledPart(const char* pszNumber);

/* What the store keeps to search numbers by their last characters: the dialled part, reversed, so
 * that "ends in t" is "starts with the reverse of t", a range of an index. */
std::string ReversedDialled(const std::string& strNumber);

/* How a searched number is compared with the stored ones: a whole reversed dialled part (bWhole), or
 * the range [strFrom, strTo) of the reversed dialled parts that end in the key's deciding tail. bNone
 * for a key that matches nothing (empty). */
struct CtSvcNumberKey
{
    bool bNone = false;
    bool bWhole = false;
    std::string strFrom;
    std::string strTo;
};
CtSvcNumberKey NumberKey(const char* pszNumber);

/* Copies text into a field of nSize bytes, terminated; false (the field emptied) when it does not fit. */
bool CopyToField(char* pszField, size_t nSize, const char* pszText, size_t nLength);
} // namespace kiv::ctsvc

#endif
