#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogKindValues"

#include "UlogSvcLogMgr/UlogKindValues.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"

namespace ulog
{
const char* GetContentText(const CContent& content, int nColumn, const char* pszLogClass)
{
    const char* psz = content.GetString(nColumn);
    if (psz == nullptr)
        SysDebugPrintf(ULOG_DBG_FAIL, "%s::AssignContent - content.GetString(Column = %d) failed\n",
                       pszLogClass, nColumn);
    return psz;
}

BOOL GetContentBool(const CContent& content, int nColumn, int& nValue, const char* pszLogClass)
{
    if (content.GetBool(nColumn, nValue))
        return TRUE;
    SysDebugPrintf(ULOG_DBG_FAIL, "%s::AssignContent - Content.GetBool(Column = %d) failed\n", pszLogClass,
                   nColumn);
    return FALSE;
}

void LoadValue(CUlogMsgOwnValue* pValue, const CContent& content, int& nValue)
{
    if (pValue == nullptr)
        return;
    content.GetInt(ULOG_DB_MSG_LOG_TYPE, nValue);
    pValue->SetMsgLogType(nValue);
    content.GetInt(ULOG_DB_MSG_LOG_ID, nValue);
    pValue->SetMsgLogID(nValue);
}

void LoadValue(CUlogContentValue* pValue, const CContent& content, int& nValue)
{
    if (pValue == nullptr)
        return;
    pValue->SetSubject(content.GetNString(ULOG_DB_LOG_SUBJECT));
    pValue->SetBody(content.GetNString(ULOG_DB_LOG_CONTENT_BODY));
    content.GetInt(ULOG_DB_CONTENT_ID, nValue);
    pValue->SetContentId(nValue);
}

BOOL LoadValue(CUlogAccountValue* pValue, const CContent& content, int& nValue, const char* pszLogClass)
{
    const char* psz = GetContentText(content, ULOG_DB_ACCOUNT_EMAIL_ADDRESS, pszLogClass);
    if (psz == nullptr)
        return FALSE;
    if (pValue != nullptr)
    {
        pValue->SetAccountEmailAddress(psz);
        content.GetInt(ULOG_DB_ACCOUNT_ID, nValue);
        pValue->SetAccountId(nValue);
    }
    return TRUE;
}

void LoadValue(CUlogMsgOwnValue* pValue, const UlogInfo& info)
{
    if (pValue == nullptr)
        return;
    pValue->SetMsgLogType(info.nMsgLogType);
    pValue->SetMsgLogID(info.nMsgLogId);
}

void LoadValue(CUlogContentValue* pValue, const UlogInfo& info)
{
    if (pValue == nullptr)
        return;
    pValue->SetSubject(info.mszSubject);
    pValue->SetBody(info.mszBody);
    pValue->SetContentId(info.nContentId);
}

void LoadValue(CUlogAccountValue* pValue, const UlogInfo& info)
{
    if (pValue == nullptr)
        return;
    /* Bounded by the record's field, which may be unterminated. */
    char szAccount[ULOG_ACCOUNT_EMAIL_ADDRESS_LEN];
    CopyText(szAccount, info.szAccountEmailAddress);
    pValue->SetAccountEmailAddress(szAccount);
    pValue->SetAccountId(info.nAccountId);
}

void LoadValue(CUlogMsgOwnValue* pValue, const CUlogSvcDataSet& dataSet)
{
    if (pValue == nullptr)
        return;
    pValue->SetMsgLogType(dataSet.GetMsgLogType());
    pValue->SetMsgLogID(dataSet.GetMsgLogID());
}

void LoadValue(CUlogContentValue* pValue, const CUlogSvcDataSet& dataSet)
{
    if (pValue == nullptr)
        return;
    pValue->SetSubject(dataSet.GetSubject());
    pValue->SetBody(dataSet.GetBody());
    pValue->SetContentId(dataSet.GetContentId());
}

void LoadValue(CUlogAccountValue* pValue, const CUlogSvcDataSet& dataSet)
{
    if (pValue == nullptr)
        return;
    pValue->SetAccountEmailAddress(dataSet.GetAccountEmailAddress());
    pValue->SetAccountId(dataSet.GetAccountId());
}

void StoreValue(const CUlogMsgOwnValue* pValue, UlogInfo& info)
{
    if (pValue == nullptr)
        return;
    info.nMsgLogType = pValue->GetMsgLogType();
    info.nMsgLogId = pValue->GetMsgLogID();
}

void StoreValue(const CUlogContentValue* pValue, UlogInfo& info, BOOL bWithContentId)
{
    if (pValue == nullptr)
        return;
    CopyWText(info.mszSubject, pValue->GetSubject());
    CopyWText(info.mszBody, pValue->GetBody());
    if (bWithContentId)
        info.nContentId = pValue->GetContentId();
}

void StoreValue(const CUlogAccountValue* pValue, UlogInfo& info)
{
    if (pValue == nullptr)
        return;
    CopyText(info.szAccountEmailAddress, pValue->GetAccountEmailAddress());
    info.nAccountId = pValue->GetAccountId();
}
} // namespace ulog
