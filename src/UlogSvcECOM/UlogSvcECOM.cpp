#define ULOG_SRC_MODULE "UlogSvcECOM/UlogSvcECOM"
#include "H/UlogSvcDef.h"

#include "UlogSvcECOM/UlogSvcECOM.h"

#include "KivCore/KivCore.h"
#include "KivCtSvc/KivCtSvc.h"
#include "UlogSvcECOM/UlogSvcApiUtil.h"
#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"
#include "UlogSvcMgr/CUlogSvcMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace
{
const int PHS_STATUS_DB_WIPE = 58;
const int LINE_UNKNOWN_COMMAND = 166;

unsigned int ClassAddRef(void* pObject);
unsigned int ClassRelease(void* pObject);

const UlogSvcClassVtbl s_vtbl = {ClassAddRef, ClassRelease, NULL, UlogAddCallLog};
UlogSvcClassObject s_classObject = {&s_vtbl, 0, 0};

/* The count is a plain word of the object, changed atomically. */
unsigned int ClassAddRef(void* pObject)
{
    UlogSvcClassObject* pClass = static_cast<UlogSvcClassObject*>(pObject);
    return std::atomic_ref<unsigned int>(pClass->nRefCount).fetch_add(1) + 1;
}

unsigned int ClassRelease(void* pObject)
{
    UlogSvcClassObject* pClass = static_cast<UlogSvcClassObject*>(pObject);
    return std::atomic_ref<unsigned int>(pClass->nRefCount).fetch_sub(1) - 1;
}

/* The end of the process: a pass of the full sync returns at its next row before the platform closes the
 * database. */
void StopSyncAtExit()
{
    CUlogSvcContactSync* pSync = CUlogSvcContactSync::Instance();
    pSync->StopSync();
    pSync->WaitForPassEnd();
}

unsigned int Start()
{
    ulogapi::SetServiceRunning(true); /* the data root is fixed from here on */
    CUlogSvcMgr::Instance()->Init();
    CUlogSvcMutex::Create("UlogSvc");
    CUlogSvcAccountMutex::Create("UlogSvcAccount");

    /* The full-sync task, and the contacts service's way to ask for a pass after a bulk change. */
    CUlogSvcContactSync* pSync = CUlogSvcContactSync::Instance();
    pSync->CreateTask();
    CtSvcDbSetFullSyncCallback(&CUlogSvcContactSync::ContactFullSyncCallback, NULL);
    /* A stop and a start in one process: the stop request of the stop must not outlive it. */
    pSync->StartSync();
    static std::once_flag s_atExit;
    std::call_once(s_atExit, [] { std::atexit(StopSyncAtExit); });

    if (PhsGetStatus(PHS_STATUS_DB_WIPE) == 1)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "UlogSvcDispatch: Ulogs db data will be deleted. no need to sync data!!\n");
        pSync->StopSync();
    }
    else if (!Db2IsReadOnly())
        CUlogSvcContactSync::RestartContactFullSyncCallback(); /* a pass left unfinished runs anew */
    /* A service started only to read (a read-only data root) leaves a pending pass to the next writer:
     * it could change nothing. */
    return static_cast<unsigned int>(__SysRegisterClass(0, ULOG_SVC_CLASS_ID, &s_classObject, 1));
}

unsigned int Stop()
{
    /* Nothing of a pass runs once the service has stopped: a running pass returns at its next row. */
    CUlogSvcContactSync* pSync = CUlogSvcContactSync::Instance();
    pSync->StopSync();
    pSync->WaitForPassEnd();
    /* The calls whose statistics are still queued are counted now, so that their file is written
     * while the database's journal is copied back: closed, the journal emptied, so that the next
     * process does not have to read it back; the next call opens it again. Nothing of the stop below
     * uses the database. */
    CUlogSvcAccountMgr::Instance()->Flush();
    Db2Close();
    CUlogSvcMgr::Instance()->Exit();
    CUlogSvcMutex::Delete();
    CUlogSvcAccountMutex::Delete();
    ulogapi::SetServiceRunning(false);
    return static_cast<unsigned int>(SysUnregisterClass(0, ULOG_SVC_CLASS_ID));
}
} // namespace

extern "C" UlogSvcClassObject* UlogSvcGetClassObject(void)
{
    return &s_classObject;
}

extern "C" unsigned int UlogSvcDispatch(unsigned int nCommand)
{
    switch (nCommand)
    {
    case 0:
        return Start();
    case 1:
        return Stop();
    default:
        _SysAssertReport(4, "ASSERTION_NEVER_GET_HERE", "NEVER_GET_HERE", ULOG_SRC_MODULE,
                         LINE_UNKNOWN_COMMAND);
        return 0;
    }
}
