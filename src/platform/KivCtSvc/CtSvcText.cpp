// Texts of the address book: fields of the records, and phone numbers as stored and as compared.
#include "KivCtSvc/CtSvcText.h"

#include "KivCtSvc/KivCtSvc.h"

#include <algorithm>
#include <cstring>

namespace kiv::ctsvc
{
namespace
{
bool IsSeparator(char c)
{
    return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')' || c == '[' || c == ']';
}

bool IsPause(char c)
{
    return c == 'P' || c == 'W' || c == ',' || c == ';';
}

// A character of the dialled part of a stored number.
bool IsDialChar(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == '+';
}

std::string WithoutSeparators(const char* pszNumber)
{
    std::string strOut;
    for (const char* p = pszNumber; *p != '\0'; ++p)
        if (!IsSeparator(*p))
            strOut.push_back(*p);
    return strOut;
}

std::string CutAtPause(const std::string& strNumber)
{
    const auto it = std::find_if(strNumber.begin(), strNumber.end(), IsPause);
    return std::string(strNumber.begin(), it);
}
} // namespace

int FieldLength(const char* pszField, size_t nSize)
{
    const size_t nLength = ::strnlen(pszField, nSize);
    return nLength < nSize ? static_cast<int>(nLength) : -1;
}

bool NormaliseNumber(const char* pszNumber, std::string& strNumber)
{
    strNumber = WithoutSeparators(pszNumber);
    for (size_t i = 0; i < strNumber.size(); ++i)
    {
        const char c = strNumber[i];
        const bool bValid = (IsDialChar(c) && (c != '+' || i == 0)) || IsPause(c);
        if (!bValid)
            return false;
    }
    const std::string strDialled = CutAtPause(strNumber);
    return !strDialled.empty() && strDialled != "+";
}

std::string DialledPart(const char* pszNumber)
{
    return CutAtPause(WithoutSeparators(pszNumber));
}

std::string ReversedDialled(const std::string& strNumber)
{
    std::string strReversed = CutAtPause(strNumber);
    std::reverse(strReversed.begin(), strReversed.end());
    return strReversed;
}

CtSvcNumberKey NumberKey(const char* pszNumber)
{
    CtSvcNumberKey key;
    const std::string strDialled = DialledPart(pszNumber);
    if (strDialled.empty())
    {
        key.bNone = true;
        return key;
    }
    const int nCount = std::max(1, CtSvcGetDigitsCount2Compare(strDialled.c_str()));
    if (strDialled.size() < static_cast<size_t>(nCount))
    {
        key.bWhole = true;
        key.strFrom.assign(strDialled.rbegin(), strDialled.rend());
        return key;
    }
    // The stored numbers ending in the key's last nCount characters: their reversed dialled parts
    // start with the reversed tail, so they lie in [tail, tail with its last character one higher).
    key.strFrom.assign(strDialled.rbegin(), strDialled.rbegin() + nCount);
    if (!std::all_of(key.strFrom.begin(), key.strFrom.end(), IsDialChar))
    {
        key.bNone = true; // no stored number holds such a character
        return key;
    }
    key.strTo = key.strFrom;
    ++key.strTo.back();
    return key;
}

bool CopyToField(char* pszField, size_t nSize, const char* pszText, size_t nLength)
{
    if (nLength >= nSize)
    {
        pszField[0] = '\0';
        return false;
    }
    std::memcpy(pszField, pszText, nLength);
    pszField[nLength] = '\0';
    return true;
}
} // namespace kiv::ctsvc
