#include "UlogSvcDbMgr/UlogDbColumns.h"

#include "UlogSvcDbMgr/CUlogDbBatch.h"

namespace UlogDbColumns
{
const Column s_aColumns[COLUMN_CNT] = {
    {"clogdbindex", "int primary key", 0},
    {"sortindex", "int", 0},
    {"groupid", "int", 0},
    {"parentid", "int", 0},
    {"starttime", "bigint", 0},
    {"endtime", "bigint", 0},
    {"wifitime", "bigint", 0},
    {"gsmtime", "bigint", 0},
    {"logtype", "int", 0},
    {"calltype", "int", 0},
    {"linetype", "int", 0},
    {"phonetype", "int", 0},
    {"storagetype", "int", 0},
    {"callcost", "int", 0},
    {"ctprimaryid", "int", 0},
    {"ctdataid", "int", 0},
    {"ctfdnid", "int", 0},
    {"myaccountid", "int", 0},
    {"sncount", "int", 0},
    {"stagetype", "int", 0},
    {"isvideoshare", "tinyint", 0},
    {"iscnap", "tinyint", 0},
    {"isuncheckedyet", "tinyint", 0},
    {"istemplog", "tinyint", 0},
    {"aliasaddress", "varchar", 129},
    {"basicnumber", "varchar", 81},
    {"firstname", "varchar", 310},
    {"lastname", "varchar", 310},
    {"callerid", "varchar", 772},
    {"dummystring", "nvarchar", 103},
    {"msglogtype", "int", 0},
    {"msglogid", "int", 0},
    {"emailname", "varchar", 301},
    {"emailaddress", "nvarchar", 301},
    {"logname", "nvarchar", 310},
    {"lognumber", "nvarchar", 81},
    {"logsubject", "nvarchar", 101},
    {"logcontentbody", "nvarchar", 101},
    {"contentid", "int", 0},
    {"logsourcetype", "int", 0},
    {"accountemailaddress", "varchar", 301},
    {"accountid", "int", 0},
    {"syncid", "varchar", 100},
    {"snspersonid", "varchar", 100},
    {"spinfo", "int", 0},
    {"ipcalldigitcount", "int", 0},
};

const char* const s_apszFieldNames[COLUMN_CNT] = {
    "clogdbindex",
    "sortindex",
    "groupid",
    "parentid",
    "starttime",
    "endtime",
    "wifitime",
    "gsmtime",
    "logtype",
    "calltype",
    "linetype",
    "phonetype",
    "storagetype",
    "callcost",
    "ctprimaryid",
    "ctdataid",
    "ctfdnid",
    "myaccountid",
    "sncount",
    "stagetype",
    "iscnap",
    "isvideoshare",
    "isuncheckedyet",
    "istemplog",
    "aliasaddress",
    "basicnumber",
    "firstname",
    "lastname",
    "callerid",
    "dummystring",
    "msglogtype",
    "msglogid",
    "emailname",
    "emailaddress",
    "logname",
    "lognumber",
    "logsubject",
    "logcontentbody",
    "contentid",
    "logsourcetype",
    "accountemailaddress",
    "accountid",
    "syncid",
    "snspersonid",
    "spinfo",
    "ipcalldigitcount",
};
} // namespace UlogDbColumns

#include <set>
#include <string>

#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogDB"
#include "H/UlogSvcDef.h"

namespace UlogDbColumns
{
#define ULOG_COL(p) s_aColumns[p].pszName, s_aColumns[p].pszType
#define ULOG_TCOL(p) s_aColumns[p].pszName, s_aColumns[p].pszType, s_aColumns[p].nSize

int FormatCreateTable(char* pszQuery, int nQuerySize, const char* pszFormat, const char* pszTableName)
{
    return AcSprintfSEx(
        pszQuery, (size_t)nQuerySize, __FILE__, __LINE__, pszFormat, pszTableName, ULOG_COL(0), ULOG_COL(1),
        ULOG_COL(2), ULOG_COL(3), ULOG_COL(4), ULOG_COL(5), ULOG_COL(6), ULOG_COL(7), ULOG_COL(8),
        ULOG_COL(9), ULOG_COL(10), ULOG_COL(11), ULOG_COL(12), ULOG_COL(13), ULOG_COL(14), ULOG_COL(15),
        ULOG_COL(16), ULOG_COL(17), ULOG_COL(18), ULOG_COL(19), ULOG_COL(20), ULOG_COL(21), ULOG_COL(22),
        ULOG_COL(23), ULOG_TCOL(24), ULOG_TCOL(25), ULOG_TCOL(26), ULOG_TCOL(27), ULOG_TCOL(28),
        ULOG_TCOL(29), ULOG_COL(30), ULOG_COL(31), ULOG_TCOL(32), ULOG_TCOL(33), ULOG_TCOL(34), ULOG_TCOL(35),
        ULOG_TCOL(36), ULOG_TCOL(37), ULOG_COL(38), ULOG_COL(39), ULOG_TCOL(40), ULOG_COL(41), ULOG_TCOL(42),
        ULOG_TCOL(43), ULOG_COL(44), ULOG_COL(45));
}

namespace
{
/* Runs the index's create statement; the engine's result (-1 on failure). */
int CreateOneIndex(const char* pszTableName, const IndexDef& idx)
{
    int nResult = -1;
    if (idx.nKeyCnt == 1)
    {
        nResult = Db2QueryEx("create index %s on %s (%s %s)", idx.pszName, pszTableName, idx.apszKey[0][0],
                             idx.apszKey[0][1]);
    }
    else if (idx.nKeyCnt == 2)
    {
        nResult = Db2QueryEx("create index %s on %s (%s %s, %s %s)", idx.pszName, pszTableName,
                             idx.apszKey[0][0], idx.apszKey[0][1], idx.apszKey[1][0], idx.apszKey[1][1]);
    }
    else
    {
        nResult = Db2QueryEx("create index %s on %s (%s %s, %s %s, %s %s)", idx.pszName, pszTableName,
                             idx.apszKey[0][0], idx.apszKey[0][1], idx.apszKey[1][0], idx.apszKey[1][1],
                             idx.apszKey[2][0], idx.apszKey[2][1]);
    }
    Db2ClearRow();
    return nResult;
}

std::string Lower(const char* psz)
{
    std::string str(psz != nullptr ? psz : "");
    for (char& c : str)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = (char)(c - 'A' + 'a');
        }
    }
    return str;
}
} // namespace

int CreateIndexes(const char* pszTableName, const IndexDef* pIndexes, int nIndexCnt,
                  const char* pszSummaryPrefix)
{
    std::string strSummary;
    for (int i = 0; i < nIndexCnt; i++)
    {
        const IndexDef& idx = pIndexes[i];
        if (CreateOneIndex(pszTableName, idx) == -1)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, idx.pszFailMsg);
            return 0;
        }
        if (!strSummary.empty())
        {
            strSummary += ", ";
        }
        strSummary += idx.pszName;
    }
    SysDebugPrintf(ULOG_DBG_DETAIL, "%s: created (%s)\n", pszSummaryPrefix, strSummary.c_str());
    return 1;
}

int CreateMissingIndexes(const char* pszTableName, const IndexDef* pIndexes, int nIndexCnt,
                         const char* pszFunc)
{
    // One process at a time: another one starting at the same moment waits, then finds the indexes
    // this one created instead of failing to create them again.
    CUlogDbBatch batch;
    if (!batch.IsOpen())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "%s: the indexes of %s cannot be checked now\n", pszFunc, pszTableName);
        return -1;
    }
    std::set<std::string> existing;
    {
        char szQuery[256] = {0};
        AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__,
                     "select name from sqlite_master where type = 'index' and tbl_name = '%s'", pszTableName);
        CRowReader reader;
        if (reader.Open(szQuery, std::vector<unsigned short*>()) < 0)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "%s: the indexes of %s cannot be read\n", pszFunc, pszTableName);
            return -1;
        }
        while (reader.Next() == 0)
        {
            existing.insert(Lower(reader.Column(0)));
        }
    }
    int nCreated = 0;
    bool bFailed = false;
    std::string strSummary;
    for (int i = 0; i < nIndexCnt; i++)
    {
        const IndexDef& idx = pIndexes[i];
        if (existing.count(Lower(idx.pszName)) != 0)
        {
            continue;
        }
        if (CreateOneIndex(pszTableName, idx) == -1)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL, idx.pszFailMsg);
            SysDebugPrintf(ULOG_DBG_FAIL, "%s: the missing index %s could not be created\n", pszFunc,
                           idx.pszName);
            bFailed = true;
            continue;
        }
        ++nCreated;
        strSummary += (strSummary.empty() ? "" : ", ") + std::string(idx.pszName);
    }
    if (nCreated > 0)
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS, "%s: created the missing indexes of %s (%s)\n", pszFunc,
                       pszTableName, strSummary.c_str());
    }
    if (!batch.Commit() || bFailed)
        return -1;
    return nCreated;
}

int FormatStandInTable(char* pszQuery, int nQuerySize, const char* pszTableName)
{
    std::string strQuery = std::string("create temp table ") + pszTableName + " (";
    for (int i = 0; i < COLUMN_CNT; i++)
    {
        const Column& col = s_aColumns[i];
        strQuery += (i > 0 ? ", " : "") + std::string(col.pszName) + " " + col.pszType;
        if (col.nSize > 0)
        {
            strQuery += "(" + std::to_string(col.nSize) + ")";
        }
    }
    strQuery += ")";
    AcStrcpySEx(pszQuery, (size_t)nQuerySize, strQuery.c_str(), __FILE__, __LINE__);
    return (int)strQuery.size();
}
} // namespace UlogDbColumns

#include "KivGWESCore/KivGWESCore.h"

namespace UlogDbColumns
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
} // namespace UlogDbColumns

namespace UlogDbColumns
{
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
    Db2StmtDestroy(hStmt);
    if (nResult < 0)
    {
        Db2Rollback();
    }
    else
    {
        Db2Commit();
    }
    return nResult;
}
} // namespace UlogDbColumns

namespace UlogDbColumns
{
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
} // namespace UlogDbColumns
