// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"

#include <new>

namespace plat
{

struct EventHandle
{
    HANDLE hEvent = nullptr;
};

EventHandle* CreateAutoResetEvent()
{
    // Unnamed, auto-reset (manual reset FALSE), not signalled.
    const HANDLE hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (hEvent == nullptr)
        return nullptr;
    EventHandle* event = new (std::nothrow) EventHandle;
    if (event == nullptr) {
        CloseHandle(hEvent);
        return nullptr;
    }
    event->hEvent = hEvent;
    return event;
}

bool SetEvent(EventHandle* event)
{
    return event != nullptr && ::SetEvent(event->hEvent) != FALSE;
}

EventWaitResult WaitForEvent(EventHandle* event, uint32_t timeoutMs)
{
    if (event == nullptr)
        return EventWaitResult::Failed;
    switch (WaitForSingleObject(event->hEvent, timeoutMs)) {
    case WAIT_OBJECT_0:
        return EventWaitResult::Signalled;
    case WAIT_TIMEOUT:
        return EventWaitResult::TimedOut;
    default:
        return EventWaitResult::Failed;
    }
}

void CloseEvent(EventHandle* event)
{
    if (event == nullptr)
        return;
    CloseHandle(event->hEvent);
    delete event;
}

} // namespace plat
