// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace plat
{

struct EventHandle
{
    std::mutex lock;
    std::condition_variable changed;
    bool bSignalled = false;
};

EventHandle* CreateAutoResetEvent()
{
    return new (std::nothrow) EventHandle;
}

bool SetEvent(EventHandle* event)
{
    if (event == nullptr)
        return false;
    {
        std::lock_guard<std::mutex> guard(event->lock);
        event->bSignalled = true;
    }
    event->changed.notify_one();
    return true;
}

EventWaitResult WaitForEvent(EventHandle* event, uint32_t timeoutMs)
{
    if (event == nullptr)
        return EventWaitResult::Failed;
    std::unique_lock<std::mutex> guard(event->lock);
    if (!event->changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), [event] { return event->bSignalled; }))
        return EventWaitResult::TimedOut;
    // Auto-reset: the wait that sees the signal takes it.
    event->bSignalled = false;
    return EventWaitResult::Signalled;
}

void CloseEvent(EventHandle* event)
{
    delete event;
}

} // namespace plat
