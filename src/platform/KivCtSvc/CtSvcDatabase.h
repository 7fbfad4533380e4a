// The address book's database: "<data root>/System/contacts.db", reached through connections of the
// contacts service's own (a small pool, so readers never wait for one another nor for a writer).
#ifndef KIVCTSVC_DATABASE_H
#define KIVCTSVC_DATABASE_H

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace kiv::ctsvc
{
/* Leaves the cause in the thread's last error and reports the failure (level 186). */
void Fail(unsigned int nError, const char* pszWhat, const std::string& strWhy);
/* The same for a failed SQLite call on pDb: the platform's code for its last result. */
void FailSql(sqlite3* pDb, const char* pszWhat);

/* One connection, used by one thread at a time, with its prepared statements. */
class CCtSvcConnection
{
public:
    CCtSvcConnection(sqlite3* pDb, uint64_t nGeneration) : m_pDb(pDb), m_nGeneration(nGeneration) {}
    ~CCtSvcConnection();
    CCtSvcConnection(const CCtSvcConnection&) = delete;
    CCtSvcConnection& operator=(const CCtSvcConnection&) = delete;

    sqlite3* Db() const { return m_pDb; }
    uint64_t Generation() const { return m_nGeneration; }
    /* The compiled statement of a text, reset and without bindings; null (cause left) on failure. */
    sqlite3_stmt* Statement(const std::string& strSql, const char* pszWhat);
    /* Runs a statement text without results (transaction control); false (cause left) on failure. */
    bool Exec(const char* pszSql, const char* pszWhat);

private:
    sqlite3* m_pDb;
    uint64_t m_nGeneration;
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
};

/* The connections of the current data root. A connection is opened on first need and kept for the next
 * caller; a reset, or a change of the data root or of its read-only mode, retires every connection (one
 * in use is closed when it is given back). */
class CCtSvcDatabase
{
public:
    static CCtSvcDatabase& Instance();

    /* A connection for the calling thread; null, with the cause left and reported, when the database
     * cannot be opened. */
    std::unique_ptr<CCtSvcConnection> Acquire(const char* pszWhat);
    void GiveBack(std::unique_ptr<CCtSvcConnection> pConnection);
    /* Retires every connection (reset, process exit). */
    void Close();

    /* Held by a write from its transaction's start until its notifications are queued. */
    std::mutex& WriterMutex() { return m_writerMutex; }

private:
    CCtSvcDatabase() = default;
    /* Retires the connections when the data root or its mode changed since they were opened. */
    void FollowRootLocked(const std::string& strRoot, bool bReadOnly,
                          std::vector<std::unique_ptr<CCtSvcConnection>>& retired);

    std::mutex m_mutex; // the idle list and the generation
    std::vector<std::unique_ptr<CCtSvcConnection>> m_idle;
    uint64_t m_nGeneration = 1;
    std::string m_strRoot;
    bool m_bReadOnly = false;
    std::mutex m_writerMutex;
};

/* A connection held for the length of a scope. */
class CCtSvcLease
{
public:
    explicit CCtSvcLease(const char* pszWhat) : m_pConnection(CCtSvcDatabase::Instance().Acquire(pszWhat)) {}
    ~CCtSvcLease()
    {
        if (m_pConnection)
            CCtSvcDatabase::Instance().GiveBack(std::move(m_pConnection));
    }
    CCtSvcLease(const CCtSvcLease&) = delete;
    CCtSvcLease& operator=(const CCtSvcLease&) = delete;

    explicit operator bool() const { return m_pConnection != nullptr; }
    CCtSvcConnection* operator->() const { return m_pConnection.get(); }
    CCtSvcConnection& operator*() const { return *m_pConnection; }

private:
    std::unique_ptr<CCtSvcConnection> m_pConnection;
};

/* Binds text (copied) to parameter nIndex. */
int BindText(sqlite3_stmt* pStmt, int nIndex, const std::string& strText);
} // namespace kiv::ctsvc

#endif
