// Call statistics and message counters in "Ulog.ini"; stored-log counts in "MoxSetMemoryStatus.ini".
#define ULOG_SRC_MODULE "UlogSvcAccountMgr/UlogSvcAccountMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogEmailLog.h"
#include "UlogSvcLogMgr/CUlogMsgLog.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include "KivAppFrmwk/KivAppFrmwk.h"
#include "KivCore/KivCore.h"
#include "KivGWESCore/KivGWESCore.h"

#include <atomic>
#include <cstring>
#include <optional>
#include <vector>

namespace
{
// Non-volatile item that keeps the accumulated call time across a wiped statistics file.
constexpr int NV_ITEM_LIFE_TIME = 459;

constexpr const char* LOG_COUNT_FILE_NAME = "MoxSetMemoryStatus.ini";
constexpr const char* LOG_COUNT_SECTION = "CallLog";
constexpr int LOG_COUNT_MAX = 30;

// Slots of the totals in file-table order: voice 1, voice 2, video 1, video 2, CSD 1, CSD 2.
constexpr int kTotalSlotOfEntry[6] = {
    ULOG_LINE_1 * CUlogSvcAccountMgr::CALL_TYPE_SLOTS + ULOG_CALL_VOICE,
    ULOG_LINE_2* CUlogSvcAccountMgr::CALL_TYPE_SLOTS + ULOG_CALL_VOICE,
    ULOG_LINE_1* CUlogSvcAccountMgr::CALL_TYPE_SLOTS + ULOG_CALL_VIDEO,
    ULOG_LINE_2* CUlogSvcAccountMgr::CALL_TYPE_SLOTS + ULOG_CALL_VIDEO,
    ULOG_LINE_1* CUlogSvcAccountMgr::CALL_TYPE_SLOTS + ULOG_CALL_CSD,
    ULOG_LINE_2* CUlogSvcAccountMgr::CALL_TYPE_SLOTS + ULOG_CALL_CSD,
};

enum LastEntry
{
    LAST_VOICE = 0,
    LAST_VIDEO = 1,
    LAST_CALL = 2,
    LAST_LIFE_TIME = 3
};
enum MsgEntry
{
    MSG_RECEIVED = 0,
    EMAIL_RECEIVED = 1,
    MSG_SENT = 2,
    EMAIL_SENT = 3
};
enum ResetEntry
{
    RESET_CALL_DURATION = 0,
    RESET_MSG_COUNTER = 1,
    RESET_EMAIL_COUNTER = 2,
    RESET_CALL_COST = 3
};

std::atomic<UlogLogCountFunc> g_pfnLogCount{nullptr};

int TotalSlot(UlogCallType iCallType, int nLine)
{
    return nLine * CUlogSvcAccountMgr::CALL_TYPE_SLOTS + static_cast<int>(iCallType);
}

// The calls handed over and not yet applied, and the statistics task that applies them. Never
// destroyed: the task may still run while the process exits.
struct PendingCalls
{
    std::mutex mutex;
    std::vector<UlogCallFigures> calls; // in the order handed over
    std::vector<UlogCallFigures> spare; // the last batch's room, given back to calls (no allocation)
    std::atomic<bool> bAny{false};      // calls is not empty (read without the mutex)
    HOBJ hTask = INVALID_HOBJ;          // the statistics task, once made
    bool bTaskWaiting = false;          // the task waits for a wake-up (it found nothing for a while)
    bool bWakeSent = false;             // a wake-up is on its way to the task
    bool bGone = false;                 // the statistics are gone (process exit)
};

PendingCalls& Pending()
{
    static PendingCalls* s_pending = new PendingCalls;
    return *s_pending;
}

constexpr const char* APPLIER_TASK_NAME = "UlogAccountTask";
// While calls come, the task looks for them this often instead of being woken by each caller; after
// this many looks that found nothing it waits to be woken.
constexpr int APPLIER_POLL_MS = 5;
constexpr int APPLIER_IDLE_LOOKS = 20;

// Wakes the statistics task when it waits, making it first or anew when it has ended (a platform reset
// ends every task); a task that looks by itself is left to come. Without a task the calls wait for
// the next statistics operation. Under Pending().mutex.
void WakeTaskLocked(OS_TASK_ENTRY pfnEntry)
{
    PendingCalls& pending = Pending();
    if (pending.bWakeSent || (pending.hTask != INVALID_HOBJ && !pending.bTaskWaiting))
        return;
    OSMSG message;
    std::memset(&message, 0, sizeof(message));
    if (pending.hTask != INVALID_HOBJ && OsSendMessage(pending.hTask, &message))
    {
        pending.bWakeSent = true;
        return;
    }
    const HOBJ hTask = OsCreateTask(APPLIER_TASK_NAME, 10003, 0x10000, pfnEntry, 1, 0);
    if (hTask == INVALID_HOBJ || !OsStartTask(hTask))
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcAccountMgr::WriteCallTime: the statistics task cannot start\n");
        if (hTask != INVALID_HOBJ)
            OsDeleteTask(hTask);
        pending.hTask = INVALID_HOBJ;
        return;
    }
    // A new task looks for calls as it starts.
    pending.hTask = hTask;
    pending.bTaskWaiting = false;
    pending.bWakeSent = false;
}

// Marks the end of the statistics task, also when a platform reset unwinds it.
struct CApplierEnd
{
    ~CApplierEnd()
    {
        std::lock_guard<std::mutex> lock(Pending().mutex);
        if (Pending().hTask == OsGetCurrentTask())
        {
            Pending().hTask = INVALID_HOBJ;
            Pending().bTaskWaiting = false;
            Pending().bWakeSent = false;
        }
    }
};

// How many statistics locks the thread holds: the outermost one applies the calls handed over.
thread_local int t_nScopeDepth = 0;

struct CScopeDepth
{
    CScopeDepth() : m_nOuter(t_nScopeDepth++) {}
    ~CScopeDepth() { --t_nScopeDepth; }
    const int m_nOuter; // scopes the thread held before this one
};
} // namespace

// The statistics lock: the named mutex shared by every task, and the process-local lock that keeps
// the in-memory figures whole while the named mutex does not exist yet. Only a thread's outermost
// scope takes them; the scopes of the operations it calls hold them through it. So a thread never
// waits for the named mutex while it holds the process-local lock, even when the service's start
// creates the named mutex meanwhile. The outermost scope first applies the calls handed over before
// it, so what its operation reads or resets includes them.
class CUlogSvcAccountMgr::CScope
{
public:
    explicit CScope(CUlogSvcAccountMgr& mgr)
    {
        if (m_depth.m_nOuter > 0)
            return;
        m_lock.emplace(m_mutex);
        m_guard = std::unique_lock<std::recursive_mutex>(mgr.m_stateMutex);
        if (Pending().bAny.load(std::memory_order_acquire))
            mgr.__ApplyPending();
    }

private:
    CScopeDepth m_depth;
    CUlogSvcAccountMutex m_mutex;
    std::optional<CUlogSvcLock> m_lock;
    std::unique_lock<std::recursive_mutex> m_guard;
};

const UlogRegEntry CUlogSvcAccountMgr::m_regTableOrg[6] = {
    {0, "OriginatedLog", "Voice1TotalTime"}, {1, "OriginatedLog", "Voice2TotalTime"},
    {2, "OriginatedLog", "Video1TotalTime"}, {3, "OriginatedLog", "Video2TotalTime"},
    {4, "OriginatedLog", "CSD1TotalTime"},   {5, "OriginatedLog", "CSD2TotalTime"},
};
// The received video line-2 total has always lived in the section "TrminatedLog"; existing files
// keep it there, so it is read and written under that name.
const UlogRegEntry CUlogSvcAccountMgr::m_regTableRcv[6] = {
    {0, "TerminatedLog", "Voice1TotalTime"}, {1, "TerminatedLog", "Voice2TotalTime"},
    {2, "TerminatedLog", "Video1TotalTime"}, {3, "TrminatedLog", "Video2TotalTime"},
    {4, "TerminatedLog", "CSD1TotalTime"},   {5, "TerminatedLog", "CSD2TotalTime"},
};
const UlogRegEntry CUlogSvcAccountMgr::m_regTableMissed[6] = {
    {0, "MissedLog", "Voice1TotalTime"}, {1, "MissedLog", "Voice2TotalTime"},
    {2, "MissedLog", "Video1TotalTime"}, {3, "MissedLog", "Video2TotalTime"},
    {4, "MissedLog", "CSD1TotalTime"},   {5, "MissedLog", "CSD2TotalTime"},
};
const UlogRegEntry CUlogSvcAccountMgr::m_regTableLast[4] = {
    {0, "LastLog", "VoiceLastTime"},
    {1, "LastLog", "VideoLastTime"},
    {2, "LastLog", "LastCallTime"},
    {3, "LastLog", "LifeTime"},
};
const UlogRegEntry CUlogSvcAccountMgr::m_regTableMsg[4] = {
    {0, "MessageLog", "ReceivedMessage"},
    {1, "MessageLog", "ReceivedEmail"},
    {2, "MessageLog", "SentMessage"},
    {3, "MessageLog", "SentEmail"},
};
const UlogRegEntry CUlogSvcAccountMgr::m_regTableReset[4] = {
    {0, "RecentResetDate", "CallDuration"},
    {1, "RecentResetDate", "MessageCounter"},
    {2, "RecentResetDate", "EmailCounter"},
    {3, "RecentResetDate", "CallCost"},
};

CUlogSvcAccountMgr* CUlogSvcAccountMgr::Instance()
{
    static CUlogSvcAccountMgr s_instance;
    // Set once the instance exists, so that the platform's call at process exit comes before the
    // instance is destroyed.
    static const bool s_bPlatformCall = []
    {
        SysSetPendingStoresFunc(&CUlogSvcAccountMgr::__ApplyPendingForPlatform);
        return true;
    }();
    (void)s_bPlatformCall;
    return &s_instance;
}

CUlogSvcAccountMgr::CUlogSvcAccountMgr()
    : m_hReg(INVALID_HOBJ), m_tmLastCallTime(0), m_tmLifeTime(0), m_bLifeTimeSet(false), m_nSentMsgCounter(0),
      m_nRcvMsgCounter(0), m_nSentEmailCounter(0), m_nRcvEmailCounter(0), m_bStopped(false)
{
    std::memset(m_orgChange, 0, sizeof(m_orgChange));
    std::memset(m_rcvChange, 0, sizeof(m_rcvChange));
}

// The platform may be gone at process exit: the handle is left to it. What was handed over was applied
// by the platform's call at exit, which came first; the task, if it still runs, leaves the rest.
CUlogSvcAccountMgr::~CUlogSvcAccountMgr()
{
    SysSetPendingStoresFunc(nullptr);
    std::lock_guard<std::mutex> lock(Pending().mutex);
    Pending().bGone = true;
}

void CUlogSvcAccountMgr::SetLogCountSource(UlogLogCountFunc pfnCount)
{
    g_pfnLogCount.store(pfnCount);
}

/* ------------------------------------------------------------------ */
/* Load, store, unload                                                 */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::Init()
{
    CScope scope(*this);
    m_bStopped = false;

    // A second Init gives up the handle of the first instead of leaking it.
    if (m_hReg != INVALID_HOBJ)
    {
        RegUnload(m_hReg);
        m_hReg = INVALID_HOBJ;
    }

    m_hReg = RegLoad(REG_FILE_NAME, 1);
    if (!ULOG_REQUIRE(m_hReg != INVALID_HOBJ))
        return FALSE;

    int nVersion = 0;
    bool bFresh = false;
    if (!__CheckFile(nVersion, bFresh))
    {
        RegUnload(m_hReg);
        m_hReg = INVALID_HOBJ;
        return FALSE;
    }
    if (bFresh || nVersion != REG_VER)
    {
        // A missing file starts fresh; a file of another layout is wiped and re-initialised. Every
        // process starting now may do the same: the wipe happens only while the file is still of the
        // old layout, and the initial values go only where the file has none, so nothing another
        // process stored meanwhile is undone. The wipe and the new values are stored as one.
        if (!bFresh)
        {
            SysDebugPrintf(ULOG_DBG_PROGRESS,
                           "CUlogSvcAccountMgr::Init: Version (%d) is not (%d), cleaning %s\n", nVersion,
                           REG_VER, REG_FILE_NAME);
            RegCleanUnless(m_hReg, "Version", "Version", REG_VER);
        }
        RegSetInt(m_hReg, "Version", "Version", REG_VER);
        __InitReg();
    }

    __LoadCallTime(ULOG_LOG_ORIGINATED);
    __LoadCallTime(ULOG_LOG_TERMINATED);
    LoadLifeTime();
    m_bLifeTimeSet = false;

    for (int nEntry = 0; nEntry < 4; ++nEntry)
        __CounterOf(nEntry) = __ReadCounter(nEntry);
    return TRUE;
}

BOOL CUlogSvcAccountMgr::__CheckFile(int& nVersion, bool& bFresh)
{
    // A file that exists but cannot be read, or holds no valid version, is no older layout: it is kept
    // aside, never wiped, and the statistics start afresh. Another process may have done so at the same
    // moment; its new file is then taken as it is.
    for (int nAttempt = 0; nAttempt < 3; ++nAttempt)
    {
        const int nState = RegGetFileState(m_hReg);
        bFresh = (nState == REG_FILE_MISSING);
        nVersion = 0;
        if (bFresh)
            return TRUE;
        // Two different defaults tell a missing or non-integer version from a stored one.
        nVersion = RegGetInt(m_hReg, "Version", "Version", 0);
        const bool bVersion = nVersion == RegGetInt(m_hReg, "Version", "Version", 1);
        if (nState == REG_FILE_READ && bVersion)
            return TRUE;
        if (RegSetAside(m_hReg, ".bad"))
            SysDebugPrintf(ULOG_DBG_FAIL,
                           "CUlogSvcAccountMgr::Init: %s cannot be read; kept as %s.bad, starting afresh\n",
                           REG_FILE_NAME, REG_FILE_NAME);
    }
    SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcAccountMgr::Init: %s cannot be read nor set aside\n",
                   REG_FILE_NAME);
    return FALSE;
}

BOOL CUlogSvcAccountMgr::__InitReg()
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;

    // Only where the file has no value yet (see Init).
    for (const UlogRegEntry& entry : m_regTableMsg)
        RegInitUInt(m_hReg, entry.szSection, entry.szKey, 0);
    for (const UlogRegEntry& entry : m_regTableReset)
        RegInitUInt(m_hReg, entry.szSection, entry.szKey, 0);
    for (int i = 0; i < 6; ++i)
    {
        RegInitUInt(m_hReg, m_regTableOrg[i].szSection, m_regTableOrg[i].szKey, 0);
        RegInitUInt(m_hReg, m_regTableRcv[i].szSection, m_regTableRcv[i].szKey, 0);
        RegInitUInt(m_hReg, m_regTableMissed[i].szSection, m_regTableMissed[i].szKey, 0);
    }
    RegInitUInt(m_hReg, m_regTableLast[LAST_VOICE].szSection, m_regTableLast[LAST_VOICE].szKey, 0);
    RegInitUInt(m_hReg, m_regTableLast[LAST_VIDEO].szSection, m_regTableLast[LAST_VIDEO].szKey, 0);
    RegInitUInt(m_hReg, m_regTableLast[LAST_CALL].szSection, m_regTableLast[LAST_CALL].szKey, 0);

    // A wiped file keeps the handset's life time.
    const unsigned int tmLifeTime = static_cast<unsigned int>(NvGetInt(NV_ITEM_LIFE_TIME));
    RegInitUInt(m_hReg, m_regTableLast[LAST_LIFE_TIME].szSection, m_regTableLast[LAST_LIFE_TIME].szKey,
                tmLifeTime);
    return Flush();
}

bool CUlogSvcAccountMgr::__TotalsOf(UlogLogType iLogType, TotalChange*& pChanges, const UlogRegEntry*& pTable)
{
    switch (iLogType)
    {
    case ULOG_LOG_ORIGINATED:
        pChanges = m_orgChange;
        pTable = m_regTableOrg;
        return true;
    case ULOG_LOG_TERMINATED:
        pChanges = m_rcvChange;
        pTable = m_regTableRcv;
        return true;
    default:
        return false;
    }
}

BOOL CUlogSvcAccountMgr::__LoadCallTime(UlogLogType iLogType)
{
    CScope scope(*this);
    TotalChange* pChanges = nullptr;
    const UlogRegEntry* pTable = nullptr;
    if (!__TotalsOf(iLogType, pChanges, pTable))
    {
        if (iLogType == ULOG_LOG_MISSED)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL,
                           "__LoadCallTime: There is no Total call time for ULOG_LOG_MISSED.\n");
            return TRUE;
        }
        SysDebugPrintf(ULOG_DBG_FAIL, "__LoadCallTime: iLogType (%d) is Invalid!!!\n", iLogType);
        return FALSE;
    }
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    // The totals are read from the file whenever they are asked for; what was counted here and not
    // yet written is given up, the file's figures are the ones that count.
    std::memset(pChanges, 0, sizeof(TotalChange) * TOTAL_SLOTS);
    return TRUE;
}

BOOL CUlogSvcAccountMgr::Flush()
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    if (!RegFlush(m_hReg))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcAccountMgr::Flush: RegFlush failed\n");
        return FALSE;
    }
    return TRUE;
}

BOOL CUlogSvcAccountMgr::Exit()
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    // Values written without a flush (the life time of AddCallTime) would die with the handle.
    RegFlush(m_hReg);
    RegUnload(m_hReg);
    m_hReg = INVALID_HOBJ;
    m_bStopped = true;
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcAccountMgr::Exit Completed !!\n");
    return TRUE;
}

/* ------------------------------------------------------------------ */
/* Call times                                                          */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::WriteCallTime(const CUlog& log)
{
    static const CUlogCallLog s_callLogType;
    if (!log.IsTypeEqual(s_callLogType))
        return TRUE;
    const CUlogCallLog* pCallLog = dynamic_cast<const CUlogCallLog*>(&log);
    if (!ULOG_REQUIRE(pCallLog != NULL))
        return FALSE;

    // The caller only hands the figures over; the statistics task applies them (see the header).
    const UlogCallFigures call = {log.GetLogType(), pCallLog->GetCallType(), log.GetLineType(),
                                  log.GetStartTime(), log.GetEndTime()};
    PendingCalls& pending = Pending();
    std::lock_guard<std::mutex> lock(pending.mutex);
    const bool bWasEmpty = pending.calls.empty();
    pending.calls.push_back(call);
    pending.bAny.store(true, std::memory_order_release);
    if (bWasEmpty)
        WakeTaskLocked(&CUlogSvcAccountMgr::__ApplierTask);
    return TRUE;
}

void CUlogSvcAccountMgr::__ApplyCall(const UlogCallFigures& call)
{
    CScope scope(*this);
    __AddCall(call);
    // Every key of the call is set first and the file is stored once per batch: the file holds the
    // same values as after one flush per key. FALSE for a missed call, which has no totals.
    WriteTotalCallTime(call.iLogType, FALSE);
    __WriteLastTime(m_regTableLast[LAST_CALL], FALSE);

    switch (call.iCallType)
    {
    case ULOG_CALL_VIDEO:
        __WriteLastTime(m_regTableLast[LAST_VIDEO], FALSE);
        break;
    case ULOG_CALL_VOICE:
    case ULOG_CALL_TYPE_2:
        __WriteLastTime(m_regTableLast[LAST_VOICE], FALSE);
        break;
    default:
        SysDebugPrintf(ULOG_DBG_FAIL, "WriteCallTime: GetCallType (%d)!!!\n", call.iCallType);
        break;
    }
}

void CUlogSvcAccountMgr::__ApplyPending()
{
    CScope scope(*this);
    PendingCalls& pending = Pending();
    std::vector<UlogCallFigures> calls;
    {
        std::lock_guard<std::mutex> lock(pending.mutex);
        if (pending.calls.empty())
            return;
        // The batch is taken whole; the callers go on in the room of the last one.
        calls.swap(pending.spare);
        calls.swap(pending.calls);
        pending.bAny.store(false, std::memory_order_release);
    }
    // Stored just before the service stopped: the calls go to the file as it is now, loaded for the
    // moment (the next start reads it again).
    const bool bLoadHere = m_bStopped && !__UlogIsValidReg();
    if (bLoadHere)
        m_hReg = RegLoad(REG_FILE_NAME, 1);
    for (const UlogCallFigures& call : calls)
        __ApplyCall(call);
    if (__UlogIsValidReg())
        Flush();
    if (bLoadHere && __UlogIsValidReg())
    {
        RegUnload(m_hReg);
        m_hReg = INVALID_HOBJ;
    }
    calls.clear();
    std::lock_guard<std::mutex> lock(pending.mutex);
    pending.spare.swap(calls);
}

void CUlogSvcAccountMgr::__ApplierTask()
{
    const CApplierEnd end;
    PendingCalls& pending = Pending();
    int nIdleLooks = 0;
    for (;;)
    {
        bool bWait = false;
        {
            // Decided with the queue in hand: a caller that hands a call over after this sees the
            // task waiting and wakes it.
            std::lock_guard<std::mutex> lock(pending.mutex);
            if (pending.bGone)
                return;
            bWait = pending.calls.empty() && nIdleLooks >= APPLIER_IDLE_LOOKS;
            pending.bTaskWaiting = bWait;
        }
        // Woken, or a look after a while; a failed wait means the task is being ended.
        OSMSG message;
        if (OsReceiveMessage(bWait ? -1 : APPLIER_POLL_MS, &message, 0) < 0)
            return;
        if (bWait)
        {
            std::lock_guard<std::mutex> lock(pending.mutex);
            pending.bTaskWaiting = false;
            pending.bWakeSent = false;
            nIdleLooks = 0;
        }
        {
            std::lock_guard<std::mutex> lock(pending.mutex);
            if (pending.bGone)
                return;
            if (pending.calls.empty())
            {
                ++nIdleLooks;
                continue;
            }
        }
        nIdleLooks = 0;
        Instance()->__ApplyPending();
    }
}

void CUlogSvcAccountMgr::__ApplyPendingForPlatform()
{
    {
        std::lock_guard<std::mutex> lock(Pending().mutex);
        if (Pending().bGone)
            return;
    }
    Instance()->__ApplyPending();
}

BOOL CUlogSvcAccountMgr::AddCallTime(const CUlog& log)
{
    CScope scope(*this);
    __CalcTotalCallTime(log);
    SysDebugPrintf(ULOG_DBG_DETAIL,
                   "CUlogSvcAccountMgr::AddCallTime: m_tmLastCallTime (%u) m_tmLifeTime (%u)\n",
                   m_tmLastCallTime, m_tmLifeTime);
    return TRUE;
}

BOOL CUlogSvcAccountMgr::__CalcTotalCallTime(const CUlog& log)
{
    CScope scope(*this);
    const CUlogCallLog* pCallLog = dynamic_cast<const CUlogCallLog*>(&log);
    if (pCallLog == nullptr)
        return TRUE;
    return __AddCall(
        {log.GetLogType(), pCallLog->GetCallType(), log.GetLineType(), log.GetStartTime(), log.GetEndTime()});
}

BOOL CUlogSvcAccountMgr::__AddCall(const UlogCallFigures& call)
{
    CScope scope(*this);
    // A call whose end lies before its start (a clock set back during the call) lasted no time; the
    // unsigned difference would otherwise add about 136 years to every figure.
    unsigned int tmDuration = 0;
    if (call.tmEnd >= call.tmStart)
        tmDuration = call.tmEnd - call.tmStart;
    else
        SysDebugPrintf(ULOG_DBG_FAIL, "__CalcTotalCallTime: tmEnd (%u) is before tmStart (%u)\n", call.tmEnd,
                       call.tmStart);

    TotalChange* pChanges = nullptr;
    const UlogRegEntry* pTable = nullptr;
    if (!__TotalsOf(call.iLogType, pChanges, pTable))
    {
        SysDebugPrintf(ULOG_DBG_DETAIL, "__CalcTotalCallTime: iLogType (%d)is Invalid!!!\n", call.iLogType);
        return FALSE;
    }

    const int nLine = (call.iLineType == ULOG_LINE_1) ? 0 : 1;
    switch (call.iCallType)
    {
    case ULOG_CALL_VOICE:
    case ULOG_CALL_TYPE_2:
        pChanges[TotalSlot(ULOG_CALL_VOICE, nLine)].tmAdded += tmDuration;
        break;
    case ULOG_CALL_VIDEO:
        // Video calls are counted on line 1 whatever their line.
        pChanges[TotalSlot(ULOG_CALL_VIDEO, 0)].tmAdded += tmDuration;
        break;
    case ULOG_CALL_CSD:
        pChanges[TotalSlot(ULOG_CALL_CSD, nLine)].tmAdded += tmDuration;
        break;
    default:
        break;
    }
    m_tmLastCallTime = tmDuration;
    AddLifeTime(tmDuration, FALSE);
    return TRUE;
}

BOOL CUlogSvcAccountMgr::WriteTotalCallTime()
{
    CScope scope(*this);
    WriteTotalCallTime(ULOG_LOG_ORIGINATED, FALSE);
    WriteTotalCallTime(ULOG_LOG_TERMINATED, FALSE);
    return Flush();
}

BOOL CUlogSvcAccountMgr::WriteTotalCallTime(UlogLogType iLogType, int bFlush)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(_UlogIsValidLog(iLogType)))
        return FALSE;
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;

    const UlogRegEntry* pTable = nullptr;
    TotalChange* pChanges = nullptr;
    if (!__TotalsOf(iLogType, pChanges, pTable))
    {
        if (iLogType == ULOG_LOG_MISSED)
        {
            SysDebugPrintf(ULOG_DBG_DETAIL,
                           "WriteTotalCallTime: There is no Total call time for ULOG_LOG_MISSED.\n");
            return FALSE;
        }
        _SysSaveAssertMsg("WriteTotalCallTime: iLogType (%d)", iLogType);
        ULOG_NEVER_GET_HERE();
        return FALSE;
    }
    // Changes, not figures: other processes add to the same totals, and what this one counted is added
    // to what the file holds when it is written. A reset restarts its total from what was counted
    // since. Totals are unsigned: 2^31 seconds and more are written as they are.
    for (int i = 0; i < 6; ++i)
    {
        TotalChange& change = pChanges[kTotalSlotOfEntry[i]];
        if (change.bReset)
            RegSetUInt(m_hReg, pTable[i].szSection, pTable[i].szKey, change.tmAdded);
        else if (change.tmAdded != 0)
            RegAddUInt(m_hReg, pTable[i].szSection, pTable[i].szKey, change.tmAdded);
        change = TotalChange{false, 0};
    }
    if (bFlush)
        return Flush();
    return TRUE;
}

CUlogSvcAccountMgr::TotalChange*
CUlogSvcAccountMgr::__SelectSlot(const char* pszOperation, UlogLogType iLogType, UlogCallType iCallType,
                                 UlogLineType iLineType, const UlogRegEntry** ppEntry)
{
    TotalChange* pChanges = nullptr;
    const UlogRegEntry* pTable = nullptr;
    if (!__TotalsOf(iLogType, pChanges, pTable))
    {
        _SysSaveAssertMsg("%s: iLogType (%d)", pszOperation, iLogType);
        ULOG_NEVER_GET_HERE();
        return nullptr;
    }
    int nSlot = 0;
    switch (iCallType)
    {
    case ULOG_CALL_VIDEO:
        nSlot = TotalSlot(ULOG_CALL_VIDEO, 0);
        break;
    case ULOG_CALL_VOICE:
    case ULOG_CALL_CSD:
        if (iLineType != ULOG_LINE_1 && iLineType != ULOG_LINE_2)
        {
            _SysSaveAssertMsg("%s: iLineType (%d)", pszOperation, iLineType);
            ULOG_NEVER_GET_HERE();
            return nullptr;
        }
        nSlot = TotalSlot(iCallType, static_cast<int>(iLineType));
        break;
    default:
        _SysSaveAssertMsg("%s: iCallType (%d)", pszOperation, iCallType);
        ULOG_NEVER_GET_HERE();
        return nullptr;
    }
    for (int i = 0; i < 6; ++i)
        if (kTotalSlotOfEntry[i] == nSlot)
            *ppEntry = &pTable[i];
    return &pChanges[nSlot];
}

BOOL CUlogSvcAccountMgr::ResetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType,
                                            UlogLineType iLineType)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(_UlogIsValidLog(iLogType)))
        return FALSE;
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    const UlogRegEntry* pEntry = nullptr;
    TotalChange* pChange = __SelectSlot("UlogResetTotalCallTime", iLogType, iCallType, iLineType, &pEntry);
    if (pChange == nullptr)
        return FALSE;
    // Memory only: the file keeps the old total until that direction is next written.
    *pChange = TotalChange{true, 0};
    return TRUE;
}

unsigned int CUlogSvcAccountMgr::GetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType,
                                                  UlogLineType iLineType)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(_UlogIsValidLog(iLogType)))
        return 0;
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return 0;
    const UlogRegEntry* pEntry = nullptr;
    const TotalChange* pChange =
        __SelectSlot("UlogGetTotalCallTime", iLogType, iCallType, iLineType, &pEntry);
    if (pChange == nullptr)
        return 0;
    // The file's total, with the other processes' calls in it, and what this one has not written yet.
    const unsigned int tmStored = pChange->bReset ? 0u : __ReadKey(*pEntry);
    return tmStored + pChange->tmAdded;
}

/* ------------------------------------------------------------------ */
/* Last call durations                                                 */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::__WriteLastTime(const UlogRegEntry& entry, int bFlush)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    RegSetUInt(m_hReg, entry.szSection, entry.szKey, m_tmLastCallTime);
    return bFlush ? Flush() : TRUE;
}

BOOL CUlogSvcAccountMgr::__ResetLastTime(const UlogRegEntry& entry)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    // The three last-time keys share one in-memory duration.
    m_tmLastCallTime = 0;
    RegSetUInt(m_hReg, entry.szSection, entry.szKey, 0);
    return Flush();
}

unsigned int CUlogSvcAccountMgr::__ReadKey(const UlogRegEntry& entry)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return 0;
    return static_cast<unsigned int>(RegGetInt(m_hReg, entry.szSection, entry.szKey, 0));
}

BOOL CUlogSvcAccountMgr::WriteLastVoiceCallTime()
{
    return __WriteLastTime(m_regTableLast[LAST_VOICE]);
}

BOOL CUlogSvcAccountMgr::WriteLastVideoCallTime()
{
    return __WriteLastTime(m_regTableLast[LAST_VIDEO]);
}

BOOL CUlogSvcAccountMgr::WriteLastCallTime()
{
    return __WriteLastTime(m_regTableLast[LAST_CALL]);
}

unsigned int CUlogSvcAccountMgr::GetLastVoiceCallTime()
{
    return __ReadKey(m_regTableLast[LAST_VOICE]);
}

unsigned int CUlogSvcAccountMgr::GetLastVideoCallTime()
{
    return __ReadKey(m_regTableLast[LAST_VIDEO]);
}

unsigned int CUlogSvcAccountMgr::GetLastCallTime()
{
    return __ReadKey(m_regTableLast[LAST_CALL]);
}

BOOL CUlogSvcAccountMgr::ResetLastVoiceCallTime()
{
    return __ResetLastTime(m_regTableLast[LAST_VOICE]);
}

BOOL CUlogSvcAccountMgr::ResetLastVideoCallTime()
{
    return __ResetLastTime(m_regTableLast[LAST_VIDEO]);
}

BOOL CUlogSvcAccountMgr::ResetLastCallTime()
{
    return __ResetLastTime(m_regTableLast[LAST_CALL]);
}

/* ------------------------------------------------------------------ */
/* Recent reset dates                                                  */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::__SetResetDate(const UlogRegEntry& entry)
{
    CScope scope(*this);
    if (!ULOG_REQUIRE(__UlogIsValidReg()))
        return FALSE;
    RegSetUInt(m_hReg, entry.szSection, entry.szKey, TmGetTime());
    return Flush();
}

unsigned int CUlogSvcAccountMgr::GetRecentResetDateCallDuration()
{
    return __ReadKey(m_regTableReset[RESET_CALL_DURATION]);
}

unsigned int CUlogSvcAccountMgr::GetRecentResetDateMsgCnt()
{
    return __ReadKey(m_regTableReset[RESET_MSG_COUNTER]);
}

unsigned int CUlogSvcAccountMgr::GetRecentResetDateEmailCnt()
{
    return __ReadKey(m_regTableReset[RESET_EMAIL_COUNTER]);
}

unsigned int CUlogSvcAccountMgr::GetRecentResetDateCallCost()
{
    return __ReadKey(m_regTableReset[RESET_CALL_COST]);
}

BOOL CUlogSvcAccountMgr::SetRecentResetDateCallDuration()
{
    return __SetResetDate(m_regTableReset[RESET_CALL_DURATION]);
}

BOOL CUlogSvcAccountMgr::SetRecentResetDateMsgCnt()
{
    return __SetResetDate(m_regTableReset[RESET_MSG_COUNTER]);
}

BOOL CUlogSvcAccountMgr::SetRecentResetDateEmailCnt()
{
    return __SetResetDate(m_regTableReset[RESET_EMAIL_COUNTER]);
}

BOOL CUlogSvcAccountMgr::SetRecentResetDateCallCost()
{
    return __SetResetDate(m_regTableReset[RESET_CALL_COST]);
}

/* ------------------------------------------------------------------ */
/* Life time                                                           */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::LoadLifeTime()
{
    CScope scope(*this);
    m_tmLifeTime = static_cast<unsigned int>(
        RegGetInt(m_hReg, m_regTableLast[LAST_LIFE_TIME].szSection, m_regTableLast[LAST_LIFE_TIME].szKey, 0));
    return TRUE;
}

BOOL CUlogSvcAccountMgr::AddLifeTime(unsigned int tmTime, int bFlush)
{
    CScope scope(*this);
    if (CUlogSvcUtil::IsTestSim())
    {
        SysDebugPrintf(ULOG_DBG_PROGRESS, "AddLifeTime: This is test SIM so return FALSE\n");
        return FALSE;
    }
    // Added to what the file and the non-volatile item hold when they are written: other processes
    // add their calls' time to the same figures.
    m_tmLifeTime += tmTime;
    const UlogRegEntry& entry = m_regTableLast[LAST_LIFE_TIME];
    if (RegAddUInt(m_hReg, entry.szSection, entry.szKey, tmTime))
        m_tmLifeTime = static_cast<unsigned int>(RegGetInt(m_hReg, entry.szSection, entry.szKey, 0));
    // The time is counted in memory and in the non-volatile item whether or not this flush succeeds:
    // a failed store must not invite the caller to add the same time again.
    if (bFlush && m_hReg != INVALID_HOBJ)
        RegFlush(m_hReg);
    // After SetLifeTime the item follows the file's life time again; otherwise the time is added.
    if (m_bLifeTimeSet)
        m_bLifeTimeSet = NvWriteInt(NV_ITEM_LIFE_TIME, static_cast<int>(m_tmLifeTime)) ? false : true;
    else
        NvAddInt(NV_ITEM_LIFE_TIME, static_cast<int>(tmTime));
    return TRUE;
}

BOOL CUlogSvcAccountMgr::SetLifeTime(unsigned int tmTime, int bFlush)
{
    CScope scope(*this);
    m_tmLifeTime = tmTime;
    m_bLifeTimeSet = true;
    RegSetUInt(m_hReg, m_regTableLast[LAST_LIFE_TIME].szSection, m_regTableLast[LAST_LIFE_TIME].szKey,
               m_tmLifeTime);
    if (bFlush && m_hReg != INVALID_HOBJ)
        return RegFlush(m_hReg) ? TRUE : FALSE;
    return TRUE;
}

unsigned int CUlogSvcAccountMgr::GetLifeTime()
{
    CScope scope(*this);
    // The file's figure, with other processes' calls in it; memory only while no file is loaded.
    if (__UlogIsValidReg())
        LoadLifeTime();
    return m_tmLifeTime;
}

/* ------------------------------------------------------------------ */
/* Message and e-mail counters                                         */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::WriteMsgCounter(const CUlogMsgLog& msgLog)
{
    CScope scope(*this);
    const CUlogMsgOwnValue* pOwnValue = msgLog.GetMsgOwnValue();
    if (pOwnValue == nullptr)
        return FALSE;
    const int nMsgLogType = pOwnValue->GetMsgLogType();
    if (nMsgLogType != ULOG_MSG_LOG_TYPE_16 && nMsgLogType != ULOG_MSG_LOG_TYPE_32)
        return TRUE;

    switch (msgLog.GetLogType())
    {
    case ULOG_LOG_MSG_SENT:
        __AddToCounter(MSG_SENT);
        break;
    case ULOG_LOG_MSG_RECEIVED:
        __AddToCounter(MSG_RECEIVED);
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL CUlogSvcAccountMgr::WriteEmailCounter(const CUlogEmailLog& emailLog)
{
    CScope scope(*this);
    switch (emailLog.GetLogType())
    {
    case ULOG_LOG_EMAIL_SENT:
        __AddToCounter(EMAIL_SENT);
        break;
    case ULOG_LOG_EMAIL_RECEIVED:
        __AddToCounter(EMAIL_RECEIVED);
        break;
    default:
        SysDebugPrintf(ULOG_DBG_FAIL, "WriteEmailCounter::WriteMsgCounter error. iLogType: (%d)\n",
                       emailLog.GetLogType());
        break;
    }
    return TRUE;
}

int CUlogSvcAccountMgr::GetSentMsgCounter()
{
    return __ReadCounter(MSG_SENT);
}

int CUlogSvcAccountMgr::GetRcvMsgCounter()
{
    return __ReadCounter(MSG_RECEIVED);
}

int CUlogSvcAccountMgr::GetSentEmailCounter()
{
    return __ReadCounter(EMAIL_SENT);
}

int CUlogSvcAccountMgr::GetRcvEmailCounter()
{
    return __ReadCounter(EMAIL_RECEIVED);
}

int& CUlogSvcAccountMgr::__CounterOf(int nEntry)
{
    // In the order of m_regTableMsg.
    int* const apnCounter[4] = {&m_nRcvMsgCounter, &m_nRcvEmailCounter, &m_nSentMsgCounter,
                                &m_nSentEmailCounter};
    return *apnCounter[nEntry];
}

void CUlogSvcAccountMgr::__AddToCounter(int nEntry)
{
    CScope scope(*this);
    const UlogRegEntry& entry = m_regTableMsg[nEntry];
    ++__CounterOf(nEntry);
    // One more on what the file holds when it is written: other processes count into the same keys.
    RegAddInt(m_hReg, entry.szSection, entry.szKey, 1);
    if (m_hReg != INVALID_HOBJ)
        RegFlush(m_hReg);
}

int CUlogSvcAccountMgr::__ReadCounter(int nEntry)
{
    CScope scope(*this);
    return RegGetInt(m_hReg, m_regTableMsg[nEntry].szSection, m_regTableMsg[nEntry].szKey, 0);
}

BOOL CUlogSvcAccountMgr::__ResetCounter(int nEntry)
{
    CScope scope(*this);
    RegSetInt(m_hReg, m_regTableMsg[nEntry].szSection, m_regTableMsg[nEntry].szKey, 0);
    __CounterOf(nEntry) = 0;
    if (m_hReg == INVALID_HOBJ)
        return TRUE;
    return RegFlush(m_hReg) ? TRUE : FALSE;
}

BOOL CUlogSvcAccountMgr::ResetTotalMsgCounter()
{
    CScope scope(*this);
    const BOOL bSent = __ResetCounter(MSG_SENT);
    const BOOL bRcv = __ResetCounter(MSG_RECEIVED);
    return (bSent && bRcv) ? TRUE : FALSE;
}

BOOL CUlogSvcAccountMgr::ResetSentMsgCounter()
{
    return __ResetCounter(MSG_SENT);
}

BOOL CUlogSvcAccountMgr::ResetRcvMsgCounter()
{
    return __ResetCounter(MSG_RECEIVED);
}

BOOL CUlogSvcAccountMgr::ResetTotalEmailCounter()
{
    CScope scope(*this);
    const BOOL bSent = __ResetCounter(EMAIL_SENT);
    const BOOL bRcv = __ResetCounter(EMAIL_RECEIVED);
    return (bSent && bRcv) ? TRUE : FALSE;
}

BOOL CUlogSvcAccountMgr::ResetSentEmailCounter()
{
    return __ResetCounter(EMAIL_SENT);
}

BOOL CUlogSvcAccountMgr::ResetRcvEmailCounter()
{
    return __ResetCounter(EMAIL_RECEIVED);
}

/* ------------------------------------------------------------------ */
/* Stored-log counts                                                   */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcAccountMgr::WriteLogCount()
{
    // The counts come from the log manager, which takes the service lock: they are taken before the
    // statistics lock, never under it (see the lock order in the header).
    const UlogLogCountFunc pfnCount = g_pfnLogCount.load();
    if (!ULOG_REQUIRE_T(pfnCount != nullptr, "pLogMgr != NULL"))
        return FALSE;
    struct Item
    {
        unsigned int nNameId;
        UlogLogType iLogType;
    };
    static const Item kItems[3] = {
        {RSRC_STR_MISSED_CALLS, ULOG_LOG_MISSED},
        {RSRC_STR_RECEIVED_CALLS, ULOG_LOG_TERMINATED},
        {RSRC_STR_DIALLED_CALLS, ULOG_LOG_ORIGINATED},
    };
    int anCount[3];
    for (int i = 0; i < 3; ++i)
        anCount[i] = pfnCount(kItems[i].iLogType);

    CScope scope(*this);
    const HOBJ hReg = RegLoad(LOG_COUNT_FILE_NAME, 1);
    if (hReg == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcAccountMgr::WriteLogCount: RegLoad() fail \n");
        return FALSE;
    }

    char szKey[256];
    RegSetInt(hReg, LOG_COUNT_SECTION, "ItemCount", 3);
    for (int i = 0; i < 3; ++i)
    {
        WCHAR mszName[256];
        char szName[256 * 3];
        RsrcLoadString(kItems[i].nNameId, mszName, 256);
        WmConvert2LCode(szName, sizeof(szName), mszName);
        AcSprintfSEx(szKey, sizeof(szKey), ULOG_SRC_MODULE, __LINE__, "%s%d", "Name", i + 1);
        RegSetString(hReg, LOG_COUNT_SECTION, szKey, szName);
        AcSprintfSEx(szKey, sizeof(szKey), ULOG_SRC_MODULE, __LINE__, "%s%d", "Count", i + 1);
        RegSetInt(hReg, LOG_COUNT_SECTION, szKey, anCount[i]);
    }
    for (int i = 0; i < 3; ++i)
    {
        AcSprintfSEx(szKey, sizeof(szKey), ULOG_SRC_MODULE, __LINE__, "%s%d", "CountMax", i + 1);
        RegSetInt(hReg, LOG_COUNT_SECTION, szKey, LOG_COUNT_MAX);
    }

    const BOOL bFlushed = RegFlush(hReg);
    if (!bFlushed)
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcAccountMgr::WriteLogCount: RegFlush() fail \n");
    if (!RegUnload(hReg))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "RegUnload Fail in CUlogSvcAccountMgr::WriteLogCount()\n");
        return FALSE;
    }
    return bFlushed;
}
