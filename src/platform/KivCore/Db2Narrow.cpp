// Narrowed updates: an update of many columns writes only the columns whose values change.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"

namespace kiv::core::db2
{
// An update that sets many columns of one row ("update T set a = ?, b = ?, ... where ...", as the log
// tables' row updates are) makes SQLite rewrite the entry of every index holding one of those columns,
// whether its value changes or not, and every such index page is written to the journal. The engine
// first asks the row which of the new values differ and then sets only those: the same row, the same
// result, a fraction of the pages written. This is done inside batches only (see RunNarrowed).

// The plan of a compiled update of many columns (see ParseUpdate); null for every other statement.
std::unique_ptr<UpdatePlan> PlanUpdate(std::string_view sql)
{
    UpdateShape shape;
    if (!ParseUpdate(sql, shape))
        return nullptr;
    auto plan = std::make_unique<UpdatePlan>();
    plan->table = std::move(shape.table);
    plan->sets = std::move(shape.sets);
    plan->where = std::move(shape.where);
    plan->probe = "select ";
    for (size_t i = 0; i < plan->sets.size(); ++i)
        plan->probe += (i > 0 ? ", (" : "(") + plan->sets[i].first + " is " + plan->sets[i].second + ")";
    plan->probe +=
        " from " + plan->table + " where " + plan->where + " limit " + std::to_string(kNarrowedRowsMax + 1);
    return plan;
}

// Runs the update of a planned statement with only the columns whose values differ from those of
// the rows it matches; bind gives a compiled form of the statement its values. False (nothing
// run) when it does not apply: the statement then runs as written. When every value already
// matches, the rows count as changed without being written, as SQLite would count them.
//
// Only inside a transaction (a batch): there no other process can change the rows between the
// question and the update, so a value found equal is still equal when the others are written.
bool Engine::RunNarrowed(const UpdatePlan& plan, const std::function<void(sqlite3_stmt*)>& bind,
                         const std::string& text, const char* what, int& n)
{
    if (sqlite3_get_autocommit(db) != 0)
        return false;
    sqlite3_stmt* probe = Acquire(plan.probe, what, true);
    if (probe == nullptr)
        return false;
    bind(probe);
    std::vector<bool> same(plan.sets.size(), true);
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(probe)) == SQLITE_ROW && ++rows <= kNarrowedRowsMax)
        for (size_t i = 0; i < same.size(); ++i)
            same[i] = same[i] && sqlite3_column_int(probe, static_cast<int>(i)) != 0;
    Release(plan.probe, probe);
    if ((rc != SQLITE_ROW && rc != SQLITE_DONE) || rows == 0 || rows > kNarrowedRowsMax)
        return false; // no row, too many to ask first, or a failure: the statement as written decides
    std::string sql = "update " + plan.table + " set ";
    size_t changed = 0;
    for (size_t i = 0; i < same.size(); ++i)
    {
        if (same[i])
            continue;
        if (changed++ > 0)
            sql += ", ";
        sql += plan.sets[i].first + " = " + plan.sets[i].second;
    }
    if (changed == same.size())
        return false;
    if (changed == 0)
    {
        n = rows;
        return true;
    }
    sql += " where " + plan.where;
    sqlite3_stmt* st = Acquire(sql, what, true);
    if (st == nullptr)
        return false;
    bind(st);
    ResultSet none;
    n = Run(st, none, what, text);
    Release(std::move(sql), st);
    return true;
}
} // namespace kiv::core::db2
