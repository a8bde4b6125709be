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

void DeleteBatches::Send()
{
    while (m_client.InFlight() < m_client.GetOptions().nInFlight && m_nNextBatch < m_batches.size()) {
        Batch& batch = m_batches[m_nNextBatch];
        SugarClient::Ticket ticket = -1;
        if (!m_client.StartDeleteBatch(batch.module, batch.ids, ticket))
            return;
        batch.stage = Batch::Stage::Deleting;
        m_owners[ticket] = m_nNextBatch++;
    }
}

void DeleteBatches::Receive(SugarClient::Ticket ticket)
{
    const auto owner = m_owners.find(ticket);
    if (owner == m_owners.end())
        return;
    Batch& batch = m_batches[owner->second];
    const std::size_t nBatch = owner->second;
    m_owners.erase(owner);
    if (batch.stage == Batch::Stage::Deleting) {
        // Whatever the answer, only the read-back tells which records went.
        m_client.TakeDeleteBatch(ticket);
        SugarClient::Ticket readBack = -1;
        // A batch sent before a stop is still read back: the records it deleted must count.
        if (!m_client.StartReadBack(batch.module, batch.ids, readBack)) {
            batch.stage = Batch::Stage::Done;
            return;
        }
        batch.stage = Batch::Stage::Reading;
        m_owners[readBack] = nBatch;
        return;
    }
    QStringList deleted;
    if (m_client.TakeReadBack(ticket, deleted)) {
        for (const QString& id : deleted)
            batch.deleted.insert(id);
    }
    batch.stage = Batch::Stage::Done;
}

bool DeleteBatches::Deleted(std::size_t nRecord)
{
    const auto record = m_records.find(nRecord);
    if (record == m_records.end())
        return false;
    const Batch& batch = m_batches[record->second.first];
    // Answers already in are taken first, so that their read-backs go out while this batch's
    // records are reported.
    QCoreApplication::processEvents();
    for (SugarClient::Ticket ticket = m_client.Answered(); ticket >= 0; ticket = m_client.Answered()) {
        Receive(ticket);
        Send();
    }
    Send();
    while (batch.stage == Batch::Stage::Deleting || batch.stage == Batch::Stage::Reading) {
        Receive(m_client.WaitAny());
        Send();
    }
    return batch.deleted.contains(record->second.second);
}

void DeleteBatches::Finish()
{
    while (m_client.InFlight() > 0)
        Receive(m_client.WaitAny());
}

bool DeleteBatches::ShownDeleted(std::size_t nRecord) const
{
    const auto record = m_records.find(nRecord);
    return record != m_records.end() && m_batches[record->second.first].deleted.contains(record->second.second);
}
