/*
 * CUlogSvcXmlConvert: formats the logs as the text of "Ulogs.xml" and appends it to a file.
 *
 * The file: the declaration, the root "ulogs", one "ulog" block per log, the root's close tag. Lines end
 * as the readers of this file expect (CRLF, except LF after the open tags). Every text value is UTF-8
 * whatever the local code page, with & < > " ' written as references and the characters XML 1.0
 * forbids (control characters other than tab, LF and CR) left out, so any stored text gives a
 * well-formed file. A block is as long as its content needs.
 */
#ifndef CULOG_SVC_XML_CONVERT_H
#define CULOG_SVC_XML_CONVERT_H

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"

#include <string>

class CUlog;

/* Element numbers: indexes into the element table. */
enum UlogXmlElement
{
    ULOG_XML_ULOGS = 0,
    ULOG_XML_ULOG = 1,
    ULOG_XML_CLOGDBINDEX = 2,
    ULOG_XML_SORTINDEX = 3,
    ULOG_XML_ISCNAP = 4,
    ULOG_XML_PARENTID = 5,
    ULOG_XML_STARTTIME = 6,
    ULOG_XML_ENDTIME = 7,
    ULOG_XML_WIFITIME = 8,
    ULOG_XML_GSMTIME = 9,
    ULOG_XML_LOGTYPE = 10,
    ULOG_XML_CALLTYPE = 11,
    ULOG_XML_LINETYPE = 12,
    ULOG_XML_PHONETYPE = 13,
    ULOG_XML_STORAGETYPE = 14,
    ULOG_XML_CALLCOST = 15,
    ULOG_XML_CTINDEX = 16,
    ULOG_XML_SNCOUNT = 17,
    ULOG_XML_STAGETYPE = 18,
    ULOG_XML_ISVIDEOSHARE = 19,
    ULOG_XML_ALIASADDRESS = 20,
    ULOG_XML_BASICNUMBER = 21,
    ULOG_XML_LOGNUMBER = 22,
    ULOG_XML_LOGNAME = 23,
    ULOG_XML_FIRSTLASTNAME = 24,
    ULOG_XML_LASTFIRSTNAME = 25,
    ULOG_XML_CALLERID = 26,
    ULOG_XML_ISUNCHECKEDYET = 27,
    ULOG_XML_ISTEMPLOG = 28,
    ULOG_XML_MSGLOGTYPE = 29,
    ULOG_XML_MSGLOGID = 30,
    ULOG_XML_EMAILNAME = 31,
    ULOG_XML_EMAILADDRESS = 32,
    ULOG_XML_SOURCETYPE = 33,
    ULOG_XML_ELEMENT_CNT = 34
};

/* Value kinds of the element table. */
enum UlogXmlValueKind
{
    ULOG_XML_KIND_CONTAINER = 0,
    ULOG_XML_KIND_FLAG = 1, /* written as 0 or 1 */
    ULOG_XML_KIND_INTEGER = 2,
    ULOG_XML_KIND_TEXT = 3
};

struct UlogXmlElementInfo
{
    int nElement;
    int iKind; /* UlogXmlValueKind */
    const char* pszName;
};

class CUlogSvcXmlConvert : public CUlogObject
{
public:
    CUlogSvcXmlConvert() = default;
    ~CUlogSvcXmlConvert() override = default;

    /* The entry of an element number; NULL (reported) outside the table. */
    static const UlogXmlElementInfo* GetElement(int nElement);

    /* The declaration and the root's open tag. */
    void AppendHeader(std::string& text) const;
    /* The root's close tag. */
    void AppendFooter(std::string& text) const;
    /* "<name>\n" (open) or "</name>\r\n" (close); FALSE outside the table. */
    BOOL AppendTag(std::string& text, int nElement, BOOL bClose) const;
    /* "<name>value</name>\r\n"; a flag element writes 0 or 1. FALSE outside the table. */
    BOOL AppendInteger(std::string& text, int nElement, long long nValue) const;
    /* "<name>text</name>\r\n" ("<name></name>\r\n" for an empty or NULL text): narrow text of the local
     * code page, or 16-bit text. FALSE outside the table. */
    BOOL AppendText(std::string& text, int nElement, const char* pszLocal) const;
    BOOL AppendWideText(std::string& text, int nElement, const WCHAR* pmszText) const;
    /* The "ulog" block of one log: its common values, then those of its kind. */
    BOOL AppendUlog(std::string& text, const CUlog& log) const;

    /* Appends the text at the end of the file (created when missing). FALSE, reported, when the file
     * cannot be opened or the write fails. */
    BOOL WriteFile(const char* pszPath, const std::string& text) const;
};

#endif
