#define ULOG_SRC_MODULE "UlogSvcXmlMgr/UlogSvcXmlConvert"
#include "H/UlogSvcDef.h"

#include "UlogSvcXmlMgr/CUlogSvcXmlConvert.h"

#include "KivCore/KivCore.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"

#include <vector>

namespace
{
const UlogXmlElementInfo s_aElements[ULOG_XML_ELEMENT_CNT] = {
    {ULOG_XML_ULOGS, ULOG_XML_KIND_CONTAINER, "ulogs"},
    {ULOG_XML_ULOG, ULOG_XML_KIND_CONTAINER, "ulog"},
    {ULOG_XML_CLOGDBINDEX, ULOG_XML_KIND_INTEGER, "clogdbindex"},
    {ULOG_XML_SORTINDEX, ULOG_XML_KIND_INTEGER, "sortindex"},
    {ULOG_XML_ISCNAP, ULOG_XML_KIND_FLAG, "iscnap"},
    {ULOG_XML_PARENTID, ULOG_XML_KIND_INTEGER, "parentid"},
    {ULOG_XML_STARTTIME, ULOG_XML_KIND_INTEGER, "starttime"},
    {ULOG_XML_ENDTIME, ULOG_XML_KIND_INTEGER, "endtime"},
    {ULOG_XML_WIFITIME, ULOG_XML_KIND_INTEGER, "wifitime"},
    {ULOG_XML_GSMTIME, ULOG_XML_KIND_INTEGER, "gsmtime"},
    {ULOG_XML_LOGTYPE, ULOG_XML_KIND_INTEGER, "logtype"},
    {ULOG_XML_CALLTYPE, ULOG_XML_KIND_INTEGER, "calltype"},
    {ULOG_XML_LINETYPE, ULOG_XML_KIND_INTEGER, "linetype"},
    {ULOG_XML_PHONETYPE, ULOG_XML_KIND_INTEGER, "phonetype"},
    {ULOG_XML_STORAGETYPE, ULOG_XML_KIND_INTEGER, "storagetype"},
    {ULOG_XML_CALLCOST, ULOG_XML_KIND_INTEGER, "callcost"},
    {ULOG_XML_CTINDEX, ULOG_XML_KIND_INTEGER, "ctindex"},
    {ULOG_XML_SNCOUNT, ULOG_XML_KIND_INTEGER, "sncount"},
    {ULOG_XML_STAGETYPE, ULOG_XML_KIND_INTEGER, "stagetype"},
    {ULOG_XML_ISVIDEOSHARE, ULOG_XML_KIND_FLAG, "isvideoshare"},
    {ULOG_XML_ALIASADDRESS, ULOG_XML_KIND_TEXT, "aliasaddress"},
    {ULOG_XML_BASICNUMBER, ULOG_XML_KIND_TEXT, "basicnumber"},
    {ULOG_XML_LOGNUMBER, ULOG_XML_KIND_TEXT, "lognumber"},
    {ULOG_XML_LOGNAME, ULOG_XML_KIND_TEXT, "logname"},
    {ULOG_XML_FIRSTLASTNAME, ULOG_XML_KIND_TEXT, "firstlastname"},
    {ULOG_XML_LASTFIRSTNAME, ULOG_XML_KIND_TEXT, "lastfirstname"},
    {ULOG_XML_CALLERID, ULOG_XML_KIND_TEXT, "callerid"},
    {ULOG_XML_ISUNCHECKEDYET, ULOG_XML_KIND_FLAG, "isuncheckedyet"},
    {ULOG_XML_ISTEMPLOG, ULOG_XML_KIND_FLAG, "istemplog"},
    {ULOG_XML_MSGLOGTYPE, ULOG_XML_KIND_INTEGER, "msglogtype"},
    {ULOG_XML_MSGLOGID, ULOG_XML_KIND_INTEGER, "msglogid"},
    {ULOG_XML_EMAILNAME, ULOG_XML_KIND_TEXT, "emailname"},
    {ULOG_XML_EMAILADDRESS, ULOG_XML_KIND_TEXT, "emailaddress"},
    {ULOG_XML_SOURCETYPE, ULOG_XML_KIND_INTEGER, "sourcetype"},
};

/* 16-bit text as UTF-8 (three bytes per unit always suffice). */
std::string WideToUtf8(const WCHAR* pmszText)
{
    const int nUnits = WmStrlen(pmszText);
    if (nUnits == 0)
        return std::string();
    std::string utf8(static_cast<size_t>(nUnits) * 3 + 1, '\0');
    const int nBytes = WmConvert2UTF8(utf8.data(), static_cast<int>(utf8.size()), pmszText);
    utf8.resize(nBytes > 0 ? static_cast<size_t>(nBytes) : 0);
    return utf8;
}

/* Narrow text of the local code page as UTF-8, through 16-bit text: a byte of any code page gives at most
 * one unit, and bytes the code page does not know become U+FFFD, so the result is valid UTF-8. */
std::string LocalToUtf8(const char* pszLocal)
{
    const size_t nBytes = AcStrlen(pszLocal);
    if (nBytes == 0)
        return std::string();
    std::vector<WCHAR> wide(nBytes + 1, 0);
    WmConvert2PCode(wide.data(), static_cast<int>(wide.size()), pszLocal);
    return WideToUtf8(wide.data());
}

/* UTF-8 text as element content: the five markup characters as references, CR as a reference (a reader
 * would otherwise turn it into LF), and what XML 1.0 forbids left out: control characters other than
 * tab and LF, and the non-characters U+FFFE and U+FFFF. */
void AppendEscaped(std::string& text, const std::string& utf8)
{
    const size_t n = utf8.size();
    for (size_t i = 0; i < n; ++i)
    {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        switch (c)
        {
        case '&':
            text += "&amp;";
            break;
        case '<':
            text += "&lt;";
            break;
        case '>':
            text += "&gt;";
            break;
        case '"':
            text += "&quot;";
            break;
        case '\'':
            text += "&apos;";
            break;
        case '\r':
            text += "&#13;";
            break;
        default:
            if (c < 0x20 && c != '\t' && c != '\n')
                break;
            if (c == 0xEF && i + 2 < n && static_cast<unsigned char>(utf8[i + 1]) == 0xBF &&
                (static_cast<unsigned char>(utf8[i + 2]) & 0xFE) == 0xBE)
            {
                i += 2;
                break;
            }
            text += static_cast<char>(c);
        }
    }
}

void AppendValueLine(std::string& text, const char* pszName, const std::string& value)
{
    text += '<';
    text += pszName;
    text += '>';
    text += value;
    text += "</";
    text += pszName;
    text += ">\r\n";
}
} // namespace

const UlogXmlElementInfo* CUlogSvcXmlConvert::GetElement(int nElement)
{
    if (!ULOG_REQUIRE(nElement >= 0 && nElement < ULOG_XML_ELEMENT_CNT))
        return NULL;
    return &s_aElements[nElement];
}

void CUlogSvcXmlConvert::AppendHeader(std::string& text) const
{
    text += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
    AppendTag(text, ULOG_XML_ULOGS, FALSE);
}

void CUlogSvcXmlConvert::AppendFooter(std::string& text) const
{
    AppendTag(text, ULOG_XML_ULOGS, TRUE);
}

BOOL CUlogSvcXmlConvert::AppendTag(std::string& text, int nElement, BOOL bClose) const
{
    const UlogXmlElementInfo* pInfo = GetElement(nElement);
    if (pInfo == NULL)
        return FALSE;
    text += bClose ? "</" : "<";
    text += pInfo->pszName;
    text += bClose ? ">\r\n" : ">\n";
    return TRUE;
}

BOOL CUlogSvcXmlConvert::AppendInteger(std::string& text, int nElement, long long nValue) const
{
    const UlogXmlElementInfo* pInfo = GetElement(nElement);
    if (pInfo == NULL)
        return FALSE;
    if (pInfo->iKind == ULOG_XML_KIND_FLAG)
        nValue = nValue != 0 ? 1 : 0;
    AppendValueLine(text, pInfo->pszName, std::to_string(nValue));
    return TRUE;
}

BOOL CUlogSvcXmlConvert::AppendText(std::string& text, int nElement, const char* pszLocal) const
{
    const UlogXmlElementInfo* pInfo = GetElement(nElement);
    if (pInfo == NULL)
        return FALSE;
    std::string value;
    AppendEscaped(value, LocalToUtf8(pszLocal));
    AppendValueLine(text, pInfo->pszName, value);
    return TRUE;
}

BOOL CUlogSvcXmlConvert::AppendWideText(std::string& text, int nElement, const WCHAR* pmszText) const
{
    const UlogXmlElementInfo* pInfo = GetElement(nElement);
    if (pInfo == NULL)
        return FALSE;
    std::string value;
    AppendEscaped(value, WideToUtf8(pmszText));
    AppendValueLine(text, pInfo->pszName, value);
    return TRUE;
}

BOOL CUlogSvcXmlConvert::AppendUlog(std::string& text, const CUlog& log) const
{
    AppendTag(text, ULOG_XML_ULOG, FALSE);
    // The unique id twice: readers of the file take the first or the second line.
    AppendInteger(text, ULOG_XML_CLOGDBINDEX, log.GetUniqueID());
    AppendInteger(text, ULOG_XML_CLOGDBINDEX, log.GetUniqueID());
    AppendInteger(text, ULOG_XML_SORTINDEX, log.GetSortIndex());
    AppendInteger(text, ULOG_XML_PARENTID, log.GetParentID());
    AppendInteger(text, ULOG_XML_STARTTIME, log.GetStartTime());
    AppendInteger(text, ULOG_XML_ENDTIME, log.GetEndTime());
    AppendInteger(text, ULOG_XML_WIFITIME, log.GetWiFiTotalTime());
    AppendInteger(text, ULOG_XML_GSMTIME, log.GetGsmTotalTime());
    AppendInteger(text, ULOG_XML_LOGTYPE, log.GetLogType());
    AppendInteger(text, ULOG_XML_LINETYPE, log.GetLineType());
    AppendInteger(text, ULOG_XML_PHONETYPE, log.GetPhoneType());
    AppendInteger(text, ULOG_XML_STORAGETYPE, log.GetStorageType());
    AppendInteger(text, ULOG_XML_CALLCOST, log.GetCallCost());
    AppendInteger(text, ULOG_XML_CTINDEX, log.GetCtPid());
    AppendInteger(text, ULOG_XML_SNCOUNT, log.GetDuplLogCount());
    AppendText(text, ULOG_XML_BASICNUMBER, log.GetBasicNumber());
    AppendText(text, ULOG_XML_LOGNUMBER, log.GetNumber());
    AppendText(text, ULOG_XML_LOGNAME, log.GetDisplayName());
    AppendText(text, ULOG_XML_FIRSTLASTNAME, log.GetFirstName());
    AppendText(text, ULOG_XML_LASTFIRSTNAME, log.GetLastName());
    AppendText(text, ULOG_XML_CALLERID, log.GetCallerIdPath());
    AppendInteger(text, ULOG_XML_ISUNCHECKEDYET, log.IsUncheckedYet());
    AppendInteger(text, ULOG_XML_ISTEMPLOG, log.IsTemporary());

    if (const CUlogCallLog* pCall = dynamic_cast<const CUlogCallLog*>(&log))
    {
        AppendInteger(text, ULOG_XML_ISCNAP, pCall->IsCnapLog());
        AppendInteger(text, ULOG_XML_CALLTYPE, pCall->GetCallType());
        AppendInteger(text, ULOG_XML_ISVIDEOSHARE, pCall->IsVideoShareLog());
    }
    else if (const CUlogMsgLog* pMsg = dynamic_cast<const CUlogMsgLog*>(&log))
    {
        if (const CUlogMsgOwnValue* pOwn = pMsg->GetMsgOwnValue())
        {
            AppendInteger(text, ULOG_XML_MSGLOGTYPE, pOwn->GetMsgLogType());
            AppendInteger(text, ULOG_XML_MSGLOGID, pOwn->GetMsgLogID());
        }
    }
    else if (const CUlogEmailLog* pEmail = dynamic_cast<const CUlogEmailLog*>(&log))
    {
        if (const CUlogMsgOwnValue* pOwn = pEmail->GetMsgOwnValue())
        {
            AppendInteger(text, ULOG_XML_MSGLOGTYPE, pOwn->GetMsgLogType());
            AppendInteger(text, ULOG_XML_MSGLOGID, pOwn->GetMsgLogID());
        }
        AppendWideText(text, ULOG_XML_EMAILADDRESS, log.GetEmailAddress());
        AppendInteger(text, ULOG_XML_SOURCETYPE, pEmail->GetSourceType());
    }
    return AppendTag(text, ULOG_XML_ULOG, TRUE);
}

BOOL CUlogSvcXmlConvert::WriteFile(const char* pszPath, const std::string& text) const
{
    if (!ULOG_REQUIRE(pszPath != NULL))
        return FALSE;
    HOBJ hFile = FmOpenFile(pszPath, 22);
    if (hFile == INVALID_HOBJ)
        hFile = FmCreateFile(pszPath, 22);
    if (hFile == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlConvert::FileOpen: FmCreateFile Fail \n");
        return FALSE;
    }
    const BOOL bWritten =
        FmWriteFile(hFile, text.data(), static_cast<unsigned int>(text.size())) != 0 ? TRUE : FALSE;
    // A close that fails may have lost what the write handed over.
    const BOOL bClosed = FmCloseFile(hFile);
    if (!bWritten || !bClosed)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlConvert::WriteFile: FmWriteFile Fail (%s)\n", pszPath);
        return FALSE;
    }
    return TRUE;
}
