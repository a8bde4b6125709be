// SPDX-License-Identifier: MIT
#pragma once

#include "PageWalk.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Takes the pages of a walk on a thread of its own, in the order they were pushed. The walk's
// thread goes straight back to the network, so the requests for the next pages leave while a
// page is mapped and written. Only a few pages wait: a slower taker holds the walk back.
class PageQueue
{
public:
    explicit PageQueue(TakeEntries take);
    PageQueue(const PageQueue&) = delete;
    PageQueue& operator=(const PageQueue&) = delete;
    ~PageQueue();

    void Push(const QJsonArray& entries, qsizetype nFrom, qint64 nTotal);
    // Returns once every page pushed was taken.
    void Finish();

private:
    struct Page
    {
        QJsonArray entries;
        qsizetype nFrom = 0;
        qint64 nTotal = -1;
    };

    void Run();

    TakeEntries m_take;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Page> m_pages;
    bool m_bFinished = false;
    std::thread m_thread;
};
