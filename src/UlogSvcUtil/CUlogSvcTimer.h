/*
 * CUlogSvcTimer: periodic timers over the platform's one-shot window-manager timers. A derived class
 * implements OnTick; each expiry calls it and re-arms the platform timer with the same tick, so a
 * timer ticks until KillTimer.
 *
 * The map of timers has a lock of its own, held only while the map is read or changed, never while a
 * platform timer is started, stopped or deleted (a deletion waits for a callback running on another
 * thread, and that callback reads the map once its tick returns). So one thread may set or kill a timer
 * while another thread's callback of it runs; what the ticks themselves share, their user guards.
 */
#ifndef CULOG_SVC_TIMER_H
#define CULOG_SVC_TIMER_H

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"

#include <cstdint>
#include <map>
#include <mutex>

/* One timer: the user's id, the platform timer handle (INVALID_HOBJ for none), and the tick in
 * milliseconds (set by the first start, 0 before). Three 32-bit words. */
struct TimerInfo
{
    uint32_t nTimerID;
    HOBJ hTimer;
    uint32_t nTickFrequency;
};
static_assert(sizeof(TimerInfo) == 12, "TimerInfo is three 32-bit words");

class CUlogSvcTimer : public CUlogObject
{
public:
    CUlogSvcTimer() = default;
    /* Destroys the map only: platform timers still running are neither stopped nor deleted. */
    virtual ~CUlogSvcTimer();

    CUlogSvcTimer(const CUlogSvcTimer&) = delete;
    CUlogSvcTimer& operator=(const CUlogSvcTimer&) = delete;

    BOOL SetTimer(unsigned long timerId, unsigned long tickFrequency); /* always TRUE */
    BOOL KillTimer(unsigned long timerId);                             /* always TRUE */

protected:
    virtual void OnTick(unsigned long timerId) = 0;
    virtual HOBJ OnCreate(char const* pszName);
    virtual void OnStart(TimerInfo const& info);
    virtual void OnStop(TimerInfo const& info);
    virtual void OnDelete(TimerInfo const& info);

private:
    BOOL __Create(unsigned long timerId);
    BOOL __Start(unsigned long timerId, unsigned long tickFrequency);
    BOOL __Start(unsigned long timerId);
    BOOL __Stop(unsigned long timerId);
    BOOL __Delete(unsigned long timerId);
    void __AddElement(unsigned long timerId, TimerInfo* pInfo);
    /* A copy of the entry into *pInfo (with tickFrequency stored first when given); FALSE when missing. */
    BOOL __GetElement(unsigned long timerId, TimerInfo* pInfo, const unsigned long* pTickFrequency = NULL);
    /* Removes the entry when it still holds the platform timer hTimer. */
    BOOL __DeleteElement(unsigned long timerId, HOBJ hTimer);
    unsigned long __GetTimerID(int hTimer);
    static void __Callback(int hTimer, unsigned long param);

    std::mutex m_mapMutex;
    std::map<unsigned long, TimerInfo*> m_map;
};

#endif
