// SPDX-License-Identifier: MIT
// One description per kind of data: contacts, calendar events, tasks, notes, always in that order.
// The work set and the pages loop over kDataKinds; code that needs the record type loops with
// ForEachRecordKind and finds the kind's description through KindOf.
#pragma once

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "core/WorkSet.h"
#include "records/SGRecords.h"

#include <cstdint>

struct DataKindInfo
{
    int32_t nFlag;            // the DataKind bit that chooses the kind
    const SGKindInfo* pFiles; // the bridge's exchange files; the progress file is its szStatusFile
    CxSGBaseUtil* (*pfnBridge)();
    CxList* WorkSetData::*pDups;
    bool (*pfnFindDups)();
    const char* szLoadMessage; // the wait window's text while the kind loads
    const char* szItemName;    // "contact" of the memo's "Deleting contact item ..." and summary lines
    const char* szStem;        // "Addr" of the review widgets tAddr, lvAddr, cbAddrAll, lblAddrCount
    const char* szTabCaption;  // the review tab's caption before the first count
    const char* szTabName;     // "Contacts" of "Contacts (%d Dups)"
    const char* szCountName;   // "Contact" of "%d Contact records in total"
    const char* szLoadAllCaption;
};

constexpr int kDataKindCount = 4;
extern const DataKindInfo kDataKinds[kDataKindCount];

// The typed side of each kind: its place in kDataKinds and its bridge slot in the work set.
template <class Record> struct RecordKind;
template <> struct RecordKind<SGAddrRecord>
{
    static constexpr int kIndex = 0;
    static constexpr CxSGAddrUtil* WorkSetData::*kBridge = &WorkSetData::pAddrUtil;
};
template <> struct RecordKind<SGDateRecord>
{
    static constexpr int kIndex = 1;
    static constexpr CxSGDateUtil* WorkSetData::*kBridge = &WorkSetData::pDateUtil;
};
template <> struct RecordKind<SGTaskRecord>
{
    static constexpr int kIndex = 2;
    static constexpr CxSGTaskUtil* WorkSetData::*kBridge = &WorkSetData::pTaskUtil;
};
template <> struct RecordKind<SGNoteRecord>
{
    static constexpr int kIndex = 3;
    static constexpr CxSGNoteUtil* WorkSetData::*kBridge = &WorkSetData::pNoteUtil;
};

template <class Record> const DataKindInfo& KindOf()
{
    return kDataKinds[RecordKind<Record>::kIndex];
}

// The work set's bridge slot and duplicate list of the kind.
template <class Record> auto& BridgeOf()
{
    return WorkSet.*RecordKind<Record>::kBridge;
}
template <class Record> CxList* DupsOf()
{
    return WorkSet.*KindOf<Record>().pDups;
}

// The kind's record store, or null without a bridge.
template <class Record> auto* StoreOf()
{
    auto* pBridge = BridgeOf<Record>();
    return pBridge != nullptr ? pBridge->GetStore() : nullptr;
}

template <class Record> struct KindTag
{
    using Type = Record;
    static constexpr int kIndex = RecordKind<Record>::kIndex;
    static auto& Bridge() { return BridgeOf<Record>(); }
    static const DataKindInfo& Info() { return KindOf<Record>(); }
};

// Calls visit(KindTag<Record>()) for each kind in DataKind order.
template <class Visit> void ForEachRecordKind(Visit visit)
{
    visit(KindTag<SGAddrRecord>());
    visit(KindTag<SGDateRecord>());
    visit(KindTag<SGTaskRecord>());
    visit(KindTag<SGNoteRecord>());
}

// True when AppSettings.AppFlag chooses the kind.
bool IsKindChosen(const DataKindInfo& kind);

// Has the wait window watch the kind's progress file in szFolder. A path that would be cut is not
// handed on: the wait window would watch, and delete, some other file.
void ShowKindProgress(const DataKindInfo& kind, const char* szFolder);
