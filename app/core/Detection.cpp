// SPDX-License-Identifier: MIT
// The scan and the run, shared by the four kinds through a small traits type each.
#include "core/Detection.h"

#include "core/DetectionIndex.h"
#include "core/RecordCursor.h"
#include "misc/CxList.h"

#include <new>
#include <vector>

namespace
{

// The walk and the list every kind shares; each kind adds its rules.
template <class KindRecord> struct KindWalk
{
    using Record = KindRecord;
    static bool HasBridge() { return BridgeOf<Record>() != nullptr; }
    static CxList* List() { return DupsOf<Record>(); }
    static Record* First() { return GetFirstKindRecord<Record>(); }
    static Record* Next() { return GetNextKindRecord<Record>(); }
    static void Seek(Record* pRecord) { SeekKindRecord(pRecord); }
};

struct AddrKind : KindWalk<SGAddrRecord>
{
    static bool IsSame(const Record* a, const Record* b) { return IsSameAddr(a, b); }
    static bool IsNewer(const Record* a, const Record* b) { return IsNewerAddr(a, b); }
    static bool FindIndexed(const std::vector<Record*>& records, CxList& list)
    {
        return FindAddrDupsIndexed(records, list);
    }
};

struct DateKind : KindWalk<SGDateRecord>
{
    static bool IsSame(const Record* a, const Record* b) { return IsSameDate(a, b); }
    static bool IsNewer(const Record* a, const Record* b) { return IsNewerDate(a, b); }
    static bool FindIndexed(const std::vector<Record*>& records, CxList& list)
    {
        return FindDateDupsIndexed(records, list);
    }
};

struct TaskKind : KindWalk<SGTaskRecord>
{
    static bool IsSame(const Record* a, const Record* b) { return IsSameTask(a, b); }
    static bool IsNewer(const Record* a, const Record* b) { return IsNewerTask(a, b); }
    static bool FindIndexed(const std::vector<Record*>& records, CxList& list)
    {
        return FindTaskDupsIndexed(records, list);
    }
};

struct NoteKind : KindWalk<SGNoteRecord>
{
    static bool IsSame(const Record* a, const Record* b) { return IsSameNote(a, b); }
    static bool IsNewer(const Record* a, const Record* b) { return IsNewerNote(a, b); }
};

// A record already marked is already in the list, and stays there once, with its first keeper.
template <class Record> void MarkDuplicate(CxList& list, Record* pRecord, Record* pKeeper)
{
    if ((pRecord->dwFlags & REC_DUPLICATE) != 0)
        return;
    list.AddTail(pRecord);
    pRecord->dwFlags |= REC_DUPLICATE;
    pRecord->pKeeper = pKeeper;
}

// Records already marked by an earlier scan are compared like any other and may become the keeper.
template <class Kind> bool ScanDups(typename Kind::Record* pStart)
{
    CxList* pList = Kind::List();
    if (pStart == nullptr || (pStart->dwFlags & REC_DUPLICATE) != 0 || pList == nullptr)
        return false;

    Kind::Seek(pStart);
    typename Kind::Record* pKeeper = pStart;
    for (typename Kind::Record* pRecord = Kind::Next(); pRecord != nullptr; pRecord = Kind::Next()) {
        if (!Kind::IsSame(pKeeper, pRecord))
            continue;
        if (Kind::IsNewer(pKeeper, pRecord)) {
            MarkDuplicate(*pList, pRecord, pKeeper);
        }
        else {
            MarkDuplicate(*pList, pKeeper, pRecord);
            pKeeper = pRecord;
        }
    }
    // The caller's walk goes on after the start record.
    Kind::Seek(pStart);
    return true;
}

// The walk of the pairwise run, on records whose REC_DUPLICATE is already cleared.
template <class Kind> void WalkAndScan()
{
    for (typename Kind::Record* pRecord = Kind::First(); pRecord != nullptr; pRecord = Kind::Next()) {
        if ((pRecord->dwFlags & REC_DUPLICATE) == 0)
            ScanDups<Kind>(pRecord);
    }
}

template <class Kind> bool FindDupsStraight()
{
    CxList* pList = Kind::List();
    if (!Kind::HasBridge() || pList == nullptr)
        return false;

    pList->RemoveAll(false);
    for (typename Kind::Record* pRecord = Kind::First(); pRecord != nullptr; pRecord = Kind::Next()) {
        pRecord->dwFlags &= ~REC_DUPLICATE;
        pRecord->pKeeper = nullptr;
    }
    WalkAndScan<Kind>();
    return true;
}

// Clears REC_DUPLICATE and the keeper on every record and gathers them in load order. False when
// memory for the gathering ran out; the records are cleared all the same.
template <class Kind> bool GatherRecords(std::vector<typename Kind::Record*>& records)
{
    bool bComplete = true;
    for (typename Kind::Record* pRecord = Kind::First(); pRecord != nullptr; pRecord = Kind::Next()) {
        pRecord->dwFlags &= ~REC_DUPLICATE;
        pRecord->pKeeper = nullptr;
        if (!bComplete)
            continue;
        try {
            records.push_back(pRecord);
        } catch (const std::bad_alloc&) {
            bComplete = false;
        }
    }
    return bComplete;
}

template <class Kind> bool FindDups()
{
    CxList* pList = Kind::List();
    if (!Kind::HasBridge() || pList == nullptr)
        return false;

    pList->RemoveAll(false);
    std::vector<typename Kind::Record*> records;
    if (!GatherRecords<Kind>(records) || !Kind::FindIndexed(records, *pList))
        WalkAndScan<Kind>();
    return true;
}

// Keepers move to newer records, but times that are no number compare neither way: the walk stops
// after as many steps as the list has records, so a chain that loops ends without an answer.
template <class Record> Record* FollowKeepers(const Record* pRecord)
{
    const CxList* pList = DupsOf<Record>();
    if (pRecord == nullptr || (pRecord->dwFlags & REC_DUPLICATE) == 0 || pList == nullptr)
        return nullptr;
    Record* pKeeper = pRecord->pKeeper;
    for (uint32_t nSteps = pList->GetCount(); pKeeper != nullptr && nSteps > 0; --nSteps) {
        if ((pKeeper->dwFlags & REC_DUPLICATE) == 0)
            return pKeeper;
        pKeeper = pKeeper->pKeeper;
    }
    return nullptr;
}

} // namespace

SGAddrRecord* GetKeptAddr(const SGAddrRecord* pRecord)
{
    return FollowKeepers(pRecord);
}

SGDateRecord* GetKeptDate(const SGDateRecord* pRecord)
{
    return FollowKeepers(pRecord);
}

SGTaskRecord* GetKeptTask(const SGTaskRecord* pRecord)
{
    return FollowKeepers(pRecord);
}

SGNoteRecord* GetKeptNote(const SGNoteRecord* pRecord)
{
    return FollowKeepers(pRecord);
}

bool ScanAddrDups(SGAddrRecord* pStart)
{
    return ScanDups<AddrKind>(pStart);
}

bool ScanDateDups(SGDateRecord* pStart)
{
    return ScanDups<DateKind>(pStart);
}

bool ScanTaskDups(SGTaskRecord* pStart)
{
    return ScanDups<TaskKind>(pStart);
}

bool ScanNoteDups(SGNoteRecord* pStart)
{
    return ScanDups<NoteKind>(pStart);
}

bool FindAddrDups()
{
    return FindDups<AddrKind>();
}

bool FindDateDups()
{
    return FindDups<DateKind>();
}

bool FindTaskDups()
{
    return FindDups<TaskKind>();
}

// Any two notes match: the pairwise run is linear already.
bool FindNoteDups()
{
    return FindDupsStraight<NoteKind>();
}

bool FindAddrDupsStraight()
{
    return FindDupsStraight<AddrKind>();
}

bool FindDateDupsStraight()
{
    return FindDupsStraight<DateKind>();
}

bool FindTaskDupsStraight()
{
    return FindDupsStraight<TaskKind>();
}
