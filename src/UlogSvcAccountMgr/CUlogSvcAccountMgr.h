/*
 * CUlogSvcAccountMgr: the handset's call statistics and message counters, kept in the registry file
 * "Ulog.ini": total call times per direction, call kind and line, the duration of the last call, the
 * accumulated call life time, the sent and received message and e-mail counters, and the dates on
 * which the user last reset those displays. It also writes the numbers of stored call logs per list
 * into "MoxSetMemoryStatus.ini".
 *
 * Every operation runs under the statistics lock ("UlogSvcAccount"); operations call each other while
 * holding it. The in-memory figures are additionally kept whole by a process-local lock, so the
 * statistics stay consistent even before the named mutex has been created.
 *
 * Lock order: the service lock ("UlogSvc", CUlogSvcLock over CUlogSvcMutex, CUlogSvcLogMgrScope) may
 * be held when the statistics lock is taken (an observer notified under the service lock may read the
 * statistics), never the reverse: nothing done under the statistics lock waits for the service lock.
 * WriteLogCount therefore asks the log manager for its counts before it takes the statistics lock.
 * Under the statistics lock only the platform's own locks are taken (registry files, settings, the
 * store writer).
 *
 * A stored call only hands its figures over (WriteCallTime): the statistics task ("UlogAccountTask")
 * applies the calls handed over in order, in batches, with one store of the file per batch. Every
 * operation first applies, on its own thread, what was handed over before it, so the figures it reads
 * or resets include every call stored before it. Calls handed over while the service is stopped
 * (between Exit and the next Init) go to the file, loaded for the moment. The platform has them
 * applied and stored before its control interface waits for stores, before a reset, and at process
 * exit (SysSetPendingStoresFunc).
 *
 * Several processes may keep statistics in one data root at once. The file's figures are the ones that
 * count: totals, counters and the life time are written as additions to what the file holds when it is
 * stored (RegAddUInt, RegAddInt, NvAddInt), resets and last-call durations as plain values, and the
 * getters read the file (which shows other processes' stores).
 */
#ifndef CULOG_SVC_ACCOUNT_MGR_H
#define CULOG_SVC_ACCOUNT_MGR_H

#include "UlogSvc.h"
#include "H/CUlogObject.h"

#include <mutex>

class CUlog;
class CUlogMsgLog;
class CUlogEmailLog;

/* One section/key pair of a statistics file. */
struct UlogRegEntry
{
    int nIndex;         /* equal to the entry's position in its table */
    char szSection[20]; /* section name */
    char szKey[52];     /* key name */
};

/* What a stored call hands over to the statistics. */
struct UlogCallFigures
{
    UlogLogType iLogType;
    UlogCallType iCallType;
    UlogLineType iLineType;
    unsigned int tmStart;
    unsigned int tmEnd;
};

/* The source of the number of stored logs of a log type (the distinct log manager's count). */
typedef int (*UlogLogCountFunc)(UlogLogType iLogType);

class CUlogSvcAccountMgr : public CUlogObject
{
public:
    static constexpr const char* REG_FILE_NAME = "Ulog.ini";
    static constexpr int REG_VER = 6;
    /* Layout of the call-time totals: 2 lines x 5 call types, index = line * 5 + call type. */
    static constexpr int CALL_TYPE_SLOTS = 5;
    static constexpr int TOTAL_SLOTS = 2 * CALL_TYPE_SLOTS;

    /* The single instance, created on first use and destroyed at process exit. */
    static CUlogSvcAccountMgr* Instance();
    ~CUlogSvcAccountMgr() override;

    /* Loads "Ulog.ini" (wiping and re-initialising a file of another layout version) and the figures.
     * A file that cannot be read or holds no valid version is kept as "Ulog.ini.bad" (reported) and
     * the statistics start afresh, with the life time of the non-volatile item. */
    BOOL Init();
    /* Drops the file handle without flushing. */
    BOOL Exit();
    /* Stores the file durably. */
    BOOL Flush();

    /* The path of every stored call: hands the call's figures over to be added to the totals and the
     * life time, and the totals and the last-call durations to be written and stored, in the order the
     * calls were handed over (see above). Logs that are not call logs pass through (TRUE). */
    BOOL WriteCallTime(const CUlog& log);
    /* Adds the call to the in-memory totals and the life time only. */
    BOOL AddCallTime(const CUlog& log);
    BOOL __CalcTotalCallTime(const CUlog& log);
    BOOL __LoadCallTime(UlogLogType iLogType);
    BOOL __InitReg();

    /* Writes both directions' totals and flushes once. */
    BOOL WriteTotalCallTime();
    /* Writes one direction's totals (originated or terminated); FALSE for the missed calls. */
    BOOL WriteTotalCallTime(UlogLogType iLogType, int bFlush);

    /* Reset works on memory only: the file keeps the old total until that direction is next written.
     * Get gives the file's total (or 0 after a reset) and what this process counted and did not write. */
    BOOL ResetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType, UlogLineType iLineType);
    unsigned int GetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType, UlogLineType iLineType);

    BOOL WriteLastVoiceCallTime();
    BOOL WriteLastVideoCallTime();
    BOOL WriteLastCallTime();
    unsigned int GetLastVoiceCallTime();
    unsigned int GetLastVideoCallTime();
    unsigned int GetLastCallTime();
    BOOL ResetLastVoiceCallTime();
    BOOL ResetLastVideoCallTime();
    BOOL ResetLastCallTime();

    unsigned int GetRecentResetDateCallDuration();
    unsigned int GetRecentResetDateMsgCnt();
    unsigned int GetRecentResetDateEmailCnt();
    unsigned int GetRecentResetDateCallCost();
    BOOL SetRecentResetDateCallDuration();
    BOOL SetRecentResetDateMsgCnt();
    BOOL SetRecentResetDateEmailCnt();
    BOOL SetRecentResetDateCallCost();

    BOOL LoadLifeTime();
    /* FALSE (nothing changes) with a test SIM; also stores the life time in non-volatile item 459. */
    BOOL AddLifeTime(unsigned int tmTime, int bFlush);
    BOOL SetLifeTime(unsigned int tmTime, int bFlush);
    unsigned int GetLifeTime();

    BOOL WriteMsgCounter(const CUlogMsgLog& msgLog);
    BOOL WriteEmailCounter(const CUlogEmailLog& emailLog);
    int GetSentMsgCounter();
    int GetRcvMsgCounter();
    int GetSentEmailCounter();
    int GetRcvEmailCounter();
    BOOL ResetTotalMsgCounter();
    BOOL ResetSentMsgCounter();
    BOOL ResetRcvMsgCounter();
    BOOL ResetTotalEmailCounter();
    BOOL ResetSentEmailCounter();
    BOOL ResetRcvEmailCounter();

    /* Writes the numbers of stored missed, received and dialled call logs to "MoxSetMemoryStatus.ini". */
    BOOL WriteLogCount();
    /* Where WriteLogCount takes its counts from (the distinct log manager); NULL: none yet, and
     * WriteLogCount then fails. */
    static void SetLogCountSource(UlogLogCountFunc pfnCount);

    static const UlogRegEntry m_regTableOrg[6];
    static const UlogRegEntry m_regTableRcv[6];
    static const UlogRegEntry m_regTableMissed[6];
    static const UlogRegEntry m_regTableLast[4];
    static const UlogRegEntry m_regTableMsg[4];
    static const UlogRegEntry m_regTableReset[4];

private:
    CUlogSvcAccountMgr();
    CUlogSvcAccountMgr(const CUlogSvcAccountMgr&) = delete;
    CUlogSvcAccountMgr& operator=(const CUlogSvcAccountMgr&) = delete;

    class CScope;
    friend class CScope;

    /* A total's change not yet written to the file: whether it was reset (the total then restarts from
     * 0) and the seconds counted since. */
    struct TotalChange
    {
        bool bReset;
        unsigned int tmAdded;
    };

    /* Adds one call to the in-memory totals, the last duration and the life time (__CalcTotalCallTime). */
    BOOL __AddCall(const UlogCallFigures& call);
    /* What WriteCallTime did for one call on the caller's thread before calls were handed over: the
     * call counted, its direction's totals and the last durations written (not stored). */
    void __ApplyCall(const UlogCallFigures& call);
    /* Under the statistics lock: applies the calls handed over so far, in order, and stores the file
     * once (while the service is stopped: the file loaded for the moment). */
    void __ApplyPending();
    /* The statistics task and the platform's call before stores must count (SysSetPendingStoresFunc). */
    static void __ApplierTask();
    static void __ApplyPendingForPlatform();

    BOOL __UlogIsValidReg() const { return (m_hReg != INVALID_HOBJ) ? TRUE : FALSE; }
    /* Sees whether the loaded file can be used: its version, or bFresh for a new file (a damaged one is
     * set aside first). FALSE when it can be neither read nor set aside. */
    BOOL __CheckFile(int& nVersion, bool& bFresh);
    /* The unwritten change of the total of a reset or query and the total's file entry; NULL (with a
     * report naming the argument) when there is no such total. */
    /* The changes and the Ulog.ini keys of a call direction's totals; false for a log type without
     * call totals (the one place that maps a log type to its statistics). */
    bool __TotalsOf(UlogLogType iLogType, TotalChange*& pChanges, const UlogRegEntry*& pTable);
    TotalChange* __SelectSlot(const char* pszOperation, UlogLogType iLogType, UlogCallType iCallType,
                              UlogLineType iLineType, const UlogRegEntry** ppEntry);
    BOOL __WriteLastTime(const UlogRegEntry& entry, int bFlush = TRUE);
    BOOL __ResetLastTime(const UlogRegEntry& entry);
    unsigned int __ReadKey(const UlogRegEntry& entry);
    BOOL __SetResetDate(const UlogRegEntry& entry);
    /* The message and e-mail counters, by their index in m_regTableMsg: the in-memory count,
     * one more counted and stored, the stored value, and a reset of both to 0. */
    int& __CounterOf(int nEntry);
    void __AddToCounter(int nEntry);
    int __ReadCounter(int nEntry);
    BOOL __ResetCounter(int nEntry);

    HOBJ m_hReg;
    TotalChange m_orgChange[TOTAL_SLOTS]; /* originated totals, 2 lines x 5 call types */
    TotalChange m_rcvChange[TOTAL_SLOTS]; /* terminated totals */
    unsigned int m_tmLastCallTime;
    unsigned int m_tmLifeTime; /* the file's life time as last read; memory only while not loaded */
    bool m_bLifeTimeSet;       /* SetLifeTime was called: the next addition sets the non-volatile item */
    int m_nSentMsgCounter;
    int m_nRcvMsgCounter;
    int m_nSentEmailCounter;
    int m_nRcvEmailCounter;

    bool m_bStopped; /* Exit ran and Init has not: calls handed over go to the file loaded for them */

    std::recursive_mutex m_stateMutex;
};

#endif
