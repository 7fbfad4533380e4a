// The SQL engine's parts, shared by its files: the value slots of statements and results, the planned
// narrowed updates, where the database lives, and the engine itself (one connection, its statement
// cache, its schema cache, its batch and its injected faults), all behind the engine mutex.
#ifndef KIV_DB2_ENGINE_INTERNAL_H
#define KIV_DB2_ENGINE_INTERNAL_H

#include "KivCore/Db2Dialect.h"
#include "KivCore/KivCore.h"

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kiv::core::db2
{
constexpr unsigned kDefaultTextSize = 1024;  // units of a slot whose column has no declared size
constexpr unsigned kExpressionTextSize = 64; // first capacity of a slot of an expression column
constexpr size_t kStatementCacheSize = 64;
constexpr size_t kTranslationCacheBytes = 64 * 1024; // translations of statement texts kept
constexpr size_t kTranslationsSeenMax = 4096;        // texts remembered as translated once
constexpr int kBusyTimeoutMs = 5000;
constexpr int kNarrowedRowsMax = 64; // rows an update may match to be narrowed (they are read first)
// The write-ahead journal is copied into the database by a thread of the engine (not by the caller's
// commit) once it holds this many pages, and the file is cut back to kJournalSizeLimit when the
// journal starts over. Only a journal that reached kCheckpointPagesHard pages all the same (the thread
// could not keep up) is copied by the commit that finds it so.
constexpr int kCheckpointPages = 256;
constexpr int kCheckpointPagesHard = 512;
constexpr long long kJournalSizeLimit = 1024 * 1024;
// The page cache of the connection, in KiB: the whole history (11 types of 30 rows of 30 events) is
// about a megabyte of pages, which the operating system's file cache keeps anyway.
constexpr int kPageCacheKiB = 512;
// How long closing waits for other processes' readers and writers to empty the journal.
constexpr int kCloseWaitMs = 250;

// ---- Values and slots (Db2Values.cpp) --------------------------------------------------------------

struct SlotClass
{
    int type = DB2_FIELD_WTEXT;
    unsigned size = kDefaultTextSize;
    bool expression = false; // no declared type: narrow text that grows with the value
};

// One cell of a result: SQL NULL, a 64-bit integer, a real (kept with SQLite's text of it), or text.
// Text lives in the result's arena: narrow cells NUL-terminated, 16-bit cells 2-aligned and ended by a
// 16-bit NUL.
struct Cell
{
    enum Kind : int32_t
    {
        Null,
        Int,
        Real,
        Text,
        WText
    };
    int32_t kind = Null;
    // Text, WText, Real: offset of the text in ResultSet::text. Int: -1 until its text is asked for,
    // then its index in ResultSet::numbers.
    int32_t off = -1;
    union
    {
        long long i; // Int
        double d;    // Real
    };
    Cell() : i(0) {}
};

// The rows of one query: every cell of every row in one array, every text in one arena, so that
// reading a result allocates only as the two grow, never per cell or per row.
struct ResultSet
{
    std::vector<uint8_t> wide; // per column: 1 when it holds 16-bit text
    std::vector<Cell> cells;   // row r, column c at r * wide.size() + c
    std::string text;
    // Decimal text of integer cells, made on first request; a deque, so that earlier texts keep
    // their addresses while later ones are added.
    std::deque<std::array<char, 24>> numbers;
    size_t rows = 0;
    size_t next = 0; // the row the next step moves to
    void Clear()
    {
        wide.clear();
        Reset();
    }
    // Drops the rows, keeps the columns (and the capacity, for the next execution of a statement).
    void Reset()
    {
        cells.clear();
        text.clear();
        numbers.clear();
        rows = 0;
        next = 0;
    }
    const Cell* At(size_t row, size_t col) const
    {
        return row < rows && col < wide.size() ? &cells[row * wide.size() + col] : nullptr;
    }
    // The text form of a cell (what SQLite's text reader gives): NULL for SQL NULL.
    char* TextOf(size_t row, size_t col);
};

struct Slot
{
    std::vector<uint64_t> storage; // 8-aligned, so 16-bit text, integers and doubles all fit
    bool expression = false;
};

std::string Lower(std::string_view s);

// The slot of a declared column type: nvarchar(N) -> 16-bit text of N+1 units, varchar(N) -> narrow
// text of N+1 bytes, integer types -> 64-bit integer, floating types -> double.
SlotClass Classify(const char* decl);

bool IsWideDecl(const char* decl);

// Appends the current row of st to rs.
void ReadRow(sqlite3_stmt* st, ResultSet& rs);

size_t WideLen(const WCHAR* p, size_t max);

// A real toward zero, saturated to the range of a 64-bit integer.
long long SaturatedInt(double d);

void Allocate(Db2BindField& f, Slot& s, const SlotClass& c);

// ---- Statements ---------------------------------------------------------------------------------

struct UpdatePlan
{
    std::string table;
    std::vector<std::pair<std::string, std::string>> sets; // column, the parameter it is set to ("?7")
    std::string where;                                     // the text after "where"
    std::string probe; // "select (a is ?1), (b is ?2) ... from T where ... limit <max + 1>"
};

struct Statement
{
    std::string sql;  // the compiled text (cache key)
    std::string text; // the statement as given, for diagnostics
    sqlite3_stmt* st = nullptr;
    bool schemaChange = false;
    std::unique_ptr<UpdatePlan> plan; // for an update of many columns: see PlanUpdate
    std::vector<Literal> literals;    // the lifted values, bound after the caller's parameters
    std::vector<Db2BindField> params;
    std::vector<Slot> paramSlots;
    std::vector<Db2BindField> results;
    std::vector<Slot> resultSlots;
    ResultSet rs;
};

void FillSlot(Db2BindField& f, Slot& s, const ResultSet& rs, size_t row, size_t col);

// SQLite's 16-bit text reader takes any surrogate for the first half of a pair and merges it with the
// unit after it, so a lone one would swallow the next character. A lone surrogate becomes U+FFFD here,
// and the unit after it is kept.
void BindWideText(sqlite3_stmt* st, int idx, const WCHAR* text, size_t units);

// Binds the caller's values of a statement's parameter slots to st (parameters 1..k).
void BindParams(sqlite3_stmt* st, const Statement& s);

// Binds the lifted values after the caller's parameters (k+1..).
void BindLiterals(sqlite3_stmt* st, const std::vector<Literal>& literals, int base, bool copy);

// The plan of a compiled update of many columns (see ParseUpdate); null for every other statement
// (Db2Narrow.cpp).
std::unique_ptr<UpdatePlan> PlanUpdate(std::string_view sql);

// The platform's failure code (SYS_ERR_...) for an SQLite result code.
unsigned int SqliteErrorCode(int rc);

// A file name as a URI path: everything but unreserved characters and '/' percent-encoded.
std::string UriPath(const std::string& path);

// Opens an existing database file read-only, never creating or writing anything (also for the other
// services of the platform that keep an SQLite file under the data root): through the write-ahead
// journal's shared index, or, where that cannot be created (a read-only file system) and the journal
// holds nothing, the file alone as it is (immutable). SQLITE_OK with h open; else the failure, h (when
// not null) holding its message for the caller to read and close. bJournalUnread: a journal with
// contents that cannot be read (the open then fails).
int OpenExistingReadOnly(const std::string& path, sqlite3*& h, bool& bJournalUnread);
// sqlite3_open_v2 for every connection of the platform. The first one sets SQLite up for this
// process's small databases: a connection's page cache takes its pages as it reads them, instead of
// taking (and touching) a block of pages up front.
int OpenSqlite(const char* filename, sqlite3** ppDb, int flags);
// Closing keeps the write-ahead journal and its index as empty files (the journal cut to nothing once
// it is copied back), so that the next process, a reader on a full disk too, finds them and need not
// make them anew. For a connection whose journal mode is WAL.
void KeepJournalFiles(sqlite3* db);

// ---- Translations ---------------------------------------------------------------------------

using TranslationRef = std::shared_ptr<const Translation>;

// The translation of a statement text with its values lifted out (Translate(text, true)), from the
// engine's cache when the text was translated before. Thread-safe.
TranslationRef CachedTranslate(const std::string& text);

// ---- The checkpointer (Db2Checkpoint.cpp) ------------------------------------------------------

// Copies the write-ahead journal into the database on a thread of its own, through a connection of its
// own, so that the caller that commits never waits for it. Asked after a commit that left the journal
// at kCheckpointPages or more; its thread starts on the first request.
class Checkpointer
{
public:
    explicit Checkpointer(std::string path) : m_path(std::move(path)) {}
    ~Checkpointer(); // ends the thread (a checkpoint under way is finished first) and its connection
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    void Request(int nJournalPages);
    // The committing connection db copies the journal itself, after the checkpoint under way.
    void CatchUp(sqlite3* db);

private:
    void Run();
    void CheckpointOnce();

    std::string m_path;
    std::mutex m_mutex;
    std::mutex m_runMutex; // held while a checkpoint runs; innermost
    std::condition_variable m_wake;
    int m_nPages = 0; // pages of the last request not served yet; 0 when none
    bool m_bStop = false;
    sqlite3* m_pDb = nullptr;
    std::thread m_thread;
};

// ---- The engine ---------------------------------------------------------------------------------

struct Engine
{
    std::mutex mu;
    sqlite3* db = nullptr;
    std::list<std::pair<std::string, sqlite3_stmt*>> lru; // most recently used first
    std::unordered_map<std::string_view, std::list<std::pair<std::string, sqlite3_stmt*>>::iterator> cached;
    std::vector<std::unique_ptr<Statement>> handles; // handle h is handles[h - 1]
    int failNext = 0;                                // injected faults still to give
    int failSkip = 0; // statements to let through before the injected faults begin
    int count = 0;
    int batchDepth = 0;         // open Db2BeginBatch calls; the outermost one owns the transaction
    std::thread::id batchOwner; // the thread that began the outermost batch
    bool batchFailed = false;   // a statement of the owner failed, or the batch was aborted
    std::atomic<uint64_t> generation{1};
    std::unique_ptr<Checkpointer> checkpointer; // of a database open for writing
    bool exiting = false;                       // the process ends: the database stays closed
    bool schemaValid = false;
    // lower-case table name -> (lower-case column name, declared type) in table order
    std::unordered_map<std::string, std::vector<std::pair<std::string, std::string>>> schema;

    ~Engine() { CloseLocked(); }

    // Reports a failed statement and leaves its cause in the thread's last error: the connection's
    // last SQLite result, or SYS_ERR_SQL when the failure is the engine's own (injected, refused text).
    // A failure of the batch owner's statement fails the whole batch: it is rolled back at its end.
    void Fail(const char* what, const char* message, const std::string& sql, bool engineOwn = false);

    // True (the statement is refused, nothing runs) when the calling thread's batch has already
    // failed: its transaction is to be rolled back, and SQLite may already have ended it, so a
    // statement run now could commit on its own.
    bool RefusedInFailedBatch(const char* what, const std::string& sql);

    // Opens the database on first use (Db2Open.cpp); false, with the cause left, when it cannot be.
    bool OpenLocked();

    // Runs a statement text directly (transaction control); false, with a report, on failure.
    bool ExecLocked(const char* sql, const char* what);

    // Closes the database: a database open for writing is checkpointed whole first (its journal emptied,
    // as far as other processes let it within kCloseWaitMs).
    void CloseLocked();

    // Journal settings of the connection open for writing: its checkpoints go to the checkpointer.
    void StartCheckpoints(const std::string& path);

    // A prepared statement for the text: from the cache, or compiled now. Null on failure.
    sqlite3_stmt* Acquire(const std::string& sql, const char* what, bool quiet = false);

    // Compiles t (its values lifted out when it could be); when the lifted form does not compile, the
    // statement is translated again with its literals in place. Binds the lifted values.
    sqlite3_stmt* Prepare(TranslationRef& t, const std::string& text, const char* what, bool copyLiterals);

    void Release(std::string sql, sqlite3_stmt* st);

    // Runs a prepared statement to its end. Rows of a query go into rs (wide gives the 16-bit
    // columns); the result is the number of rows, the number of rows changed by a write, -1 on failure.
    int Run(sqlite3_stmt* st, ResultSet& rs, const char* what, const std::string& sql);

    // Runs the update of a planned statement with only the columns whose values differ from those of
    // the rows it matches; bind gives a compiled form of the statement its values. False (nothing
    // run) when it does not apply: the statement then runs as written. When every value already
    // matches, the rows count as changed without being written, as SQLite would count them.
    //
    // Only inside a transaction (a batch): there no other process can change the rows between the
    // question and the update, so a value found equal is still equal when the others are written.
    bool RunNarrowed(const UpdatePlan& plan, const std::function<void(sqlite3_stmt*)>& bind,
                     const std::string& text, const char* what, int& n);

    // Consumes one injected fault; true when this statement must fail.
    bool Injected(const char* what, const std::string& sql);

    void LoadSchemaLocked();

    const std::string* FindColumn(const std::string& table, const std::string& column);

    // The slot of a "?": the declared type of the column it stands for, else 16-bit text of
    // kDefaultTextSize units (the service binds only 16-bit text).
    SlotClass ParamClass(const ParamHint& hint, const Translation& t);

    Statement* Find(int h);
};

// The one engine of the process.
Engine& E();
} // namespace kiv::core::db2

#endif
