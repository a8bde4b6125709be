// SPDX-License-Identifier: MIT
// The wait window: a box that keeps moving on a thread of its own while the user-interface thread
// is blocked by a helper run. Its message, progress file name and stop event are the only data
// that cross the two threads.
#pragma once

#include "misc/WaitWindowBackend.h"
#include "platform/Platform.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace plat
{
struct EventHandle;
}

// The wait window's state. The user-interface thread hands it texts and the stop request; the wait
// thread ticks it. The texts and counters are guarded by one small lock so neither side sees a
// half-copied text.
class CxCommWaitWindow
{
public:
    static constexpr unsigned TIMER_ID = 10000;
    static constexpr int TICK_ELAPSED_MS = 100;

    CxCommWaitWindow();
    virtual ~CxCommWaitWindow();
    CxCommWaitWindow(const CxCommWaitWindow&) = delete;
    CxCommWaitWindow& operator=(const CxCommWaitWindow&) = delete;

    // Creates the stop event and starts the ticks from 0. Returns 0; a missing event shows as a
    // null GetStopEvent().
    virtual int OnCreate();
    // Timer 10000: one more tick, the progress line taken up again, the picture redrawn.
    virtual int OnTimer(unsigned nIdEvent);

    // One time-out of the wait for the stop event: takes up the progress line, counts 100 ms
    // and runs the timer.
    void OnWaitTimeout();

    // At most 1,023 characters of the text; a null text changes nothing.
    void SetMessage(const char* szMessage);
    // The file whose first line becomes the message. A path longer than 259 characters is not
    // kept, since a cut path names some other file; the window then has no progress file.
    void SetProgressFile(const char* szPath);

    WaitWindowSnapshot Snapshot() const;
    // The message exactly as held, a progress line with its line end.
    void GetMessageText(char (&szMessage)[1024]) const;
    int GetTicks() const;
    int GetElapsed() const;

    plat::EventHandle* GetStopEvent() const { return m_hStopEvent; }
    // Sets the stop event and remembers the request; false when there is no event. Called on the
    // user-interface thread only, like IsStopRequested.
    bool RequestStop();
    bool IsStopRequested() const { return m_bStopRequested; }
    // The window that draws this state, borrowed; set and used on the wait thread only.
    void SetBackend(WaitWindowBackend* pBackend) { m_pBackend = pBackend; }

private:
    void ReadProgressFileLocked();
    WaitWindowSnapshot SnapshotLocked() const;

    plat::EventHandle* m_hStopEvent = nullptr;
    WaitWindowBackend* m_pBackend = nullptr;
    char m_szMessage[1024];
    char m_szProgressFile[plat::kMaxPath];
    int m_nTicks = 0;
    int m_nElapsed = 0;
    // The user-interface thread's own record, so that a window already told to stop is not taken
    // for a running one.
    bool m_bStopRequested = false;
    mutable std::mutex m_lock;
};

// The running wait window, null when none runs. Reading the pointer is safe from any thread; the
// object behind it may only be reached through the operations below, which hold the lock that
// keeps the wait thread from freeing it meanwhile.
extern std::atomic<CxCommWaitWindow*> CurrentWaitWindow;

// The operations of the user-interface thread.

// Starts a wait window on its own thread; hCallerWnd is brought to the front when it ends. The
// window is current when this returns, so a message, progress file or stop given at once is kept.
// False, with nothing started, when a wait window is already running or no thread could be made.
bool StartWaitWindow(void* hCallerWnd);
void SetWaitMessage(const char* szMessage);
// Deletes the file (a missing file is no error) and makes it the progress file, only while a wait
// window runs; otherwise the file is left alone.
void SetWaitProgressFile(const char* szPath);
// Asks the wait window to end; returns at once.
void StopWaitWindow();

constexpr uint32_t JOIN_FOREVER = 0xFFFFFFFFu;

// Waits at most timeoutMs for the last wait thread to end and joins it. True when no wait thread
// is left. Shutdown calls StopWaitWindow and then this, so no thread outlives the program.
bool JoinWaitThread(uint32_t timeoutMs = JOIN_FOREVER);

// The backend each new wait thread gets; none (the default) runs the thread without a window.
void SetWaitWindowBackendFactory(WaitWindowBackendFactory factory);

// Tests shorten the tick; 0 restores the 100 milliseconds. The elapsed time still counts 100 ms
// per tick.
void SetWaitTickForTesting(uint32_t nTickMs);
