/*
 * CUlogSvcTimer: periodic timers over the platform's one-shot window-manager timers. A derived class
 * implements OnTick; each expiry calls it and re-arms the platform timer with the same tick, so a
 * timer ticks until KillTimer. The timer takes no lock: its user serialises access.
 */
#ifndef CULOG_SVC_TIMER_H
#define CULOG_SVC_TIMER_H

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"

#include <cstdint>
#include <map>

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
    TimerInfo* __GetElement(unsigned long timerId);
    BOOL __DeleteElement(unsigned long timerId);
    unsigned long __GetTimerID(int hTimer);
    static void __Callback(int hTimer, unsigned long param);

    std::map<unsigned long, TimerInfo*> m_map;
};

#endif
