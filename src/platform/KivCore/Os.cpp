// Tasks with message queues, and named recursive mutexes.
//
// A task is a thread that starts at OsStartTask. Deleting a task (or resetting the platform, or
// unloading the library) marks it killed: its next wait (OsReceiveMessage, OsSleep, or a mutex it
// is waiting for) unwinds the task's stack back to its start, running every destructor on the way,
// and every mutex the task still owns is then given up. A wait for messages first fails once, so that
// a task whose loop returns on that failure simply returns; its next wait unwinds it. So no task thread
// outlives its handle blocked forever, and no joinable thread is ever destroyed.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace
{
using namespace std::chrono_literals;

constexpr unsigned int kErrBadHandle = 0x80020001u;
constexpr unsigned int kErrNotTask = 0x80020002u;
constexpr unsigned int kErrNotOwner = 0x80020003u;
constexpr unsigned int kErrQueueFull = 0x80020004u;
constexpr unsigned int kErrState = 0x80020005u;
constexpr unsigned int kErrTaskEnding = OS_ERR_TASK_ENDING;
constexpr size_t kMaxQueuedMessages = 1024;
constexpr auto kDeleteWait = 5s;
constexpr auto kKillPollSlice = 20ms;

// Thrown at a killed task's next wait; caught only where the task's thread starts.
struct TaskKilled
{
};

struct Task
{
    HOBJ handle = INVALID_HOBJ;
    std::string name;
    OS_TASK_ENTRY entry = nullptr;
    std::mutex m;
    std::condition_variable cv;
    std::deque<OSMSG> queue;
    bool started = false;
    bool finished = false;
    std::atomic<bool> killed{false};
    bool endingReported = false; // a wait for messages has failed since the task was killed (under m)
    std::thread thread;
};

struct MutexObj
{
    std::string name;
    std::mutex m;
    std::condition_variable cv;
    std::thread::id owner;
    int count = 0;
    int handles = 0;
    bool dead = false;
};

struct OsState
{
    std::mutex m;
    std::map<HOBJ, std::shared_ptr<Task>> tasks;
    std::map<HOBJ, std::shared_ptr<MutexObj>> mutexes;
    std::map<std::string, std::weak_ptr<MutexObj>> named;
    // Handles are never reused, not even across a reset, so a stale handle cannot alias a new object.
    HOBJ next = 1;
    bool mutexFault = false;

    HOBJ NextLocked()
    {
        HOBJ h = next++;
        if (next <= 0)
            next = 1;
        return h;
    }
};

// Never destroyed: tasks that are still unwinding at exit may use it.
OsState& State()
{
    static OsState* s = new OsState;
    return *s;
}

thread_local std::shared_ptr<Task> t_task;

void ReleaseMutexesOwnedBy(std::thread::id id)
{
    std::vector<std::shared_ptr<MutexObj>> all;
    {
        std::lock_guard<std::mutex> lock(State().m);
        for (auto& [h, mo] : State().mutexes)
            all.push_back(mo);
    }
    for (auto& mo : all)
    {
        std::lock_guard<std::mutex> lock(mo->m);
        if (mo->count > 0 && mo->owner == id)
        {
            mo->count = 0;
            mo->owner = std::thread::id();
            mo->cv.notify_all();
        }
    }
}

void RunTask(std::shared_ptr<Task> task)
{
    t_task = task;
    try
    {
        task->entry();
    }
    catch (const TaskKilled&)
    {
        // deleted while waiting: the stack has unwound
    }
    ReleaseMutexesOwnedBy(std::this_thread::get_id());
    {
        std::lock_guard<std::mutex> lock(task->m);
        task->finished = true;
    }
    task->cv.notify_all();
    t_task.reset();
}

void Kill(const std::shared_ptr<Task>& task)
{
    {
        std::lock_guard<std::mutex> lock(task->m);
        task->killed = true;
    }
    task->cv.notify_all();
}

// Waits (bounded) for a killed task to end, then joins it; one that does not end in time is let go.
void Finish(const std::shared_ptr<Task>& task)
{
    bool started;
    {
        std::lock_guard<std::mutex> lock(task->m);
        started = task->started;
    }
    if (!started || !task->thread.joinable())
        return;
    if (t_task == task)
    {
        task->thread.detach(); // a task deleting itself ends at its next wait
        return;
    }
    bool finished;
    {
        std::unique_lock<std::mutex> lock(task->m);
        finished = task->cv.wait_for(lock, kDeleteWait, [&] { return task->finished; });
    }
    if (finished)
        task->thread.join();
    else
        task->thread.detach();
}

void StopAllTasks()
{
    std::vector<std::shared_ptr<Task>> tasks;
    {
        std::lock_guard<std::mutex> lock(State().m);
        for (auto& [h, t] : State().tasks)
            tasks.push_back(t);
        State().tasks.clear();
    }
    for (auto& t : tasks)
        Kill(t);
    for (auto& t : tasks)
        Finish(t);
}

// Ends every task when the library is unloaded or the process exits.
struct TaskShutdown
{
    ~TaskShutdown() { StopAllTasks(); }
} g_taskShutdown;

std::shared_ptr<Task> FindTask(HOBJ h)
{
    std::lock_guard<std::mutex> lock(State().m);
    auto it = State().tasks.find(h);
    return it == State().tasks.end() ? nullptr : it->second;
}

std::shared_ptr<MutexObj> FindMutex(HOBJ h)
{
    std::lock_guard<std::mutex> lock(State().m);
    auto it = State().mutexes.find(h);
    return it == State().mutexes.end() ? nullptr : it->second;
}

void ThrowIfKilled()
{
    if (t_task && t_task->killed)
        throw TaskKilled{};
}
} // namespace

namespace kiv::core
{
void SetMutexCreateFault(bool fail)
{
    std::lock_guard<std::mutex> lock(State().m);
    State().mutexFault = fail;
}

void ResetOs()
{
    StopAllTasks();
    std::vector<std::shared_ptr<MutexObj>> all;
    {
        std::lock_guard<std::mutex> lock(State().m);
        for (auto& [h, mo] : State().mutexes)
            all.push_back(mo);
        State().mutexes.clear();
        State().named.clear();
        State().mutexFault = false;
    }
    for (auto& mo : all)
    {
        std::lock_guard<std::mutex> lock(mo->m);
        mo->dead = true;
        mo->cv.notify_all();
    }
}
} // namespace kiv::core

extern "C"
{

    HOBJ OsCreateTask(const char* name, int priority, int stackSize, OS_TASK_ENTRY entry, int flags,
                      int param)
    {
        (void)priority;
        (void)stackSize;
        (void)flags;
        (void)param;
        if (entry == nullptr)
        {
            SysSetLastError(kErrState);
            return INVALID_HOBJ;
        }
        auto task = std::make_shared<Task>();
        task->name = name != nullptr ? name : "";
        task->entry = entry;
        std::lock_guard<std::mutex> lock(State().m);
        task->handle = State().NextLocked();
        State().tasks[task->handle] = task;
        return task->handle;
    }

    BOOL OsStartTask(HOBJ hTask)
    {
        auto task = FindTask(hTask);
        if (!task)
        {
            SysSetLastError(kErrBadHandle);
            return FALSE;
        }
        std::lock_guard<std::mutex> lock(task->m);
        if (task->started || task->killed)
        {
            SysSetLastError(kErrState);
            return FALSE;
        }
        try
        {
            task->thread = std::thread(RunTask, task);
        }
        catch (const std::system_error&)
        {
            SysSetLastError(kErrState);
            return FALSE;
        }
        task->started = true;
        return TRUE;
    }

    BOOL OsDeleteTask(HOBJ hTask)
    {
        std::shared_ptr<Task> task;
        {
            std::lock_guard<std::mutex> lock(State().m);
            auto it = State().tasks.find(hTask);
            if (it == State().tasks.end())
            {
                SysSetLastError(kErrBadHandle);
                return FALSE;
            }
            task = it->second;
            State().tasks.erase(it);
        }
        Kill(task);
        Finish(task);
        return TRUE;
    }

    HOBJ OsGetCurrentTask(void)
    {
        return t_task ? t_task->handle : INVALID_HOBJ;
    }

    BOOL OsSendMessage(HOBJ hTask, const OSMSG* message)
    {
        if (message == nullptr)
        {
            SysSetLastError(kErrState);
            return FALSE;
        }
        auto task = FindTask(hTask);
        if (!task)
        {
            SysSetLastError(kErrBadHandle);
            return FALSE;
        }
        {
            std::lock_guard<std::mutex> lock(task->m);
            if (task->killed || task->finished)
            {
                SysSetLastError(kErrState);
                return FALSE;
            }
            if (task->queue.size() >= kMaxQueuedMessages)
            {
                SysSetLastError(kErrQueueFull);
                return FALSE;
            }
            task->queue.push_back(*message);
        }
        task->cv.notify_all();
        return TRUE;
    }

    int OsReceiveMessage(int timeoutMs, OSMSG* message, int flags)
    {
        (void)flags;
        std::shared_ptr<Task> task = t_task;
        if (!task)
        {
            SysSetLastError(kErrNotTask);
            return -1;
        }
        if (message == nullptr)
        {
            SysSetLastError(kErrState);
            return -1;
        }
        std::unique_lock<std::mutex> lock(task->m);
        auto ready = [&] { return task->killed || !task->queue.empty(); };
        if (timeoutMs < 0)
            task->cv.wait(lock, ready);
        else if (!task->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
            return 0;
        if (task->killed)
        {
            // A task that returns when its wait for messages fails ends without unwinding; one that
            // waits again is unwound there.
            if (task->endingReported)
                throw TaskKilled{};
            task->endingReported = true;
            SysSetLastError(kErrTaskEnding);
            return -1;
        }
        *message = task->queue.front();
        task->queue.pop_front();
        return 1;
    }

    void OsSleep(int milliseconds)
    {
        auto duration = std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
        std::shared_ptr<Task> task = t_task;
        if (!task)
        {
            std::this_thread::sleep_for(duration);
            return;
        }
        std::unique_lock<std::mutex> lock(task->m);
        task->cv.wait_for(lock, duration, [&] { return task->killed.load(); });
        if (task->killed)
            throw TaskKilled{};
    }

    HOBJ OsCreateMutex(const char* name)
    {
        std::lock_guard<std::mutex> lock(State().m);
        if (State().mutexFault)
        {
            SysSetLastError(kErrState);
            return INVALID_HOBJ;
        }
        std::shared_ptr<MutexObj> mo;
        const bool named = name != nullptr && name[0] != '\0';
        if (named)
        {
            if (auto it = State().named.find(name); it != State().named.end())
                mo = it->second.lock();
        }
        if (!mo)
        {
            mo = std::make_shared<MutexObj>();
            mo->name = named ? name : "";
            if (named)
                State().named[name] = mo;
        }
        HOBJ h = State().NextLocked();
        {
            std::lock_guard<std::mutex> ml(mo->m);
            ++mo->handles;
        }
        State().mutexes[h] = mo;
        return h;
    }

    int OsAcquireMutexEx(HOBJ hMutex, const char* srcFile, int srcLine)
    {
        (void)srcFile;
        (void)srcLine;
        auto mo = FindMutex(hMutex);
        if (!mo)
        {
            SysSetLastError(kErrBadHandle);
            return -1;
        }
        const auto self = std::this_thread::get_id();
        std::unique_lock<std::mutex> lock(mo->m);
        if (mo->count > 0 && mo->owner == self)
        {
            ++mo->count;
            return 0;
        }
        auto available = [&] { return mo->count == 0 || mo->dead; };
        if (!t_task)
            mo->cv.wait(lock, available);
        else
        {
            // A task waits in slices so that deleting it ends the wait.
            while (!available())
            {
                ThrowIfKilled();
                mo->cv.wait_for(lock, kKillPollSlice);
            }
        }
        if (mo->dead)
        {
            SysSetLastError(kErrBadHandle);
            return -1;
        }
        mo->owner = self;
        mo->count = 1;
        return 0;
    }

    int OsReleaseMutex(HOBJ hMutex)
    {
        auto mo = FindMutex(hMutex);
        if (!mo)
        {
            SysSetLastError(kErrBadHandle);
            return -1;
        }
        std::lock_guard<std::mutex> lock(mo->m);
        if (mo->count == 0 || mo->owner != std::this_thread::get_id())
        {
            SysSetLastError(kErrNotOwner);
            return -1;
        }
        if (--mo->count == 0)
        {
            mo->owner = std::thread::id();
            mo->cv.notify_all();
        }
        return 0;
    }

    /* Drops the handle; the mutex itself goes with the last handle of its name (waiters then fail). */
    BOOL OsDeleteMutex(HOBJ hMutex)
    {
        std::shared_ptr<MutexObj> mo;
        {
            std::lock_guard<std::mutex> lock(State().m);
            auto it = State().mutexes.find(hMutex);
            if (it == State().mutexes.end())
            {
                SysSetLastError(kErrBadHandle);
                return FALSE;
            }
            mo = it->second;
            State().mutexes.erase(it);
            std::lock_guard<std::mutex> ml(mo->m);
            if (--mo->handles == 0)
            {
                if (!mo->name.empty())
                    State().named.erase(mo->name);
                mo->dead = true;
                mo->cv.notify_all();
            }
        }
        return TRUE;
    }
}
