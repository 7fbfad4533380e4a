#include "KivAppSvcFramework/ContentHandler.h"

#include "KivGWESCore/KivGWESCore.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
/* A statement handle destroyed on every path out of the scope. */
class StmtGuard
{
public:
    explicit StmtGuard(int h) : m_h(h) {}
    ~StmtGuard()
    {
        if (m_h >= 0)
            Db2StmtDestroy(m_h);
    }
    StmtGuard(const StmtGuard&) = delete;
    StmtGuard& operator=(const StmtGuard&) = delete;
    int Get() const { return m_h; }

private:
    int m_h;
};

bool SlotToInt(const Db2BindField& slot, long long& value)
{
    if (slot.nIndicator < 0 || slot.pData == nullptr)
        return false;
    switch (slot.nType)
    {
    case DB2_FIELD_INT:
        value = *static_cast<const long long*>(slot.pData);
        return true;
    case DB2_FIELD_REAL:
        value = static_cast<long long>(*static_cast<const double*>(slot.pData));
        return true;
    case DB2_FIELD_TEXT:
        value = std::strtoll(static_cast<const char*>(slot.pData), nullptr, 10);
        return true;
    case DB2_FIELD_WTEXT:
    {
        char narrow[32] = {0};
        WmConvert2LCode(narrow, sizeof(narrow), static_cast<const WCHAR*>(slot.pData));
        value = std::strtoll(narrow, nullptr, 10);
        return true;
    }
    default:
        return false;
    }
}

BOOL BindNarrow(Db2BindField* slot, const char* value)
{
    if (slot == nullptr || slot->pData == nullptr)
        return FALSE;
    if (value == nullptr)
    {
        slot->nIndicator = -1;
        return TRUE;
    }
    switch (slot->nType)
    {
    case DB2_FIELD_WTEXT:
        WmConvert2PCode(static_cast<WCHAR*>(slot->pData), static_cast<int>(slot->nSize), value);
        break;
    case DB2_FIELD_TEXT:
        AcStrcpySEx(static_cast<char*>(slot->pData), slot->nSize, value, __FILE__, __LINE__);
        break;
    case DB2_FIELD_INT:
        *static_cast<long long*>(slot->pData) = std::strtoll(value, nullptr, 10);
        break;
    case DB2_FIELD_REAL:
        *static_cast<double*>(slot->pData) = std::strtod(value, nullptr);
        break;
    default:
        return FALSE;
    }
    slot->nIndicator = 0;
    return TRUE;
}

BOOL BindInt(Db2BindField* slot, long long value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%lld", value);
    return BindNarrow(slot, text);
}

BOOL BindField(Db2BindField* slot, const CContentInput::Field& field)
{
    switch (field.kind)
    {
    case CContentInput::KIND_INT:
        return BindInt(slot, field.i);
    case CContentInput::KIND_STRING:
        return BindNarrow(slot, field.s.c_str());
    case CContentInput::KIND_NSTRING:
        return ContentBindWide(slot, field.w.data());
    default:
        if (slot == nullptr)
            return FALSE;
        slot->nIndicator = -1;
        return TRUE;
    }
}

/* Runs a write statement; rows changed, -1 on failure (rolled back). */
int ExecuteWrite(int hStmt)
{
    const int n = Db2StmtExecute(hStmt);
    if (n < 0)
    {
        Db2Rollback();
        return -1;
    }
    Db2Commit();
    return n;
}
} // namespace

/* ---- CContentInput ---------------------------------------------------------------------------- */

void CContentInput::AddInt(const std::string& column, long long value)
{
    Field f;
    f.name = column;
    f.kind = KIND_INT;
    f.i = value;
    m_fields.push_back(std::move(f));
}

void CContentInput::AddString(const std::string& column, const char* text)
{
    if (text == nullptr)
        return AddNull(column);
    Field f;
    f.name = column;
    f.kind = KIND_STRING;
    f.s = text;
    m_fields.push_back(std::move(f));
}

void CContentInput::AddNString(const std::string& column, const WCHAR* text)
{
    if (text == nullptr)
        return AddNull(column);
    Field f;
    f.name = column;
    f.kind = KIND_NSTRING;
    const int n = WmStrlen(text);
    f.w.assign(text, text + n);
    f.w.push_back(0);
    m_fields.push_back(std::move(f));
}

void CContentInput::AddNull(const std::string& column)
{
    Field f;
    f.name = column;
    m_fields.push_back(std::move(f));
}

const CContentInput::Field* CContentInput::Find(const std::string& column) const
{
    for (const Field& f : m_fields)
        if (f.name == column)
            return &f;
    return nullptr;
}

/* ---- Binding ---------------------------------------------------------------------------------- */

BOOL ContentBindWide(Db2BindField* slot, const WCHAR* value)
{
    if (slot == nullptr || slot->pData == nullptr)
        return FALSE;
    if (value == nullptr)
    {
        slot->nIndicator = -1;
        return TRUE;
    }
    if (slot->nType == DB2_FIELD_WTEXT)
    {
        WmStrcpy(static_cast<WCHAR*>(slot->pData), static_cast<int>(slot->nSize), value);
        slot->nIndicator = 0;
        return TRUE;
    }
    /* A "?" that stands for a narrow or numeric column: the value converted to the column's kind. */
    std::vector<char> narrow(static_cast<size_t>(WmStrlen(value)) * 4 + 1, 0);
    WmConvert2LCode(narrow.data(), static_cast<int>(narrow.size()), value);
    return BindNarrow(slot, narrow.data());
}

/* ---- CContentDb2MgrBaseHandler ------------------------------------------------------------------ */

BOOL CContentDb2MgrBaseHandler::SetFilter(const CContentURI& uri, const CContentFilter* filter)
{
    m_uri = uri;
    if (filter != nullptr)
    {
        m_filter = *filter;
        m_bFilter = true;
    }
    else
    {
        m_filter = CContentFilter();
        m_bFilter = false;
    }
    return TRUE;
}

std::string CContentDb2MgrBaseHandler::GetSelectList() const
{
    const auto& columns = m_filter.GetColumnNames();
    if (columns.empty())
        return "*";
    std::string list;
    for (const std::string& c : columns)
    {
        if (!list.empty())
            list += ", ";
        list += c;
    }
    return list;
}

std::string CContentDb2MgrBaseHandler::WhereClause() const
{
    if (m_filter.GetWhere().empty())
        return std::string();
    return " where " + m_filter.GetWhere();
}

int CContentDb2MgrBaseHandler::CreateStatement(const std::string& sql, bool bindArgs)
{
    const int h = Db2StmtCreate(sql.c_str());
    if (h < 0)
        return INVALID_HOBJ;
    if (bindArgs)
    {
        Db2BindField* slots = Db2StmtGetBindParamFields(h);
        const int slotCount = Db2StmtGetBindParamCount(h);
        const int argCount = m_filter.GetWhereArgCount();
        for (int i = 0; i < argCount && i < slotCount && slots != nullptr; ++i)
            ContentBindWide(&slots[i], m_filter.GetWhereArg(i));
    }
    return h;
}

int CContentDb2MgrBaseHandler::GetContents(int start, int count, std::vector<CContent>& rows)
{
    if (start < 0 || count <= 0)
        return 0;
    std::string sql = "select " + GetSelectList() + " from " + GetTableName() + WhereClause();
    if (!m_filter.GetOrderBy().empty())
        sql += " order by " + m_filter.GetOrderBy();
    sql += " limit " + std::to_string(start) + ", " + std::to_string(count);

    StmtGuard stmt(CreateStatement(sql, true));
    if (stmt.Get() < 0)
        return 0;
    if (Db2StmtExecute(stmt.Get()) < 0)
        return 0;
    const Db2BindField* slots = Db2StmtGetBindResFields(stmt.Get());
    const int slotCount = Db2StmtGetBindResCount(stmt.Get());
    if (slots == nullptr || slotCount <= 0)
        return 0;
    if (!m_bTypesRead)
    {
        m_types.clear();
        GetColumnTypes(m_types);
        m_bTypesRead = true;
    }
    int delivered = 0;
    while (delivered < count && Db2StmtGetNextRow(stmt.Get()) == 0)
    {
        CContent row;
        if (!MakeContent(slots, slotCount, row))
            break;
        rows.push_back(std::move(row));
        ++delivered;
    }
    return delivered > 0 ? 1 : 0;
}

BOOL CContentDb2MgrBaseHandler::MakeContent(const Db2BindField* slots, int slotCount, CContent& row)
{
    row.Reserve(slotCount);
    for (int i = 0; i < slotCount; ++i)
    {
        const Db2BindField& s = slots[i];
        ContentColumnType type = static_cast<size_t>(i) < m_types.size() ? m_types[static_cast<size_t>(i)]
                                                                         : CONTENT_COLUMN_TYPE_NONE;
        if (s.nIndicator < 0 || s.pData == nullptr)
        {
            row.AddNull(type);
            continue;
        }
        switch (s.nType)
        {
        case DB2_FIELD_INT:
            row.AddInt(*static_cast<const long long*>(s.pData),
                       type == CONTENT_COLUMN_TYPE_NONE ? CONTENT_COLUMN_TYPE_INT : type);
            break;
        case DB2_FIELD_WTEXT:
            row.AddNString(static_cast<const WCHAR*>(s.pData));
            break;
        case DB2_FIELD_REAL:
        {
            char text[64];
            std::snprintf(text, sizeof(text), "%.17g", *static_cast<const double*>(s.pData));
            row.AddString(text);
            break;
        }
        default:
            row.AddString(static_cast<const char*>(s.pData));
            break;
        }
    }
    return TRUE;
}

int CContentDb2MgrBaseHandler::GetCount()
{
    StmtGuard stmt(CreateStatement("select count(*) from " + GetTableName() + WhereClause(), true));
    if (stmt.Get() < 0 || Db2StmtExecute(stmt.Get()) < 0)
        return -1;
    const Db2BindField* slots = Db2StmtGetBindResFields(stmt.Get());
    long long n = 0;
    if (slots == nullptr || Db2StmtGetNextRow(stmt.Get()) != 0 || !SlotToInt(slots[0], n))
        return -1;
    return static_cast<int>(n);
}

int CContentDb2MgrBaseHandler::GetBlockCount()
{
    const int count = GetCount();
    const int blockSize = GetBlockSize();
    if (count < 0 || blockSize <= 0)
        return -1;
    return (count + blockSize - 1) / blockSize;
}

BOOL CContentDb2MgrBaseHandler::IsContained(int id)
{
    std::string sql = "select count(*) from " + GetTableName() + " where ";
    if (!m_filter.GetWhere().empty())
        sql += "(" + m_filter.GetWhere() + ") and ";
    sql += GetKeyName() + " = " + std::to_string(id);
    StmtGuard stmt(CreateStatement(sql, true));
    if (stmt.Get() < 0 || Db2StmtExecute(stmt.Get()) < 0)
        return FALSE;
    const Db2BindField* slots = Db2StmtGetBindResFields(stmt.Get());
    long long n = 0;
    if (slots == nullptr || Db2StmtGetNextRow(stmt.Get()) != 0 || !SlotToInt(slots[0], n))
        return FALSE;
    return n > 0 ? TRUE : FALSE;
}

int CContentDb2MgrBaseHandler::GetIndexWithID(int id)
{
    std::string sql = "select " + GetKeyName() + " from " + GetTableName() + WhereClause();
    if (!m_filter.GetOrderBy().empty())
        sql += " order by " + m_filter.GetOrderBy();
    StmtGuard stmt(CreateStatement(sql, true));
    if (stmt.Get() < 0 || Db2StmtExecute(stmt.Get()) < 0)
        return -1;
    const Db2BindField* slots = Db2StmtGetBindResFields(stmt.Get());
    if (slots == nullptr)
        return -1;
    for (int index = 0; Db2StmtGetNextRow(stmt.Get()) == 0; ++index)
    {
        long long key = 0;
        if (SlotToInt(slots[0], key) && key == id)
            return index;
    }
    return -1;
}

int CContentDb2MgrBaseHandler::Insert(CContentInput& input)
{
    const auto& fields = input.GetFields();
    if (fields.empty())
        return -1;
    std::string names;
    std::string marks;
    for (const auto& f : fields)
    {
        names += (names.empty() ? "" : ", ") + f.name;
        marks += marks.empty() ? "?" : ", ?";
    }
    StmtGuard stmt(
        CreateStatement("insert into " + GetTableName() + " (" + names + ") values (" + marks + ")", false));
    if (stmt.Get() < 0)
        return -1;
    Db2BindField* slots = Db2StmtGetBindParamFields(stmt.Get());
    if (slots == nullptr || Db2StmtGetBindParamCount(stmt.Get()) != static_cast<int>(fields.size()))
        return -1;
    for (size_t i = 0; i < fields.size(); ++i)
        if (!BindField(&slots[i], fields[i]))
            return -1;
    return ExecuteWrite(stmt.Get());
}

int CContentDb2MgrBaseHandler::Insert(std::vector<CContentInput>& inputs)
{
    int written = 0;
    for (CContentInput& input : inputs)
    {
        const int n = Insert(input);
        if (n < 0)
            return -1;
        written += n;
    }
    return written;
}

int CContentDb2MgrBaseHandler::Insert(std::vector<CContentURIInput>& /*inputs*/)
{
    return -1;
}

int CContentDb2MgrBaseHandler::Update(CContentInput& input, int id)
{
    const auto& fields = input.GetFields();
    if (fields.empty())
        return -1;
    std::string sets;
    for (const auto& f : fields)
        sets += (sets.empty() ? "" : ", ") + f.name + " = ?";
    StmtGuard stmt(CreateStatement("update " + GetTableName() + " set " + sets + " where " + GetKeyName() +
                                       " = " + std::to_string(id),
                                   false));
    if (stmt.Get() < 0)
        return -1;
    Db2BindField* slots = Db2StmtGetBindParamFields(stmt.Get());
    if (slots == nullptr || Db2StmtGetBindParamCount(stmt.Get()) != static_cast<int>(fields.size()))
        return -1;
    for (size_t i = 0; i < fields.size(); ++i)
        if (!BindField(&slots[i], fields[i]))
            return -1;
    return ExecuteWrite(stmt.Get());
}

int CContentDb2MgrBaseHandler::Delete(int id)
{
    StmtGuard stmt(CreateStatement(
        "delete from " + GetTableName() + " where " + GetKeyName() + " = " + std::to_string(id), false));
    if (stmt.Get() < 0)
        return -1;
    return ExecuteWrite(stmt.Get());
}

int CContentDb2MgrBaseHandler::Delete(std::vector<int>& ids)
{
    int deleted = 0;
    for (int id : ids)
    {
        const int n = Delete(id);
        if (n < 0)
            return -1;
        deleted += n;
    }
    return deleted;
}

int CContentDb2MgrBaseHandler::DeleteMatching()
{
    StmtGuard stmt(CreateStatement("delete from " + GetTableName() + WhereClause(), true));
    if (stmt.Get() < 0)
        return -1;
    return ExecuteWrite(stmt.Get());
}

int CContentDb2MgrBaseHandler::GetColumnNames(std::vector<std::string>& names)
{
    const auto& columns = m_filter.GetColumnNames();
    names.insert(names.end(), columns.begin(), columns.end());
    return static_cast<int>(columns.size());
}

int CContentDb2MgrBaseHandler::GetFilter(CContentFilter& filter)
{
    filter = m_filter;
    return m_bFilter ? 1 : 0;
}

int CContentDb2MgrBaseHandler::GetColumnTypes(std::vector<ContentColumnType>& /*types*/)
{
    return 0;
}

std::string CContentDb2MgrBaseHandler::GetWhere()
{
    return m_filter.GetWhere();
}

std::vector<const WCHAR*> CContentDb2MgrBaseHandler::GetWhereArg()
{
    return m_filter.GetWhereArgs();
}

int CContentDb2MgrBaseHandler::GetContentID(const CContentInput& input)
{
    const CContentInput::Field* f = input.Find(GetKeyName());
    if (f == nullptr || f->kind != CContentInput::KIND_INT)
        return -1;
    return static_cast<int>(f->i);
}
