// SPDX-License-Identifier: MIT
#include "misc/CxCommWaitWindow.h"

#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <new>
#include <thread>
#include <utility>

std::atomic<CxCommWaitWindow*> CurrentWaitWindow{nullptr};

namespace
{

// Held while CurrentWaitWindow is changed or its object used from the user-interface thread, so
// the wait thread cannot free the object under a caller.
std::mutex g_currentLock;

// The last wait thread, whether its work is done (it may still need joining), and the backend
// factory that the next thread gets.
std::mutex g_threadLock;
std::condition_variable g_threadEndedChanged;
std::thread g_waitThread;
bool g_bThreadEnded = true;
WaitWindowBackendFactory g_backendFactory;

std::atomic<uint32_t> g_nTickMs{100};

// A window told to stop ends within one tick; a new one waits this long for it.
constexpr uint32_t START_JOIN_MS = 5000;

void ReleaseCurrent(CxCommWaitWindow* pWindow)
{
    std::lock_guard<std::mutex> guard(g_currentLock);
    if (CurrentWaitWindow.load() == pWindow)
        CurrentWaitWindow.store(nullptr);
}

// Owns the window's state from here on: every way out clears CurrentWaitWindow before the state
// is freed.
void WaitThreadProc(CxCommWaitWindow* pWindow, void* hCallerWnd, const WaitWindowBackendFactory& factory)
{
    std::unique_ptr<CxCommWaitWindow> owner(pWindow);
    std::unique_ptr<WaitWindowBackend> backend;
    try {
        if (factory)
            backend = factory();
        if (backend != nullptr)
            backend->SetOwner(hCallerWnd);
        if (backend != nullptr && !backend->Create(pWindow->Snapshot())) {
            ReleaseCurrent(pWindow);
            return;
        }
        pWindow->SetBackend(backend.get());
        for (;;) {
            // A failed wait would fail again at once, and the stop request could never arrive.
            if (plat::WaitForEvent(pWindow->GetStopEvent(), g_nTickMs.load()) != plat::EventWaitResult::TimedOut)
                break;
            pWindow->OnWaitTimeout();
        }
        pWindow->SetBackend(nullptr);
        if (backend != nullptr)
            backend->Close();
        ReleaseCurrent(pWindow);
        if (backend != nullptr)
            backend->BringToFront(hCallerWnd);
    } catch (...) {
        // A backend that throws ends the window like one that fails; the state is still released.
        pWindow->SetBackend(nullptr);
        ReleaseCurrent(pWindow);
    }
}

void RunWaitThread(CxCommWaitWindow* pWindow, void* hCallerWnd, const WaitWindowBackendFactory& factory)
{
    WaitThreadProc(pWindow, hCallerWnd, factory);
    std::lock_guard<std::mutex> guard(g_threadLock);
    g_bThreadEnded = true;
    g_threadEndedChanged.notify_all();
}

// A thread still joinable when the program ends would abort it, and a detached one could run on
// into freed globals; so the last wait thread is stopped and joined at exit. Defined after the
// globals it uses, so it is destroyed before them.
struct WaitThreadReaper
{
    ~WaitThreadReaper()
    {
        StopWaitWindow();
        if (JoinWaitThread())
            return;
        // The program is ending on the wait thread itself, which cannot join itself.
        std::lock_guard<std::mutex> guard(g_threadLock);
        if (g_waitThread.joinable())
            g_waitThread.detach();
    }
} g_reaper;

} // namespace

CxCommWaitWindow::CxCommWaitWindow()
{
    m_szMessage[0] = '\0';
    m_szProgressFile[0] = '\0';
}

CxCommWaitWindow::~CxCommWaitWindow()
{
    plat::CloseEvent(m_hStopEvent);
}

int CxCommWaitWindow::OnCreate()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_hStopEvent == nullptr)
        m_hStopEvent = plat::CreateAutoResetEvent();
    m_nTicks = 0;
    return 0;
}

int CxCommWaitWindow::OnTimer(unsigned nIdEvent)
{
    if (nIdEvent != TIMER_ID)
        return 0;
    WaitWindowSnapshot state;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_nTicks;
        ReadProgressFileLocked();
        state = SnapshotLocked();
    }
    if (m_pBackend != nullptr)
        m_pBackend->Redraw(state);
    return 0;
}

void CxCommWaitWindow::OnWaitTimeout()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ReadProgressFileLocked();
        m_nElapsed += TICK_ELAPSED_MS;
    }
    OnTimer(TIMER_ID);
}

void CxCommWaitWindow::SetMessage(const char* szMessage)
{
    if (szMessage == nullptr)
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    CopyText(m_szMessage, szMessage);
}

void CxCommWaitWindow::SetProgressFile(const char* szPath)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (szPath == nullptr || std::strlen(szPath) >= sizeof m_szProgressFile)
        m_szProgressFile[0] = '\0';
    else
        CopyText(m_szProgressFile, szPath);
}

bool CxCommWaitWindow::RequestStop()
{
    if (m_hStopEvent == nullptr)
        return false;
    m_bStopRequested = true;
    return plat::SetEvent(m_hStopEvent);
}

WaitWindowSnapshot CxCommWaitWindow::Snapshot() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return SnapshotLocked();
}

void CxCommWaitWindow::GetMessageText(char (&szMessage)[1024]) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::memcpy(szMessage, m_szMessage, sizeof m_szMessage);
}

int CxCommWaitWindow::GetTicks() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nTicks;
}

int CxCommWaitWindow::GetElapsed() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nElapsed;
}

// The file is read under the lock: a progress file changed meanwhile must not let the old file's
// line land after the change. One short line per tick keeps the lock brief.
void CxCommWaitWindow::ReadProgressFileLocked()
{
    if (m_szProgressFile[0] == '\0')
        return;
    // Three bytes beyond the message's room, so that a cut at 1,023 bytes is made by CopyText,
    // which never splits a character.
    char szLine[sizeof m_szMessage + 3];
    if (plat::ReadFirstLineShared(m_szProgressFile, szLine, sizeof szLine) && szLine[0] != '\0')
        CopyText(m_szMessage, szLine);
}

WaitWindowSnapshot CxCommWaitWindow::SnapshotLocked() const
{
    WaitWindowSnapshot state;
    std::size_t n = CopyText(state.szMessage, m_szMessage);
    while (n > 0 && (state.szMessage[n - 1] == '\n' || state.szMessage[n - 1] == '\r'))
        state.szMessage[--n] = '\0';
    state.nElapsed = m_nElapsed;
    state.nTicks = m_nTicks;
    return state;
}

bool StartWaitWindow(void* hCallerWnd)
{
    {
        std::lock_guard<std::mutex> guard(g_currentLock);
        const CxCommWaitWindow* pRunning = CurrentWaitWindow.load();
        if (pRunning != nullptr && !pRunning->IsStopRequested())
            return false;
    }
    if (!JoinWaitThread(START_JOIN_MS))
        return false;

    CxCommWaitWindow* pWindow = new (std::nothrow) CxCommWaitWindow;
    if (pWindow == nullptr)
        return false;
    pWindow->OnCreate();
    if (pWindow->GetStopEvent() == nullptr) {
        delete pWindow;
        return false;
    }
    // Current before the thread exists, so a message, progress file or stop handed over at once
    // reaches this window.
    {
        std::lock_guard<std::mutex> guard(g_currentLock);
        CurrentWaitWindow.store(pWindow);
    }
    std::lock_guard<std::mutex> threadGuard(g_threadLock);
    try {
        g_bThreadEnded = false;
        g_waitThread = std::thread(RunWaitThread, pWindow, hCallerWnd, g_backendFactory);
    } catch (...) {
        g_bThreadEnded = true;
        ReleaseCurrent(pWindow);
        delete pWindow;
        return false;
    }
    return true;
}

void SetWaitMessage(const char* szMessage)
{
    std::lock_guard<std::mutex> guard(g_currentLock);
    if (CxCommWaitWindow* pWindow = CurrentWaitWindow.load())
        pWindow->SetMessage(szMessage);
}

void SetWaitProgressFile(const char* szPath)
{
    std::lock_guard<std::mutex> guard(g_currentLock);
    CxCommWaitWindow* pWindow = CurrentWaitWindow.load();
    if (pWindow == nullptr)
        return;
    // Deleted before it is named, so the old line is never read from the new name. A missing
    // file is no error.
    if (szPath != nullptr && szPath[0] != '\0')
        plat::DeleteFile(szPath);
    pWindow->SetProgressFile(szPath);
}

void StopWaitWindow()
{
    std::lock_guard<std::mutex> guard(g_currentLock);
    if (CxCommWaitWindow* pWindow = CurrentWaitWindow.load())
        pWindow->RequestStop();
}

bool JoinWaitThread(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> guard(g_threadLock);
    if (!g_waitThread.joinable())
        return true;
    if (g_waitThread.get_id() == std::this_thread::get_id())
        return false;
    const auto ended = [] { return g_bThreadEnded; };
    if (timeoutMs == JOIN_FOREVER)
        g_threadEndedChanged.wait(guard, ended);
    else if (!g_threadEndedChanged.wait_for(guard, std::chrono::milliseconds(timeoutMs), ended))
        return false;
    g_waitThread.join();
    return true;
}

void SetWaitWindowBackendFactory(WaitWindowBackendFactory factory)
{
    std::lock_guard<std::mutex> guard(g_threadLock);
    g_backendFactory = std::move(factory);
}

void SetWaitTickForTesting(uint32_t nTickMs)
{
    g_nTickMs.store(nTickMs != 0 ? nTickMs : 100);
}
