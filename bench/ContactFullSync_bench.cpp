// One full contact sync pass over 330 distinct logs (30 of every log type, each key held by its own
// contact) against an address book of 1,000 contacts:
// - Pass/Relink: every contact was renamed behind the service's back, so the pass rewrites every row;
// - Pass/InStep: nothing changed, so the pass only reads and compares;
// both reported as the time of the pass and per log ("us_per_log"; the goal is under 1,000).
// - AddDuringPass: events added on the benchmark's thread while the task runs a relinking pass, and how
//   long each add takes then ("add_us_mean", "add_us_max") beside adds with no pass ("alone_us_mean").
#include "BenchSupport.h"
#include "KivCore/KivCore.h"
#include "KivCtSvc/KivCtSvc.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvc.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;
const int kLogs = 330;
const int kContacts = 1000;
const char* const kCheckFile = "/User/Ulog/CtFullSyncCheckDummy.txt";

const std::string& Root()
{
    static const std::string root =
        (std::filesystem::temp_directory_path() / ("fullsync-bench-" + std::to_string(::getpid()))).string();
    return root;
}

std::string KeyOf(int k)
{
    return std::to_string(10000 + k);
}

bool CheckFileExists()
{
    unsigned int nAttributes = 0;
    return FmGetFileAttributes(kCheckFile, &nAttributes) == TRUE;
}

// Waits for the task's pass to remove the check file; false after a minute.
bool WaitForPass()
{
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (CheckFileExists())
    {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

UlogInfo Event(UlogLogType type, const std::string& number, const std::string& address,
               const std::string& person, unsigned start)
{
    UlogInfo info = ulogbench::NewEvent(type, start, 30);
    std::snprintf(info.szNumber, sizeof(info.szNumber), "%s", number.c_str());
    std::snprintf(info.szSnsPersonId, sizeof(info.szSnsPersonId), "%s", person.c_str());
    WmConvert2PCode(info.mszEmailAddress, ULOG_EMAIL_ADDRESS_LEN, address.c_str());
    return info;
}

// The started service on a new data root with the 1,000 contacts (one bulk import) and the 330 logs.
bool SetUp()
{
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(Root());
    std::filesystem::create_directories(Root());
    UlogCtlReset(Root().c_str());
    UlogSvcDispatch(0);
    std::vector<CtSvcPhoneNumberRecord> numbers(kContacts);
    std::vector<CtSvcEmailAddressRecord> emails(kContacts);
    std::vector<CtSvcSnsDataRecord> sns(kContacts);
    std::vector<CtSvcImRecord> ims(kContacts);
    std::vector<CtSvcImportContact> contacts(kContacts);
    for (int k = 0; k < kContacts; ++k)
    {
        CtSvcImportContact& c = contacts[k];
        std::memset(&c, 0, sizeof(c));
        std::snprintf(c.stContact.szFirstName, sizeof(c.stContact.szFirstName), "First%d", k);
        std::snprintf(c.stContact.szLastName, sizeof(c.stContact.szLastName), "Last%d", k);
        const int type = k < kLogs ? k / 30 : 0;
        if (type <= ULOG_LOG_MSG_RECEIVED)
        {
            numbers[k] = {0, 0, CTSVC_STORAGE_PHONE, 0, CTSVC_PHONE_MOBILE, CTSVC_USE_HOME, {}};
            std::snprintf(numbers[k].szNumber, sizeof(numbers[k].szNumber), "07700%s", KeyOf(k).c_str());
            c.pNumbers = &numbers[k];
            c.nNumbers = 1;
        }
        else if (type <= ULOG_LOG_EMAIL_RECEIVED)
        {
            emails[k] = {0, 0, CTSVC_STORAGE_PHONE, 0, CTSVC_USE_HOME, {}};
            std::snprintf(emails[k].szAddress, sizeof(emails[k].szAddress), "m%s@example.com",
                          KeyOf(k).c_str());
            c.pEmails = &emails[k];
            c.nEmails = 1;
        }
        else if (type <= ULOG_LOG_SNS_2)
        {
            sns[k] = {0, 0, 0, {}};
            std::snprintf(sns[k].szPersonId, sizeof(sns[k].szPersonId), "p%s", KeyOf(k).c_str());
            c.pSns = &sns[k];
            c.nSns = 1;
        }
        else
        {
            ims[k] = {0, 0, 0, {}};
            std::snprintf(ims[k].szAddress, sizeof(ims[k].szAddress), "i%s@im.example", KeyOf(k).c_str());
            c.pIms = &ims[k];
            c.nIms = 1;
        }
    }
    if (CtSvcDbContactImport(contacts.data(), kContacts, nullptr) != kContacts || !WaitForPass())
        return false;
    for (int k = 0; k < kLogs; ++k)
    {
        const UlogLogType type = static_cast<UlogLogType>(k / 30);
        const bool bNumber = type <= ULOG_LOG_MSG_RECEIVED;
        const bool bSns = type == ULOG_LOG_SNS_1 || type == ULOG_LOG_SNS_2;
        const std::string address = bNumber || bSns         ? ""
                                    : type >= ULOG_LOG_IM_1 ? "i" + KeyOf(k) + "@im.example"
                                                            : "m" + KeyOf(k) + "@example.com";
        UlogInfo info = Event(type, bNumber ? "07700" + KeyOf(k) : "", address, bSns ? "p" + KeyOf(k) : "",
                              1700000000u + k);
        if (!UlogAddCallLog(&info))
            return false;
    }
    return true;
}

// Renames every contact behind the service's back (a restore), so that a pass rewrites every row.
bool Restore(long long n)
{
    sqlite3* db = nullptr;
    const std::string sql = "update contacts set first_name = 'R" + std::to_string(n) + "-' || id";
    const bool ok = sqlite3_open((Root() + "/System/contacts.db").c_str(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

long long RowsNamed(long long n)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* st = nullptr;
    long long count = -1;
    const std::string sql = "select count(*) from UlogDistinctDbTable where firstname like 'R" +
                            std::to_string(n) + "-%' and ctprimaryid != 0";
    if (sqlite3_open_v2((Root() + "/System/ulog.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        count = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return count;
}

// The pass itself, called on the benchmark's thread.
void Pass(benchmark::State& state, bool bRelink)
{
    if (!SetUp())
    {
        state.SkipWithError("set-up failed");
        return;
    }
    CUlogSvcContactSync* pSync = CUlogSvcContactSync::Instance();
    long long n = 0;
    double seconds = 0;
    for (auto _ : state)
    {
        ++n;
        if ((bRelink && !Restore(n)) || !ContactFullSyncCallback(0, nullptr, nullptr))
        {
            state.SkipWithError("the address book could not be changed");
            break;
        }
        const auto t0 = Clock::now();
        const BOOL bDone = pSync->__UpdateFullSync();
        const double elapsed = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(elapsed);
        seconds += elapsed;
        if (!bDone || CheckFileExists() || (bRelink && RowsNamed(n) != kLogs))
        {
            state.SkipWithError("the pass did not bring every row in step");
            break;
        }
    }
    state.counters["logs"] = kLogs;
    state.counters["us_per_log"] = n > 0 ? seconds * 1e6 / static_cast<double>(n * kLogs) : 0.0;
}

// Adds on this thread while the task relinks every row: how long each add waits for the pass.
void AddDuringPass(benchmark::State& state)
{
    if (!SetUp())
    {
        state.SkipWithError("set-up failed");
        return;
    }
    double aloneUs = 0, duringUs = 0, maxUs = 0;
    long long nAlone = 0, nDuring = 0, n = 0;
    unsigned start = 1800000000u;
    auto add = [&start]() -> double
    {
        // An event of the first row's correspondent, with its contact looked up as a dialer does (a new
        // correspondent would push a row of the pass out).
        UlogInfo info = Event(ULOG_LOG_ORIGINATED, "07700" + KeyOf(0), "", "", start++);
        if (!UlogFillContactInfo(&info))
            return -1;
        const auto t0 = Clock::now();
        const BOOL bStored = UlogAddCallLog(&info);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        return bStored ? us : -1;
    };
    for (auto _ : state)
    {
        ++n;
        for (int i = 0; i < 20; ++i)
        {
            const double us = add();
            if (us < 0)
                state.SkipWithError("an add failed");
            aloneUs += us;
            ++nAlone;
        }
        if (!Restore(n) || !ContactFullSyncCallback(0, nullptr, nullptr) ||
            !ContactFullSyncCallback(1, nullptr, nullptr))
        {
            state.SkipWithError("the pass could not be requested");
            break;
        }
        while (CheckFileExists())
        {
            const double us = add();
            if (us < 0)
                state.SkipWithError("an add failed");
            duringUs += us;
            maxUs = std::max(maxUs, us);
            ++nDuring;
        }
        if (RowsNamed(n) != kLogs)
            state.SkipWithError("the pass did not bring every row in step");
    }
    state.counters["alone_us_mean"] = nAlone > 0 ? aloneUs / nAlone : 0;
    state.counters["add_us_mean"] = nDuring > 0 ? duringUs / nDuring : 0;
    state.counters["add_us_max"] = maxUs;
    state.counters["adds_per_pass"] = n > 0 ? static_cast<double>(nDuring) / n : 0;
}
} // namespace

BENCHMARK_CAPTURE(Pass, Relink, true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK_CAPTURE(Pass, InStep, false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(AddDuringPass)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
