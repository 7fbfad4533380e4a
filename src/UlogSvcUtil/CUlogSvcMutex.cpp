#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcMutex"
#include "UlogSvcUtil/CUlogSvcMutex.h"

#include "H/UlogSvcDef.h"

#include <atomic>

HOBJ CUlogSvcMutex::m_hMutex = INVALID_HOBJ;
HOBJ CUlogSvcAccountMutex::m_hAccountMutex = INVALID_HOBJ;
HOBJ CUlogSvcObserverMutex::m_hObserverMutex = INVALID_HOBJ;

namespace
{
// A class's handle is read by every task that locks while the service's start or stop replaces it
// (the statistics task runs whenever calls are stored): it is read and replaced whole.
HOBJ Load(HOBJ& handle)
{
    return std::atomic_ref<HOBJ>(handle).load();
}

void Store(HOBJ& handle, HOBJ value)
{
    std::atomic_ref<HOBJ>(handle).store(value);
}

// The texts of one mutex class.
struct MutexTexts
{
    const char* created;
    const char* createFailed;
    const char* deleteFailed;
    const char* lockInvalid; // null: Lock on an invalid handle is silent
};

BOOL CreateMutex(HOBJ& handle, const char* pszName, const MutexTexts& texts)
{
    if (!ULOG_REQUIRE(pszName != NULL))
        return FALSE;
    if (!ULOG_REQUIRE(AcStrlen(pszName) > 0))
        return FALSE;
    const HOBJ hMutex = OsCreateMutex(pszName);
    Store(handle, hMutex);
    if (hMutex == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, texts.createFailed);
        return FALSE;
    }
    SysDebugPrintf(ULOG_DBG_DETAIL2, texts.created, hMutex);
    return TRUE;
}

BOOL DeleteMutex(HOBJ& handle, const MutexTexts& texts)
{
    const HOBJ hMutex = Load(handle);
    if (hMutex == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, texts.deleteFailed);
        return FALSE;
    }
    Store(handle, INVALID_HOBJ);
    OsDeleteMutex(hMutex);
    return TRUE;
}

BOOL LockMutex(HOBJ& hClassMutex, const MutexTexts& texts)
{
    const HOBJ handle = Load(hClassMutex);
    if (handle == INVALID_HOBJ)
    {
        if (texts.lockInvalid != nullptr)
            SysDebugPrintf(ULOG_DBG_FAIL, texts.lockInvalid);
        return FALSE;
    }
    OsAcquireMutexEx(handle, ULOG_SRC_MODULE, __LINE__);
    return TRUE;
}

BOOL ReleaseMutex(HOBJ& hClassMutex)
{
    const HOBJ handle = Load(hClassMutex);
    if (handle == INVALID_HOBJ)
        return FALSE;
    OsReleaseMutex(handle);
    return TRUE;
}

const MutexTexts kSvcTexts = {
    "CUlogSvcMutex::Create: m_hMutex(%d)\n",
    "CUlogSvcMutex::Create: m_hMutex == INVALID_HOBJ\n",
    "CUlogSvcMutex::Delete: m_hMutex == INVALID_HOBJ\n",
    "CUlogSvcMutex::Lock: m_hMutex is invalid.\n",
};
const MutexTexts kAccountTexts = {
    "CUlogSvcAccountMutex::Create: m_hAccountMutex(%d)\n",
    "CUlogSvcAccountMutex::Create: m_hAccountMutex == INVALID_HOBJ\n",
    "CUlogSvcAccountMutex::Delete: m_hAccountMutex == INVALID_HOBJ\n",
    nullptr,
};
const MutexTexts kObserverTexts = {
    "CUlogSvcObserverMutex::Create: m_hObserverMutex(%d)\n",
    "CUlogSvcObserverMutex::Create: m_hObserverMutex == INVALID_HOBJ\n",
    "CUlogSvcObserverMutex::Delete: m_hObserverMutex == INVALID_HOBJ\n",
    nullptr,
};
} // namespace

BOOL CUlogSvcMutex::Create(const char* pszName)
{
    return CreateMutex(m_hMutex, pszName, kSvcTexts);
}
BOOL CUlogSvcMutex::Delete()
{
    return DeleteMutex(m_hMutex, kSvcTexts);
}
BOOL CUlogSvcMutex::Lock()
{
    return LockMutex(m_hMutex, kSvcTexts);
}
BOOL CUlogSvcMutex::Release()
{
    return ReleaseMutex(m_hMutex);
}

BOOL CUlogSvcAccountMutex::Create(const char* pszName)
{
    return CreateMutex(m_hAccountMutex, pszName, kAccountTexts);
}
BOOL CUlogSvcAccountMutex::Delete()
{
    return DeleteMutex(m_hAccountMutex, kAccountTexts);
}
BOOL CUlogSvcAccountMutex::Lock()
{
    return LockMutex(m_hAccountMutex, kAccountTexts);
}
BOOL CUlogSvcAccountMutex::Release()
{
    return ReleaseMutex(m_hAccountMutex);
}

BOOL CUlogSvcObserverMutex::Create(const char* pszName)
{
    return CreateMutex(m_hObserverMutex, pszName, kObserverTexts);
}
BOOL CUlogSvcObserverMutex::Delete()
{
    return DeleteMutex(m_hObserverMutex, kObserverTexts);
}
BOOL CUlogSvcObserverMutex::Lock()
{
    return LockMutex(m_hObserverMutex, kObserverTexts);
}
BOOL CUlogSvcObserverMutex::Release()
{
    return ReleaseMutex(m_hObserverMutex);
}
