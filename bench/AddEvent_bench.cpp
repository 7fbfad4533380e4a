// Storing one event through the distinct log manager (statistics, distinct row, duplicate row),
// beside a bare SQLite insert of one row with the same durability (WAL, synchronous=NORMAL) and beside
// the floor of this design: the statements that the Add runs, as raw prepared SQLite on a copy of the
// service's database (the same schema, indexes, rows and journal settings).
// Each Add case times one bare insert, one floor run and one Add in the same loop and reports the Add
// as a multiple of both ("x_bare", "x_floor"), so all three are measured under the same conditions of
// the machine; "median_us" is the median Add, "p90_x_median" the slowest tenth of the Adds against their
// median, "writer_us" the CPU time per Add that the process spent behind the caller: on other threads
// (the statistics task and the store writer) and in applying and storing, once the Adds are done, what
// was still pending (UlogCtlWaitForStores). The "cpu_" figures are the same ratios on the calling
// thread's CPU time.
#include "BenchSupport.h"
#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcECOM/UlogSvcECOM.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"
#include "control/PlatformControl.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

const std::string& Root()
{
    static const std::string root = ulogbench::RunRoot("addevent-bench");
    return root;
}

// A started service on an empty data root.
void StartService()
{
    ulogbench::StartServiceOn(Root());
}

std::unique_ptr<CUlog> CallLog(int nNumber, unsigned start, UlogLogType type = ULOG_LOG_ORIGINATED)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = type;
    info.iCallType = ULOG_CALL_VOICE;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.nSpInfo = -1;
    info.tmStart = start;
    info.tmEnd = start + 42;
    std::snprintf(info.szNumber, sizeof(info.szNumber), "0105%06d", nNumber);
    CUlogSvcGenerator generator;
    return std::unique_ptr<CUlog>(generator.Generate(info));
}

// The bare insert: one row of comparable width into a WAL database with synchronous=NORMAL.
class BareTable
{
public:
    BareTable()
    {
        const std::string path = Root() + "/bare.db";
        std::filesystem::create_directories(Root());
        std::filesystem::remove(path);
        sqlite3_open(path.c_str(), &m_db);
        sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
        sqlite3_exec(
            m_db,
            "create table t (id int primary key, sortindex int, groupid int, parentid int, "
            "starttime int, endtime int, logtype int, basicnumber text, lognumber text, logname text)",
            nullptr, nullptr, nullptr);
        sqlite3_prepare_v2(m_db, "insert into t values (?, ?, ?, 0, ?, ?, 0, ?, ?, '')", -1, &m_stmt,
                           nullptr);
    }
    ~BareTable()
    {
        sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
    bool Insert()
    {
        ++m_nId;
        char szNumber[32];
        std::snprintf(szNumber, sizeof(szNumber), "0105%06d", m_nId);
        sqlite3_bind_int(m_stmt, 1, m_nId);
        sqlite3_bind_int(m_stmt, 2, m_nId);
        sqlite3_bind_int(m_stmt, 3, m_nId);
        sqlite3_bind_int(m_stmt, 4, 1700000000 + m_nId);
        sqlite3_bind_int(m_stmt, 5, 1700000042 + m_nId);
        sqlite3_bind_text(m_stmt, 6, szNumber + 2, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m_stmt, 7, szNumber, -1, SQLITE_TRANSIENT);
        const bool ok = sqlite3_step(m_stmt) == SQLITE_DONE;
        sqlite3_reset(m_stmt);
        return ok;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    int m_nId = 0;
};

// The statements of one Add as raw prepared SQLite, on a copy of the service's database taken when the
// floor is made. Each step reads what the next one needs, as the service does, so that both tables
// evolve as the service's do under the same events.
class Floor
{
public:
    Floor()
    {
        const std::string source = Root() + "/System/ulog.db";
        const std::string path = Root() + "/floor.db";
        for (const char* suffix : {"", "-wal", "-shm"})
            std::filesystem::remove(path + suffix);
        sqlite3* src = nullptr;
        m_bOk =
            sqlite3_open(source.c_str(), &src) == SQLITE_OK &&
            sqlite3_exec(src, ("vacuum into '" + path + "'").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(src);
        m_bOk = m_bOk && sqlite3_open(path.c_str(), &m_db) == SQLITE_OK &&
                sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                             nullptr) == SQLITE_OK;
        if (!m_bOk)
            return;
        ReadColumns();
        std::string probe = "select ";
        std::string insert = "values (";
        for (size_t i = 0; i < m_names.size(); ++i)
        {
            insert += (i > 0 ? ", ?" : "?");
            if (m_names[i] == "clogdbindex" || m_names[i] == "dummystring")
                continue;
            probe += std::string(m_probed.empty() ? "(" : ", (") + m_names[i] + " is ?)";
            m_probed.push_back(static_cast<int>(i));
        }
        insert += ")";
        m_probe = Prepare(probe + " from UlogDistinctDbTable where clogdbindex = ? limit 65");
        m_insertDistinct = Prepare("insert into UlogDistinctDbTable " + insert);
        m_insertDupl = Prepare("insert into UlogDuplDbTable " + insert);
        for (const char* sql : kStatements)
            m_statements[sql] = Prepare(sql);
    }
    ~Floor()
    {
        for (sqlite3_stmt* st : m_all)
            sqlite3_finalize(st);
        sqlite3_close(m_db);
    }
    bool Ok() const { return m_bOk; }

    // An event of a correspondent that has a row of the type.
    bool AddKnown(const char* basic, int nLogType, int nStart, int nEnd)
    {
        bool ok = Run("BEGIN IMMEDIATE");
        const int nSort = Int("select max(sortindex) from UlogDistinctDbTable") + 1;
        std::vector<sqlite3_value*> row;
        ok = ReadRow(basic, nLogType, row) && ok;
        if (row.empty())
            return Run("ROLLBACK") && false;
        const int nId = sqlite3_value_int(row[Col("clogdbindex")]);
        const int nOldCount = sqlite3_value_int(row[Col("sncount")]);
        const int nCount = nOldCount > 29 ? 30 : nOldCount + 1;
        const std::map<std::string, int> changed = {
            {"sortindex", nSort}, {"starttime", nStart}, {"endtime", nEnd}, {"sncount", nCount}};
        ok = Probe(row, changed, nId) && ok;
        ok = (nCount != nOldCount
                  ? Run("update UlogDistinctDbTable set sortindex = ?, starttime = ?, endtime = ?, "
                        "sncount = ? where clogdbindex = ?",
                        {nSort, nStart, nEnd, nCount, nId})
                  : Run("update UlogDistinctDbTable set sortindex = ?, starttime = ?, endtime = ? "
                        "where clogdbindex = ?",
                        {nSort, nStart, nEnd, nId})) &&
             ok;
        ok = AddEvent(row, changed, nId, nLogType) && ok;
        Free(row);
        return Run("COMMIT") && ok;
    }

    // An event of a new correspondent; with 30 rows of the type the least recently touched goes first.
    bool AddNew(const char* basic, const char* number, int nLogType, int nStart, int nEnd)
    {
        bool ok = Run("BEGIN IMMEDIATE");
        const int nSort = Int("select max(sortindex) from UlogDistinctDbTable") + 1;
        std::vector<sqlite3_value*> row;
        ok = ReadRow(basic, nLogType, row) && row.empty() && ok;
        const int nGroup = Int("select max(groupid) from UlogDistinctDbTable") + 1;
        if (Int("select count(*) from UlogDistinctDbTable where logtype = ?", {nLogType}) > 29)
        {
            const int nMin =
                Int("select min(sortindex) from UlogDistinctDbTable where logtype = ?", {nLogType});
            const int nOldest =
                Int("select * from UlogDistinctDbTable where logtype = ? and sortindex = ? limit 0, 1",
                    {nLogType, nMin});
            ok = Int("select * from UlogDistinctDbTable where clogdbindex = ? limit 0, 1", {nOldest}) ==
                     nOldest &&
                 ok;
            ok = Run("delete from UlogDistinctDbTable where clogdbindex = ?", {nOldest}) && ok;
            ok = Run("delete from UlogDuplDbTable where parentid = ?", {nOldest}) && ok;
        }
        const int nId = Int("select max(clogdbindex) from UlogDistinctDbTable") + 1;
        sqlite3_stmt* st = m_insertDistinct;
        BindNew(st, basic, number, nLogType, nStart, nEnd);
        Bind(st, {{"clogdbindex", nId}, {"sortindex", nSort}, {"groupid", nGroup}, {"parentid", 0}});
        ok = Step(st) && ok;
        if (Int("select count(*) from UlogDuplDbTable where parentid = ?", {nId}) > 29)
            ok = false;
        const int nDuplSort = Int("select max(sortindex) from UlogDuplDbTable") + 1;
        const int nDuplId = Int("select max(clogdbindex) from UlogDuplDbTable") + 1;
        st = m_insertDupl;
        BindNew(st, basic, number, nLogType, nStart, nEnd);
        Bind(st,
             {{"clogdbindex", nDuplId}, {"sortindex", nDuplSort}, {"groupid", nGroup}, {"parentid", nId}});
        ok = Step(st) && ok;
        return Run("COMMIT") && ok;
    }

    bool DeleteAll() { return Run("delete from UlogDistinctDbTable") && Run("delete from UlogDuplDbTable"); }

private:
    static constexpr const char* kStatements[] = {
        "BEGIN IMMEDIATE",
        "COMMIT",
        "ROLLBACK",
        "select max(sortindex) from UlogDistinctDbTable",
        "select * from UlogDistinctDbTable where basicnumber = ? limit 0, 64",
        "update UlogDistinctDbTable set sortindex = ?, starttime = ?, endtime = ?, sncount = ? where "
        "clogdbindex = ?",
        "update UlogDistinctDbTable set sortindex = ?, starttime = ?, endtime = ? where clogdbindex = ?",
        "select count(*) from UlogDuplDbTable where parentid = ?",
        "select min(sortindex) from UlogDuplDbTable where parentid = ? and logtype = ?",
        "delete from UlogDuplDbTable where parentid = ? and sortindex = ?",
        "select max(sortindex) from UlogDuplDbTable",
        "select max(clogdbindex) from UlogDuplDbTable",
        "select max(groupid) from UlogDistinctDbTable",
        "select count(*) from UlogDistinctDbTable where logtype = ?",
        "select min(sortindex) from UlogDistinctDbTable where logtype = ?",
        "select * from UlogDistinctDbTable where logtype = ? and sortindex = ? limit 0, 1",
        "select * from UlogDistinctDbTable where clogdbindex = ? limit 0, 1",
        "delete from UlogDistinctDbTable where clogdbindex = ?",
        "delete from UlogDuplDbTable where parentid = ?",
        "select max(clogdbindex) from UlogDistinctDbTable",
        "delete from UlogDistinctDbTable",
        "delete from UlogDuplDbTable",
    };

    void ReadColumns()
    {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "pragma table_info(UlogDistinctDbTable)", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW)
        {
            m_names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
            const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
            m_numeric.push_back(type.find("int") != std::string::npos);
        }
        sqlite3_finalize(st);
    }
    int Col(const std::string& name) const
    {
        return static_cast<int>(std::find(m_names.begin(), m_names.end(), name) - m_names.begin());
    }
    sqlite3_stmt* Prepare(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        {
            std::fprintf(stderr, "floor: %s: %s\n", sqlite3_errmsg(m_db), sql.c_str());
            m_bOk = false;
        }
        m_all.push_back(st);
        return st;
    }
    sqlite3_stmt* Get(const char* sql, const std::vector<int>& args)
    {
        sqlite3_stmt* st = m_statements[sql];
        for (size_t i = 0; i < args.size(); ++i)
            sqlite3_bind_int(st, static_cast<int>(i) + 1, args[i]);
        return st;
    }
    bool Step(sqlite3_stmt* st)
    {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        {
        }
        sqlite3_reset(st);
        return rc == SQLITE_DONE;
    }
    bool Run(const char* sql, const std::vector<int>& args = {}) { return Step(Get(sql, args)); }
    // The first column of the first row (0 when there is none).
    int Int(const char* sql, const std::vector<int>& args = {})
    {
        sqlite3_stmt* st = Get(sql, args);
        const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
        sqlite3_reset(st);
        return n;
    }
    // The correspondent's row of the type among its rows (empty when it has none).
    bool ReadRow(const char* basic, int nLogType, std::vector<sqlite3_value*>& row)
    {
        sqlite3_stmt* st =
            m_statements["select * from UlogDistinctDbTable where basicnumber = ? limit 0, 64"];
        sqlite3_bind_text(st, 1, basic, -1, SQLITE_STATIC);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            if (row.empty() && sqlite3_column_int(st, Col("logtype")) == nLogType)
                for (int i = 0; i < sqlite3_column_count(st); ++i)
                    row.push_back(sqlite3_value_dup(sqlite3_column_value(st, i)));
        sqlite3_reset(st);
        return rc == SQLITE_DONE;
    }
    static void Free(std::vector<sqlite3_value*>& row)
    {
        for (sqlite3_value* v : row)
            sqlite3_value_free(v);
        row.clear();
    }
    // Binds a row's values, with some of them changed, to the columns' places (nth: the column's
    // place in the statement, or -1 for the column's own position).
    void BindRow(sqlite3_stmt* st, const std::vector<sqlite3_value*>& row,
                 const std::map<std::string, int>& changed, const std::vector<int>& columns)
    {
        for (size_t i = 0; i < columns.size(); ++i)
        {
            const auto it = changed.find(m_names[columns[i]]);
            if (it != changed.end())
                sqlite3_bind_int(st, static_cast<int>(i) + 1, it->second);
            else
                sqlite3_bind_value(st, static_cast<int>(i) + 1, row[columns[i]]);
        }
    }
    // The engine's question before a row update: which of the new values differ.
    bool Probe(const std::vector<sqlite3_value*>& row, const std::map<std::string, int>& changed, int nId)
    {
        BindRow(m_probe, row, changed, m_probed);
        sqlite3_bind_int(m_probe, static_cast<int>(m_probed.size()) + 1, nId);
        return Step(m_probe);
    }
    void Bind(sqlite3_stmt* st, const std::map<std::string, int>& values)
    {
        for (const auto& [name, value] : values)
            sqlite3_bind_int(st, Col(name) + 1, value);
    }
    void BindNew(sqlite3_stmt* st, const char* basic, const char* number, int nLogType, int nStart, int nEnd)
    {
        for (size_t i = 0; i < m_names.size(); ++i)
        {
            const std::string& name = m_names[i];
            const int n = static_cast<int>(i) + 1;
            if (name == "basicnumber")
                sqlite3_bind_text(st, n, basic, -1, SQLITE_STATIC);
            else if (name == "lognumber")
                sqlite3_bind_text(st, n, number, -1, SQLITE_STATIC);
            else if (!m_numeric[i])
                sqlite3_bind_text(st, n, "", 0, SQLITE_STATIC);
            else if (name == "phonetype" || name == "callcost" || name == "logsourcetype" || name == "spinfo")
                sqlite3_bind_int(st, n, -1);
            else
                sqlite3_bind_int(st, n, 0);
        }
        Bind(st, {{"logtype", nLogType}, {"starttime", nStart}, {"endtime", nEnd}, {"sncount", 1}});
    }
    // The event under its row; the oldest event of the type goes first when the row has 30.
    bool AddEvent(const std::vector<sqlite3_value*>& row, std::map<std::string, int> changed, int nParent,
                  int nLogType)
    {
        bool ok = true;
        if (Int("select count(*) from UlogDuplDbTable where parentid = ?", {nParent}) > 29)
        {
            const int nMin =
                Int("select min(sortindex) from UlogDuplDbTable where parentid = ? and logtype = ?",
                    {nParent, nLogType});
            ok = Run("delete from UlogDuplDbTable where parentid = ? and sortindex = ?", {nParent, nMin}) &&
                 ok;
        }
        changed["sortindex"] = Int("select max(sortindex) from UlogDuplDbTable") + 1;
        changed["clogdbindex"] = Int("select max(clogdbindex) from UlogDuplDbTable") + 1;
        changed["parentid"] = nParent;
        std::vector<int> all(m_names.size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<int>(i);
        BindRow(m_insertDupl, row, changed, all);
        return Step(m_insertDupl) && ok;
    }

    sqlite3* m_db = nullptr;
    bool m_bOk = false;
    std::vector<std::string> m_names;
    std::vector<bool> m_numeric;
    std::vector<int> m_probed;
    std::map<std::string, sqlite3_stmt*> m_statements;
    std::vector<sqlite3_stmt*> m_all;
    sqlite3_stmt* m_probe = nullptr;
    sqlite3_stmt* m_insertDistinct = nullptr;
    sqlite3_stmt* m_insertDupl = nullptr;
};

double CpuNs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// The CPU time the process spends on other threads than the calling one (the statistics task, the
// store writer, the checkpoints) from its making until Behind(), which first lets everything left
// behind be applied and written.
class CpuBehind
{
public:
    CpuBehind() : m_processCpu0(CpuNs(CLOCK_PROCESS_CPUTIME_ID)), m_threadCpu0(CpuNs(CLOCK_THREAD_CPUTIME_ID))
    {
    }

    double BehindNs(benchmark::State& state) const
    {
        const double threadNs = CpuNs(CLOCK_THREAD_CPUTIME_ID) - m_threadCpu0;
        if (UlogCtlWaitForStores() != 0)
            state.SkipWithError("a store left behind failed");
        return (CpuNs(CLOCK_PROCESS_CPUTIME_ID) - m_processCpu0) - threadNs;
    }

private:
    double m_processCpu0;
    double m_threadCpu0;
};

// The total, median and slowest tenth of a set of timings (sorted in place).
struct Spread
{
    double total = 0;
    double median = 0;
    double p90 = 0;
};

Spread SpreadOf(std::vector<double>& times)
{
    Spread spread;
    if (times.empty())
        return spread;
    for (double t : times)
        spread.total += t;
    std::sort(times.begin(), times.end());
    spread.median = times[times.size() / 2];
    spread.p90 = times[times.size() * 9 / 10];
    return spread;
}

// Times one bare insert, one floor run and one Add, in this order, per event.
class Triple
{
public:
    bool Ok() const { return m_floor.Ok(); }
    Floor& GetFloor() { return m_floor; }

    // False when the floor or the Add failed.
    bool Add(IUlogSvcDistinctMgr* mgr, CUlog& log, const std::function<bool(Floor&)>& floorAdd)
    {
        const double c0 = CpuNs(CLOCK_THREAD_CPUTIME_ID);
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(m_bare.Insert());
        const auto t1 = Clock::now();
        const double c1 = CpuNs(CLOCK_THREAD_CPUTIME_ID);
        const bool bFloor = floorAdd(m_floor);
        const auto t2 = Clock::now();
        const double c2 = CpuNs(CLOCK_THREAD_CPUTIME_ID);
        const int nBefore = UlogCtlGetSqlStatementCount();
        const BOOL bAdded = mgr->Add(log);
        const auto t3 = Clock::now();
        const double c3 = CpuNs(CLOCK_THREAD_CPUTIME_ID);
        m_nStatements += UlogCtlGetSqlStatementCount() - nBefore;
        m_bareNs += std::chrono::duration<double, std::nano>(t1 - t0).count();
        m_floorNs += std::chrono::duration<double, std::nano>(t2 - t1).count();
        m_addNs.push_back(std::chrono::duration<double, std::nano>(t3 - t2).count());
        m_bareCpuNs += c1 - c0;
        m_floorCpuNs += c2 - c1;
        m_addCpuNs.push_back(c3 - c2);
        return bFloor && bAdded;
    }

    void Report(benchmark::State& state)
    {
        const double n = static_cast<double>(m_addNs.size());
        if (m_addNs.empty())
            return;
        const double writerNs = m_cpu.BehindNs(state);
        const Spread add = SpreadOf(m_addNs);
        const double median = add.median;
        const double p90 = add.p90;
        const double perAdd = add.total / n;
        const double perBare = m_bareNs / n;
        const double perFloor = m_floorNs / n;
        state.counters["sql_per_add"] = m_nStatements / n;
        state.counters["add_us"] = perAdd / 1e3;
        state.counters["median_us"] = median / 1e3;
        state.counters["bare_us"] = perBare / 1e3;
        state.counters["floor_us"] = perFloor / 1e3;
        state.counters["x_bare"] = perBare > 0 ? perAdd / perBare : 0.0;
        state.counters["x_floor"] = perFloor > 0 ? perAdd / perFloor : 0.0;
        state.counters["floor_x_bare"] = perBare > 0 ? perFloor / perBare : 0.0;
        state.counters["p90_x_median"] = median > 0 ? p90 / median : 0.0;
        state.counters["writer_us"] = writerNs / n / 1e3;
        // The same on the calling thread's CPU time, which a loaded machine's waits for a core leave out.
        const Spread addCpu = SpreadOf(m_addCpuNs);
        state.counters["cpu_x_bare"] = m_bareCpuNs > 0 ? addCpu.total / m_bareCpuNs : 0.0;
        state.counters["cpu_x_floor"] = m_floorCpuNs > 0 ? addCpu.total / m_floorCpuNs : 0.0;
        state.counters["cpu_p90_x_median"] = addCpu.median > 0 ? addCpu.p90 / addCpu.median : 0.0;
    }

private:
    BareTable m_bare;
    Floor m_floor;
    double m_bareNs = 0;
    double m_floorNs = 0;
    std::vector<double> m_addNs;
    double m_bareCpuNs = 0;
    double m_floorCpuNs = 0;
    std::vector<double> m_addCpuNs;
    int m_nStatements = 0;
    CpuBehind m_cpu;
};

void BM_BareInsert(benchmark::State& state)
{
    BareTable table;
    double totalNs = 0;
    long long n = 0;
    for (auto _ : state)
    {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(table.Insert());
        totalNs += std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        ++n;
    }
    state.counters["bare_ns"] = n > 0 ? totalNs / static_cast<double>(n) : 0.0;
}
BENCHMARK(BM_BareInsert)->Unit(benchmark::kMicrosecond);

// The basic number by which the service matches a number (taken before the timed steps).
std::string BasicOf(const CUlog& log)
{
    char szBasic[ULOG_NUMBER_LEN] = {0};
    CUlogSvcUtil::ExtractBasicNum(log.GetNumber(), szBasic, 0);
    return szBasic;
}

// A correspondent without a row; the table is emptied (untimed) before it would reach 30 rows.
void BM_AddNewCorrespondent(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    Triple triple;
    if (!triple.Ok())
        state.SkipWithError("the floor's database could not be made");
    int nNumber = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        if (nNumber % 29 == 28 && !(mgr->DeleteAll() && triple.GetFloor().DeleteAll()))
            state.SkipWithError("the tables could not be emptied");
        ++nNumber;
        auto log = CallLog(nNumber, 1700000000u + nNumber);
        const std::string basic = BasicOf(*log);
        const std::string number = log->GetNumber();
        const int nStart = static_cast<int>(log->GetStartTime());
        state.ResumeTiming();
        if (!triple.Add(mgr, *log,
                        [&](Floor& f) {
                            return f.AddNew(basic.c_str(), number.c_str(), ULOG_LOG_ORIGINATED, nStart,
                                            nStart + 42);
                        }))
            state.SkipWithError("an Add failed");
    }
    triple.Report(state);
}
BENCHMARK(BM_AddNewCorrespondent)->Unit(benchmark::kMicrosecond);

// One of ten correspondents that already have rows (their event counts saturate at 30 on the way), over
// 5,000 Adds. Argument 0: a call, whose call times go to the statistics file; 1: a received message,
// which leaves the statistics file alone (the table side of Add alone).
void BM_AddKnownCorrespondent(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    const UlogLogType type = state.range(0) == 0 ? ULOG_LOG_ORIGINATED : ULOG_LOG_MSG_RECEIVED;
    for (int i = 0; i < 10; ++i)
        mgr->Add(*CallLog(i, 1600000000u + i, type));
    Triple triple;
    if (!triple.Ok())
        state.SkipWithError("the floor's database could not be made");
    int n = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        auto log = CallLog(n % 10, 1700000000u + n, type);
        const std::string basic = BasicOf(*log);
        const int nStart = static_cast<int>(log->GetStartTime());
        ++n;
        state.ResumeTiming();
        if (!triple.Add(mgr, *log,
                        [&](Floor& f) { return f.AddKnown(basic.c_str(), type, nStart, nStart + 42); }))
            state.SkipWithError("an Add failed");
    }
    triple.Report(state);
}
BENCHMARK(BM_AddKnownCorrespondent)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("msg")
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);

// The statistics' share of a stored call alone: what WriteCallTime costs the caller ("median_ns",
// "mean_ns"), and the CPU time per call spent behind the caller until the statistics are on disk
// ("writer_us": the statistics task, the store writer, and the wait for stores at the end). Argument
// 0: calls back to back; 1: each call a millisecond after the one before (untimed), as Adds come, so
// that each finds nothing pending and wakes the statistics task.
void BM_CallStatistics(benchmark::State& state)
{
    StartService();
    CUlogSvcAccountMgr* pMgr = CUlogSvcAccountMgr::Instance();
    const std::unique_ptr<CUlog> log = CallLog(1, 1700000000u);
    std::vector<double> callNs;
    callNs.reserve(static_cast<size_t>(state.max_iterations));
    const CpuBehind cpu;
    for (auto _ : state)
    {
        if (state.range(0) == 1)
        {
            state.PauseTiming();
            usleep(1000);
            state.ResumeTiming();
        }
        const auto t0 = Clock::now();
        const BOOL bWritten = pMgr->WriteCallTime(*log);
        callNs.push_back(std::chrono::duration<double, std::nano>(Clock::now() - t0).count());
        if (!bWritten)
            state.SkipWithError("WriteCallTime failed");
    }
    const double writerNs = cpu.BehindNs(state);
    if (callNs.empty())
        return;
    const double n = static_cast<double>(callNs.size());
    const Spread call = SpreadOf(callNs);
    state.counters["median_ns"] = call.median;
    state.counters["mean_ns"] = call.total / n;
    state.counters["writer_us"] = writerNs / n / 1e3;
}
BENCHMARK(BM_CallStatistics)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("spaced")
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

// A new correspondent while 30 rows of the type exist: the least recently touched row and its events
// are removed first.
void BM_AddEviction(benchmark::State& state)
{
    StartService();
    IUlogSvcDistinctMgr* mgr = IUlogSvcDistinctMgr::Instance();
    int nNumber = 0;
    for (; nNumber < 30; ++nNumber)
    {
        mgr->Add(*CallLog(nNumber, 1600000000u + nNumber));
        mgr->Add(*CallLog(nNumber, 1600000100u + nNumber));
    }
    Triple triple;
    if (!triple.Ok())
        state.SkipWithError("the floor's database could not be made");
    for (auto _ : state)
    {
        state.PauseTiming();
        ++nNumber;
        auto log = CallLog(nNumber, 1700000000u + nNumber);
        const std::string basic = BasicOf(*log);
        const std::string number = log->GetNumber();
        const int nStart = static_cast<int>(log->GetStartTime());
        state.ResumeTiming();
        if (!triple.Add(mgr, *log,
                        [&](Floor& f) {
                            return f.AddNew(basic.c_str(), number.c_str(), ULOG_LOG_ORIGINATED, nStart,
                                            nStart + 42);
                        }))
            state.SkipWithError("an Add failed");
    }
    triple.Report(state);
    UlogSvcDispatch(1);
    UlogCtlWaitForStores();
    std::filesystem::remove_all(Root());
}
BENCHMARK(BM_AddEviction)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
