// SPDX-License-Identifier: MIT
#include "misc/CxCommWaitWindow.h"
#include "platform/Platform.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

// What a backend was asked to do, shared between the test and the wait thread.
struct BackendRecord
{
    std::mutex lock;
    bool bFailCreate = false;
    int nCreates = 0;
    int nCloses = 0;
    std::vector<void*> fronts;
    std::vector<WaitWindowSnapshot> redraws;
};

class FakeBackend : public WaitWindowBackend
{
public:
    explicit FakeBackend(std::shared_ptr<BackendRecord> record) : m_r(std::move(record)) {}
    bool Create(const WaitWindowSnapshot&) override
    {
        std::lock_guard<std::mutex> guard(m_r->lock);
        ++m_r->nCreates;
        return !m_r->bFailCreate;
    }
    void Redraw(const WaitWindowSnapshot& state) override
    {
        std::lock_guard<std::mutex> guard(m_r->lock);
        m_r->redraws.push_back(state);
    }
    void Close() override
    {
        std::lock_guard<std::mutex> guard(m_r->lock);
        ++m_r->nCloses;
    }
    void BringToFront(void* hCallerWnd) override
    {
        std::lock_guard<std::mutex> guard(m_r->lock);
        m_r->fronts.push_back(hCallerWnd);
    }

private:
    std::shared_ptr<BackendRecord> m_r;
};

bool WaitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 5000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

std::string Digits(std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += static_cast<char>('0' + i % 10);
    return s;
}

std::string HeldMessage(const CxCommWaitWindow& window)
{
    char szMessage[1024];
    window.GetMessageText(szMessage);
    return szMessage;
}

} // namespace

TEST(PlatformEvent, AutoResetEventHandsOneSignalToOneWait)
{
    plat::EventHandle* event = plat::CreateAutoResetEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(plat::WaitForEvent(event, 0), plat::EventWaitResult::TimedOut);
    EXPECT_TRUE(plat::SetEvent(event));
    EXPECT_TRUE(plat::SetEvent(event));
    EXPECT_EQ(plat::WaitForEvent(event, 0), plat::EventWaitResult::Signalled);
    EXPECT_EQ(plat::WaitForEvent(event, 0), plat::EventWaitResult::TimedOut);
    std::thread setter([event] { plat::SetEvent(event); });
    EXPECT_EQ(plat::WaitForEvent(event, 5000), plat::EventWaitResult::Signalled);
    setter.join();
    plat::CloseEvent(event);
}

TEST(CxCommWaitWindowState, TicksCountElapsedTimeAndRedrawEach)
{
    auto record = std::make_shared<BackendRecord>();
    FakeBackend backend(record);
    CxCommWaitWindow window;
    window.OnCreate();
    ASSERT_NE(window.GetStopEvent(), nullptr);
    window.SetBackend(&backend);
    for (int i = 0; i < 25; ++i)
        window.OnWaitTimeout();
    EXPECT_EQ(window.GetElapsed(), 2500);
    EXPECT_EQ(window.GetTicks(), 25);
    ASSERT_EQ(record->redraws.size(), 25u);
    EXPECT_EQ(record->redraws[24].nElapsed, 2500);
    window.OnTimer(CxCommWaitWindow::TIMER_ID + 1);
    EXPECT_EQ(window.GetTicks(), 25);
    EXPECT_EQ(record->redraws.size(), 25u);
}

TEST(CxCommWaitWindowState, ProgressLineReplacesTheMessageOnlyWhenThereIsOne)
{
    TempDir dir;
    const std::string f = dir.file("SGAddrStatus.dat");
    CxCommWaitWindow window;
    window.SetMessage("Loading SugarCRM Contacts...");
    window.SetProgressFile(f.c_str());
    window.OnWaitTimeout();
    EXPECT_EQ(HeldMessage(window), "Loading SugarCRM Contacts...");
    WriteText(f, "Read 10 contacts\r\nsecond line");
    window.OnWaitTimeout();
#ifdef _WIN32
    // Read in text mode, which turns CR LF into LF.
    EXPECT_EQ(HeldMessage(window), "Read 10 contacts\n");
#else
    EXPECT_EQ(HeldMessage(window), "Read 10 contacts\r\n");
#endif
    EXPECT_STREQ(window.Snapshot().szMessage, "Read 10 contacts");
    WriteText(f, "Read 20 contacts\n");
    window.OnWaitTimeout();
    EXPECT_STREQ(window.Snapshot().szMessage, "Read 20 contacts");
    WriteText(f, "");
    window.OnWaitTimeout();
    EXPECT_EQ(HeldMessage(window), "Read 20 contacts\n");
    window.SetMessage(nullptr);
    EXPECT_EQ(HeldMessage(window), "Read 20 contacts\n");
}

TEST(CxCommWaitWindowState, LongTextsAreCutAndALongPathIsNotKept)
{
    TempDir dir;
    CxCommWaitWindow window;
    window.SetMessage(Digits(1500).c_str());
    EXPECT_EQ(HeldMessage(window), Digits(1023));

    const std::string f = dir.file("progress.dat");
    WriteText(f, Digits(1500) + "\n");
    window.SetMessage("");
    window.SetProgressFile(f.c_str());
    window.OnWaitTimeout();
    EXPECT_EQ(HeldMessage(window), Digits(1023));
#ifndef _WIN32
    // A two-byte character at bytes 1022-1023 does not fit and is left out whole.
    WriteText(f, std::string(1022, 'a') + "\xC3\xA9\n");
    window.OnWaitTimeout();
    EXPECT_EQ(HeldMessage(window), std::string(1022, 'a'));
#endif

    const std::string longPath = dir.path() + std::string(300 - dir.path().size(), 'p');
    WriteText(longPath.substr(0, 259), "line of another file\n");
    window.SetMessage("kept");
    window.SetProgressFile(longPath.c_str());
    window.OnWaitTimeout();
    EXPECT_EQ(HeldMessage(window), "kept");
}

class WaitWindowThread : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetWaitTickForTesting(1);
        SetWaitWindowBackendFactory([record = m_record] { return std::make_unique<FakeBackend>(record); });
    }
    void TearDown() override
    {
        StopWaitWindow();
        EXPECT_TRUE(JoinWaitThread(5000));
        EXPECT_EQ(CurrentWaitWindow.load(), nullptr);
        SetWaitWindowBackendFactory(nullptr);
        SetWaitTickForTesting(0);
    }
    std::size_t Redraws()
    {
        std::lock_guard<std::mutex> guard(m_record->lock);
        return m_record->redraws.size();
    }
    std::string LastMessage()
    {
        std::lock_guard<std::mutex> guard(m_record->lock);
        return m_record->redraws.empty() ? std::string("(none)") : m_record->redraws.back().szMessage;
    }

    std::shared_ptr<BackendRecord> m_record = std::make_shared<BackendRecord>();
    TempDir m_dir;
    int m_caller = 0;
};

TEST_F(WaitWindowThread, CallsWithoutAWaitWindowChangeNothing)
{
    const std::string f = m_dir.file("SGAddrStatus.dat");
    WriteText(f, "old\n");
    SetWaitProgressFile(f.c_str());
    SetWaitMessage("lost");
    StopWaitWindow();
    EXPECT_EQ(ReadText(f), "old\n");
    EXPECT_EQ(CurrentWaitWindow.load(), nullptr);
    // Nothing of the above may reach a window started later.
    ASSERT_TRUE(StartWaitWindow(&m_caller));
    ASSERT_TRUE(WaitUntil([&] { return Redraws() >= 3; }));
    EXPECT_NE(CurrentWaitWindow.load(), nullptr);
    EXPECT_EQ(LastMessage(), "");
}

TEST_F(WaitWindowThread, HandOversRightAfterStartAreKeptAndProgressIsFollowed)
{
    const std::string f = m_dir.file("SGAddrStatus.dat");
    WriteText(f, "line of the last run\n");
    ASSERT_TRUE(StartWaitWindow(&m_caller));
    SetWaitMessage("Loading SugarCRM Contacts...");
    SetWaitProgressFile(f.c_str());
    EXPECT_FALSE(plat::PathExists(f.c_str()));
    // The second redraw from now was surely taken after the hand-over.
    const std::size_t nBefore = Redraws();
    ASSERT_TRUE(WaitUntil([&] { return Redraws() >= nBefore + 2; }));
    EXPECT_EQ(LastMessage(), "Loading SugarCRM Contacts...");
    WriteText(f, "Fetched 10 of 20\n");
    EXPECT_TRUE(WaitUntil([&] { return LastMessage() == "Fetched 10 of 20"; }));
    WriteText(f, "Fetched 20 of 20\r\n");
    EXPECT_TRUE(WaitUntil([&] { return LastMessage() == "Fetched 20 of 20"; }));

    StopWaitWindow();
    ASSERT_TRUE(JoinWaitThread(5000));
    EXPECT_EQ(CurrentWaitWindow.load(), nullptr);
    EXPECT_EQ(m_record->nCreates, 1);
    EXPECT_EQ(m_record->nCloses, 1);
    EXPECT_EQ(m_record->fronts, std::vector<void*>{&m_caller});
    for (std::size_t i = 0; i < m_record->redraws.size(); ++i) {
        EXPECT_EQ(m_record->redraws[i].nTicks, static_cast<int>(i + 1));
        EXPECT_EQ(m_record->redraws[i].nElapsed, 100 * static_cast<int>(i + 1));
    }
}

TEST_F(WaitWindowThread, StopRightAfterStartIsNotLostAndASecondStartIsRefused)
{
    ASSERT_TRUE(StartWaitWindow(&m_caller));
    CxCommWaitWindow* pFirst = CurrentWaitWindow.load();
    ASSERT_NE(pFirst, nullptr);
    EXPECT_FALSE(StartWaitWindow(&m_caller));
    EXPECT_EQ(CurrentWaitWindow.load(), pFirst);
    StopWaitWindow();
    // A window told to stop no longer blocks a new one.
    ASSERT_TRUE(StartWaitWindow(&m_caller));
    StopWaitWindow();
    ASSERT_TRUE(JoinWaitThread(5000));
    EXPECT_EQ(CurrentWaitWindow.load(), nullptr);
    EXPECT_EQ(m_record->nCreates, 2);
    EXPECT_EQ(m_record->nCloses, 2);
}

TEST_F(WaitWindowThread, WindowThatCannotBeMadeEndsTheThreadAndReleasesIt)
{
    m_record->bFailCreate = true;
    ASSERT_TRUE(StartWaitWindow(&m_caller));
    ASSERT_TRUE(JoinWaitThread(5000));
    EXPECT_EQ(CurrentWaitWindow.load(), nullptr);
    EXPECT_EQ(m_record->nCreates, 1);
    EXPECT_TRUE(m_record->redraws.empty());
    const std::string f = m_dir.file("SGTaskStatus.dat");
    WriteText(f, "x\n");
    SetWaitProgressFile(f.c_str());
    EXPECT_TRUE(plat::PathExists(f.c_str()));
}

TEST_F(WaitWindowThread, RunsAndStopsWithoutABackend)
{
    SetWaitWindowBackendFactory(nullptr);
    const std::string f = m_dir.file("SGNoteStatus.dat");
    WriteText(f, "x\n");
    ASSERT_TRUE(StartWaitWindow(nullptr));
    EXPECT_FALSE(JoinWaitThread(20));
    EXPECT_NE(CurrentWaitWindow.load(), nullptr);
    SetWaitProgressFile(f.c_str());
    EXPECT_FALSE(plat::PathExists(f.c_str()));
    StopWaitWindow();
    ASSERT_TRUE(JoinWaitThread(5000));
    EXPECT_EQ(CurrentWaitWindow.load(), nullptr);
}
