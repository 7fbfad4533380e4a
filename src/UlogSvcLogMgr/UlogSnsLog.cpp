#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSnsLog"

#include "UlogSvcLogMgr/CUlogSnsLog.h"

#include "H/UlogSvcDef.h"
#include "H/UlogSvcText.h"
#include "KivAppSvcFramework/ContentTypes.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/UlogKindValues.h"

#include <cstring>

CUlogSnsLog::~CUlogSnsLog()
{
    delete m_pContentValue;
}

BOOL CUlogSnsLog::Init()
{
    m_nSnsSpInfo = -1;
    std::memset(m_szSnsPersonId, 0, sizeof(m_szSnsPersonId));
    std::memset(m_szEmailDisplayName, 0, sizeof(m_szEmailDisplayName));
    std::memset(m_szSyncId, 0, sizeof(m_szSyncId));
    ulog::CreateValue(m_pContentValue);
    if (!ULOG_REQUIRE(m_pContentValue != NULL))
        return FALSE;
    return TRUE;
}

BOOL CUlogSnsLog::Assign(const CUlogSnsLog& other)
{
    CUlog::Assign(other);
    m_nSnsSpInfo = other.m_nSnsSpInfo;
    ulog::CopyText(m_szSnsPersonId, other.m_szSnsPersonId);
    ulog::CopyText(m_szEmailDisplayName, other.m_szEmailDisplayName);
    ulog::CopyText(m_szSyncId, other.m_szSyncId);
    ulog::CopyValue(m_pContentValue, other.m_pContentValue);
    return TRUE;
}

BOOL CUlogSnsLog::AssignContent(const CContent& content)
{
    CUlog::AssignContent(content);

    int nValue = 0;
    content.GetInt(ULOG_DB_SP_INFO, nValue);
    m_nSnsSpInfo = nValue;
    const struct
    {
        int nColumn;
        char* pszDest;
        size_t nSize;
    } texts[] = {{ULOG_DB_SNS_PERSON_ID, m_szSnsPersonId, sizeof(m_szSnsPersonId)},
                 {ULOG_DB_EMAIL_NAME, m_szEmailDisplayName, sizeof(m_szEmailDisplayName)},
                 {ULOG_DB_SYNC_ID, m_szSyncId, sizeof(m_szSyncId)}};
    for (const auto& text : texts)
    {
        const char* psz = ulog::GetContentText(content, text.nColumn, "CUlogSnsLog");
        if (psz == nullptr)
            return FALSE;
        ulog::CopyText(text.pszDest, text.nSize, psz);
    }
    ulog::LoadValue(m_pContentValue, content, nValue);
    return TRUE;
}

BOOL CUlogSnsLog::AssignUlogInfo(const UlogInfo& info)
{
    CUlog::AssignUlogInfo(info);
    m_nSnsSpInfo = info.nSnsSpInfo;
    ulog::CopyText(m_szSnsPersonId, info.szSnsPersonId);
    ulog::CopyText(m_szEmailDisplayName, info.szEmailDisplayName);
    ulog::CopyText(m_szSyncId, info.szSyncId);
    ulog::LoadValue(m_pContentValue, info);
    return TRUE;
}

BOOL CUlogSnsLog::AssignDataSet(const CUlogSvcDataSet& dataSet)
{
    CUlog::AssignDataSet(dataSet);
    m_nSnsSpInfo = dataSet.GetSnsSpInfo();
    ulog::CopyText(m_szSnsPersonId, dataSet.GetSnsPersonId());
    ulog::CopyText(m_szEmailDisplayName, dataSet.GetEmailDisplayName());
    ulog::CopyText(m_szSyncId, dataSet.GetSyncId());
    ulog::LoadValue(m_pContentValue, dataSet);
    return TRUE;
}

BOOL CUlogSnsLog::OnConvert2UlogInfo(UlogInfo& info) const
{
    info.nSnsSpInfo = m_nSnsSpInfo;
    ulog::CopyText(info.szSnsPersonId, m_szSnsPersonId);
    ulog::CopyText(info.szEmailDisplayName, m_szEmailDisplayName);
    ulog::CopyText(info.szSyncId, m_szSyncId);
    ulog::StoreValue(m_pContentValue, info);
    return TRUE;
}

void CUlogSnsLog::SetSnsPersonId(const char* pszSnsPersonId)
{
    if (!ULOG_REQUIRE(pszSnsPersonId != NULL))
        return;
    ulog::CopyText(m_szSnsPersonId, pszSnsPersonId);
}

void CUlogSnsLog::SetEmailDisplayName(const char* pszEmailDisplayName)
{
    if (!ULOG_REQUIRE(pszEmailDisplayName != NULL))
        return;
    ulog::CopyText(m_szEmailDisplayName, pszEmailDisplayName);
}

void CUlogSnsLog::SetSyncId(const char* pszSyncId)
{
    if (!ULOG_REQUIRE(pszSyncId != NULL))
        return;
    ulog::CopyText(m_szSyncId, pszSyncId);
}

void CUlogSnsLog::SetContentValue(const CUlogContentValue* pContentValue)
{
    if (!ULOG_REQUIRE(pContentValue != NULL))
        return;
    ulog::ReplaceValue(m_pContentValue, pContentValue);
}
