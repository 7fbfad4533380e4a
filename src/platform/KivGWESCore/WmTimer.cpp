// Window-manager timers: one-shot timers fired on a timer thread.
//
// A started timer fires its callback once, tickMs milliseconds after WmStartTimer, unless it is
// cancelled, restarted or deleted first; a callback may restart or delete its own timer. While the
// platform clock is frozen the timer thread fires nothing: RunDueTimers fires the timers whose due
// time (platform clock at the start, in ms, plus the tick) has come, on the calling thread.
#include "KivCore/KivCoreInternal.h"
#include "KivGWESCore/KivGWESCore.h"
#include "KivGWESCore/KivGWESCoreInternal.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kFreezeRecheck = 20ms;
constexpr auto kMaxIdleWait = 50ms;
constexpr auto kCallbackWait = 5s;

struct Timer
{
    std::string name;
    bool running = false;
    unsigned long long generation = 0; // changes on every start and cancel
    unsigned long long order = 0;      // start order: breaks ties between equal due times
    WM_TIMER_CALLBACK callback = nullptr;
    void* param = nullptr;
    Clock::time_point dueSteady;
    long long dueMs = 0; // on the platform clock
};

struct TimerState
{
    std::mutex m;
    std::condition_variable wake;     // the timer thread's
    std::condition_variable finished; // a callback returned
    std::map<HOBJ, Timer> timers;
    std::multimap<HOBJ, std::thread::id> inFlight; // callbacks running now, by timer
    HOBJ next = 1;                                 // never reused, not even across a reset
    unsigned long long order = 0;
    std::thread thread;
    bool stop = false;
};

// Never destroyed: a callback still running at exit may use it.
TimerState& State()
{
    static TimerState* s = new TimerState;
    return *s;
}

long long PlatformNowMs()
{
    return static_cast<long long>(TmGetTime()) * 1000;
}

// Fires one timer if it is still the started timer that was chosen. Called and returns with lock held.
bool Fire(std::unique_lock<std::mutex>& lock, HOBJ h, unsigned long long generation)
{
    TimerState& s = State();
    auto it = s.timers.find(h);
    if (it == s.timers.end() || !it->second.running || it->second.generation != generation)
        return false;
    it->second.running = false;
    WM_TIMER_CALLBACK callback = it->second.callback;
    void* param = it->second.param;
    auto mark = s.inFlight.emplace(h, std::this_thread::get_id());
    lock.unlock();
    callback(h, reinterpret_cast<unsigned long>(param));
    lock.lock();
    s.inFlight.erase(mark);
    s.finished.notify_all();
    return true;
}

bool OtherThreadRuns(HOBJ h)
{
    auto range = State().inFlight.equal_range(h);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second != std::this_thread::get_id())
            return true;
    return false;
}

bool AnyOtherThreadRuns()
{
    for (auto& [h, id] : State().inFlight)
        if (id != std::this_thread::get_id())
            return true;
    return false;
}

void TimerThread()
{
    TimerState& s = State();
    std::unique_lock<std::mutex> lock(s.m);
    while (!s.stop)
    {
        const Timer* first = nullptr;
        HOBJ firstHandle = INVALID_HOBJ;
        for (auto& [h, t] : s.timers)
        {
            if (t.running && (first == nullptr ||
                              std::tie(t.dueSteady, t.order) < std::tie(first->dueSteady, first->order)))
            {
                first = &t;
                firstHandle = h;
            }
        }
        if (first == nullptr)
        {
            s.wake.wait(lock); // a start wakes us
            continue;
        }
        lock.unlock();
        const bool frozen = kiv::core::ClockFrozen();
        lock.lock();
        if (frozen)
        {
            // Nothing fires by itself while the clock is frozen; look again shortly.
            s.wake.wait_for(lock, kFreezeRecheck);
            continue;
        }
        // The map may have changed while unlocked: choose again if the chosen one went away.
        auto chosen = s.timers.find(firstHandle);
        if (chosen == s.timers.end() || !chosen->second.running)
            continue;
        first = &chosen->second;
        const auto now = Clock::now();
        if (first->dueSteady > now)
        {
            // Bounded, so that a clock frozen meanwhile is noticed.
            s.wake.wait_until(lock, std::min(first->dueSteady, now + kMaxIdleWait));
            continue;
        }
        Fire(lock, firstHandle, first->generation);
    }
}

// Joins the timer thread when the library is unloaded or the process exits.
struct TimerShutdown
{
    ~TimerShutdown()
    {
        TimerState& s = State();
        {
            std::lock_guard<std::mutex> lock(s.m);
            s.stop = true;
        }
        s.wake.notify_all();
        if (s.thread.joinable())
        {
            if (s.thread.get_id() == std::this_thread::get_id())
                s.thread.detach();
            else
                s.thread.join();
        }
    }
} g_timerShutdown;
} // namespace

namespace kiv::gwes
{
void ResetTimers()
{
    TimerState& s = State();
    std::unique_lock<std::mutex> lock(s.m);
    s.timers.clear();
    s.finished.wait_for(lock, kCallbackWait, [] { return !AnyOtherThreadRuns(); });
    s.wake.notify_all();
}

int RunDueTimers()
{
    const long long nowMs = PlatformNowMs();
    TimerState& s = State();
    std::unique_lock<std::mutex> lock(s.m);
    // Only what is due now: a timer that a callback restarts waits for the next run.
    std::vector<std::tuple<long long, unsigned long long, HOBJ, unsigned long long>> due;
    for (auto& [h, t] : s.timers)
        if (t.running && t.dueMs <= nowMs)
            due.emplace_back(t.dueMs, t.order, h, t.generation);
    std::sort(due.begin(), due.end());
    int fired = 0;
    for (auto& [dueMs, order, h, generation] : due)
        if (Fire(lock, h, generation))
            ++fired;
    return fired;
}
} // namespace kiv::gwes

extern "C"
{

    /* Always gives a new handle; the name is kept for diagnostics. */
    HOBJ __WmCreateTimer(const char* name, const char* srcFile, int srcLine)
    {
        (void)srcFile;
        (void)srcLine;
        TimerState& s = State();
        std::lock_guard<std::mutex> lock(s.m);
        HOBJ h = s.next++;
        if (s.next <= 0)
            s.next = 1;
        s.timers[h].name = name != nullptr ? name : "";
        return h;
    }

    /* Starting a started timer restarts it from now. */
    BOOL WmStartTimer(HOBJ hTimer, unsigned long tickMs, WM_TIMER_CALLBACK callback, void* param)
    {
        if (callback == nullptr)
            return FALSE;
        const long long nowMs = PlatformNowMs();
        TimerState& s = State();
        std::lock_guard<std::mutex> lock(s.m);
        auto it = s.timers.find(hTimer);
        if (it == s.timers.end() || s.stop)
            return FALSE;
        Timer& t = it->second;
        t.running = true;
        ++t.generation;
        t.order = ++s.order;
        t.callback = callback;
        t.param = param;
        t.dueSteady = Clock::now() + std::chrono::milliseconds(tickMs);
        t.dueMs = nowMs + static_cast<long long>(tickMs);
        if (!s.thread.joinable())
            s.thread = std::thread(TimerThread);
        s.wake.notify_all();
        return TRUE;
    }

    /* TRUE for a known timer, started or not; a callback already running is not waited for. */
    BOOL WmCancelTimer(HOBJ hTimer)
    {
        TimerState& s = State();
        std::lock_guard<std::mutex> lock(s.m);
        auto it = s.timers.find(hTimer);
        if (it == s.timers.end())
            return FALSE;
        it->second.running = false;
        ++it->second.generation;
        s.wake.notify_all();
        return TRUE;
    }

    /* Deletes the timer; when its callback is running on another thread, waits (up to 5 s) for it to
     * return, so that whatever the callback uses may be freed after this call. */
    BOOL __WmDeleteTimer(HOBJ hTimer, const char* srcFile, int srcLine)
    {
        (void)srcFile;
        (void)srcLine;
        TimerState& s = State();
        std::unique_lock<std::mutex> lock(s.m);
        if (s.timers.erase(hTimer) == 0)
            return FALSE;
        s.wake.notify_all();
        s.finished.wait_for(lock, kCallbackWait, [&] { return !OtherThreadRuns(hTimer); });
        return TRUE;
    }
}
