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
    TimerInfo* pInfo = __GetElement(timerId);
    if (!ULOG_REQUIRE(pInfo != NULL))
        return FALSE;
    pInfo->nTickFrequency = static_cast<uint32_t>(tickFrequency);
    OnStart(*pInfo);
    return TRUE;
}

BOOL CUlogSvcTimer::__Start(unsigned long timerId)
{
    TimerInfo* pInfo = __GetElement(timerId);
    if (pInfo == NULL)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Start: pInfo == NULL\n");
        return FALSE;
    }
    OnStart(*pInfo);
    return TRUE;
}

BOOL CUlogSvcTimer::__Stop(unsigned long timerId)
{
    TimerInfo* pInfo = __GetElement(timerId);
    if (pInfo == NULL)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Stop: pInfo == NULL\n");
        return FALSE;
    }
    if (pInfo->hTimer == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Stop: pInfo->hTimer == INVALID_HOBJ\n");
        return FALSE;
    }
    OnStop(*pInfo);
    return TRUE;
}

BOOL CUlogSvcTimer::__Delete(unsigned long timerId)
{
    TimerInfo* pInfo = __GetElement(timerId);
    if (pInfo == NULL)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Delete: pInfo == NULL\n");
        return FALSE;
    }
    if (pInfo->hTimer == INVALID_HOBJ)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcTimer::__Delete: pInfo->hTimer == INVALID_HOBJ\n");
        return FALSE;
    }
    OnDelete(*pInfo);
    return __DeleteElement(timerId);
}

// An existing entry of the id is replaced. Its platform timer is stopped and deleted first: left
// running, it would tick once more under an id nobody set (its handle is no longer in the map).
void CUlogSvcTimer::__AddElement(unsigned long timerId, TimerInfo* pInfo)
{
    auto it = m_map.find(timerId);
    if (it != m_map.end())
    {
        if (it->second != NULL && it->second->hTimer != INVALID_HOBJ && it->second->hTimer != pInfo->hTimer)
        {
            OnStop(*it->second);
            OnDelete(*it->second);
        }
        delete it->second;
        it->second = pInfo;
    }
    else
        m_map.emplace(timerId, pInfo);
}

TimerInfo* CUlogSvcTimer::__GetElement(unsigned long timerId)
{
    auto it = m_map.find(timerId);
    if (it == m_map.end())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "__GetElement: m_map doesn't have an element (%d)\n", timerId);
        return NULL;
    }
    return it->second;
}

BOOL CUlogSvcTimer::__DeleteElement(unsigned long timerId)
{
    auto it = m_map.find(timerId);
    if (it == m_map.end())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "__DeleteElement: m_map doesn't have an element (%d)\n", timerId);
        return FALSE;
    }
    delete it->second;
    m_map.erase(it);
    return TRUE;
}

unsigned long CUlogSvcTimer::__GetTimerID(int hTimer)
{
    if (!ULOG_REQUIRE(hTimer != INVALID_HOBJ))
        return 0;
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
