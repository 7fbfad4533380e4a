// Window-manager events that tell applications of a change of the logs.
#define ULOG_SRC_MODULE "UlogSvcChangeMgr/UlogSvcNotify"
#include "H/UlogSvcDef.h"

#include "UlogSvcChangeMgr/CUlogSvcNotify.h"

#include "KivGWESCore/KivGWESCore.h"

#include <cstring>

std::atomic<int> CUlogSvcNotify::m_nLock{0};

BOOL CUlogSvcNotify::Lock()
{
    m_nLock.fetch_add(1);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcNotify::Lock\n");
    return TRUE;
}

BOOL CUlogSvcNotify::Release()
{
    // A release without a lock must not leave events silenced for good.
    int nLock = m_nLock.load();
    while (nLock > 0 && !m_nLock.compare_exchange_weak(nLock, nLock - 1))
    {
    }
    if (nLock <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcNotify::Release: not locked\n");
        return FALSE;
    }
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcNotify::Release\n");
    return TRUE;
}

BOOL CUlogSvcNotify::operator()(int nType, int hDestEventHandler)
{
    return Send(nType, hDestEventHandler);
}

BOOL CUlogSvcNotify::Send(int nType, int hDestEventHandler)
{
    if (m_nLock.load() != 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcNotify::Send: m_bEnable is FALSE\n");
        return FALSE;
    }
    if (hDestEventHandler == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL,
                       "CUlogSvcNotify::Send: event.notify.hDestEventHandler == INVALID_HOBJ\n");
        return FALSE;
    }
    WMEVENT event;
    std::memset(&event, 0, sizeof(event));
    event.wEventCode = ULOG_EVENT_LOG_CHANGED;
    event.hDestEventHandler = hDestEventHandler;
    event.wSubType = static_cast<unsigned short>(nType);
    WmSendEvent(&event);
    SysDebugPrintf(ULOG_DBG_DETAIL2, "CUlogSvcNotify::Send: nType (0x%x)\n", nType);
    return TRUE;
}
