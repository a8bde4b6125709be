// SPDX-License-Identifier: MIT
// The record cursor: how the program walks the loaded records of one kind. Each kind has a single
// position, its store list's own, so every First, Next or Seek moves it for every walker of that
// kind. Without a bridge or store First and Next give null and Seek does nothing.
#pragma once

#include "core/DataKinds.h"
#include "records/SGRecords.h"

// First and Next set the record's pStoreEntry to the entry it came through before returning it.
SGAddrRecord* GetFirstAddrRecord();
SGAddrRecord* GetNextAddrRecord();
// Puts the cursor back on a record handed out before, so that Next continues after it. A record
// never handed out (null pStoreEntry) leaves the cursor where it is.
void SeekAddrRecord(SGAddrRecord* pRecord);

SGDateRecord* GetFirstDateRecord();
SGDateRecord* GetNextDateRecord();
void SeekDateRecord(SGDateRecord* pRecord);

SGTaskRecord* GetFirstTaskRecord();
SGTaskRecord* GetNextTaskRecord();
void SeekTaskRecord(SGTaskRecord* pRecord);

SGNoteRecord* GetFirstNoteRecord();
SGNoteRecord* GetNextNoteRecord();
void SeekNoteRecord(SGNoteRecord* pRecord);

// The same three for code written once over the record types.
template <class Entry> auto HandOutRecord(Entry* pEntry) -> decltype(pEntry->pRecord)
{
    if (pEntry == nullptr)
        return nullptr;
    auto* pRecord = pEntry->pRecord;
    if (pRecord != nullptr)
        pRecord->pStoreEntry = pEntry;
    return pRecord;
}

template <class Record> Record* GetFirstKindRecord()
{
    auto* pStore = StoreOf<Record>();
    return pStore != nullptr ? HandOutRecord(pStore->GetFirstEntry()) : nullptr;
}

template <class Record> Record* GetNextKindRecord()
{
    auto* pStore = StoreOf<Record>();
    return pStore != nullptr ? HandOutRecord(pStore->GetNextEntry()) : nullptr;
}

template <class Record> void SeekKindRecord(Record* pRecord)
{
    auto* pStore = StoreOf<Record>();
    if (pStore != nullptr && pRecord != nullptr && pRecord->pStoreEntry != nullptr)
        pStore->SeekEntry(pRecord->pStoreEntry);
}
