// SPDX-License-Identifier: MIT
#include "DeleteBatches.h"

#include <QCoreApplication>

#include <cstring>

namespace
{

// Records per set_entries request: enough to spread a round trip over many records, few enough
// that the server's work per request (hooks and relationships of every record) stays well within
// PHP's time limit.
constexpr int kBatchSize = 100;
// Batches one read-back may take. Reading records back costs the server a fraction of deleting
// them, so a read-back of a few batches stays far within the time limit too.
constexpr std::size_t kReadBackBatches = 4;

} // namespace

bool DeleteBatches::TakesModule(const char* szModule)
{
    for (const char* szFull : {"Contacts", "Calls", "Meetings"}) {
        if (std::strcmp(szModule, szFull) == 0)
            return true;
    }
    return false;
}

void DeleteBatches::Add(std::size_t nRecord, const QString& module, const QString& id)
{
    if (m_batches.empty() || m_batches.back().module != module || m_batches.back().ids.size() >= kBatchSize)
        m_batches.push_back(Batch{module, {}, {}, Batch::Stage::Waiting});
    m_batches.back().ids.append(id);
    m_records[nRecord] = {m_batches.size() - 1, id};
}

void DeleteBatches::Send(bool bDelete)
{
    while (m_client.InFlight() < m_client.GetOptions().nInFlight) {
        const bool bMoreToDelete = bDelete && !m_bSendingStopped && m_nNextBatch < m_batches.size();
        if (!m_unread.empty() && (m_nReading == 0 || !bMoreToDelete)) {
            StartReadBack();
            continue;
        }
        if (!bMoreToDelete)
            return;
        Batch& batch = m_batches[m_nNextBatch];
        SugarClient::Ticket ticket = -1;
        if (!m_client.StartDeleteBatch(batch.module, batch.ids, ticket)) {
            m_bSendingStopped = true;
            continue;
        }
        batch.stage = Batch::Stage::Deleting;
        m_flights[ticket] = Flight{false, {m_nNextBatch++}};
    }
}

void DeleteBatches::StartReadBack()
{
    const QString module = m_batches[m_unread.front()].module;
    Flight flight{true, {}};
    QStringList ids;
    for (auto it = m_unread.begin(); it != m_unread.end() && flight.batches.size() < kReadBackBatches;) {
        const Batch& batch = m_batches[*it];
        if (batch.module != module) {
            ++it;
            continue;
        }
        ids += batch.ids;
        flight.batches.push_back(*it);
        it = m_unread.erase(it);
    }
    SugarClient::Ticket ticket = -1;
    // A batch sent before a stop is still read back: the records it deleted must count.
    const bool bSent = m_client.StartReadBack(module, ids, ticket);
    for (const std::size_t nBatch : flight.batches)
        m_batches[nBatch].stage = bSent ? Batch::Stage::Reading : Batch::Stage::Done;
    if (!bSent)
        return;
    ++m_nReading;
    m_flights[ticket] = std::move(flight);
}

void DeleteBatches::Receive(SugarClient::Ticket ticket)
{
    const auto owner = m_flights.find(ticket);
    if (owner == m_flights.end())
        return;
    const Flight flight = std::move(owner->second);
    m_flights.erase(owner);
    if (!flight.bReadBack) {
        // Whatever the answer, only the read-back tells which records went.
        m_client.TakeDeleteBatch(ticket);
        m_batches[flight.batches.front()].stage = Batch::Stage::Deleted;
        m_unread.push_back(flight.batches.front());
        return;
    }
    --m_nReading;
    QStringList list;
    const bool bRead = m_client.TakeReadBack(ticket, list);
    const QSet<QString> deleted(list.begin(), list.end());
    for (const std::size_t nBatch : flight.batches) {
        Batch& batch = m_batches[nBatch];
        for (const QString& id : batch.ids) {
            if (bRead && deleted.contains(id))
                batch.deleted.insert(id);
        }
        batch.stage = Batch::Stage::Done;
    }
}

void DeleteBatches::WaitFor(const Batch& batch)
{
    Send(true);
    while (batch.stage != Batch::Stage::Done && (batch.stage != Batch::Stage::Waiting || !m_bSendingStopped) &&
           m_client.InFlight() > 0) {
        Receive(m_client.WaitAny());
        Send(true);
    }
}

bool DeleteBatches::Deleted(std::size_t nRecord)
{
    const auto record = m_records.find(nRecord);
    if (record == m_records.end())
        return false;
    // Answers already in are taken first, so that the requests they free go out while this
    // batch's records are reported.
    QCoreApplication::processEvents();
    for (SugarClient::Ticket ticket = m_client.Answered(); ticket >= 0; ticket = m_client.Answered()) {
        Receive(ticket);
        Send(true);
    }
    const Batch& batch = m_batches[record->second.first];
    WaitFor(batch);
    return batch.deleted.contains(record->second.second);
}

void DeleteBatches::Finish()
{
    Send(false);
    while (m_client.InFlight() > 0) {
        Receive(m_client.WaitAny());
        Send(false);
    }
}

bool DeleteBatches::ShownDeleted(std::size_t nRecord) const
{
    const auto record = m_records.find(nRecord);
    return record != m_records.end() && m_batches[record->second.first].deleted.contains(record->second.second);
}
