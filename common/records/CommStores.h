// SPDX-License-Identifier: MIT
// The store of each kind: one entry per loaded record, in load order, and the one cursor through
// which the rest of the program walks a kind's records.
#pragma once

#include "misc/CxList.h"
#include "records/SGRecords.h"

#include <cstdint>

// pRecord is borrowed while nRecordSize is 0; otherwise it is a copy of that many bytes that the
// store owns and frees with the entry.
struct CommAddrEntry
{
    int32_t nSource = 0;
    SGAddrRecord* pRecord = nullptr;
    uint32_t nRecordSize = 0;
};

struct CommDateEntry
{
    int32_t nSource = 0;
    SGDateRecord* pRecord = nullptr;
    uint32_t nRecordSize = 0;
};

struct CommTaskEntry
{
    int32_t nSource = 0;
    SGTaskRecord* pRecord = nullptr;
    uint32_t nRecordSize = 0;
};

struct CommNoteEntry
{
    int32_t nSource = 0;
    SGNoteRecord* pRecord = nullptr;
    uint32_t nRecordSize = 0;
};

// The logic the four stores share. The list never releases its elements: entries come from new,
// owned record copies from malloc, and the store frees each the matching way.
template <class Entry> class CommStore
{
public:
    CommStore() = default;
    ~CommStore();
    CommStore(const CommStore&) = delete;
    CommStore& operator=(const CommStore&) = delete;

    // Appends a copy of the entry (and of its record, when the entry owns one). Null on failure.
    Entry* AddEntry(const Entry* pEntry);
    // False, freeing nothing, when the entry is not in this store.
    bool RemoveEntry(Entry* pEntry);
    void ClearEntries();

    Entry* GetFirstEntry() { return static_cast<Entry*>(m_list.GetFirst()); }
    Entry* GetNextEntry() { return static_cast<Entry*>(m_list.GetNext()); }
    uint32_t GetEntryCount() const { return m_list.GetCount(); }
    // Puts the cursor on the entry; false when it is not in this store.
    bool SeekEntry(Entry* pEntry) { return pEntry != nullptr && m_list.Seek(pEntry); }

private:
    static void FreeEntry(Entry* pEntry);

    CxList m_list;
};

class CommAddrMgr : public CommStore<CommAddrEntry>
{
};

class CommDateMgr : public CommStore<CommDateEntry>
{
};

class CommTaskMgr : public CommStore<CommTaskEntry>
{
public:
    CommTaskMgr() = default;
    virtual ~CommTaskMgr() = default;
};

class CommNoteMgr : public CommStore<CommNoteEntry>
{
public:
    CommNoteMgr() = default;
    virtual ~CommNoteMgr() = default;
};
