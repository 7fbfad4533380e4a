// Helpers shared by the log record tests: 16-bit text and full content rows.
#ifndef ULOG_TEST_ROWS_H
#define ULOG_TEST_ROWS_H

#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvc.h"

#include <cstring>
#include <string>
#include <vector>

namespace ulogtest
{
// A terminated 16-bit text built from a UTF-16 literal.
class WText
{
public:
    WText(const char16_t* text)
    {
        for (const char16_t* p = text; *p != 0; ++p)
            m_units.push_back(static_cast<WCHAR>(*p));
        m_units.push_back(0);
    }
    WText(size_t count, char16_t unit) : m_units(count, static_cast<WCHAR>(unit)) { m_units.push_back(0); }
    const WCHAR* c_str() const { return m_units.data(); }
    operator const WCHAR*() const { return m_units.data(); }

private:
    std::vector<WCHAR> m_units;
};

inline std::u16string ToU16(const WCHAR* text)
{
    std::u16string out;
    for (const WCHAR* p = text; p != nullptr && *p != 0; ++p)
        out.push_back(static_cast<char16_t>(*p));
    return out;
}

// Length of a 16-bit text looking at no more than max units.
inline size_t WLen(const WCHAR* text, size_t max)
{
    size_t n = 0;
    while (n < max && text[n] != 0)
        ++n;
    return n;
}

// The values of one content row, column by column in identifier order. Columns left at their
// defaults are the values below; any column can be marked missing (null).
struct RowValues
{
    long long ints[ULOG_DB_FIELD_CNT_MAX] = {};
    std::string texts[ULOG_DB_FIELD_CNT_MAX];
    std::u16string wtexts[ULOG_DB_FIELD_CNT_MAX];
    bool missing[ULOG_DB_FIELD_CNT_MAX] = {};

    static bool IsNarrow(int c) { return (c >= 24 && c <= 28) || c == 32 || c == 40 || c == 42 || c == 43; }
    static bool IsWide(int c) { return c == 29 || (c >= 33 && c <= 37); }

    CContent Build() const
    {
        CContent row;
        for (int c = 0; c < ULOG_DB_FIELD_CNT_MAX; ++c)
        {
            if (missing[c])
            {
                row.AddNull();
                continue;
            }
            if (IsNarrow(c))
                row.AddString(texts[c].c_str());
            else if (IsWide(c))
            {
                std::vector<WCHAR> w(wtexts[c].begin(), wtexts[c].end());
                w.push_back(0);
                row.AddNString(w.data());
            }
            else if (c >= 20 && c <= 23)
                row.AddInt(ints[c], CONTENT_COLUMN_TYPE_BOOL);
            else if (c >= 4 && c <= 7)
                row.AddInt(ints[c], CONTENT_COLUMN_TYPE_TIME);
            else
                row.AddInt(ints[c]);
        }
        return row;
    }
};

// A row of one log type with a distinct value in every column.
inline RowValues FullRow(int logType)
{
    RowValues r;
    for (int c = 0; c < ULOG_DB_FIELD_CNT_MAX; ++c)
        r.ints[c] = 100 + c;
    r.ints[ULOG_DB_LOG_TYPE] = logType;
    r.ints[ULOG_DB_IS_CNAP] = 0;        // holds the video-share flag
    r.ints[ULOG_DB_IS_VIDEO_SHARE] = 1; // holds the CNAP flag
    r.ints[ULOG_DB_IS_UNCHECKED_YET] = 1;
    r.ints[ULOG_DB_IS_TEMP_LOG] = 1;
    r.ints[ULOG_DB_START_TIME] = 3000000000LL; // above INT_MAX
    r.texts[ULOG_DB_ALIAS_ADDRESS] = "alias";
    r.texts[ULOG_DB_BASIC_NUMBER] = "5551234";
    r.texts[ULOG_DB_FIRST_NAME] = "Ann";
    r.texts[ULOG_DB_LAST_NAME] = "Lee";
    r.texts[ULOG_DB_CALLER_ID] = "/User/Pic/ann.jpg";
    r.texts[ULOG_DB_EMAIL_NAME] = "Ann L";
    r.texts[ULOG_DB_ACCOUNT_EMAIL_ADDRESS] = "me@example.com";
    r.texts[ULOG_DB_SYNC_ID] = "sync-7";
    r.texts[ULOG_DB_SNS_PERSON_ID] = "sns-ann";
    r.wtexts[ULOG_DB_EMAIL_ADDRESS] = u"ann@example.com";
    r.wtexts[ULOG_DB_LOG_NAME] = u"Ann Lee";
    r.wtexts[ULOG_DB_LOG_NUMBER] = u"+15551234";
    r.wtexts[ULOG_DB_LOG_SUBJECT] = u"Hello";
    r.wtexts[ULOG_DB_LOG_CONTENT_BODY] = u"Body text";
    return r;
}
// A full row of one log type whose given column is missing.
inline CContent RowWithout(int logType, int column)
{
    RowValues r = FullRow(logType);
    r.missing[column] = true;
    return r.Build();
}
} // namespace ulogtest

#endif
