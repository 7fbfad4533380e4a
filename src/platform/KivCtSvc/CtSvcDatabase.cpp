// The address book's database: where it lives, how it is opened (for writing, or read-only), its
// schema, and the pool of connections.
#include "KivCtSvc/CtSvcDatabase.h"

#include "KivCore/Db2EngineInternal.h" // SqliteErrorCode, OpenExistingReadOnly
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"
#include "KivCtSvc/KivCtSvcInternal.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include <sys/stat.h>

namespace kiv::ctsvc
{
namespace
{
constexpr const char* kDbHandsetPath = "System/contacts.db";
constexpr int kBusyTimeoutMs = 5000;
constexpr size_t kIdleMax = 4; // connections kept for the next caller

// Ids are the records' 32-bit ids: a table refuses one past that range. Ids come from AUTOINCREMENT
// tables, so one is never given out again, also after its record was deleted, in any process. The
// data of contacts (numbers, e-mail addresses, SNS data, IM addresses) share one table and so one id
// space; kind is the listener kind of the record (CTSVC_DB_...). reversed: the dialled part of a
// number (before its first pause) reversed, for searches by the last characters.
constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS contacts("
    " id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN 1 AND 2147483647),"
    " first_name TEXT NOT NULL, last_name TEXT NOT NULL, caller_id_path TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS contact_data("
    " id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN 1 AND 2147483647),"
    " kind INTEGER NOT NULL, contact_id INTEGER NOT NULL, storage_kind INTEGER NOT NULL,"
    " account_id INTEGER NOT NULL, number_kind INTEGER NOT NULL, use_type INTEGER NOT NULL,"
    " value TEXT NOT NULL, reversed TEXT);"
    "CREATE INDEX IF NOT EXISTS contact_data_of_contact ON contact_data(contact_id, kind);"
    "CREATE INDEX IF NOT EXISTS contact_data_by_value ON contact_data(kind, value);"
    "CREATE INDEX IF NOT EXISTS contact_data_by_number ON contact_data(kind, reversed);"
    "CREATE TABLE IF NOT EXISTS fdn("
    " id INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id BETWEEN 1 AND 2147483647),"
    " name TEXT NOT NULL, number TEXT NOT NULL, reversed TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS fdn_by_number ON fdn(reversed);";

// The failure code of a connection that could not be opened or read. A file system that refuses
// writing is a read-only data root, whatever SQLite calls it.
void OpenFailure(sqlite3* pDb, int nResult, const std::string& strPath)
{
    unsigned int nError =
        kiv::core::db2::SqliteErrorCode(pDb != nullptr ? sqlite3_extended_errcode(pDb) : nResult);
    if (pDb != nullptr && (sqlite3_system_errno(pDb) == EROFS || sqlite3_system_errno(pDb) == EACCES))
        nError = SYS_ERR_READ_ONLY;
    Fail(nError, "CtSvcOpen",
         std::string(pDb != nullptr ? sqlite3_errmsg(pDb) : sqlite3_errstr(nResult)) + " [" + strPath + "]");
}

// The database's place under the data root: the way to it may pass links that stay under the root; a
// link leading out of it is refused, and so is a link in the place of the database or of one of its
// companion files. strPath gets the host path with every link resolved.
bool ConfineDatabase(std::string& strPath)
{
    std::string strHost;
    switch (kiv::core::ConfinePath(kDbHandsetPath, strHost, &strPath))
    {
    case kiv::core::PATH_OK:
        break;
    case kiv::core::PATH_OUTSIDE_ROOT:
        Fail(SYS_ERR_OUTSIDE_ROOT, "CtSvcOpen",
             std::string("a link on the way to ") + kDbHandsetPath + " leads outside the data root");
        return false;
    default:
        Fail(SYS_ERR_BAD_PATH, "CtSvcOpen",
             std::string("the way to ") + kDbHandsetPath + " cannot be followed");
        return false;
    }
    for (const char* pszSuffix : {"", "-wal", "-shm", "-journal"})
    {
        struct stat st
        {
        };
        const std::string strFile = strHost + pszSuffix;
        if (::lstat(strFile.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            continue;
        std::string strIgnored;
        const bool bOutside = kiv::core::ConfinePath(std::string(kDbHandsetPath) + pszSuffix, strIgnored) ==
                              kiv::core::PATH_OUTSIDE_ROOT;
        Fail(bOutside ? SYS_ERR_OUTSIDE_ROOT : SYS_ERR_BAD_PATH, "CtSvcOpen",
             "the contacts database file is a link [" + strFile + "]");
        return false;
    }
    return true;
}

bool HasSchema(sqlite3* pDb)
{
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v2(pDb, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'contacts'", -1,
                           &pStmt, nullptr) != SQLITE_OK)
        return false;
    const bool bFound = sqlite3_step(pStmt) == SQLITE_ROW;
    sqlite3_finalize(pStmt);
    return bFound;
}

// Runs a text whose first statement may meet another process's lock without SQLite's own busy wait
// (switching the journal mode): tried again for as long as that wait would last.
int ExecWaiting(sqlite3* pDb, const char* pszSql)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    int nResult;
    while ((nResult = sqlite3_exec(pDb, pszSql, nullptr, nullptr, nullptr)) != SQLITE_OK &&
           ((nResult & 0xff) == SQLITE_BUSY || (nResult & 0xff) == SQLITE_LOCKED) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return nResult;
}

// Opens the database for reading and writing (created, with its schema, when missing).
sqlite3* OpenForWriting(const std::string& strPath)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(strPath).parent_path();
    if (!std::filesystem::exists(std::filesystem::symlink_status(folder, ec)))
        std::filesystem::create_directories(folder, ec); // under the root: checked with the path
    sqlite3* pDb = nullptr;
    // NOFOLLOW: the path has no link left; one planted since is refused rather than followed.
    const int nOpen = kiv::core::db2::OpenSqlite(strPath.c_str(), &pDb,
                                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                                     SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW);
    if (nOpen != SQLITE_OK)
    {
        OpenFailure(pDb, nOpen, strPath);
        sqlite3_close(pDb);
        return nullptr;
    }
    sqlite3_busy_timeout(pDb, kBusyTimeoutMs);
    if (sqlite3_db_readonly(pDb, "main") == 1)
    {
        Fail(SYS_ERR_READ_ONLY, "CtSvcOpen", "the contacts database cannot be written [" + strPath + "]");
        sqlite3_close(pDb);
        return nullptr;
    }
    bool bOk = ExecWaiting(pDb, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;") == SQLITE_OK;
    if (bOk)
        kiv::core::db2::KeepJournalFiles(pDb);
    if (bOk && !HasSchema(pDb))
    {
        const std::string strCreate = std::string("BEGIN IMMEDIATE;") + kSchema + "COMMIT;";
        bOk = sqlite3_exec(pDb, strCreate.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!bOk && !sqlite3_get_autocommit(pDb))
            sqlite3_exec(pDb, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (!bOk)
    {
        OpenFailure(pDb, SQLITE_ERROR, strPath);
        sqlite3_close(pDb);
        return nullptr;
    }
    return pDb;
}

// An empty address book in memory: what a read-only root without a contacts database reads as.
sqlite3* OpenEmpty()
{
    sqlite3* pDb = nullptr;
    if (kiv::core::db2::OpenSqlite(":memory:", &pDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX) !=
            SQLITE_OK ||
        sqlite3_exec(pDb, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
    {
        OpenFailure(pDb, SQLITE_NOMEM, ":memory:");
        sqlite3_close(pDb);
        return nullptr;
    }
    return pDb;
}

// Opens the database of a read-only root: nothing is created or written. A missing database (or one
// without the address book's tables) reads as an empty one. A write-ahead journal is read through its
// shared index; where that cannot be created (a read-only file system) and the journal holds nothing,
// the database file alone is read as it is.
sqlite3* OpenReadOnly(const std::string& strPath)
{
    struct stat st
    {
    };
    sqlite3* pDb = nullptr;
    if (::lstat(strPath.c_str(), &st) != 0)
    {
        if (errno == ENOENT)
            pDb = OpenEmpty();
        else
            Fail(SYS_ERR_DB_CANT_OPEN, "CtSvcOpen",
                 std::string("cannot reach the contacts database: ") + std::strerror(errno));
    }
    else if (!S_ISREG(st.st_mode))
        Fail(SYS_ERR_DB_CANT_OPEN, "CtSvcOpen", "the contacts database is not a file [" + strPath + "]");
    else
    {
        bool bJournalUnread = false;
        const int nResult = kiv::core::db2::OpenExistingReadOnly(strPath, pDb, bJournalUnread);
        if (bJournalUnread)
        {
            Fail(SYS_ERR_READ_ONLY, "CtSvcOpen",
                 "the contacts database's journal cannot be read: its shared index cannot be created");
            return nullptr;
        }
        if (nResult != SQLITE_OK)
        {
            OpenFailure(pDb, nResult, strPath);
            sqlite3_close(pDb);
            return nullptr;
        }
        if (!HasSchema(pDb))
        {
            sqlite3_close(pDb);
            pDb = OpenEmpty();
        }
    }
    if (pDb != nullptr)
        sqlite3_exec(pDb, "PRAGMA query_only=1", nullptr, nullptr, nullptr);
    return pDb;
}
} // namespace

void Fail(unsigned int nError, const char* pszWhat, const std::string& strWhy)
{
    SysSetLastError(nError);
    SysDebugPrintf(SYS_DBG_FAIL, "%s: %s\n", pszWhat, strWhy.c_str());
}

void FailSql(sqlite3* pDb, const char* pszWhat)
{
    Fail(kiv::core::db2::SqliteErrorCode(sqlite3_extended_errcode(pDb)), pszWhat, sqlite3_errmsg(pDb));
}

int BindText(sqlite3_stmt* pStmt, int nIndex, const std::string& strText)
{
    return sqlite3_bind_text(pStmt, nIndex, strText.data(), static_cast<int>(strText.size()),
                             SQLITE_TRANSIENT);
}

CCtSvcConnection::~CCtSvcConnection()
{
    for (auto& entry : m_statements)
        sqlite3_finalize(entry.second);
    sqlite3_close(m_pDb);
}

sqlite3_stmt* CCtSvcConnection::Statement(const std::string& strSql, const char* pszWhat)
{
    if (auto it = m_statements.find(strSql); it != m_statements.end())
    {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare_v3(m_pDb, strSql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &pStmt, nullptr) !=
        SQLITE_OK)
    {
        FailSql(m_pDb, pszWhat);
        return nullptr;
    }
    m_statements.emplace(strSql, pStmt);
    return pStmt;
}

bool CCtSvcConnection::Exec(const char* pszSql, const char* pszWhat)
{
    if (sqlite3_exec(m_pDb, pszSql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    FailSql(m_pDb, pszWhat);
    return false;
}

CCtSvcDatabase& CCtSvcDatabase::Instance()
{
    // Never destroyed: a notification thread still ending at exit may read. Its connections are closed at
    // process exit (see RegisterExitHandler).
    static CCtSvcDatabase* s_pDatabase = []
    {
        RegisterExitHandler();
        return new CCtSvcDatabase;
    }();
    return *s_pDatabase;
}

void CCtSvcDatabase::FollowRootLocked(const std::string& strRoot, bool bReadOnly,
                                      std::vector<std::unique_ptr<CCtSvcConnection>>& retired)
{
    if (strRoot == m_strRoot && bReadOnly == m_bReadOnly)
        return;
    m_strRoot = strRoot;
    m_bReadOnly = bReadOnly;
    ++m_nGeneration;
    retired.swap(m_idle);
}

std::unique_ptr<CCtSvcConnection> CCtSvcDatabase::Acquire(const char* pszWhat)
{
    const std::string strRoot = kiv::core::DataRoot();
    const bool bReadOnly = kiv::core::DataRootReadOnly();
    uint64_t nGeneration;
    std::vector<std::unique_ptr<CCtSvcConnection>> retired; // closed outside the lock
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        FollowRootLocked(strRoot, bReadOnly, retired);
        if (!m_idle.empty())
        {
            std::unique_ptr<CCtSvcConnection> pConnection = std::move(m_idle.back());
            m_idle.pop_back();
            return pConnection;
        }
        nGeneration = m_nGeneration;
    }
    // Opened without the pool's lock: an open may wait for another process (a first creation).
    std::string strPath;
    if (!ConfineDatabase(strPath))
        return nullptr;
    sqlite3* pDb = bReadOnly ? OpenReadOnly(strPath) : OpenForWriting(strPath);
    if (pDb == nullptr)
    {
        SysDebugPrintf(SYS_DBG_FAIL, "%s: the contacts database cannot be used\n", pszWhat);
        return nullptr;
    }
    return std::make_unique<CCtSvcConnection>(pDb, nGeneration);
}

void CCtSvcDatabase::GiveBack(std::unique_ptr<CCtSvcConnection> pConnection)
{
    if (!sqlite3_get_autocommit(pConnection->Db()))
        sqlite3_exec(pConnection->Db(), "ROLLBACK", nullptr, nullptr,
                     nullptr); // never kept inside a transaction
    std::lock_guard<std::mutex> lock(m_mutex);
    if (pConnection->Generation() == m_nGeneration && m_idle.size() < kIdleMax)
        m_idle.push_back(std::move(pConnection));
    // else: closed here (retired, or more than the pool keeps)
}

void CCtSvcDatabase::Close()
{
    std::vector<std::unique_ptr<CCtSvcConnection>> retired;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_nGeneration;
        m_strRoot.clear();
        retired.swap(m_idle);
    }
    // closed here, outside the lock
}
} // namespace kiv::ctsvc
