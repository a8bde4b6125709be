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
//
// One read-back is on its way at a time while batches remain to be sent, and it takes every batch
// whose set_entries answer is in: a read-back per batch would spend a request slot, and so a round
// trip, on a request that costs the server little, and with the slots full of deletions the
// server always has a batch to work on while answers travel. Once every batch is sent, the
// read-backs use all the slots.
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
    // Takes the answers still on their way and reads back every batch already sent, without
    // sending another batch, as after a stop.
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
            Deleted, // its set_entries answer is in, its read-back not sent yet
            Reading,
            Done
        };
        QString module;
        QStringList ids;
        QSet<QString> deleted;
        Stage stage = Stage::Waiting;
    };

    // A request on its way: a batch's set_entries, or the read-back of one or more batches.
    struct Flight
    {
        bool bReadBack = false;
        std::vector<std::size_t> batches;
    };

    // Fills the free request slots; bDelete false sends only the read-backs still owed.
    void Send(bool bDelete);
    // Starts one read-back of the batches waiting for it, as many of one module as it may take.
    void StartReadBack();
    void Receive(SugarClient::Ticket ticket);
    // Takes answers until the batch is read back, sending what may go meanwhile.
    void WaitFor(const Batch& batch);

    SugarClient& m_client;
    std::vector<Batch> m_batches;
    std::map<std::size_t, std::pair<std::size_t, QString>> m_records; // record: batch and id
    std::map<SugarClient::Ticket, Flight> m_flights;
    std::vector<std::size_t> m_unread; // batches in stage Deleted, in the order of their answers
    std::size_t m_nNextBatch = 0;
    int m_nReading = 0;             // read-backs on their way
    bool m_bSendingStopped = false; // a set_entries could not be sent: no more go
};
