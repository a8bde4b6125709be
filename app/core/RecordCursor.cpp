// SPDX-License-Identifier: MIT
#include "core/RecordCursor.h"

#include "SugarCRM/CxSGAddr.h"
#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGNote.h"
#include "SugarCRM/CxSGTask.h"
#include "core/WorkSet.h"

namespace
{

template <class Entry> auto HandOut(Entry* pEntry) -> decltype(pEntry->pRecord)
{
    if (pEntry == nullptr)
        return nullptr;
    auto* pRecord = pEntry->pRecord;
    if (pRecord != nullptr)
        pRecord->pStoreEntry = pEntry;
    return pRecord;
}

template <class Bridge> typename Bridge::Record* FirstRecord(Bridge* pBridge)
{
    if (pBridge == nullptr || pBridge->GetStore() == nullptr)
        return nullptr;
    return HandOut(pBridge->GetStore()->GetFirstEntry());
}

template <class Bridge> typename Bridge::Record* NextRecord(Bridge* pBridge)
{
    if (pBridge == nullptr || pBridge->GetStore() == nullptr)
        return nullptr;
    return HandOut(pBridge->GetStore()->GetNextEntry());
}

template <class Bridge> void SeekRecord(Bridge* pBridge, typename Bridge::Record* pRecord)
{
    if (pBridge == nullptr || pBridge->GetStore() == nullptr || pRecord == nullptr || pRecord->pStoreEntry == nullptr)
        return;
    pBridge->GetStore()->SeekEntry(pRecord->pStoreEntry);
}

} // namespace

SGAddrRecord* GetFirstAddrRecord()
{
    return FirstRecord(WorkSet.pAddrUtil);
}

SGAddrRecord* GetNextAddrRecord()
{
    return NextRecord(WorkSet.pAddrUtil);
}

void SeekAddrRecord(SGAddrRecord* pRecord)
{
    SeekRecord(WorkSet.pAddrUtil, pRecord);
}

SGDateRecord* GetFirstDateRecord()
{
    return FirstRecord(WorkSet.pDateUtil);
}

SGDateRecord* GetNextDateRecord()
{
    return NextRecord(WorkSet.pDateUtil);
}

void SeekDateRecord(SGDateRecord* pRecord)
{
    SeekRecord(WorkSet.pDateUtil, pRecord);
}

SGTaskRecord* GetFirstTaskRecord()
{
    return FirstRecord(WorkSet.pTaskUtil);
}

SGTaskRecord* GetNextTaskRecord()
{
    return NextRecord(WorkSet.pTaskUtil);
}

void SeekTaskRecord(SGTaskRecord* pRecord)
{
    SeekRecord(WorkSet.pTaskUtil, pRecord);
}

SGNoteRecord* GetFirstNoteRecord()
{
    return FirstRecord(WorkSet.pNoteUtil);
}

SGNoteRecord* GetNextNoteRecord()
{
    return NextRecord(WorkSet.pNoteUtil);
}

void SeekNoteRecord(SGNoteRecord* pRecord)
{
    SeekRecord(WorkSet.pNoteUtil, pRecord);
}
