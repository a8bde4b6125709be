// SPDX-License-Identifier: MIT
#include "core/MergeJob.h"

#include "core/DataKinds.h"
#include "core/Detection.h"
#include "misc/CxList.h"

namespace
{

const SGAddrRecord* Kept(const SGAddrRecord* pRecord)
{
    return GetKeptAddr(pRecord);
}

const SGDateRecord* Kept(const SGDateRecord* pRecord)
{
    return GetKeptDate(pRecord);
}

const SGTaskRecord* Kept(const SGTaskRecord* pRecord)
{
    return GetKeptTask(pRecord);
}

template <class Record> const Record* TargetOf(const Record* pRecord)
{
    const Record* pKept = Kept(pRecord);
    if (pKept == nullptr || pRecord->szId[0] == '\0' || pKept->szId[0] == '\0')
        return nullptr;
    // Merging into a record that goes too would move everything onto a deleted record.
    if ((pKept->dwFlags & REC_SELECTED) != 0 || pKept->nStatus == SGSTATUS_DELETE)
        return nullptr;
    return pKept;
}

} // namespace

template <class Record> std::vector<KeepEntry> KeepEntriesOf()
{
    std::vector<KeepEntry> entries;
    CxList* pList = DupsOf<Record>();
    if (pList == nullptr)
        return entries;
    for (void* p = pList->GetFirst(); p != nullptr; p = pList->GetNext()) {
        const Record* pRecord = static_cast<const Record*>(p);
        if (pRecord->nStatus != SGSTATUS_DELETE)
            continue;
        if (const Record* pTarget = TargetOf(pRecord))
            entries.push_back({pRecord->szId, pTarget->szId});
    }
    return entries;
}

template std::vector<KeepEntry> KeepEntriesOf<SGAddrRecord>();
template std::vector<KeepEntry> KeepEntriesOf<SGDateRecord>();
template std::vector<KeepEntry> KeepEntriesOf<SGTaskRecord>();

int32_t MergeOptionsOf(const AppSettingsData& settings)
{
    return (settings.MergeMoveRelated ? MERGE_MOVE_RELATED : 0) | (settings.MergeFillEmpty ? MERGE_FILL_EMPTY : 0);
}

const SGAddrRecord* MergeTargetOf(const SGAddrRecord* pRecord)
{
    return TargetOf(pRecord);
}

const SGDateRecord* MergeTargetOf(const SGDateRecord* pRecord)
{
    return TargetOf(pRecord);
}

const SGTaskRecord* MergeTargetOf(const SGTaskRecord* pRecord)
{
    return TargetOf(pRecord);
}
