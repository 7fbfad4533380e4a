// Where the database lives and how it is opened: confined to the data root, for writing, or read-only.
#include "KivCore/Db2EngineInternal.h"
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <chrono>
#include <thread>
#include <cstring>
#include <filesystem>

#include <sys/stat.h>

namespace kiv::core::db2
{
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

int OpenSqlite(const char* filename, sqlite3** ppDb, int flags)
{
    static std::once_flag s_config;
    std::call_once(s_config,
                   []
                   {
                       // Refused (and harmless) when the process initialised SQLite before.
                       sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
                   });
    return sqlite3_open_v2(filename, ppDb, flags, nullptr);
}

void KeepJournalFiles(sqlite3* db)
{
    char sql[64];
    std::snprintf(sql, sizeof sql, "PRAGMA journal_size_limit=%lld", kJournalSizeLimit);
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        SysDebugPrintf(SYS_DBG_DETAIL, "Db2Open: %s [%s]\n", sqlite3_errmsg(db), sql);
    int nPersist = 1;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_PERSIST_WAL, &nPersist);
}

namespace
{
// Opens uri read-only and reads its schema; SQLITE_OK, or the failure. The caller closes h either way
// (a failed one still holds the message).
int OpenAndProbe(const std::string& uri, sqlite3*& h)
{
    h = nullptr;
    int rc = OpenSqlite(uri.c_str(), &h,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW);
    if (rc == SQLITE_OK)
    {
        sqlite3_busy_timeout(h, kBusyTimeoutMs);
        rc = sqlite3_exec(h, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK && h != nullptr)
        rc = sqlite3_extended_errcode(h);
    return rc;
}

} // namespace

int OpenExistingReadOnly(const std::string& path, sqlite3*& h, bool& bJournalUnread)
{
    bJournalUnread = false;
    const std::string uri = "file:" + UriPath(path);
    int rc = OpenAndProbe(uri + "?mode=ro", h);
    if ((rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_READONLY)
    {
        struct stat wal
        {
        };
        sqlite3_close(h);
        h = nullptr;
        if (::lstat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0)
        {
            bJournalUnread = true;
            return rc;
        }
        rc = OpenAndProbe(uri + "?mode=ro&immutable=1", h);
    }
    return rc;
}

namespace
{
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
    const int rc =
        OpenSqlite(path.c_str(), &h,
                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW);
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
    // Setting the journal mode can meet another process's lock without SQLite's own busy wait (a
    // first start switching the file to WAL while another opens it, the recovery after a crash): it
    // is tried again for as long as that wait would last.
    char* err = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    int result;
    while ((result = sqlite3_exec(h, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                                  &err)) != SQLITE_OK &&
           ((result & 0xff) == SQLITE_BUSY || (result & 0xff) == SQLITE_LOCKED) &&
           std::chrono::steady_clock::now() < deadline)
    {
        sqlite3_free(err);
        err = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (result != SQLITE_OK)
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

// In read-only mode no table may be changed; only the schema of temporary tables (the stand-ins of
// missing tables, in memory) may be written.
int ReadOnlyAuthorizer(void*, int action, const char* table, const char*, const char*, const char*)
{
    if (action != SQLITE_INSERT && action != SQLITE_UPDATE && action != SQLITE_DELETE)
        return SQLITE_OK;
    return (table != nullptr && std::strcmp(table, "sqlite_temp_master") == 0) ? SQLITE_OK : SQLITE_DENY;
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
        bool bJournalUnread = false;
        const int rc = OpenExistingReadOnly(path, h, bJournalUnread);
        if (bJournalUnread)
        {
            DbOpenFailure(SYS_ERR_READ_ONLY,
                          "the database's journal cannot be read: its shared index cannot be created", path);
            return nullptr;
        }
        if (rc != SQLITE_OK)
        {
            ConnectionFailure(h, rc, path);
            sqlite3_close(h);
            return nullptr;
        }
    }
    // Temporary tables stay in memory: nothing is written outside the data root either.
    char sql[64];
    std::snprintf(sql, sizeof sql, "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-%d", kPageCacheKiB);
    sqlite3_exec(h, sql, nullptr, nullptr, nullptr);
    sqlite3_set_authorizer(h, ReadOnlyAuthorizer, nullptr);
    return h;
}
} // namespace

void CloseAtExit();

bool Engine::OpenLocked()
{
    if (db != nullptr)
        return true;
    if (exiting)
    {
        DbOpenFailure(SYS_ERR_DB_CANT_OPEN, "the process is ending", kDbHandsetPath);
        return false;
    }
    std::string path;
    if (!ConfineDatabase(path))
        return false;
    sqlite3* h = DataRootReadOnly() ? OpenReadOnly(path) : OpenForWriting(path);
    if (h == nullptr)
        return false;
    db = h;
    schemaValid = false;
    if (!DataRootReadOnly())
        StartCheckpoints(path);
    static std::once_flag s_atExit;
    std::call_once(s_atExit, [] { std::atexit(CloseAtExit); });
    return true;
}
} // namespace kiv::core::db2
