// SPDX-License-Identifier: MIT
#include "PageQueue.h"

namespace
{
// Enough to cover the pages in flight; each holds a parsed page of the server's answer.
constexpr std::size_t kMaxWaiting = 8;
} // namespace

PageQueue::PageQueue(TakeEntries take) : m_take(std::move(take)), m_thread([this] { Run(); }) {}

PageQueue::~PageQueue()
{
    Finish();
}

void PageQueue::Push(const QJsonArray& entries, qsizetype nFrom, qint64 nTotal)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pages.size() < kMaxWaiting; });
    m_pages.push_back({entries, nFrom, nTotal});
    m_changed.notify_all();
}

void PageQueue::Finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bFinished = true;
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void PageQueue::Run()
{
    for (;;) {
        Page page;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_pages.empty() || m_bFinished; });
            if (m_pages.empty())
                return;
            page = std::move(m_pages.front());
            m_pages.pop_front();
            m_changed.notify_all();
        }
        m_take(page.entries, page.nFrom, page.nTotal);
    }
}
