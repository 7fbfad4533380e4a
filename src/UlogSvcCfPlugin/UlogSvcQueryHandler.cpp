#define ULOG_SRC_MODULE "UlogSvcCfPlugin/UlogSvcQueryHandler"
#include "H/UlogSvcDef.h"

#include "UlogSvcCfPlugin/CUlogQueryHandler.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "KivGWESCore/KivGWESCore.h"

#include <cstdio>
#include <string>

namespace
{
using UlogDbQuery::QUERY_SIZE;
const int NAME_LEN = 310; /* narrow display name buffer */
const int NAME_ORDER_SETTING = 1417;
const size_t ROW_TEXT_BYTES = 256; /* the texts of a usual row, reserved at once */

/* Declared kind of a content column; content columns follow the field identifiers. */
ContentColumnType ContentTypeOf(int nColumn)
{
    switch (UlogDbColumns::ColumnOfField(nColumn).iKind)
    {
    case UlogDbColumns::COLUMN_TIME:
        return CONTENT_COLUMN_TYPE_TIME;
    case UlogDbColumns::COLUMN_FLAG:
        return CONTENT_COLUMN_TYPE_BOOL;
    case UlogDbColumns::COLUMN_TEXT:
        return CONTENT_COLUMN_TYPE_STRING;
    case UlogDbColumns::COLUMN_WTEXT:
        return CONTENT_COLUMN_TYPE_NSTRING;
    default:
        return CONTENT_COLUMN_TYPE_INT;
    }
}

/* Per content column: the table position it is read from and its declared kind; worked out once. */
struct CRowLayout
{
    int anPos[CUlogQueryHandler::ULOG_CONTENT_COLUMN_CNT];
    ContentColumnType aiType[CUlogQueryHandler::ULOG_CONTENT_COLUMN_CNT];
};

const CRowLayout& RowLayout()
{
    static const CRowLayout s_layout = []
    {
        CRowLayout layout = {};
        for (int nColumn = 0; nColumn < CUlogQueryHandler::ULOG_CONTENT_COLUMN_CNT; ++nColumn)
        {
            layout.anPos[nColumn] = UlogDbColumns::PositionOfField(nColumn);
            layout.aiType[nColumn] = ContentTypeOf(nColumn);
        }
        return layout;
    }();
    return s_layout;
}

inline bool IsEmpty(const char* psz)
{
    return psz == NULL || psz[0] == '\0';
}

/* Result slots of a statement row. */
class CSlotCells
{
public:
    explicit CSlotCells(const Db2BindField* pSlots) : m_pSlots(pSlots) {}
    /* The text of a text column (16-bit text for the nvarchar columns); NULL for SQL NULL. */
    const char* operator()(int nPos) const
    {
        const Db2BindField& slot = m_pSlots[nPos];
        if (slot.nIndicator < 0 || slot.pData == NULL || slot.nType == DB2_FIELD_INT ||
            slot.nType == DB2_FIELD_REAL)
        {
            return NULL;
        }
        return static_cast<const char*>(slot.pData);
    }
    /* Appends a number column as its value (text that is no whole number stays text, so that reading
     * it as a number fails). */
    void AddNumber(CContent& row, ContentColumnType type, int nPos) const
    {
        const Db2BindField& slot = m_pSlots[nPos];
        if (slot.nIndicator < 0 || slot.pData == NULL)
        {
            row.AddNull(type);
        }
        else if (slot.nType == DB2_FIELD_INT)
        {
            row.AddInt(*static_cast<const long long*>(slot.pData), type);
        }
        else if (slot.nType == DB2_FIELD_REAL)
        {
            row.AddInt(static_cast<long long>(*static_cast<const double*>(slot.pData)), type);
        }
        else
        {
            row.AddFieldData(type, static_cast<const char*>(slot.pData));
        }
    }

private:
    const Db2BindField* m_pSlots;
};

/* Columns of the current Db2QueryEx row. */
struct CResultCells
{
    const char* operator()(int nPos) const { return Db2GetColumn(nPos); }
    /* Appends a number column as its value: an integer is read as one, without its text. */
    void AddNumber(CContent& row, ContentColumnType type, int nPos) const
    {
        long long nValue = 0;
        switch (Db2GetColumnInt64(nPos, &nValue))
        {
        case DB2_FIELD_INT:
        case DB2_FIELD_REAL:
            row.AddInt(nValue, type);
            break;
        case DB2_FIELD_TEXT:
            row.AddFieldData(type, Db2GetColumn(nPos));
            break;
        default:
            row.AddNull(type);
            break;
        }
    }
};
} // namespace

CUlogQueryHandler::CUlogQueryHandler() : m_pDbMgr(CUlogContentFrmwkDbMgr::Instance()), m_nNameOrder(0)
{
    ULOG_REQUIRE(m_pDbMgr != NULL);
}

UlogDbTableType CUlogQueryHandler::GetTableType() const
{
    if (m_pDbMgr == NULL)
    {
        return ULOG_DB_TABLE_DISTINCT;
    }
    return m_pDbMgr->GetTableType(GetURI());
}

std::string CUlogQueryHandler::GetKeyName()
{
    if (m_pDbMgr == NULL)
    {
        return std::string();
    }
    return m_pDbMgr->GetFieldName(ULOG_DB_ULOG_DB_INDEX, GetTableType());
}

std::string CUlogQueryHandler::GetTableName()
{
    if (m_pDbMgr == NULL)
    {
        return std::string();
    }
    return m_pDbMgr->GetTableName(GetTableType());
}

int CUlogQueryHandler::GetColumnTypes(std::vector<ContentColumnType>& types)
{
    for (int nColumn = 0; nColumn < ULOG_CONTENT_COLUMN_CNT; ++nColumn)
    {
        types.push_back(ContentTypeOf(nColumn));
    }
    return 1;
}

template <class Cell> void CUlogQueryHandler::__MakeRow(const Cell& cell, int nNameOrder, CContent& row)
{
    const CRowLayout& layout = RowLayout();
    row.Reserve(ULOG_CONTENT_COLUMN_CNT, ROW_TEXT_BYTES);
    for (int nColumn = 0; nColumn < ULOG_CONTENT_COLUMN_CNT; ++nColumn)
    {
        const int nPos = layout.anPos[nColumn];
        if (nColumn == ULOG_DB_DUMMY_STRING)
        {
            /* Stored as 16-bit text, delivered as narrow text. */
            const WCHAR* pmsz = reinterpret_cast<const WCHAR*>(cell(nPos));
            char szDummy[2 * 104] = {0};
            if (pmsz != NULL)
            {
                WmConvert2LCode(szDummy, sizeof(szDummy), pmsz);
            }
            row.AddFieldData(CONTENT_COLUMN_TYPE_STRING, szDummy);
            continue;
        }
        if (nColumn == ULOG_DB_LOG_NAME)
        {
            const char* pszFirst = cell(UlogDbColumns::PositionOfField(ULOG_DB_FIRST_NAME));
            const char* pszLast = cell(UlogDbColumns::PositionOfField(ULOG_DB_LAST_NAME));
            if (IsEmpty(pszFirst) && IsEmpty(pszLast))
            {
                row.AddFieldData(CONTENT_COLUMN_TYPE_NSTRING, cell(nPos));
                continue;
            }
            char szName[NAME_LEN] = {0};
            AcStrcpySEx(szName, sizeof(szName), IsEmpty(pszFirst) ? pszLast : pszFirst, __FILE__, __LINE__);
            if (!IsEmpty(pszFirst) && !IsEmpty(pszLast))
            {
                if (nNameOrder == 0)
                {
                    AcSprintfSEx(szName, sizeof(szName), __FILE__, __LINE__, "%s %s", pszFirst, pszLast);
                }
                else if (nNameOrder == 1)
                {
                    AcSprintfSEx(szName, sizeof(szName), __FILE__, __LINE__, "%s %s", pszLast, pszFirst);
                }
            }
            WCHAR mszName[NAME_LEN] = {0}; /* 620 bytes */
            WmConvert2PCode(mszName, NAME_LEN, szName);
            row.AddFieldData(CONTENT_COLUMN_TYPE_NSTRING, reinterpret_cast<const char*>(mszName));
            continue;
        }
        const ContentColumnType type = layout.aiType[nColumn];
        if (type == CONTENT_COLUMN_TYPE_STRING || type == CONTENT_COLUMN_TYPE_NSTRING)
        {
            row.AddFieldData(type, cell(nPos));
        }
        else
        {
            cell.AddNumber(row, type, nPos);
        }
    }
}

BOOL CUlogQueryHandler::MakeContent(const Db2BindField* slots, int slotCount, CContent& row)
{
    std::vector<std::string> columns;
    if (slotCount != ULOG_CONTENT_COLUMN_CNT || GetColumnNames(columns) != 0)
    {
        /* A projection: the columns as the statement gives them. */
        return CContentDb2MgrBaseHandler::MakeContent(slots, slotCount, row);
    }
    __MakeRow(CSlotCells(slots), m_nNameOrder, row);
    return TRUE;
}

int CUlogQueryHandler::GetContents(int start, int count, std::vector<CContent>& rows)
{
    if (m_pDbMgr == NULL)
    {
        return 0;
    }
    m_nNameOrder = NvGetInt(NAME_ORDER_SETTING);

    CContentFilter filter;
    GetFilter(filter);
    if (!GetWhereArg().empty())
    {
        return CContentDb2MgrBaseHandler::GetContents(start, count, rows);
    }

    std::string strQuery = "select * from ";
    strQuery += GetTableName();
    if (!filter.GetWhere().empty())
    {
        strQuery += " where ";
        strQuery += filter.GetWhere();
    }
    if (!filter.GetOrderBy().empty())
    {
        strQuery += " order by ";
        strQuery += filter.GetOrderBy();
    }
    char szQuery[QUERY_SIZE] = {0};
    AcSprintfSEx(szQuery, sizeof(szQuery), __FILE__, __LINE__, " %s limit %d, %d", strQuery.c_str(), start,
                 count);

    const int nRowCnt = Db2QueryEx(szQuery);
    if (nRowCnt < 1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogQueryHandler::nRowCnt (%d)!\n", nRowCnt);
        Db2ClearRow();
        return 0;
    }
    const CResultCells cells;
    for (int i = 0; i < nRowCnt; ++i)
    {
        if (Db2GetNextRow() < 0)
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogQueryHandler::GetContents: Db2GetNextRow() failed!\n");
            Db2ClearRow();
            return 0;
        }
        CContent row;
        __MakeRow(cells, m_nNameOrder, row);
        rows.push_back(std::move(row));
    }
    Db2ClearRow();
    return 1;
}
