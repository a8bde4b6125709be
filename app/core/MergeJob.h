// SPDX-License-Identifier: MIT
// What a deletion run hands to the helpers for merging, from the keepers that detection recorded.
#pragma once

#include "SugarCRM/MergeFiles.h"
#include "core/AppSettings.h"
#include "records/SGRecords.h"

#include <cstdint>
#include <vector>

// The keep file's options from the settings; 0 when both merge options are off.
int32_t MergeOptionsOf(const AppSettingsData& settings);

// The record a ticked record would be merged into: its kept record, unless that one is ticked or
// marked for deletion too, or either has no server id. Null when it is deleted plainly.
const SGAddrRecord* MergeTargetOf(const SGAddrRecord* pRecord);
const SGDateRecord* MergeTargetOf(const SGDateRecord* pRecord);
const SGTaskRecord* MergeTargetOf(const SGTaskRecord* pRecord);

// One entry per record of the kind's DuplicateList that is marked for deletion and has a merge
// target; for contacts, calendar events and tasks.
template <class Record> std::vector<KeepEntry> KeepEntriesOf();
