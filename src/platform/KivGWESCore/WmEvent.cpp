// Window-manager events. There are no applications on the emulated handset: every event sent is
// recorded, oldest first, so that tests and tools can read what the service sent.
#include "KivGWESCore/KivGWESCore.h"
#include "KivGWESCore/KivGWESCoreInternal.h"

#include <deque>
#include <mutex>

namespace
{
// The record keeps the newest events; the oldest give way beyond this many.
constexpr size_t kMaxRecordedEvents = 10000;

std::mutex g_eventMutex;
std::deque<WMEVENT> g_events;
} // namespace

namespace kiv::gwes
{
void ResetEvents()
{
    std::lock_guard<std::mutex> lock(g_eventMutex);
    g_events.clear();
}

int SentEventCount()
{
    std::lock_guard<std::mutex> lock(g_eventMutex);
    return static_cast<int>(g_events.size());
}

bool GetSentEvent(int index, WMEVENT* event)
{
    std::lock_guard<std::mutex> lock(g_eventMutex);
    if (event == nullptr || index < 0 || static_cast<size_t>(index) >= g_events.size())
        return false;
    *event = g_events[static_cast<size_t>(index)];
    return true;
}
} // namespace kiv::gwes

extern "C" BOOL WmSendEvent(const WMEVENT* event)
{
    if (event == nullptr)
        return FALSE;
    std::lock_guard<std::mutex> lock(g_eventMutex);
    if (g_events.size() >= kMaxRecordedEvents)
        g_events.pop_front();
    g_events.push_back(*event);
    return TRUE;
}
