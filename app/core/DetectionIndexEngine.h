// SPDX-License-Identifier: MIT
// The indexed run, shared by the kinds through a MatchPlan.
//
// Each scan takes the next record from the keeper's buckets (core/DetectionCandidateIndex.h) in load
// order instead of every record, and skips in bulk the records already marked and not newer than the
// keeper (core/DetectionSkipTree.h): visiting those changes nothing. A candidate whose ids already
// rule out a match is passed over; every other one is decided by the kind's own match and keeper rules.
#pragma once

#include "core/DetectionCandidateIndex.h"
#include "core/DetectionFieldIds.h"
#include "core/DetectionIndex.h"
#include "core/DetectionIndexTable.h"
#include "core/DetectionMatchPlan.h"
#include "core/DetectionSkipTree.h"
#include "misc/CxList.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

template <class Record> class IndexEngine
{
public:
    IndexEngine(const MatchPlan<Record>& plan, const std::vector<Record*>& records, bool bCaseSensitive,
                bool bCompareEmpty)
        : m_plan(plan), m_records(records), m_nCount(static_cast<uint32_t>(records.size())),
          m_fields(plan, records, bCaseSensitive, bCompareEmpty), m_index(m_fields)
    {
    }

    // Everything the run needs; throws std::bad_alloc when memory runs out, before any record is marked.
    void Build()
    {
        m_fields.Build();
        m_index.Build();
        m_trees.Build(m_index.BucketCount(), [this](uint32_t nBucket) { return m_index.BucketSize(nBucket); });
        BuildRanks(m_fields.TakeModified());
        m_marked.assign(m_nCount, 0);
        m_cursors.reserve(m_index.MaxLists());
    }

    // The walk and its scans in the order of the pairwise run; allocates nothing but the list's nodes.
    void Run(CxList& list)
    {
        for (uint32_t nStart = 0; nStart < m_nCount; ++nStart) {
            if (m_marked[nStart] != 0)
                continue;
            uint32_t nKeeper = nStart;
            Open(nKeeper, nStart);
            for (;;) {
                uint32_t nPos = kNoId;
                for (const Cursor& cursor : m_cursors)
                    nPos = std::min(nPos, cursor.nPos);
                if (nPos == kNoId)
                    break;
                // Slots of an OR group may list the same record more than once.
                const int32_t nThreshold = Threshold(nKeeper);
                for (Cursor& cursor : m_cursors) {
                    if (cursor.nPos == nPos)
                        Advance(cursor, cursor.nIndex + 1, nKeeper, nThreshold);
                }
                if (!m_fields.MayMatch(nKeeper, nPos) || !m_plan.pfnSame(m_records[nKeeper], m_records[nPos]))
                    continue;
                if (m_plan.pfnNewer(m_records[nKeeper], m_records[nPos])) {
                    Mark(nPos, nKeeper, list);
                }
                else {
                    Mark(nKeeper, nPos, list);
                    nKeeper = nPos;
                    Open(nKeeper, nPos);
                }
            }
        }
    }

    DetectionIndexStats Stats() const
    {
        DetectionIndexStats stats;
        stats.nRecords = m_nCount;
        stats.nEntriesPerRecord = m_index.MaxEntries();
        stats.nMaskGroups = m_index.MaskGroupCount();
        stats.nIndexedFields = m_index.IndexedFields();
        stats.nIndexedGroups = m_index.IndexedGroups();
        stats.nBuckets = m_index.BucketCount();
        stats.nIndexBytes = Bytes();
        return stats;
    }

private:
    static constexpr uint32_t kBlock = SkipTrees::kBlock;
    static constexpr int32_t kUnmarked = SkipTrees::kUnmarked;
    static constexpr int32_t kPadding = SkipTrees::kPadding;

    struct Cursor
    {
        uint32_t nBucket;
        uint32_t nIndex; // within the bucket
        uint32_t nPos;   // the record there, kNoId past the end
    };

    // Dense ranks of the modification times; equal times share a rank, NaN has none.
    void BuildRanks(const std::vector<double>& modified)
    {
        std::vector<std::pair<double, uint32_t>> order;
        order.reserve(m_nCount);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            if (!std::isnan(modified[i]))
                order.emplace_back(modified[i], i);
        }
        std::sort(order.begin(), order.end());
        m_rank.assign(m_nCount, kUnmarked);
        int32_t nRank = -1;
        for (std::size_t n = 0; n < order.size(); ++n) {
            if (n == 0 || order[n].first != order[n - 1].first)
                ++nRank;
            m_rank[order[n].second] = nRank;
        }
    }

    // A visit to a marked record that the keeper outranks changes nothing. Such records have values
    // up to the keeper's threshold; a keeper with a NaN time outranks nobody.
    int32_t Value(uint32_t nPos) const { return m_marked[nPos] != 0 ? m_rank[nPos] : kUnmarked; }
    int32_t Threshold(uint32_t nKeeper) const { return m_rank[nKeeper] == kUnmarked ? -1 : m_rank[nKeeper]; }

    // Whether the keeper's scan must visit the record: its print agrees with the keeper's (read
    // first, as it rules out most records) and it is not a marked record the keeper outranks.
    bool MustVisit(uint32_t nPos, uint32_t nKeeper, int32_t nThreshold) const
    {
        return m_index.MayAgree(nKeeper, nPos) && Value(nPos) > nThreshold;
    }

    // The first index from nIndex on whose record must be visited, or the bucket's size.
    uint32_t NextVisit(uint32_t nBucket, uint32_t nIndex, uint32_t nKeeper, int32_t nThreshold) const
    {
        const uint32_t nSize = m_index.BucketSize(nBucket);
        const uint32_t* pEntries = m_index.Entries(nBucket);
        const uint32_t nBlockEnd = !m_trees.Has(nBucket) ? nSize : std::min(nSize, (nIndex / kBlock + 1) * kBlock);
        for (; nIndex < nBlockEnd; ++nIndex) {
            if (MustVisit(pEntries[nIndex], nKeeper, nThreshold))
                return nIndex;
        }
        // The tree finds the blocks holding a value above the threshold; the prints may still rule
        // out all of a block's entries.
        while (nIndex < nSize) {
            const uint32_t nBlock = m_trees.FindBlock(nBucket, nSize, nIndex / kBlock, nThreshold);
            if (nBlock == kNoId)
                return nSize;
            for (nIndex = nBlock * kBlock; nIndex < std::min(nSize, (nBlock + 1) * kBlock); ++nIndex) {
                if (MustVisit(pEntries[nIndex], nKeeper, nThreshold))
                    return nIndex;
            }
        }
        return nSize;
    }

    void Advance(Cursor& cursor, uint32_t nIndex, uint32_t nKeeper, int32_t nThreshold) const
    {
        cursor.nIndex = NextVisit(cursor.nBucket, nIndex, nKeeper, nThreshold);
        cursor.nPos =
            cursor.nIndex < m_index.BucketSize(cursor.nBucket) ? m_index.Entries(cursor.nBucket)[cursor.nIndex] : kNoId;
    }

    // The keeper's lists: a cursor on each of its buckets, at the first record after nAfter that must be visited.
    void Open(uint32_t nKeeper, uint32_t nAfter)
    {
        const int32_t nThreshold = Threshold(nKeeper);
        m_cursors.clear();
        for (uint32_t nBucket : m_index.Choose(nKeeper)) {
            const uint32_t* pBegin = m_index.Entries(nBucket);
            const uint32_t* pFirst = std::upper_bound(pBegin, pBegin + m_index.BucketSize(nBucket), nAfter);
            Cursor cursor{nBucket, 0, kNoId};
            Advance(cursor, static_cast<uint32_t>(pFirst - pBegin), nKeeper, nThreshold);
            if (cursor.nPos != kNoId)
                m_cursors.push_back(cursor);
        }
    }

    void UpdateBlock(uint32_t nBucket, uint32_t nBlock)
    {
        const uint32_t nSize = m_index.BucketSize(nBucket);
        const uint32_t* pEntries = m_index.Entries(nBucket);
        int32_t nHighest = kPadding;
        for (uint32_t j = nBlock * kBlock; j < std::min(nSize, (nBlock + 1) * kBlock); ++j)
            nHighest = std::max(nHighest, Value(pEntries[j]));
        m_trees.SetBlock(nBucket, nSize, nBlock, nHighest);
    }

    // As the pairwise run marks: once, in marking order, against the first keeper. A block's highest
    // value changes only when its last unmarked entry is marked.
    void Mark(uint32_t nPos, uint32_t nKeeper, CxList& list)
    {
        if (m_marked[nPos] != 0)
            return;
        m_marked[nPos] = 1;
        m_records[nPos]->dwFlags |= REC_DUPLICATE;
        m_records[nPos]->pKeeper = m_records[nKeeper];
        list.AddTail(m_records[nPos]);
        for (uint32_t e = m_index.RecordEntriesBegin(nPos); e < m_index.RecordEntriesBegin(nPos + 1); ++e) {
            const uint32_t nBucket = m_index.RecordBucket(e);
            const uint32_t nBlock = m_index.RecordIndex(e) / kBlock;
            if (m_trees.Has(nBucket) && m_trees.MarkInBlock(nBucket, nBlock))
                UpdateBlock(nBucket, nBlock);
        }
    }

    std::size_t Bytes() const
    {
        return m_fields.Bytes() + m_index.Bytes() + m_trees.Bytes() + VectorBytes(m_rank) + VectorBytes(m_marked);
    }

    const MatchPlan<Record>& m_plan;
    const std::vector<Record*>& m_records;
    const uint32_t m_nCount;

    FieldIds<Record> m_fields;
    CandidateIndex<Record> m_index;
    SkipTrees m_trees;
    std::vector<int32_t> m_rank;

    std::vector<uint8_t> m_marked;
    std::vector<Cursor> m_cursors;
};
