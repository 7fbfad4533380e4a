// The engine's copy of the schema (tables, their columns and declared types), read again after a
// statement that changes it, and the slot class of a "?" found from it.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

namespace kiv::core::db2
{
void Engine::LoadSchemaLocked()
{
    if (schemaValid)
        return;
    schema.clear();
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "select name from sqlite_master where type = 'table'", -1, &st, nullptr) ==
        SQLITE_OK)
    {
        while (sqlite3_step(st) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    for (const auto& t : tables)
    {
        auto& cols = schema[Lower(t)];
        st = nullptr;
        std::string pragma = "PRAGMA table_info(\"";
        for (char c : t)
        {
            pragma += c;
            if (c == '"')
                pragma += '"';
        }
        pragma += "\")";
        if (sqlite3_prepare_v2(db, pragma.c_str(), -1, &st, nullptr) == SQLITE_OK)
        {
            while (sqlite3_step(st) == SQLITE_ROW)
            {
                const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
                const char* type = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
                cols.emplace_back(Lower(name != nullptr ? name : ""), type != nullptr ? type : "");
            }
        }
        sqlite3_finalize(st);
    }
    schemaValid = true;
}

const std::string* Engine::FindColumn(const std::string& table, const std::string& column)
{
    auto it = schema.find(Lower(table));
    if (it == schema.end())
        return nullptr;
    const std::string col = Lower(column);
    for (const auto& [name, type] : it->second)
        if (name == col)
            return &type;
    return nullptr;
}

// The slot of a "?": the declared type of the column it stands for, else 16-bit text of
// kDefaultTextSize units (the service binds only 16-bit text).
SlotClass Engine::ParamClass(const ParamHint& hint, const Translation& t)
{
    LoadSchemaLocked();
    const std::string* decl = nullptr;
    if (!hint.column.empty())
    {
        if (!hint.table.empty())
            decl = FindColumn(hint.table, hint.column);
        for (size_t i = 0; decl == nullptr && i < t.tables.size(); ++i)
            decl = FindColumn(t.tables[i], hint.column);
        for (auto it = schema.begin(); decl == nullptr && it != schema.end(); ++it)
            decl = FindColumn(it->first, hint.column);
    }
    else if (hint.position >= 0 && !hint.table.empty())
    {
        auto it = schema.find(Lower(hint.table));
        if (it != schema.end() && static_cast<size_t>(hint.position) < it->second.size())
            decl = &it->second[static_cast<size_t>(hint.position)].second;
    }
    if (decl == nullptr || decl->empty())
        return SlotClass{};
    SlotClass c = Classify(decl->c_str());
    c.expression = false;
    return c;
}
} // namespace kiv::core::db2
