// Renaming a contact whose numbers and address have 10 stored rows of 30 events each: through the
// contacts service's write (the path of a real change: the address book's write, its listener on the
// notification thread, the rewrite of the 10 rows and of their events' contact ids), and the rewrite
// alone (the contact sync's update called directly). Each is timed beside one bare SQLite update of one
// row (WAL, synchronous=NORMAL) made in the same loop, and reported as a multiple of it ("x_bare").
#include "BenchSupport.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvc.h"
#include "KivCore/KivCore.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

const std::string& Root()
{
    static const std::string root = ulogbench::RunRoot("ctsync-bench");
    return root;
}

CtSvcContactRecord Contact(int nContactId, const std::string& first)
{
    CtSvcContactRecord c;
    std::memset(&c, 0, sizeof(c));
    c.nContactId = nContactId;
    std::snprintf(c.szFirstName, sizeof(c.szFirstName), "%s", first.c_str());
    std::snprintf(c.szLastName, sizeof(c.szLastName), "Lee");
    std::snprintf(c.szCallerIdPath, sizeof(c.szCallerIdPath), "/User/Pictures/ann.jpg");
    return c;
}

bool AddEvents(UlogLogType type, const char* number, const char* address)
{
    for (int i = 0; i < 30; ++i)
    {
        UlogInfo info = ulogbench::NewEvent(type, 1700000000u + type * 100u + i, 30);
        std::snprintf(info.szNumber, sizeof(info.szNumber), "%s", number);
        WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address);
        if (!UlogAddCallLog(&info))
            return false;
    }
    return true;
}

// A started service on an empty data root, and Ann, whose two numbers and one address have 10 rows of
// 30 events: number A in log types 0 to 4, number B in 0 to 2, the address in the e-mail types 5 and 6.
// Her id, 0 when the set-up failed.
int SetUp()
{
    ulogbench::StartServiceOn(Root());
    for (int type = 0; type < 5; ++type)
        if (!AddEvents(static_cast<UlogLogType>(type), "0101110000", ""))
            return 0;
    for (int type = 0; type < 3; ++type)
        if (!AddEvents(static_cast<UlogLogType>(type), "0102220000", ""))
            return 0;
    for (int type = 5; type < 7; ++type)
        if (!AddEvents(static_cast<UlogLogType>(type), "", "ann@example.com"))
            return 0;
    const CtSvcContactRecord ann = Contact(0, "Ann");
    const int nAnn = CtSvcDbContactAdd(&ann);
    CtSvcPhoneNumberRecord number = {
        0, nAnn, CTSVC_STORAGE_PHONE, 0, CTSVC_PHONE_MOBILE, CTSVC_USE_HOME, "0101110000"};
    CtSvcEmailAddressRecord email = {0, nAnn, CTSVC_STORAGE_PHONE, 0, CTSVC_USE_HOME, "ann@example.com"};
    if (nAnn <= 0 || CtSvcDbPhoneNumberAdd(&number) <= 0 || CtSvcDbEmailAddressAdd(&email) <= 0)
        return 0;
    std::strcpy(number.szNumber, "0102220000");
    return CtSvcDbPhoneNumberAdd(&number) > 0 ? nAnn : 0;
}

// The rows that carry the contact's first name.
long long RowsNamed(const std::string& first)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    long long n = -1;
    if (sqlite3_open_v2((Root() + "/System/ulog.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(db, "select count(*) from UlogDistinctDbTable where firstname = ?", -1, &st,
                           nullptr) == SQLITE_OK)
    {
        sqlite3_bind_text(st, 1, first.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

// The bare update: one row of ten in a WAL database with synchronous=NORMAL.
class BareTable
{
public:
    BareTable()
    {
        const std::string path = Root() + "/bare.db";
        std::filesystem::remove(path);
        sqlite3_open(path.c_str(), &m_db);
        sqlite3_exec(
            m_db,
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; create table t (id int primary key, "
            "ctprimaryid int, firstname text, lastname text, callerid text)",
            nullptr, nullptr, nullptr);
        for (int i = 0; i < 10; ++i)
            sqlite3_exec(m_db,
                         ("insert into t values (" + std::to_string(i) + ", 1, 'Ann', 'Lee', '')").c_str(),
                         nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db, "update t set firstname = ? where id = ?", -1, &m_stmt, nullptr);
    }
    ~BareTable()
    {
        sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
    bool Update(int n)
    {
        const std::string name = "Ann" + std::to_string(n);
        sqlite3_bind_text(m_stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(m_stmt, 2, n % 10);
        const bool ok = sqlite3_step(m_stmt) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
        sqlite3_reset(m_stmt);
        return ok;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

const char* const kCheckFile = "/User/Ulog/CtFullSyncCheckDummy.txt";

// bDirect: the contact sync's update alone; the address book is renamed beforehand (untimed) while the
// full-sync check file keeps the listeners out.
void Rename(benchmark::State& state, bool bDirect)
{
    const int nAnn = SetUp();
    if (nAnn == 0)
    {
        state.SkipWithError("set-up failed");
        return;
    }
    BareTable bare;
    double renameNs = 0, bareNs = 0;
    long long n = 0, nStatements = 0;
    std::string first;
    for (auto _ : state)
    {
        state.PauseTiming();
        first = "Ann" + std::to_string(n);
        const CtSvcContactRecord renamed = Contact(nAnn, first);
        bool bDone = true;
        if (bDirect)
        {
            FmCloseFile(FmCreateFile(kCheckFile, 1));
            bDone = CtSvcDbContactChange(&renamed) != FALSE && FmRemoveFile(kCheckFile) != FALSE;
        }
        state.ResumeTiming();
        const auto t0 = Clock::now();
        const bool bBare = bare.Update(static_cast<int>(n));
        const auto t1 = Clock::now();
        const int nBefore = UlogCtlGetSqlStatementCount();
        if (bDirect)
            bDone = bDone && CUlogSvcContactSync::Instance()->UpdatePrimaryCtInfo(nAnn) != FALSE;
        else
            bDone = CtSvcDbContactChange(&renamed) != FALSE;
        const auto t2 = Clock::now();
        nStatements += UlogCtlGetSqlStatementCount() - nBefore;
        if (!bBare || !bDone)
        {
            state.SkipWithError("a write failed");
            break;
        }
        bareNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        renameNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        ++n;
    }
    if (n > 0 && RowsNamed(first) != 10)
        state.SkipWithError("the rows do not carry the new name");
    state.counters["ns_per_rename"] = n > 0 ? renameNs / n : 0.0;
    state.counters["bare_ns"] = n > 0 ? bareNs / n : 0.0;
    state.counters["x_bare"] = bareNs > 0 ? renameNs / bareNs : 0.0;
    state.counters["sql_per_rename"] = n > 0 ? static_cast<double>(nStatements) / n : 0.0;
}
} // namespace

BENCHMARK_CAPTURE(Rename, ThroughTheAddressBook, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Rename, TheUpdateAlone, true)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
