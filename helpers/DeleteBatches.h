// SPDX-License-Identifier: MIT
#pragma once

#include "SugarClient.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <map>
#include <vector>

// Records deleted in set_entries batches, with as many requests in flight as the client may
// have. The answer of set_entries lists every id it was given, done or not, and a server that dies
// halfway leaves part of a batch done; so every batch is read back with get_entries, and only a
// record the server then reports deleted or gone counts as deleted.
class DeleteBatches
{
public:
    explicit DeleteBatches(SugarClient& client) : m_client(client) {}
    DeleteBatches(const DeleteBatches&) = delete;
    DeleteBatches& operator=(const DeleteBatches&) = delete;

    // The modules whose records set_entries deletes as set_entry does, running the server's whole
    // delete routine (relationships, hooks); for the others it only sets the flag.
    static bool TakesModule(const char* szModule);

    // Puts the record, numbered by the caller in ascending order, into a batch of its module.
    void Add(std::size_t nRecord, const QString& module, const QString& id);
    // Sends what may go and waits until the record's batch is read back; true when the record was
    // reported deleted. False at once for a record in no batch.
    bool Deleted(std::size_t nRecord);
    // Takes the answers still on their way without sending anything more, as after a stop.
    void Finish();
    // Without waiting: whether the record's batch has shown it deleted.
    bool ShownDeleted(std::size_t nRecord) const;

private:
    struct Batch
    {
        enum class Stage
        {
            Waiting,
            Deleting,
            Reading,
            Done
        };
        QString module;
        QStringList ids;
        QSet<QString> deleted;
        Stage stage = Stage::Waiting;
    };

    void Send();
    void Receive(SugarClient::Ticket ticket);

    SugarClient& m_client;
    std::vector<Batch> m_batches;
    std::map<std::size_t, std::pair<std::size_t, QString>> m_records; // record: batch and id
    std::map<SugarClient::Ticket, std::size_t> m_owners;              // request: batch
    std::size_t m_nNextBatch = 0;
};
