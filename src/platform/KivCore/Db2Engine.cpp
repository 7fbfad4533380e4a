// The SQL engine of the platform: one SQLite database under the data root ("System/ulog.db").
//
// One connection, every call serialised by one mutex. The result of Db2QueryEx belongs to the calling
// thread. Prepared statements are kept in a small cache keyed by their final text, so a statement the
// service runs again (a select by id, a count, an aggregate) is not compiled again.
#include "KivCore/Db2Dialect.h"
#include "KivCore/Db2Internal.h"
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCore/KivCoreText.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

namespace kiv::core::db2
{
namespace
{
constexpr unsigned kDefaultTextSize = 1024;  // units of a slot whose column has no declared size
constexpr unsigned kExpressionTextSize = 64; // first capacity of a slot of an expression column
constexpr size_t kStatementCacheSize = 64;
constexpr int kBusyTimeoutMs = 5000;

// ---- Values ---------------------------------------------------------------------------------

struct SlotClass
{
    int type = DB2_FIELD_WTEXT;
    unsigned size = kDefaultTextSize;
    bool expression = false; // no declared type: narrow text that grows with the value
};

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The slot of a declared column type: nvarchar(N) -> 16-bit text of N+1 units, varchar(N) -> narrow
// text of N+1 bytes, integer types -> 64-bit integer, floating types -> double.
SlotClass Classify(const char* decl)
{
    SlotClass c;
    if (decl == nullptr || decl[0] == '\0')
    {
        c.type = DB2_FIELD_TEXT;
        c.size = kExpressionTextSize;
        c.expression = true;
        return c;
    }
    const std::string d = Lower(decl);
    if (d.find("char") != std::string::npos || d.find("text") != std::string::npos ||
        d.find("clob") != std::string::npos)
    {
        c.type = d[0] == 'n' ? DB2_FIELD_WTEXT : DB2_FIELD_TEXT;
        c.size = kDefaultTextSize;
        const size_t open = d.find('(');
        if (open != std::string::npos)
        {
            const long n = std::strtol(d.c_str() + open + 1, nullptr, 10);
            if (n > 0 && n < 1000000)
                c.size = static_cast<unsigned>(n) + 1;
        }
        return c;
    }
    if (d.find("int") != std::string::npos)
    {
        c.type = DB2_FIELD_INT;
        c.size = 1;
        return c;
    }
    if (d.find("real") != std::string::npos || d.find("floa") != std::string::npos ||
        d.find("doub") != std::string::npos || d.find("num") != std::string::npos ||
        d.find("dec") != std::string::npos)
    {
        c.type = DB2_FIELD_REAL;
        c.size = 1;
        return c;
    }
    c.type = DB2_FIELD_TEXT;
    return c;
}

bool IsWideDecl(const char* decl)
{
    return decl != nullptr && (decl[0] == 'n' || decl[0] == 'N') && Classify(decl).type == DB2_FIELD_WTEXT;
}

// One result row: all cells in one buffer. Narrow cells are NUL-terminated bytes, 16-bit cells are
// 2-aligned NUL-terminated units; a NULL cell has offset -1.
struct Row
{
    std::string data;
    std::vector<int32_t> off;
};

struct ResultSet
{
    std::vector<uint8_t> wide;
    std::vector<Row> rows;
    size_t next = 0; // the row the next step moves to
    void Clear()
    {
        rows.clear();
        wide.clear();
        next = 0;
    }
};

void ReadRow(sqlite3_stmt* st, const std::vector<uint8_t>& wide, Row& row)
{
    const size_t n = wide.size();
    row.off.resize(n);
    row.data.clear();
    for (size_t c = 0; c < n; ++c)
    {
        const int col = static_cast<int>(c);
        if (sqlite3_column_type(st, col) == SQLITE_NULL)
        {
            row.off[c] = -1;
            continue;
        }
        if (wide[c] != 0)
        {
            const char* p = static_cast<const char*>(sqlite3_column_text16(st, col));
            const int bytes = sqlite3_column_bytes16(st, col);
            if (row.data.size() & 1u)
                row.data.push_back('\0');
            row.off[c] = static_cast<int32_t>(row.data.size());
            if (p != nullptr)
                row.data.append(p, static_cast<size_t>(bytes));
            row.data.append(2, '\0');
        }
        else
        {
            const char* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
            const int bytes = sqlite3_column_bytes(st, col);
            row.off[c] = static_cast<int32_t>(row.data.size());
            if (p != nullptr)
                row.data.append(p, static_cast<size_t>(bytes));
            row.data.push_back('\0');
        }
    }
}

size_t WideLen(const WCHAR* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n] != 0)
        ++n;
    return n;
}

// ---- Statements --------------------------------------------------------------------------------

struct Slot
{
    std::vector<uint64_t> storage; // 8-aligned, so 16-bit text, integers and doubles all fit
    bool expression = false;
};

void Allocate(Db2BindField& f, Slot& s, const SlotClass& c)
{
    f.nType = c.type;
    f.nIndicator = -1;
    f.nSize = (c.type == DB2_FIELD_INT || c.type == DB2_FIELD_REAL) ? 1 : c.size;
    const size_t bytes = c.type == DB2_FIELD_WTEXT ? f.nSize * 2u : (c.type == DB2_FIELD_TEXT ? f.nSize : 8u);
    s.storage.assign(bytes / 8 + 1, 0);
    s.expression = c.expression;
    f.pData = s.storage.data();
}

// ---- Writing only what changes ------------------------------------------------------------------
// An update that sets many columns of one row ("update T set a = ?, b = ?, ... where ...", as the log
// tables' row updates are) makes SQLite rewrite the entry of every index holding one of those columns,
// whether its value changes or not, and every such index page is written to the journal. The engine
// first asks the row which of the new values differ and then sets only those: the same row, the same
// result, a fraction of the pages written. This is done inside batches only (see RunNarrowed).
constexpr int kNarrowedRowsMax = 64; // rows an update may match to be narrowed (they are read first)

struct UpdatePlan
{
    std::string table;
    std::vector<std::pair<std::string, std::string>> sets; // column, the parameter it is set to ("?7")
    std::string where;                                     // the text after "where"
    std::string probe; // "select (a is ?1), (b is ?2) ... from T where ... limit <max + 1>"
};

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

void FillSlot(Db2BindField& f, Slot& s, const Row& row, size_t col)
{
    const int32_t off = col < row.off.size() ? row.off[col] : -1;
    if (off < 0)
    {
        f.nIndicator = -1;
        std::memset(f.pData, 0, 8);
        return;
    }
    f.nIndicator = 0;
    const char* cell = row.data.data() + off;
    switch (f.nType)
    {
    case DB2_FIELD_INT:
    {
        char* end = nullptr;
        long long v = std::strtoll(cell, &end, 10);
        if (end != nullptr && (*end == '.' || *end == 'e' || *end == 'E'))
            v = static_cast<long long>(std::strtod(cell, nullptr));
        *static_cast<long long*>(f.pData) = v;
        break;
    }
    case DB2_FIELD_REAL:
        *static_cast<double*>(f.pData) = std::strtod(cell, nullptr);
        break;
    case DB2_FIELD_WTEXT:
    {
        const WCHAR* w = reinterpret_cast<const WCHAR*>(cell);
        size_t n = WideLen(w, SIZE_MAX);
        if (n + 1 > f.nSize)
        {
            n = f.nSize > 0 ? f.nSize - 1 : 0;
            if (n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF)
                --n; // never keep half of a surrogate pair
        }
        if (f.nSize > 0)
        {
            std::memcpy(f.pData, w, n * 2);
            static_cast<WCHAR*>(f.pData)[n] = 0;
        }
        break;
    }
    default:
    {
        size_t n = std::strlen(cell);
        if (s.expression && n + 1 > f.nSize)
        {
            s.storage.assign((n + 1) / 8 + 1, 0);
            f.pData = s.storage.data();
            f.nSize = static_cast<unsigned>(n + 1);
        }
        if (n + 1 > f.nSize)
        {
            n = f.nSize > 0 ? f.nSize - 1 : 0;
            // Cut on a UTF-8 character boundary.
            while (n > 0 && (static_cast<unsigned char>(cell[n]) & 0xC0u) == 0x80u)
                --n;
        }
        if (f.nSize > 0)
        {
            std::memcpy(f.pData, cell, n);
            static_cast<char*>(f.pData)[n] = '\0';
        }
        break;
    }
    }
}

// SQLite's 16-bit text reader takes any surrogate for the first half of a pair and merges it with the
// unit after it, so a lone one would swallow the next character. A lone surrogate becomes U+FFFD here,
// and the unit after it is kept.
void BindWideText(sqlite3_stmt* st, int idx, const WCHAR* text, size_t units)
{
    size_t i = 0;
    while (i < units && (text[i] < 0xD800 || text[i] > 0xDFFF))
        ++i;
    if (i == units)
    {
        sqlite3_bind_text16(st, idx, text, static_cast<int>(units * 2), SQLITE_STATIC);
        return;
    }
    std::u16string safe(reinterpret_cast<const char16_t*>(text), units);
    for (; i < units; ++i)
    {
        const char16_t c = safe[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && safe[i + 1] >= 0xDC00 && safe[i + 1] <= 0xDFFF)
            ++i; // a whole pair
        else if (c >= 0xD800 && c <= 0xDFFF)
            safe[i] = 0xFFFD;
    }
    sqlite3_bind_text16(st, idx, safe.data(), static_cast<int>(units * 2), SQLITE_TRANSIENT);
}

// Binds the caller's values of a statement's parameter slots to st (parameters 1..k).
void BindParams(sqlite3_stmt* st, const Statement& s)
{
    for (size_t i = 0; i < s.params.size(); ++i)
    {
        const Db2BindField& f = s.params[i];
        const int idx = static_cast<int>(i) + 1;
        if (f.nIndicator < 0 || f.pData == nullptr)
        {
            sqlite3_bind_null(st, idx);
            continue;
        }
        switch (f.nType)
        {
        case DB2_FIELD_INT:
            sqlite3_bind_int64(st, idx, *static_cast<const long long*>(f.pData));
            break;
        case DB2_FIELD_REAL:
            sqlite3_bind_double(st, idx, *static_cast<const double*>(f.pData));
            break;
        case DB2_FIELD_TEXT:
            sqlite3_bind_text(st, idx, static_cast<const char*>(f.pData),
                              static_cast<int>(strnlen(static_cast<const char*>(f.pData), f.nSize)),
                              SQLITE_STATIC);
            break;
        default:
            BindWideText(st, idx, static_cast<const WCHAR*>(f.pData),
                         WideLen(static_cast<const WCHAR*>(f.pData), f.nSize));
            break;
        }
    }
}

// Binds the lifted values after the caller's parameters (k+1..).
void BindLiterals(sqlite3_stmt* st, const std::vector<Literal>& literals, int base, bool copy)
{
    for (size_t j = 0; j < literals.size(); ++j)
    {
        const Literal& l = literals[j];
        const int idx = base + static_cast<int>(j) + 1;
        if (l.kind == Literal::Integer)
            sqlite3_bind_int64(st, idx, l.i);
        else if (l.kind == Literal::Real)
            sqlite3_bind_double(st, idx, l.d);
        else
            sqlite3_bind_text(st, idx, l.text.data(), static_cast<int>(l.text.size()),
                              copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
    }
}

// ---- The engine ------------------------------------------------------------------------------

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

// ---- Where the database lives ------------------------------------------------------------------

constexpr const char* kDbHandsetPath = "System/ulog.db";
// The files SQLite keeps beside the database, named after it.
const char* const kDbCompanions[] = {"-wal", "-shm", "-journal"};

// Leaves the code and reports why the database cannot be used.
void DbOpenFailure(unsigned int code, const std::string& why, const std::string& path)
{
    SysSetLastError(code);
    SysDebugPrintf(SYS_DBG_FAIL, "Db2Open: %s [%s]\n", why.c_str(), path.c_str());
}

// The database's place under the data root. The way to it may pass links that stay under the root; a
// link leading out of it (at any level, dangling too) is refused, and so is a link in the place of the
// database or of one of its companion files. path gets the database's host path with every link
// resolved, the name SQLite also derives the companion files from.
bool ConfineDatabase(std::string& path)
{
    std::string host;
    switch (ConfinePath(kDbHandsetPath, host, &path))
    {
    case PATH_OK:
        break;
    case PATH_OUTSIDE_ROOT:
        DbOpenFailure(SYS_ERR_OUTSIDE_ROOT,
                      std::string("a link on the way to ") + kDbHandsetPath + " leads outside the data root",
                      DataRoot() + "/" + kDbHandsetPath);
        return false;
    default:
        DbOpenFailure(SYS_ERR_BAD_PATH, std::string("the way to ") + kDbHandsetPath + " cannot be followed",
                      DataRoot() + "/" + kDbHandsetPath);
        return false;
    }
    // The files themselves, by the names they have under the folder (a link to them is not followed).
    for (const char* suffix : {"", kDbCompanions[0], kDbCompanions[1], kDbCompanions[2]})
    {
        const std::string file = host + suffix;
        struct stat st
        {
        };
        if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            continue;
        std::string ignored;
        if (ConfinePath(std::string(kDbHandsetPath) + suffix, ignored) == PATH_OUTSIDE_ROOT)
            DbOpenFailure(SYS_ERR_OUTSIDE_ROOT, "the database file is a link leading outside the data root",
                          file);
        else
            DbOpenFailure(SYS_ERR_BAD_PATH, "the database file is a link", file);
        return false;
    }
    return true;
}

// The failure code of a connection that could not be opened or read, and its report. A file system
// that refuses writing is a read-only data root, whatever SQLite calls it.
void ConnectionFailure(sqlite3* h, int rc, const std::string& path)
{
    unsigned int code = h != nullptr ? SqliteErrorCode(sqlite3_extended_errcode(h)) : SqliteErrorCode(rc);
    if (h != nullptr && (sqlite3_system_errno(h) == EROFS || sqlite3_system_errno(h) == EACCES))
        code = SYS_ERR_READ_ONLY;
    DbOpenFailure(code, h != nullptr ? sqlite3_errmsg(h) : sqlite3_errstr(rc), path);
}

// Opens the database for reading and writing (created when missing) with its journal settings.
sqlite3* OpenForWriting(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec)))
    {
        std::filesystem::create_directories(folder, ec); // under the root: checked with the path
        if (ec == std::errc::read_only_file_system || ec == std::errc::permission_denied)
        {
            DbOpenFailure(SYS_ERR_READ_ONLY, "the database's folder cannot be created", folder.string());
            return nullptr;
        }
    }
    sqlite3* h = nullptr;
    // NOFOLLOW: the path has no link left; one planted since is refused rather than followed.
    const int rc = sqlite3_open_v2(
        path.c_str(), &h,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (rc != SQLITE_OK)
    {
        ConnectionFailure(h, rc, path);
        sqlite3_close(h);
        return nullptr;
    }
    sqlite3_busy_timeout(h, kBusyTimeoutMs);
    // SQLite falls back to reading a file it may not write: every write would then fail one by one.
    if (sqlite3_db_readonly(h, "main") == 1)
    {
        DbOpenFailure(SYS_ERR_READ_ONLY, "the database cannot be written", path);
        sqlite3_close(h);
        return nullptr;
    }
    char* err = nullptr;
    if (sqlite3_exec(h, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, &err) !=
        SQLITE_OK)
    {
        SysSetLastError(SqliteErrorCode(sqlite3_extended_errcode(h)));
        SysDebugPrintf(SYS_DBG_FAIL, "Db2Open: %s [%s]\n", err != nullptr ? err : "pragma failed",
                       path.c_str());
        sqlite3_free(err);
        sqlite3_close(h);
        return nullptr;
    }
    return h;
}

// A file name as a URI path: everything but unreserved characters and '/' percent-encoded.
std::string UriPath(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path)
    {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            out.push_back(static_cast<char>(c));
        else
        {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

// In read-only mode no table may be changed; only the schema of temporary tables (the stand-ins of
// missing tables, in memory) may be written.
int ReadOnlyAuthorizer(void*, int action, const char* table, const char*, const char*, const char*)
{
    if (action != SQLITE_INSERT && action != SQLITE_UPDATE && action != SQLITE_DELETE)
        return SQLITE_OK;
    return (table != nullptr && std::strcmp(table, "sqlite_temp_master") == 0) ? SQLITE_OK : SQLITE_DENY;
}

// Opens uri read-only and reads its schema; SQLITE_OK, or the failure. The caller closes h either way
// (a failed one still holds the message).
int OpenAndProbe(const std::string& uri, sqlite3*& h)
{
    h = nullptr;
    int rc = sqlite3_open_v2(
        uri.c_str(), &h, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW,
        nullptr);
    if (rc == SQLITE_OK)
    {
        sqlite3_busy_timeout(h, kBusyTimeoutMs);
        rc = sqlite3_exec(h, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK && h != nullptr)
        rc = sqlite3_extended_errcode(h);
    return rc;
}

// Opens the database of a read-only root: nothing is created or written. A missing database reads as
// an empty one (in memory). A write-ahead journal is read through its shared index; where that cannot
// be created (a read-only file system) and the journal holds nothing, the database file alone is read
// as it is (immutable). Journal contents that cannot be read make the open fail.
sqlite3* OpenReadOnly(const std::string& path)
{
    struct stat st
    {
    };
    sqlite3* h = nullptr;
    if (::lstat(path.c_str(), &st) != 0)
    {
        if (errno != ENOENT)
        {
            DbOpenFailure(SYS_ERR_DB_CANT_OPEN,
                          std::string("cannot reach the database: ") + std::strerror(errno), path);
            return nullptr;
        }
        const int rc = OpenAndProbe("file::memory:", h);
        if (rc != SQLITE_OK)
        {
            ConnectionFailure(h, rc, path);
            sqlite3_close(h);
            return nullptr;
        }
    }
    else if (!S_ISREG(st.st_mode))
    {
        DbOpenFailure(SYS_ERR_DB_CANT_OPEN, "the database is not a file", path);
        return nullptr;
    }
    else
    {
        const std::string uri = "file:" + UriPath(path);
        int rc = OpenAndProbe(uri + "?mode=ro", h);
        if ((rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_READONLY)
        {
            struct stat wal
            {
            };
            const bool journalEmpty = ::lstat((path + "-wal").c_str(), &wal) != 0 || wal.st_size == 0;
            if (!journalEmpty)
            {
                sqlite3_close(h);
                DbOpenFailure(SYS_ERR_READ_ONLY,
                              "the database's journal cannot be read: its shared index cannot be created",
                              path);
                return nullptr;
            }
            sqlite3_close(h);
            rc = OpenAndProbe(uri + "?mode=ro&immutable=1", h);
        }
        if (rc != SQLITE_OK)
        {
            ConnectionFailure(h, rc, path);
            sqlite3_close(h);
            return nullptr;
        }
    }
    // Temporary tables stay in memory: nothing is written outside the data root either.
    sqlite3_exec(h, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    sqlite3_set_authorizer(h, ReadOnlyAuthorizer, nullptr);
    return h;
}

struct Engine
{
    std::mutex mu;
    sqlite3* db = nullptr;
    std::list<std::pair<std::string, sqlite3_stmt*>> lru; // most recently used first
    std::unordered_map<std::string_view, std::list<std::pair<std::string, sqlite3_stmt*>>::iterator> cached;
    std::vector<std::unique_ptr<Statement>> handles; // handle h is handles[h - 1]
    int failNext = 0;  // injected faults still to give
    int failSkip = 0;  // statements to let through before the injected faults begin
    int count = 0;
    int batchDepth = 0; // open Db2BeginBatch calls; the outermost one owns the transaction
    std::thread::id batchOwner; // the thread that began the outermost batch
    bool batchFailed = false;   // a statement of the owner failed, or the batch was aborted
    std::atomic<uint64_t> generation{1};
    bool schemaValid = false;
    // lower-case table name -> (lower-case column name, declared type) in table order
    std::unordered_map<std::string, std::vector<std::pair<std::string, std::string>>> schema;

    ~Engine() { CloseLocked(); }

    // Reports a failed statement and leaves its cause in the thread's last error: the connection's
    // last SQLite result, or SYS_ERR_SQL when the failure is the engine's own (injected, refused text).
    // A failure of the batch owner's statement fails the whole batch: it is rolled back at its end.
    void Fail(const char* what, const char* message, const std::string& sql, bool engineOwn = false)
    {
        SysSetLastError(engineOwn || db == nullptr ? SYS_ERR_SQL : SqliteErrorCode(sqlite3_errcode(db)));
        SysDebugPrintf(SYS_DBG_FAIL, "%s: %s [%s]\n", what, message, sql.c_str());
        if (batchDepth > 0 && std::this_thread::get_id() == batchOwner)
            batchFailed = true;
    }

    // True (the statement is refused, nothing runs) when the calling thread's batch has already
    // failed: its transaction is to be rolled back, and SQLite may already have ended it, so a
    // statement run now could commit on its own.
    bool RefusedInFailedBatch(const char* what, const std::string& sql)
    {
        if (batchDepth == 0 || !batchFailed || std::this_thread::get_id() != batchOwner)
            return false;
        SysDebugPrintf(SYS_DBG_DETAIL, "%s: the batch has failed, statement not run [%s]\n", what, sql.c_str());
        return true;
    }

    bool OpenLocked()
    {
        if (db != nullptr)
            return true;
        std::string path;
        if (!ConfineDatabase(path))
            return false;
        sqlite3* h = DataRootReadOnly() ? OpenReadOnly(path) : OpenForWriting(path);
        if (h == nullptr)
            return false;
        db = h;
        schemaValid = false;
        return true;
    }

    // Runs a statement text directly (transaction control); false, with a report, on failure.
    bool ExecLocked(const char* sql, const char* what)
    {
        char* err = nullptr;
        const bool ok = sqlite3_exec(db, sql, nullptr, nullptr, &err) == SQLITE_OK;
        if (!ok)
            Fail(what, err != nullptr ? err : "failed", sql);
        sqlite3_free(err);
        return ok;
    }

    void CloseLocked()
    {
        for (auto& h : handles)
            if (h && h->st != nullptr)
                sqlite3_finalize(h->st);
        handles.clear();
        for (auto& [sql, st] : lru)
            sqlite3_finalize(st);
        cached.clear();
        lru.clear();
        if (db != nullptr)
            sqlite3_close(db); // an open batch is rolled back
        db = nullptr;
        batchDepth = 0;
        batchFailed = false;
        schemaValid = false;
        schema.clear();
    }

    // A prepared statement for the text: from the cache, or compiled now. Null on failure.
    sqlite3_stmt* Acquire(const std::string& sql, const char* what, bool quiet = false)
    {
        auto it = cached.find(sql);
        if (it != cached.end())
        {
            sqlite3_stmt* st = it->second->second;
            lru.erase(it->second);
            cached.erase(it);
            return st;
        }
        sqlite3_stmt* st = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &st,
                               &tail) != SQLITE_OK)
        {
            if (!quiet)
                Fail(what, sqlite3_errmsg(db), sql);
            return nullptr;
        }
        if (st == nullptr)
        {
            Fail(what, "empty statement", sql, true);
            return nullptr;
        }
        // One statement per call: text after it is refused rather than silently dropped.
        for (const char* p = tail; p != nullptr && *p != '\0'; ++p)
        {
            if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\n' && *p != '\r')
            {
                sqlite3_finalize(st);
                Fail(what, "more than one statement", sql, true);
                return nullptr;
            }
        }
        return st;
    }

    // Compiles t (its values lifted out when it could be); when the lifted form does not compile, the
    // statement is translated again with its literals in place. Binds the lifted values.
    sqlite3_stmt* Prepare(Translation& t, const std::string& text, const char* what, bool copyLiterals)
    {
        sqlite3_stmt* st = Acquire(t.sql, what, t.parameterised);
        if (st == nullptr && t.parameterised)
        {
            t = Translate(text, false);
            st = Acquire(t.sql, what);
        }
        if (st == nullptr || !t.parameterised)
            return st;
        BindLiterals(st, t.literals, static_cast<int>(t.params.size()), copyLiterals);
        return st;
    }

    void Release(std::string sql, sqlite3_stmt* st)
    {
        if (st == nullptr)
            return;
        sqlite3_reset(st);
        sqlite3_clear_bindings(st);
        if (cached.count(sql) != 0)
        {
            sqlite3_finalize(st);
            return;
        }
        lru.emplace_front(std::move(sql), st);
        cached.emplace(std::string_view(lru.front().first), lru.begin());
        while (lru.size() > kStatementCacheSize)
        {
            cached.erase(std::string_view(lru.back().first));
            sqlite3_finalize(lru.back().second);
            lru.pop_back();
        }
    }

    // Runs a prepared statement to its end. Rows of a query go into rs (wide gives the 16-bit
    // columns); the result is the number of rows, the number of rows changed by a write, -1 on failure.
    int Run(sqlite3_stmt* st, ResultSet& rs, const char* what, const std::string& sql)
    {
        const int ncols = sqlite3_column_count(st);
        const sqlite3_int64 before = sqlite3_total_changes64(db);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        {
            if (ncols > 0)
            {
                rs.rows.emplace_back();
                ReadRow(st, rs.wide, rs.rows.back());
            }
        }
        if (rc != SQLITE_DONE)
        {
            Fail(what, sqlite3_errmsg(db), sql);
            sqlite3_reset(st);
            rs.rows.clear();
            return -1;
        }
        sqlite3_reset(st);
        if (ncols > 0)
            return rs.rows.size() > INT_MAX ? INT_MAX : static_cast<int>(rs.rows.size());
        const sqlite3_int64 changed = sqlite3_total_changes64(db) - before;
        return changed > INT_MAX ? INT_MAX : static_cast<int>(changed);
    }

    // Runs the update of a planned statement with only the columns whose values differ from those of
    // the rows it matches; bind gives a compiled form of the statement its values. False (nothing
    // run) when it does not apply: the statement then runs as written. When every value already
    // matches, the rows count as changed without being written, as SQLite would count them.
    //
    // Only inside a transaction (a batch): there no other process can change the rows between the
    // question and the update, so a value found equal is still equal when the others are written.
    template <class Bind>
    bool RunNarrowed(const UpdatePlan& plan, Bind bind, const std::string& text, const char* what, int& n)
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

    // Consumes one injected fault; true when this statement must fail.
    bool Injected(const char* what, const std::string& sql)
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

    void LoadSchemaLocked()
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
            if (sqlite3_prepare_v2(db, "select name, type from pragma_table_info(?1)", -1, &st, nullptr) ==
                SQLITE_OK)
            {
                sqlite3_bind_text(st, 1, t.c_str(), -1, SQLITE_STATIC);
                while (sqlite3_step(st) == SQLITE_ROW)
                {
                    const char* name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
                    const char* type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
                    cols.emplace_back(Lower(name != nullptr ? name : ""), type != nullptr ? type : "");
                }
            }
            sqlite3_finalize(st);
        }
        schemaValid = true;
    }

    const std::string* FindColumn(const std::string& table, const std::string& column)
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
    SlotClass ParamClass(const ParamHint& hint, const Translation& t)
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

    Statement* Find(int h)
    {
        if (h < 1 || static_cast<size_t>(h) > handles.size())
            return nullptr;
        return handles[static_cast<size_t>(h) - 1].get();
    }
};

// Never destroyed: platform tasks may still run statements while the process exits. Committed data is
// already in the database files; reset closes the database properly.
Engine& E()
{
    static Engine* engine = new Engine;
    return *engine;
}

// The calling thread's current result of Db2QueryEx.
struct Current
{
    uint64_t generation = 0;
    ResultSet rs;
    long long row = -1;
};
thread_local Current t_current;

Current* LiveCurrent()
{
    if (t_current.generation != E().generation.load(std::memory_order_acquire))
    {
        t_current.rs.Clear();
        t_current.row = -1;
        return nullptr;
    }
    return &t_current;
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
    t_current.rs.Clear();
    t_current.row = -1;
}
} // namespace kiv::core

using namespace kiv::core::db2;

extern "C" int Db2QueryExV(const char* format, const KivArg* args, int nargs)
{
    if (format == nullptr)
        return -1;
    const std::string text = FormatSql(format, args, nargs);
    Translation t = Translate(text, true);
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
        const std::unique_ptr<UpdatePlan> plan = t.parameterised && !query ? PlanUpdate(t.sql) : nullptr;
        const auto bind = [&t](sqlite3_stmt* s)
        { BindLiterals(s, t.literals, static_cast<int>(t.params.size()), false); };
        if (!plan || !e.RunNarrowed(*plan, bind, text, "Db2QueryEx", n))
            n = e.Run(st, rs, "Db2QueryEx", text);
        if (t.schemaChange)
            e.schemaValid = false;
        if (t.schemaChange || n < 0)
            sqlite3_finalize(st); // compiled against the old schema, or broken: do not keep it
        else
            e.Release(t.sql, st);
        generation = e.generation.load(std::memory_order_acquire);
    }
    if (query && n >= 0)
    {
        // A query replaces the thread's current result; a write leaves it as it was.
        t_current.generation = generation;
        t_current.rs = std::move(rs);
        t_current.row = -1;
    }
    return n;
}

extern "C" int Db2GetNextRow(void)
{
    Current* c = LiveCurrent();
    if (c == nullptr || c->rs.next >= c->rs.rows.size())
        return -1;
    c->row = static_cast<long long>(c->rs.next++);
    return 0;
}

extern "C" char* Db2GetColumn(int column)
{
    Current* c = LiveCurrent();
    if (c == nullptr || c->row < 0 || static_cast<size_t>(c->row) >= c->rs.rows.size() || column < 0)
        return nullptr;
    Row& row = c->rs.rows[static_cast<size_t>(c->row)];
    if (static_cast<size_t>(column) >= row.off.size() || row.off[static_cast<size_t>(column)] < 0)
        return nullptr;
    return row.data.data() + row.off[static_cast<size_t>(column)];
}

extern "C" int Db2ClearRow(void)
{
    t_current.rs.Clear();
    t_current.row = -1;
    return 0;
}

extern "C" int Db2QueryRecordCount(const char* sql)
{
    if (sql == nullptr)
        return -1;
    const std::string text = FormatSql(sql, nullptr, 0);
    Translation t = Translate(text, true);
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.RefusedInFailedBatch("Db2QueryRecordCount", text) || e.Injected("Db2QueryRecordCount", t.sql))
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
    e.Release(t.sql, st);
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

extern "C" BOOL Db2IsReadOnly(void)
{
    return kiv::core::DataRootReadOnly() ? TRUE : FALSE;
}

extern "C" int Db2StmtCreateV(const char* format, const KivArg* args, int nargs)
{
    if (format == nullptr)
        return -1;
    const std::string text = FormatSql(format, args, nargs);
    Translation t = Translate(text, true);
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.RefusedInFailedBatch("Db2StmtCreate", text) || e.Injected("Db2StmtCreate", text))
        return -1;
    if (!e.OpenLocked())
        return -1;
    sqlite3_stmt* st = e.Prepare(t, text, "Db2StmtCreate", true);
    if (st == nullptr)
        return -1;
    auto s = std::make_unique<Statement>();
    s->st = st;
    s->schemaChange = t.schemaChange;
    // The caller's "?" marks; lifted literals are bound after them and stay bound.
    const int nparams =
        t.parameterised ? static_cast<int>(t.params.size()) : sqlite3_bind_parameter_count(st);
    s->params.resize(static_cast<size_t>(nparams));
    s->paramSlots.resize(static_cast<size_t>(nparams));
    for (int i = 0; i < nparams; ++i)
    {
        const ParamHint hint =
            static_cast<size_t>(i) < t.params.size() ? t.params[static_cast<size_t>(i)] : ParamHint{};
        Allocate(s->params[static_cast<size_t>(i)], s->paramSlots[static_cast<size_t>(i)],
                 e.ParamClass(hint, t));
    }
    const int ncols = sqlite3_column_count(st);
    s->results.resize(static_cast<size_t>(ncols));
    s->resultSlots.resize(static_cast<size_t>(ncols));
    s->rs.wide.resize(static_cast<size_t>(ncols));
    for (int c = 0; c < ncols; ++c)
    {
        const SlotClass cls = Classify(sqlite3_column_decltype(st, c));
        Allocate(s->results[static_cast<size_t>(c)], s->resultSlots[static_cast<size_t>(c)], cls);
        s->rs.wide[static_cast<size_t>(c)] = cls.type == DB2_FIELD_WTEXT ? 1 : 0;
    }
    if (t.parameterised)
    {
        s->plan = PlanUpdate(t.sql);
        if (s->plan)
            s->literals = t.literals;
    }
    s->sql = std::move(t.sql);
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
    BindParams(s->st, *s);
    s->rs.rows.clear();
    s->rs.next = 0;
    int n = 0;
    const auto bind = [s](sqlite3_stmt* st)
    {
        BindParams(st, *s);
        BindLiterals(st, s->literals, static_cast<int>(s->params.size()), false);
    };
    if (!s->plan || !e.RunNarrowed(*s->plan, bind, s->text, "Db2StmtExecute", n))
        n = e.Run(s->st, s->rs, "Db2StmtExecute", s->text);
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
    if (s == nullptr || s->rs.next >= s->rs.rows.size())
        return -1;
    const Row& row = s->rs.rows[s->rs.next++];
    for (size_t c = 0; c < s->results.size(); ++c)
        FillSlot(s->results[c], s->resultSlots[c], row, c);
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

static int EndTransaction(const char* sql, const char* what, bool undo)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth > 0)
    {
        // The batch commits as a whole; a rollback asked for by its owner undoes the whole batch.
        if (undo && std::this_thread::get_id() == e.batchOwner)
            e.batchFailed = true;
        return 0;
    }
    if (e.db == nullptr || sqlite3_get_autocommit(e.db) != 0)
        return 0; // each statement commits by itself
    return e.ExecLocked(sql, what) ? 0 : -1;
}

extern "C" int Db2Commit(void)
{
    return EndTransaction("COMMIT", "Db2Commit", false);
}

extern "C" int Db2Rollback(void)
{
    return EndTransaction("ROLLBACK", "Db2Rollback", true);
}

extern "C" int Db2BeginBatch(void)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth > 0)
    {
        ++e.batchDepth;
        return 0;
    }
    if (!e.OpenLocked())
        return -1;
    if (sqlite3_get_autocommit(e.db) == 0)
    {
        // A transaction left open outside any batch would swallow the batch's end: refuse.
        SysSetLastError(SYS_ERR_SQL);
        SysDebugPrintf(SYS_DBG_FAIL, "Db2BeginBatch: a transaction is already open\n");
        return -1;
    }
    // Immediate: the write lock is taken (or waited for) now, so that no later statement of the
    // batch can find the database taken by another process half way through.
    if (!e.ExecLocked("BEGIN IMMEDIATE", "Db2BeginBatch"))
        return -1;
    e.batchDepth = 1;
    e.batchOwner = std::this_thread::get_id();
    e.batchFailed = false;
    return 0;
}

extern "C" int Db2AbortBatch(void)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth == 0 || std::this_thread::get_id() != e.batchOwner)
        return -1;
    e.batchFailed = true;
    return 0;
}

extern "C" int Db2EndBatch(void)
{
    Engine& e = E();
    std::lock_guard<std::mutex> lock(e.mu);
    if (e.batchDepth == 0)
        return -1;
    if (--e.batchDepth > 0)
        return e.batchFailed ? -1 : 0; // an inner batch: the outermost one commits or rolls back
    const bool failed = e.batchFailed;
    e.batchFailed = false;
    e.batchOwner = std::thread::id();
    if (e.db == nullptr)
        return -1; // closed under the batch (a reset): nothing was committed
    if (sqlite3_get_autocommit(e.db) != 0)
        return failed ? -1 : 0; // SQLite already rolled the transaction back after a hard error
    if (!failed && e.ExecLocked("COMMIT", "Db2EndBatch"))
        return 0;
    // Never leave the transaction open: later statements would silently join it.
    const unsigned int cause = SysGetLastError();
    e.ExecLocked("ROLLBACK", "Db2EndBatch");
    SysSetLastError(cause); // the reason the batch failed, not the rollback's
    return -1;
}
