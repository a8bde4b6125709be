// SPDX-License-Identifier: MIT
// Indexed duplicate detection: the same marks and the same DuplicateList as the pairwise scan, with
// each scan visiting only the records that can match its keeper. The rules in AppSettings are read
// once per run, so they must not change while one is under way.
#pragma once

#include "records/SGRecords.h"

#include <cstdint>
#include <vector>

class CxList;

// Runs over the records in load order, none of them carrying REC_DUPLICATE, and appends the marked
// records to the list. False, with nothing done, when the rules require no field at all (every
// record then matches every other and the pairwise scan takes linear time) or memory ran out.
bool FindAddrDupsIndexed(const std::vector<SGAddrRecord*>& records, CxList& list);
bool FindDateDupsIndexed(const std::vector<SGDateRecord*>& records, CxList& list);
bool FindTaskDupsIndexed(const std::vector<SGTaskRecord*>& records, CxList& list);

// What the last indexed run built: a record sits in at most nEntriesPerRecord buckets, the records
// fall into nMaskGroups groups by the indexed fields they leave empty; nIndexBytes counts
// everything the index held at its peak, without the records themselves.
struct DetectionIndexStats
{
    uint64_t nRecords = 0;
    uint32_t nEntriesPerRecord = 0;
    uint32_t nIndexedFields = 0;
    uint32_t nIndexedGroups = 0;
    uint32_t nMaskGroups = 0;
    uint64_t nBuckets = 0;
    uint64_t nIndexBytes = 0;
};

const DetectionIndexStats& GetLastDetectionIndexStats();
