// The SNS message sync: messages of the SNS service become SNS logs.
#define ULOG_SRC_MODULE "UlogSvcChangeMgr/UlogSvcSnsSync"
#include "H/UlogSvcDef.h"

#include "UlogSvcChangeMgr/CUlogSvcSnsSync.h"

#include "KivAppSvcFramework/SnsSvcRecord.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "UlogSvcLogMgr/CUlogSnsLog.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"

#include <cstring>
#include <string>

/* A check whose failure is reported (kind 0); evaluates to the condition. */
#define ULOG_ASSERT_T(cond, text)                                                                            \
    ((cond) ? true : (_SysAssertReport(0, "ASSERTION_ASSERT", text, ULOG_SRC_MODULE, __LINE__), false))

namespace
{
const char* const SNS_MESSAGE_URI = "kiv.content.sync.sns/message";

/* A text of the message cut to a field of nSize bytes at a character boundary. */
std::string Cut(const char* pszText, int nSize)
{
    std::string strCut(static_cast<size_t>(nSize), '\0');
    CUlogSvcContactSync::__CopyCut(strCut.data(), nSize, pszText);
    strCut.resize(std::strlen(strCut.c_str()));
    return strCut;
}

/* A text field of an address book record, terminated within its field. */
template <size_t N> std::string FieldText(const char (&szField)[N])
{
    return std::string(szField, strnlen(szField, N));
}

/* A subject or body of the message into 16-bit text of the value's field: empty when the message has
 * none, or when it cannot be converted. */
void ConvertText(const ISnsSvcMessage& message, BOOL (ISnsSvcMessage::*pfnGet)(const char**) const,
                 WCHAR (&mszDest)[ULOG_SUBJECT_LEN])
{
    mszDest[0] = 0;
    const char* pszText = NULL;
    if (!(message.*pfnGet)(&pszText) || pszText == NULL)
        return;
    WCHAR* pmszWide = CSnsSvcUtil::StrCopyW(pszText);
    if (pmszWide == NULL)
        return;
    CSnsSvcUtil::StrCutW(mszDest, ULOG_SUBJECT_LEN, pmszWide);
    MemFreeTraceMultiHeap(pmszWide, __FILE__, __LINE__);
}
} // namespace

static_assert(ULOG_SUBJECT_LEN == ULOG_BODY_LEN, "subject and body share one field size");

/* ==== CSnsSvcUtil ==== */

WCHAR* CSnsSvcUtil::StrCopyW(const char* pszSrc)
{
    const size_t nLength = (pszSrc != NULL) ? std::strlen(pszSrc) : 0;
    const size_t nUnits = 3 * nLength + 1;
    WCHAR* pmszDest = static_cast<WCHAR*>(MemAllocTraceEx(0, nUnits * sizeof(WCHAR), __FILE__, __LINE__));
    if (pmszDest == NULL)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CSnsSvcUtil::StrCopyW: MemAlloc failed. SysGetLastError() = %d\n",
                       (int)SysGetLastError());
        return NULL;
    }
    pmszDest[0] = 0;
    if (nLength > 0)
        WmConvert2PCode(pmszDest, static_cast<int>(nUnits), pszSrc);
    return pmszDest;
}

void CSnsSvcUtil::StrCutW(WCHAR* pmszDest, int nDestUnits, const WCHAR* pmszSrc)
{
    if (pmszDest == NULL || nDestUnits <= 0)
        return;
    int n = 0;
    while (pmszSrc != NULL && n < nDestUnits - 1 && pmszSrc[n] != 0)
        ++n;
    // A high surrogate whose low half did not fit goes too.
    if (n > 0 && pmszSrc[n] != 0 && pmszSrc[n - 1] >= 0xD800 && pmszSrc[n - 1] <= 0xDBFF)
        --n;
    if (n > 0)
        std::memcpy(pmszDest, pmszSrc, static_cast<size_t>(n) * sizeof(WCHAR));
    pmszDest[n] = 0;
}

/* ==== CUlogSvcSnsSync ==== */

BOOL CUlogSvcSnsSync::OnContentSync(const char* pszUri, void*, const std::vector<IContentSyncData*>* pData)
{
    ULOG_ASSERT_T(pszUri != NULL && AcStrcmp(pszUri, SNS_MESSAGE_URI) == 0,
                  "AcStrcmp(pszUri, \"kiv.content.sync.sns/message\") == 0");
    if (!ULOG_ASSERT_T(pData != NULL, "pData"))
        return TRUE;

    BOOL bAllStored = TRUE;
    for (size_t i = 0; i < pData->size(); ++i)
    {
        ISnsSvcRecord* pRecord = dynamic_cast<ISnsSvcRecord*>((*pData)[i]);
        ISnsSvcMessage* pMessage = (pRecord != NULL) ? pRecord->ToMessage() : NULL;
        if (!ULOG_ASSERT_T(pMessage != NULL, "pMessage"))
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcSnsSync::OnContentSync: element %d is not a message.\n",
                           (int)i);
            bAllStored = FALSE;
            continue;
        }
        const Result iResult = __StoreMessage(*pMessage);
        if (iResult == ADD_FAILED)
        {
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcSnsSync::OnContentSync: element %d could not be stored; %d later "
                           "element(s) are not stored.\n",
                           (int)i, (int)(pData->size() - i - 1));
            return FALSE;
        }
        if (iResult == REFUSED)
            bAllStored = FALSE;
    }
    return bAllStored;
}

CUlogSvcSnsSync::Result CUlogSvcSnsSync::__StoreMessage(const ISnsSvcMessage& message)
{
    int iKind = -1;
    message.GetKind(&iKind);
    const bool bIncoming = (iKind == SNS_SVC_MSG_KIND_RECEIVED || iKind == SNS_SVC_MSG_KIND_RECEIVED_2);
    if (!bIncoming)
        ULOG_ASSERT_T(iKind == SNS_SVC_MSG_KIND_SENT, "0"); // an unknown kind is taken as a sent message

    const std::string strThreadID = message.GetThreadId() != NULL ? message.GetThreadId() : "";
    const std::string strMessageID = message.GetMessageId() != NULL ? message.GetMessageId() : "";
    const bool bThread = ULOG_ASSERT_T(strThreadID.size() > 0, "strThreadID.size() > 0");
    const bool bMessage = ULOG_ASSERT_T(strMessageID.size() > 0, "strMessageID.size() > 0");
    if (!bThread || !bMessage)
    {
        // A log that could never be told apart from the other messages of its thread (or of no thread).
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcSnsSync::__StoreMessage: no sync id (%s.%s): not stored.\n",
                       strThreadID.c_str(), strMessageID.c_str());
        return REFUSED;
    }

    // A sync id too long for its field is cut; one cut before the message id begins would name no message.
    const std::string strSyncId = Cut((strThreadID + "." + strMessageID).c_str(), ULOG_SYNC_ID_LEN);
    if (strSyncId.size() <= strThreadID.size() + 1)
    {
        SysDebugPrintf(
            ULOG_DBG_FAIL,
            "CUlogSvcSnsSync::__StoreMessage: the thread id leaves no place for the message id (%s): "
            "not stored.\n",
            strMessageID.c_str());
        return REFUSED;
    }

    CUlogSnsLog tmpl;
    tmpl.SetSnsSpInfo(message.GetSpInfo());
    tmpl.SetSyncId(strSyncId.c_str());

    CUlogContentValue content;
    WCHAR mszText[ULOG_SUBJECT_LEN];
    ConvertText(message, &ISnsSvcMessage::GetSubject, mszText);
    content.SetSubject(mszText);
    ConvertText(message, &ISnsSvcMessage::GetBody, mszText);
    content.SetBody(mszText);
    tmpl.SetContentValue(&content);

    TM_DATETIME tmStamp;
    std::memset(&tmStamp, 0, sizeof(tmStamp));
    message.GetTimeStamp(&tmStamp);
    tmpl.SetStartTime(TmDateTimeToSeconds(&tmStamp));

    if (bIncoming)
        return __AddForPerson(tmpl, ULOG_LOG_SNS_2, message.GetSenderId(), message.GetSenderName())
                   ? STORED
                   : ADD_FAILED;
    for (int i = 0; i < message.GetReceiverCount(); ++i)
    {
        const ISnsSvcMessageReceiver* pReceiver = message.GetReceiver(i);
        if (!ULOG_REQUIRE(pReceiver != NULL))
            return ADD_FAILED;
        if (!__AddForPerson(tmpl, ULOG_LOG_SNS_1, pReceiver->GetId(), pReceiver->GetName()))
            return ADD_FAILED;
    }
    return STORED;
}

BOOL CUlogSvcSnsSync::__AddForPerson(const CUlogSnsLog& tmpl, UlogLogType iLogType, const char* pszPersonId,
                                     const char* pszName)
{
    // A log of its own for each person: nothing of the log stored for the person before carries over.
    CUlogSnsLog log(tmpl);
    log.SetLogType(iLogType);
    log.SetSnsPersonId(Cut(pszPersonId, ULOG_SNS_PERSON_ID_LEN).c_str());
    log.SetEmailDisplayName(Cut(pszName, ULOG_EMAIL_DISPLAY_NAME_LEN).c_str());
    __SetContactInfo(log);

    IUlogSvcDistinctMgr* pLogMgr = IUlogSvcDistinctMgr::Instance();
    if (!ULOG_REQUIRE(pLogMgr != NULL))
        return FALSE;
    if (!pLogMgr->Add(log))
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcSnsSync::__AddForPerson: the log of %s (sync id %s) is not stored.\n",
                       log.GetSnsPersonId(), log.GetSyncId());
        return FALSE;
    }
    return TRUE;
}

void CUlogSvcSnsSync::__SetContactInfo(CUlogSnsLog& log)
{
    log.SetCtPid(0);
    log.SetCtDataId(0);
    log.SetFirstName("");
    log.SetLastName("");
    log.SetCallerIdPath("");

    CtSvcSnsDataRecord search, record;
    std::memset(&search, 0, sizeof(search));
    std::memset(&record, 0, sizeof(record));
    AcStrcpySEx(search.szPersonId, sizeof(search.szPersonId), log.GetSnsPersonId(), __FILE__, __LINE__);
    const int nFound = CtSvcDbSnsDataGetRecords(&search, &record, 1);
    if (nFound <= 0)
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcSnsSync::__SetContactInfo: no contact (%d).\n", nFound);
        return;
    }
    log.SetCtPid(record.nContactId);
    log.SetCtDataId(record.nDataId);

    CtSvcContactRecord contact;
    std::memset(&contact, 0, sizeof(contact));
    if (!CtSvcDbContactGetRecord(record.nContactId, &contact))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcSnsSync::__SetContactInfo: CtSvcDbContactGetRecord fail!!\n");
        return;
    }
    log.SetFirstName(Cut(FieldText(contact.szFirstName).c_str(), ULOG_NAME_LEN).c_str());
    log.SetLastName(Cut(FieldText(contact.szLastName).c_str(), ULOG_NAME_LEN).c_str());
    log.SetCallerIdPath(Cut(FieldText(contact.szCallerIdPath).c_str(), ULOG_CALLER_ID_PATH_LEN).c_str());
}
