// The SQL engine of the platform: one SQLite database under the data root ("System/ulog.db").
//
// One connection, every call serialised by one mutex. The result of Db2QueryEx belongs to the calling
// thread. Prepared statements are kept in a small cache keyed by their final text, so a statement the
// service runs again (a select by id, a count, an aggregate) is not compiled again.
#include "KivCore/Db2Dialect.h"
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/Db2Internal.h"
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCore/KivCoreText.h"

#include <sqlite3.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kiv::core::db2
{
// The platform's failure code (SYS_ERR_...) for an SQLite result code.
unsigned int SqliteErrorCode(int rc)
{
    switch (rc & 0xff)
    {
    case SQLITE_FULL:
        return SYS_ERR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return SYS_ERR_READ_ONLY;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return SYS_ERR_DB_BUSY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return SYS_ERR_DB_CORRUPT;
    case SQLITE_CANTOPEN:
        return SYS_ERR_DB_CANT_OPEN;
    case SQLITE_NOMEM:
        return SYS_ERR_NO_MEMORY;
    case SQLITE_IOERR:
        return (rc == SQLITE_IOERR_NOMEM) ? SYS_ERR_NO_MEMORY : SYS_ERR_IO;
    default:
        return SYS_ERR_SQL;
    }
}

// ---- The engine ------------------------------------------------------------------------------

// Reports a failed statement and leaves its cause in the thread's last error: the connection's
// last SQLite result, or SYS_ERR_SQL when the failure is the engine's own (injected, refused text).
// A failure of the batch owner's statement fails the whole batch: it is rolled back at its end.
void Engine::Fail(const char* what, const char* message, const std::string& sql, bool engineOwn)
{
    SysSetLastError(engineOwn || db == nullptr ? SYS_ERR_SQL : SqliteErrorCode(sqlite3_errcode(db)));
    SysDebugPrintf(SYS_DBG_FAIL, "%s: %s [%s]\n", what, message, sql.c_str());
    if (batchDepth > 0 && std::this_thread::get_id() == batchOwner)
        batchFailed = true;
}

// True (the statement is refused, nothing runs) when the calling thread's batch has already
// failed: its transaction is to be rolled back, and SQLite may already have ended it, so a
// statement run now could commit on its own.
bool Engine::RefusedInFailedBatch(const char* what, const std::string& sql)
{
    if (batchDepth == 0 || !batchFailed || std::this_thread::get_id() != batchOwner)
        return false;
    SysDebugPrintf(SYS_DBG_DETAIL, "%s: the batch has failed, statement not run [%s]\n", what, sql.c_str());
    return true;
}

// Runs a statement text directly (transaction control); false, with a report, on failure.
bool Engine::ExecLocked(const char* sql, const char* what)
{
    char* err = nullptr;
    const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &err) == SQLITE_OK;
    if (!ok)
        Fail(what, err != nullptr ? err : "failed", sql);
    sqlite3_free(err);
    return ok;
}

void Engine::CloseLocked()
{
    for (auto& h : handles)
        if (h && h->st != nullptr)
            sqlite3_finalize(h->st);
    handles.clear();
    for (auto& [sql, st] : lru)
        sqlite3_finalize(st);
    cached.clear();
    lru.clear();
    checkpointer.reset(); // a checkpoint under way ends first
    if (db != nullptr && sqlite3_db_readonly(db, "main") == 0)
    {
        // The whole journal into the database, and the journal emptied, so that the next process
        // starts from the database alone. Others still reading or writing are waited for a moment;
        // what they keep stays in the journal for the next checkpoint.
        sqlite3_busy_timeout(db, kCloseWaitMs);
        int nLog = 0, nCopied = 0;
        if (sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &nLog, &nCopied) != SQLITE_OK)
            SysDebugPrintf(SYS_DBG_DETAIL, "Db2Close: the journal stays (%s), %d of %d pages copied\n",
                           sqlite3_errmsg(db), nCopied, nLog);
    }
    if (db != nullptr)
        sqlite3_close(db); // an open batch is rolled back
    db = nullptr;
    batchDepth = 0;
    batchFailed = false;
    schemaValid = false;
    schema.clear();
}

// Runs a prepared statement to its end. Rows of a query go into rs (wide gives the 16-bit
// columns); the result is the number of rows, the number of rows changed by a write, -1 on failure.
int Engine::Run(sqlite3_stmt* st, ResultSet& rs, const char* what, const std::string& sql)
{
    const int ncols = sqlite3_column_count(st);
    const sqlite3_int64 before = sqlite3_total_changes64(db);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
    {
        if (ncols > 0)
            ReadRow(st, rs);
    }
    if (rc != SQLITE_DONE)
    {
        Fail(what, sqlite3_errmsg(db), sql);
        sqlite3_reset(st);
        rs.Reset();
        return -1;
    }
    sqlite3_reset(st);
    if (ncols > 0)
        return rs.rows > INT_MAX ? INT_MAX : static_cast<int>(rs.rows);
    const sqlite3_int64 changed = sqlite3_total_changes64(db) - before;
    return changed > INT_MAX ? INT_MAX : static_cast<int>(changed);
}

// Consumes one injected fault; true when this statement must fail.
bool Engine::Injected(const char* what, const std::string& sql)
{
    if (failNext <= 0)
        return false;
    if (failSkip > 0)
    {
        --failSkip;
        return false;
    }
    --failNext;
    Fail(what, "injected failure", sql, true);
    return true;
}

Statement* Engine::Find(int h)
{
    if (h < 1 || static_cast<size_t>(h) > handles.size())
        return nullptr;
    return handles[static_cast<size_t>(h) - 1].get();
}

// Never destroyed: platform tasks may still run statements while the process exits. The database is
// closed at exit (see CloseAtExit); a statement after that fails.
Engine& E()
{
    static Engine* engine = new Engine;
    return *engine;
}

void CloseAtExit()
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    e.exiting = true;
    e.CloseLocked();
}

namespace
{
// The calling thread's current result of Db2QueryEx.
struct Current
{
    uint64_t generation = 0;
    ResultSet rs;
    long long row = -1;
    ~Current();
};
thread_local Current t_current;
// The same object through a constant-initialised pointer: the column reads, called once per cell, then
// reach it without the initialisation check of t_current. Set to a null value when the thread's
// objects are destroyed (a thread's end, or the main thread's exit before the static destructors and
// exit handlers that may still use the engine): from then on the thread has no current result.
thread_local Current* t_pCurrent = nullptr;
thread_local bool t_bCurrentGone = false;

Current::~Current()
{
    t_bCurrentGone = true;
    t_pCurrent = nullptr;
}

// The thread's current result; null once the thread's objects have been destroyed.
Current* ThisThread()
{
    Current* c = t_pCurrent;
    if (c == nullptr && !t_bCurrentGone)
        c = t_pCurrent = &t_current;
    return c;
}

Current* LiveCurrent()
{
    Current* c = ThisThread();
    if (c == nullptr)
        return nullptr;
    if (c->generation != E().generation.load(std::memory_order_acquire))
    {
        c->rs.Clear();
        c->row = -1;
        return nullptr;
    }
    return c;
}

// Statement text: a format only when arguments come with it. With none, only "%%" folds to "%".
std::string FormatSql(const char* format, const KivArg* args, int nargs)
{
    if (nargs > 0 && args != nullptr)
        return FormatToString(format, args, nargs, false);
    const char* pct = std::strchr(format, '%');
    if (pct == nullptr)
        return std::string(format);
    std::string out;
    out.reserve(std::strlen(format));
    out.append(format, static_cast<size_t>(pct - format));
    for (const char* p = pct; *p != '\0'; ++p)
    {
        out.push_back(*p);
        if (*p == '%' && p[1] == '%')
            ++p;
    }
    return out;
}
} // namespace

void SetFailNext(int count)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    e.failNext = count > 0 ? count : 0;
    e.failSkip = 0;
}

void SetFailAt(int position)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    e.failNext = position > 0 ? 1 : 0;
    e.failSkip = position > 0 ? position - 1 : 0;
}

int PendingFaults()
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    return e.failNext;
}

int StatementCount()
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    return e.count;
}
} // namespace kiv::core::db2

namespace kiv::core
{
void ResetSql()
{
    using namespace kiv::core::db2;
    Engine& e = E();
    {
        std::lock_guard<std::mutex> lock(e.mu);
        e.CloseLocked();
        e.failNext = 0;
        e.count = 0;
        e.generation.fetch_add(1, std::memory_order_acq_rel);
    }
    // Every thread's current result belongs to the old generation now: each thread drops its own at its
    // next read (the calling thread's objects may already be gone when this runs at exit).
}
} // namespace kiv::core

using namespace kiv::core::db2;

extern "C" int Db2QueryExV(const char* format, const KivArg* args, int nargs)
{
    if (format == nullptr)
        return -1;
    const std::string text = FormatSql(format, args, nargs);
    TranslationRef t = CachedTranslate(text);
    Engine& e = E();
    ResultSet rs;
    int n;
    bool query;
    uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(e.mu);
        if (e.RefusedInFailedBatch("Db2QueryEx", text) || e.Injected("Db2QueryEx", text))
            return -1;
        ++e.count;
        if (!e.OpenLocked())
            return -1;
        sqlite3_stmt* st = e.Prepare(t, text, "Db2QueryEx", false);
        if (st == nullptr)
            return -1;
        const int ncols = sqlite3_column_count(st);
        query = ncols > 0;
        rs.wide.resize(static_cast<size_t>(ncols));
        for (int c = 0; c < ncols; ++c)
            rs.wide[static_cast<size_t>(c)] = IsWideDecl(sqlite3_column_decltype(st, c)) ? 1 : 0;
        const std::unique_ptr<UpdatePlan> plan = t->parameterised && !query ? PlanUpdate(t->sql) : nullptr;
        const auto bind = [&t](sqlite3_stmt* s)
        { BindLiterals(s, t->literals, static_cast<int>(t->params.size()), false); };
        if (!plan || !e.RunNarrowed(*plan, bind, text, "Db2QueryEx", n))
            n = e.Run(st, rs, "Db2QueryEx", text);
        if (t->schemaChange)
            e.schemaValid = false;
        if (t->schemaChange || n < 0)
            sqlite3_finalize(st); // compiled against the old schema, or broken: do not keep it
        else
            e.Release(t->sql, st);
        generation = e.generation.load(std::memory_order_acquire);
    }
    if (query && n >= 0)
    {
        // A query replaces the thread's current result; a write leaves it as it was.
        if (Current* c = ThisThread())
        {
            c->generation = generation;
            c->rs = std::move(rs);
            c->row = -1;
        }
    }
    return n;
}

extern "C" int Db2GetNextRow(void)
{
    Current* c = LiveCurrent();
    if (c == nullptr || c->rs.next >= c->rs.rows)
        return -1;
    c->row = static_cast<long long>(c->rs.next++);
    return 0;
}

namespace
{
// The cell of a column of the calling thread's current row; null without one.
const Cell* CurrentCell(int column)
{
    Current* c = LiveCurrent();
    if (c == nullptr || c->row < 0 || column < 0)
        return nullptr;
    return c->rs.At(static_cast<size_t>(c->row), static_cast<size_t>(column));
}
} // namespace

extern "C" char* Db2GetColumn(int column)
{
    Current* c = LiveCurrent();
    if (c == nullptr || c->row < 0 || column < 0)
        return nullptr;
    return c->rs.TextOf(static_cast<size_t>(c->row), static_cast<size_t>(column));
}

namespace
{
int TypeOf(const Cell& cell)
{
    switch (cell.kind)
    {
    case Cell::Int:
        return DB2_FIELD_INT;
    case Cell::Real:
        return DB2_FIELD_REAL;
    case Cell::Text:
        return DB2_FIELD_TEXT;
    case Cell::WText:
        return DB2_FIELD_WTEXT;
    default:
        return DB2_FIELD_NULL;
    }
}
} // namespace

extern "C" int Db2GetColumnType(int column)
{
    const Cell* cell = CurrentCell(column);
    return cell == nullptr ? -1 : TypeOf(*cell);
}

extern "C" int Db2GetColumnInt64(int column, long long* pValue)
{
    Current* c = LiveCurrent();
    if (c == nullptr || c->row < 0 || column < 0)
        return -1;
    const size_t row = static_cast<size_t>(c->row);
    const Cell* cell = c->rs.At(row, static_cast<size_t>(column));
    if (cell == nullptr)
        return -1;
    if (pValue != nullptr)
    {
        if (cell->kind == Cell::Int)
            *pValue = cell->i;
        else if (cell->kind == Cell::Real)
            *pValue = SaturatedInt(cell->d);
        else if (cell->kind == Cell::Text)
            *pValue = std::strtoll(c->rs.TextOf(row, static_cast<size_t>(column)), nullptr, 10);
    }
    return TypeOf(*cell);
}

extern "C" BOOL Db2GetColumnInt(int column, int* pValue)
{
    long long v = 0;
    const int type = Db2GetColumnInt64(column, &v);
    if (pValue == nullptr || (type != DB2_FIELD_INT && type != DB2_FIELD_REAL && type != DB2_FIELD_TEXT))
        return FALSE;
    *pValue = v > INT_MAX ? INT_MAX : (v < INT_MIN ? INT_MIN : static_cast<int>(v));
    return TRUE;
}

extern "C" int Db2ClearRow(void)
{
    if (Current* c = ThisThread())
    {
        c->rs.Clear();
        c->row = -1;
    }
    return 0;
}

namespace kiv::core
{
void ReturnFreeMemory()
{
    // The rows are gone (Db2ClearRow); the storage they leave behind, kept for the thread's next
    // query, goes too.
    if (Current* c = ThisThread(); c != nullptr && c->rs.rows == 0)
        c->rs = db2::ResultSet();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
} // namespace kiv::core

extern "C" int Db2QueryRecordCount(const char* sql)
{
    if (sql == nullptr)
        return -1;
    const std::string text = FormatSql(sql, nullptr, 0);
    TranslationRef t = CachedTranslate(text);
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.RefusedInFailedBatch("Db2QueryRecordCount", text) || e.Injected("Db2QueryRecordCount", t->sql))
        return -1;
    ++e.count;
    if (!e.OpenLocked())
        return -1;
    sqlite3_stmt* st = e.Prepare(t, text, "Db2QueryRecordCount", false);
    if (st == nullptr)
        return -1;
    long long value = 0;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW && sqlite3_column_count(st) > 0)
        value = sqlite3_column_int64(st, 0);
    else if (rc != SQLITE_DONE && rc != SQLITE_ROW)
    {
        e.Fail("Db2QueryRecordCount", sqlite3_errmsg(e.db), text);
        sqlite3_finalize(st);
        return -1;
    }
    e.Release(t->sql, st);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

extern "C" BOOL Db2CheckTable(const char* tableName)
{
    if (tableName == nullptr || tableName[0] == '\0')
        return FALSE;
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    ++e.count;
    if (!e.OpenLocked())
        return FALSE;
    static const std::string kSql =
        "select 1 from sqlite_master where type = 'table' and name = ?1 collate nocase";
    sqlite3_stmt* st = e.Acquire(kSql, "Db2CheckTable");
    if (st == nullptr)
        return FALSE;
    sqlite3_bind_text(st, 1, tableName, -1, SQLITE_STATIC);
    const BOOL found = sqlite3_step(st) == SQLITE_ROW ? TRUE : FALSE;
    e.Release(kSql, st);
    return found;
}

extern "C" int Db2Close(void)
{
    // A process closes its database when it goes quiet: what it has queued for the files is written
    // meanwhile, beside the checkpoint, instead of after it.
    kiv::core::StartStores();
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.db == nullptr)
        return 0;
    if (e.batchDepth > 0 || !e.handles.empty())
    {
        SysDebugPrintf(SYS_DBG_DETAIL, "Db2Close: a batch or a statement is open: the database stays open\n");
        return 1;
    }
    e.CloseLocked();
    return 0;
}

extern "C" BOOL Db2IsReadOnly(void)
{
    return kiv::core::DataRootReadOnly() ? TRUE : FALSE;
}

extern "C" int Db2StmtCreateV(const char* format, const KivArg* args, int nargs)
{
    if (format == nullptr)
        return -1;
    const std::string text = FormatSql(format, args, nargs);
    TranslationRef t = CachedTranslate(text);
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.RefusedInFailedBatch("Db2StmtCreate", text) || e.Injected("Db2StmtCreate", text))
        return -1;
    if (!e.OpenLocked())
        return -1;
    // An update of many columns runs narrowed inside a batch (see RunNarrowed), and there the statement
    // as written is never stepped: its question, compiled now, checks the table, columns and condition,
    // and the statement itself is compiled only when it has to run as written.
    std::unique_ptr<UpdatePlan> plan = t->parameterised ? PlanUpdate(t->sql) : nullptr;
    sqlite3_stmt* st = nullptr;
    if (plan)
    {
        sqlite3_stmt* probe = e.Acquire(plan->probe, "Db2StmtCreate", true);
        e.Release(plan->probe, probe);
        if (probe == nullptr)
            plan.reset(); // compiled as written below, which reports what is wrong with it
    }
    if (!plan)
    {
        st = e.Prepare(t, text, "Db2StmtCreate", true);
        if (st == nullptr)
            return -1;
    }
    auto s = std::make_unique<Statement>();
    s->st = st;
    s->schemaChange = t->schemaChange;
    // The caller's "?" marks; lifted literals are bound after them and stay bound.
    const int nparams =
        t->parameterised ? static_cast<int>(t->params.size()) : sqlite3_bind_parameter_count(st);
    s->params.resize(static_cast<size_t>(nparams));
    s->paramSlots.resize(static_cast<size_t>(nparams));
    for (int i = 0; i < nparams; ++i)
    {
        const ParamHint hint =
            static_cast<size_t>(i) < t->params.size() ? t->params[static_cast<size_t>(i)] : ParamHint{};
        Allocate(s->params[static_cast<size_t>(i)], s->paramSlots[static_cast<size_t>(i)],
                 e.ParamClass(hint, *t));
    }
    const int ncols = st != nullptr ? sqlite3_column_count(st) : 0; // a planned update has no columns
    s->results.resize(static_cast<size_t>(ncols));
    s->resultSlots.resize(static_cast<size_t>(ncols));
    s->rs.wide.resize(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c)
    {
        const SlotClass cls = Classify(sqlite3_column_decltype(st, c));
        Allocate(s->results[static_cast<size_t>(c)], s->resultSlots[static_cast<size_t>(c)], cls);
        s->rs.wide[static_cast<size_t>(c)] = cls.type == DB2_FIELD_WTEXT ? 1 : 0;
    }
    if (plan)
    {
        s->plan = std::move(plan);
        s->literals = t->literals;
    }
    s->sql = t->sql;
    s->text = text;
    for (size_t i = 0; i < e.handles.size(); ++i)
    {
        if (!e.handles[i])
        {
            e.handles[i] = std::move(s);
            return static_cast<int>(i) + 1;
        }
    }
    e.handles.push_back(std::move(s));
    return static_cast<int>(e.handles.size());
}

extern "C" Db2BindField* Db2StmtGetBindParamFields(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    return (s == nullptr || s->params.empty()) ? nullptr : s->params.data();
}

extern "C" int Db2StmtGetBindParamCount(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    return s == nullptr ? -1 : static_cast<int>(s->params.size());
}

extern "C" int Db2StmtExecute(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    if (s == nullptr)
    {
        SysDebugPrintf(SYS_DBG_FAIL, "Db2StmtExecute: invalid statement handle %d\n", hStmt);
        return -1;
    }
    if (e.RefusedInFailedBatch("Db2StmtExecute", s->text) || e.Injected("Db2StmtExecute", s->text))
        return -1;
    ++e.count;
    s->rs.Reset();
    int n = 0;
    const auto bind = [s](sqlite3_stmt* st)
    {
        BindParams(st, *s);
        BindLiterals(st, s->literals, static_cast<int>(s->params.size()), false);
    };
    if (!s->plan || !e.RunNarrowed(*s->plan, bind, s->text, "Db2StmtExecute", n))
    {
        if (s->st == nullptr) // a planned update, compiled when it first runs as written
        {
            s->st = e.Acquire(s->sql, "Db2StmtExecute");
            if (s->st == nullptr)
                return -1;
            BindLiterals(s->st, s->literals, static_cast<int>(s->params.size()), true);
        }
        BindParams(s->st, *s);
        n = e.Run(s->st, s->rs, "Db2StmtExecute", s->text);
    }
    if (s->schemaChange)
        e.schemaValid = false;
    return n;
}

extern "C" Db2BindField* Db2StmtGetBindResFields(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    return (s == nullptr || s->results.empty()) ? nullptr : s->results.data();
}

extern "C" int Db2StmtGetBindResCount(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    return s == nullptr ? -1 : static_cast<int>(s->results.size());
}

extern "C" int Db2StmtGetNextRow(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    if (s == nullptr || s->rs.next >= s->rs.rows)
        return -1;
    const size_t row = s->rs.next++;
    for (size_t c = 0; c < s->results.size(); ++c)
        FillSlot(s->results[c], s->resultSlots[c], s->rs, row, c);
    return 0;
}

extern "C" int Db2StmtDestroy(int hStmt)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    Statement* s = e.Find(hStmt);
    if (s == nullptr)
        return -1;
    if (s->schemaChange)
        sqlite3_finalize(s->st);
    else
        e.Release(std::move(s->sql), s->st);
    e.handles[static_cast<size_t>(hStmt) - 1].reset();
    while (!e.handles.empty() && !e.handles.back())
        e.handles.pop_back();
    return 0;
}
