/*
 * Running statements: binding 16-bit text to "?" marks, bound filters, and
 * reading rows from the engine's current result or from a statement.
 */
#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDbQuery"
#include "UlogSvcDbMgr/UlogDbQuery.h"

#include "H/UlogSvcDef.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"

namespace UlogDbQuery
{
void BindWideParam(Db2BindField* pFields, int nFieldCnt, int nIndex, const WCHAR* pmszValue, int nMaxChars)
{
    static const WCHAR s_mszEmpty[1] = {0};
    if (pFields == NULL || nIndex < 0 || nIndex >= nFieldCnt)
    {
        return;
    }
    Db2BindField& field = pFields[nIndex];
    if (field.pData == NULL || field.nSize == 0)
    {
        return;
    }
    const WCHAR* pmszSource = pmszValue != NULL ? pmszValue : s_mszEmpty;
    if (field.nType == DB2_FIELD_WTEXT)
    {
        int nUnits = nMaxChars;
        if (nUnits < 0 || (unsigned int)nUnits > field.nSize - 1)
        {
            nUnits = (int)field.nSize - 1;
        }
        WmStrncpy((WCHAR*)field.pData, pmszSource, nUnits);
    }
    else if (field.nType == DB2_FIELD_TEXT)
    {
        WmConvert2LCode((char*)field.pData, (int)field.nSize, pmszSource);
    }
    else
    {
        return;
    }
    field.nIndicator = 0;
}

int RunBound(const char* pszQuery, const std::vector<unsigned short*>& args, long long* pnValue,
             bool* pbValue)
{
    if (pbValue != nullptr)
    {
        *pbValue = false;
    }
    const HOBJ hStmt = Db2StmtCreate(pszQuery);
    if (hStmt == -1)
    {
        return -1;
    }
    Db2BindField* pParams = Db2StmtGetBindParamFields(hStmt);
    const int nParamCnt = Db2StmtGetBindParamCount(hStmt);
    for (int i = 0; i < (int)args.size(); i++)
    {
        BindWideParam(pParams, nParamCnt, i, args[i], -1);
    }
    const int nResult = Db2StmtExecute(hStmt);
    if (nResult > 0 && pnValue != nullptr && Db2StmtGetNextRow(hStmt) >= 0)
    {
        const Db2BindField* pRes = Db2StmtGetBindResFields(hStmt);
        if (pRes != nullptr && Db2StmtGetBindResCount(hStmt) > 0 && pRes[0].nIndicator == 0 &&
            pRes[0].pData != nullptr)
        {
            switch (pRes[0].nType)
            {
            case DB2_FIELD_INT:
                *pnValue = *(const long long*)pRes[0].pData;
                break;
            case DB2_FIELD_REAL:
                *pnValue = (long long)*(const double*)pRes[0].pData;
                break;
            case DB2_FIELD_TEXT:
                *pnValue = AcAtoi((const char*)pRes[0].pData);
                break;
            default:
                *pnValue = 0;
                break;
            }
            if (pbValue != nullptr)
            {
                *pbValue = true;
            }
        }
    }
    return FinishStatement(hStmt, nResult);
}

int FinishStatement(HOBJ hStmt, int nResult)
{
    Db2StmtDestroy(hStmt);
    if (nResult < 0)
        Db2Rollback();
    else
        Db2Commit();
    return nResult;
}

CBoundFilter::CBoundFilter(const IUlogSvcFilter& filter) : m_strText(filter.GetFilter())
{
    if (!m_strText.empty())
    {
        m_args = filter.GetFilterArg();
    }
}

int CBoundFilter::Run(const char* pszQuery) const
{
    if (IsBound())
    {
        return RunBound(pszQuery, m_args);
    }
    CResultGuard guard;
    return Db2QueryEx(pszQuery);
}

int CRowReader::Open(const char* pszQuery, const std::vector<unsigned short*>& args)
{
    Close();
    if (args.empty())
    {
        m_bResult = true;
        return Db2QueryEx(pszQuery);
    }
    m_hStmt = Db2StmtCreate(pszQuery);
    if (m_hStmt == -1)
    {
        m_hStmt = INVALID_HOBJ;
        return -1;
    }
    Db2BindField* pParams = Db2StmtGetBindParamFields(m_hStmt);
    const int nParamCnt = Db2StmtGetBindParamCount(m_hStmt);
    for (int i = 0; i < (int)args.size(); i++)
    {
        BindWideParam(pParams, nParamCnt, i, args[i], -1);
    }
    return Db2StmtExecute(m_hStmt);
}

int CRowReader::Next()
{
    if (m_hStmt != INVALID_HOBJ)
    {
        return Db2StmtGetNextRow(m_hStmt);
    }
    return m_bResult ? Db2GetNextRow() : -1;
}

const char* CRowReader::Column(int nColumn)
{
    if (m_hStmt == INVALID_HOBJ)
    {
        return m_bResult ? Db2GetColumn(nColumn) : nullptr;
    }
    const Db2BindField* pRes = Db2StmtGetBindResFields(m_hStmt);
    if (pRes == nullptr || nColumn < 0 || nColumn >= Db2StmtGetBindResCount(m_hStmt))
    {
        return nullptr;
    }
    const Db2BindField& field = pRes[nColumn];
    if (field.nIndicator != 0 || field.pData == nullptr)
    {
        return nullptr;
    }
    switch (field.nType)
    {
    case DB2_FIELD_INT:
        m_strText = std::to_string(*(const long long*)field.pData);
        return m_strText.c_str();
    case DB2_FIELD_REAL:
        m_strText = std::to_string(*(const double*)field.pData);
        return m_strText.c_str();
    case DB2_FIELD_TEXT:
        return (const char*)field.pData;
    default:
    {
        std::vector<char> buf(field.nSize * 4 + 1, 0);
        WmConvert2LCode(buf.data(), (int)buf.size(), (const WCHAR*)field.pData);
        m_strText = buf.data();
        return m_strText.c_str();
    }
    }
}

void CRowReader::Close()
{
    if (m_hStmt != INVALID_HOBJ)
    {
        Db2StmtDestroy(m_hStmt);
        Db2Commit();
        m_hStmt = INVALID_HOBJ;
    }
    if (m_bResult)
    {
        Db2ClearRow();
        m_bResult = false;
    }
}
} // namespace UlogDbQuery
