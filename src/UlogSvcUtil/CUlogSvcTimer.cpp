#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcTimer"
#include "UlogSvcUtil/CUlogSvcTimer.h"

#include "H/UlogSvcDef.h"
#include "KivGWESCore/KivGWESCore.h"

#include <new>

CUlogSvcTimer::~CUlogSvcTimer()
{
    for (auto& entry : m_map)
        delete entry.second;
    m_map.clear();
}

BOOL CUlogSvcTimer::SetTimer(unsigned long timerId, unsigned long tickFrequency)
{
    __Create(timerId);
    __Start(timerId, tickFrequency);
    return TRUE;
}

BOOL CUlogSvcTimer::KillTimer(unsigned long timerId)
{
    __Stop(timerId);
    __Delete(timerId);
    return TRUE;
}

HOBJ CUlogSvcTimer::OnCreate(char const* pszName)
{
    return __WmCreateTimer(pszName, ULOG_SRC_MODULE, __LINE__);
}

void CUlogSvcTimer::OnStart(TimerInfo const& info)
{
    WmStartTimer(info.hTimer, info.nTickFrequency, CUlogSvcTimer::__Callback, this);
}

void CUlogSvcTimer::OnStop(TimerInfo const& info)
{
    WmCancelTimer(info.hTimer);
}

void CUlogSvcTimer::OnDelete(TimerInfo const& info)
{
    __WmDeleteTimer(info.hTimer, ULOG_SRC_MODULE, __LINE__);
}

BOOL CUlogSvcTimer::__Create(unsigned long timerId)
{
    char szName[128];
    AcSprintfSEx(szName, sizeof(szName), ULOG_SRC_MODULE, __LINE__, "UlogSvcTimer__%d", timerId);
    HOBJ hTimer = OnCreate(szName);
    if (!ULOG_REQUIRE(hTimer != INVALID_HOBJ))
        return FALSE;
    TimerInfo* pInfo = new (std::nothrow) TimerInfo{static_cast<uint32_t>(timerId), hTimer, 0};
    if (!ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    __AddElement(timerId, pInfo);
    SysDebugPrintf(ULOG_DBG_PROGRESS, "CUlogSvcTimer::__Create: %s created\n", szName);
    return TRUE;
}

BOOL CUlogSvcTimer::__Start(unsigned long timerId, unsigned long tickFrequency)
{
    SysDebugPrintf(ULOG_DBG_DETAIL, "CUlogSvcTimer::__Start: timerID %d tickFrequency %d\n", timerId,
                   tickFrequency);
    TimerInfo info;
    const BOOL bFound = __GetElement(timerId, &info, &tickFrequency);
    if (!ULOG_REQUIRE_T(bFound, "pInfo != NULL"))
        return FALSE;
    OnStart(info);
    return TRUE;
}

BOOL CUlogSvcTimer::__Start(unsigned long timerId)
{
    TimerInfo info;
    if (!__GetElement(timerId, &info))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Start: pInfo == NULL\n");
        return FALSE;
    }
    OnStart(info);
    return TRUE;
}

BOOL CUlogSvcTimer::__Stop(unsigned long timerId)
{
    TimerInfo info;
    if (!__GetElement(timerId, &info))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Stop: pInfo == NULL\n");
        return FALSE;
    }
    if (info.hTimer == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Stop: pInfo->hTimer == INVALID_HOBJ\n");
        return FALSE;
    }
    OnStop(info);
    return TRUE;
}

BOOL CUlogSvcTimer::__Delete(unsigned long timerId)
{
    TimerInfo info;
    if (!__GetElement(timerId, &info))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Delete: pInfo == NULL\n");
        return FALSE;
    }
    if (info.hTimer == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Delete: pInfo->hTimer == INVALID_HOBJ\n");
        return FALSE;
    }
    OnDelete(info);
    return __DeleteElement(timerId, info.hTimer);
}

// An existing entry of the id is replaced. Its platform timer is stopped and deleted first: left
// running, it would tick once more under an id nobody set (its handle is no longer in the map).
void CUlogSvcTimer::__AddElement(unsigned long timerId, TimerInfo* pInfo)
{
    TimerInfo* pOld = NULL;
    {
        std::lock_guard<std::mutex> lock(m_mapMutex);
        auto it = m_map.find(timerId);
        if (it != m_map.end())
        {
            pOld = it->second;
            it->second = pInfo;
        }
        else
            m_map.emplace(timerId, pInfo);
    }
    if (pOld != NULL && pOld->hTimer != INVALID_HOBJ && pOld->hTimer != pInfo->hTimer)
    {
        OnStop(*pOld);
        OnDelete(*pOld);
    }
    delete pOld;
}

BOOL CUlogSvcTimer::__GetElement(unsigned long timerId, TimerInfo* pInfo, const unsigned long* pTickFrequency)
{
    {
        std::lock_guard<std::mutex> lock(m_mapMutex);
        auto it = m_map.find(timerId);
        if (it != m_map.end() && it->second != NULL)
        {
            if (pTickFrequency != NULL)
                it->second->nTickFrequency = static_cast<uint32_t>(*pTickFrequency);
            *pInfo = *it->second;
            return TRUE;
        }
    }
    SysDebugPrintf(ULOG_DBG_FAIL, "__GetElement: m_map doesn't have an element (%d)\n", timerId);
    return FALSE;
}

BOOL CUlogSvcTimer::__DeleteElement(unsigned long timerId, HOBJ hTimer)
{
    TimerInfo* pOld = NULL;
    bool bFound = false;
    {
        std::lock_guard<std::mutex> lock(m_mapMutex);
        auto it = m_map.find(timerId);
        // An entry set again meanwhile by another thread holds another platform timer: it stays.
        if (it != m_map.end() && (it->second == NULL || it->second->hTimer == hTimer))
        {
            pOld = it->second;
            m_map.erase(it);
            bFound = true;
        }
    }
    if (!bFound)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "__DeleteElement: m_map doesn't have an element (%d)\n", timerId);
        return FALSE;
    }
    delete pOld;
    return TRUE;
}

unsigned long CUlogSvcTimer::__GetTimerID(int hTimer)
{
    if (!ULOG_REQUIRE(hTimer != INVALID_HOBJ))
        return 0;
    std::lock_guard<std::mutex> lock(m_mapMutex);
    for (auto& entry : m_map)
    {
        TimerInfo* pInfo = entry.second;
        if (!ULOG_REQUIRE(pInfo != NULL))
            return 0;
        if (pInfo->hTimer == hTimer)
            return entry.first;
    }
    return 0;
}

void CUlogSvcTimer::__Callback(int hTimer, unsigned long param)
{
    CUlogSvcTimer* pTimer = reinterpret_cast<CUlogSvcTimer*>(param);
    if (!ULOG_REQUIRE(pTimer != NULL))
        return;
    pTimer->OnTick(pTimer->__GetTimerID(hTimer));
    pTimer->__Start(pTimer->__GetTimerID(hTimer));
}
