// SPDX-License-Identifier: MIT
// The candidate index of one run: the buckets that hold the records a keeper may match.
//
// Up to three of the required texts outside the exact key (core/DetectionFieldIds.h) are indexed: a
// record sits in one bucket per subset of them, keyed by its key and its values (empty included) on
// that subset, so a keeper finds the records equal or empty wherever it is not empty as the union of
// a few buckets. An OR group whose slots are seldom empty may get buckets per slot and value as well.
#pragma once

#include "core/DetectionFieldIds.h"
#include "core/DetectionIndexTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

template <class Record> class CandidateIndex
{
public:
    explicit CandidateIndex(const FieldIds<Record>& fields)
        : m_fields(fields), m_nCount(fields.Count()), m_bCompareEmpty(fields.CompareEmpty())
    {
    }

    // Needs the built ids; throws std::bad_alloc when memory runs out.
    void Build()
    {
        ChooseIndexes();
        BuildBuckets();
        m_chosen.reserve(m_nMaxLists);
        m_trial.reserve(m_nMaxLists);
    }

    uint32_t BucketCount() const { return static_cast<uint32_t>(m_bucketKeys.size()); }
    uint32_t BucketSize(uint32_t nBucket) const { return m_bucketBegin[nBucket + 1] - m_bucketBegin[nBucket]; }

    // The record positions of the bucket, in load order.
    const uint32_t* Entries(uint32_t nBucket) const { return m_entries.data() + m_bucketBegin[nBucket]; }

    // Each record sits in this many buckets, one per entry.
    uint32_t EntriesPerRecord() const { return m_nEntries; }
    uint32_t RecordBucket(uint32_t i, uint32_t nEntry) const
    {
        return m_recordBuckets[static_cast<std::size_t>(i) * m_nEntries + nEntry];
    }

    // The most buckets that Choose returns.
    uint32_t MaxLists() const { return m_nMaxLists; }
    uint32_t IndexedFields() const { return static_cast<uint32_t>(m_indexed.size()); }
    uint32_t IndexedGroups() const { return static_cast<uint32_t>(m_orBuilt.size()); }

    // The keeper's buckets: those equal or empty on the indexed fields where the keeper is not
    // empty, or those of a usable OR group when they hold fewer entries. Allocates nothing; the
    // list holds until the next call.
    const std::vector<uint32_t>& Choose(uint32_t nKeeper)
    {
        const uint32_t nKey = m_fields.Keys()[nKeeper];
        uint32_t values[3] = {0, 0, 0};
        uint32_t nFilled = 0;
        for (uint32_t j = 0; j < m_indexed.size(); ++j) {
            values[j] = m_fields.Id(m_indexed[j], nKeeper);
            if (values[j] != 0)
                nFilled |= 1u << j;
        }
        m_chosen.clear();
        uint64_t nBest = 0;
        for (uint32_t nPart = nFilled;; nPart = (nPart - 1) & nFilled) {
            BucketKey key = AndKey(nKey, nFilled, values);
            for (uint32_t j = 0; j < m_indexed.size(); ++j) {
                if ((nFilled >> j & 1) != 0 && (nPart >> j & 1) == 0)
                    key.values[j] = 0;
            }
            nBest += Collect(m_chosen, key);
            if (nPart == 0)
                break;
        }
        for (uint32_t g = 0; g < m_orBuilt.size(); ++g) {
            if (!m_fields.GroupUsable(m_orBuilt[g], nKeeper))
                continue;
            m_trial.clear();
            uint64_t nTotal = 0;
            for (uint32_t s = m_orSlotBegin[g]; s < m_orSlotBegin[g + 1]; ++s) {
                const uint32_t nValue = m_fields.Id(m_orSlots[s], nKeeper);
                nTotal += Collect(m_trial, BucketKey{nKey, kOrCode + s, {nValue, 0, 0}});
                if (!m_bCompareEmpty)
                    nTotal += Collect(m_trial, BucketKey{nKey, kOrCode + s, {0, 0, 0}});
            }
            if (nTotal < nBest) {
                nBest = nTotal;
                m_chosen.swap(m_trial);
            }
        }
        return m_chosen;
    }

    std::size_t Bytes() const
    {
        return m_bucketTable.Bytes() + VectorBytes(m_bucketKeys) + VectorBytes(m_bucketBegin) + VectorBytes(m_entries) +
               VectorBytes(m_recordBuckets);
    }

private:
    static constexpr uint32_t kOrCode = 8; // bucket codes below are subsets of m_indexed
    static constexpr uint32_t kSampledKeepers = 1024;
    static constexpr uint32_t kPartnersPerKeeper = 4;

    struct BucketKey
    {
        uint32_t nKey;
        uint32_t nCode;
        uint32_t values[3];
        bool operator==(const BucketKey& other) const
        {
            return nKey == other.nKey && nCode == other.nCode && values[0] == other.values[0] &&
                   values[1] == other.values[1] && values[2] == other.values[2];
        }
        uint64_t Hash() const
        {
            uint64_t h = CombineHash(nKey, nCode);
            for (uint32_t nValue : values)
                h = CombineHash(h, nValue);
            return h;
        }
    };

    struct SamplePair
    {
        uint32_t nKeeper;
        uint32_t nOther;
        double dWeight; // size of the keeper's exact-key group
    };

    // Picks the indexed fields and OR groups by their estimated candidates per keeper, from keepers
    // drawn at random with partners drawn from the same exact key.
    void ChooseIndexes()
    {
        const std::vector<uint32_t>& keys = m_fields.Keys();
        const std::vector<uint32_t>& wildColumns = m_fields.WildColumns();
        const uint32_t nGroups = static_cast<uint32_t>(m_fields.OrColumns().size());
        if (wildColumns.empty() && nGroups == 0)
            return;
        std::vector<uint32_t> groupBegin;
        std::vector<uint32_t> groups;
        GroupByIds(keys, m_fields.KeyCount(), 1, groupBegin, groups);

        uint64_t nState = 0x2545f4914f6cdd1dULL ^ m_nCount;
        auto next = [&nState](uint32_t nBound) {
            nState = MixHash(nState + 0x9e3779b97f4a7c15ULL);
            return static_cast<uint32_t>(nState % nBound);
        };
        std::vector<SamplePair> pairs;
        const uint32_t nKeepers = std::min(m_nCount, kSampledKeepers);
        for (uint32_t s = 0; s < nKeepers; ++s) {
            const uint32_t nKeeper = next(m_nCount);
            const uint32_t nBegin = groupBegin[keys[nKeeper]];
            const uint32_t nSize = groupBegin[keys[nKeeper] + 1] - nBegin;
            for (uint32_t t = 0; t < kPartnersPerKeeper; ++t)
                pairs.push_back({nKeeper, groups[nBegin + next(nSize)], static_cast<double>(nSize)});
        }

        std::vector<uint8_t> alive(pairs.size(), 1);
        double dCurrent = 0;
        for (const SamplePair& pair : pairs)
            dCurrent += pair.dWeight;
        while (m_indexed.size() < 3) {
            uint32_t nBest = kNoId;
            double dBest = dCurrent * 0.75;
            for (uint32_t c : wildColumns) {
                if (std::find(m_indexed.begin(), m_indexed.end(), c) != m_indexed.end())
                    continue;
                double dEstimate = 0;
                for (std::size_t p = 0; p < pairs.size(); ++p) {
                    if (alive[p] != 0 && m_fields.Compatible(c, pairs[p].nKeeper, pairs[p].nOther))
                        dEstimate += pairs[p].dWeight;
                }
                if (dEstimate < dBest) {
                    nBest = c;
                    dBest = dEstimate;
                }
            }
            if (nBest == kNoId)
                break;
            m_indexed.push_back(nBest);
            for (std::size_t p = 0; p < pairs.size(); ++p)
                alive[p] = alive[p] != 0 && m_fields.Compatible(nBest, pairs[p].nKeeper, pairs[p].nOther);
            dCurrent = dBest;
        }

        // Worth its buckets only while keepers still have a few candidates each.
        if (dCurrent <= 2.0 * static_cast<double>(pairs.size()))
            return;
        for (uint32_t g = 0; g < nGroups; ++g) {
            double dEstimate = 0;
            for (std::size_t p = 0; p < pairs.size(); ++p) {
                const SamplePair& pair = pairs[p];
                const bool bIn = m_fields.GroupUsable(g, pair.nKeeper)
                                     ? m_fields.GroupCompatible(g, pair.nKeeper, pair.nOther)
                                     : alive[p] != 0;
                if (bIn)
                    dEstimate += pair.dWeight;
            }
            if (dEstimate < dCurrent * 0.75)
                m_orBuilt.push_back(g);
        }
    }

    BucketKey AndKey(uint32_t nKey, uint32_t nSubset, const uint32_t (&values)[3]) const
    {
        BucketKey key{nKey, nSubset, {0, 0, 0}};
        for (uint32_t j = 0; j < m_indexed.size(); ++j) {
            if ((nSubset >> j & 1) != 0)
                key.values[j] = values[j];
        }
        return key;
    }

    BucketKey EntryKey(uint32_t i, uint32_t nEntry) const
    {
        if (nEntry < m_nAndLists) {
            uint32_t values[3] = {0, 0, 0};
            for (uint32_t j = 0; j < m_indexed.size(); ++j)
                values[j] = m_fields.Id(m_indexed[j], i);
            return AndKey(m_fields.Keys()[i], nEntry, values);
        }
        const uint32_t nSlot = nEntry - m_nAndLists;
        return BucketKey{m_fields.Keys()[i], kOrCode + nSlot, {m_fields.Id(m_orSlots[nSlot], i), 0, 0}};
    }

    // Buckets hold record positions in load order, every bucket of one run in one array.
    void BuildBuckets()
    {
        m_nAndLists = 1u << m_indexed.size();
        for (uint32_t g : m_orBuilt) {
            const std::vector<uint32_t>& columns = m_fields.OrColumns()[g];
            m_orSlotBegin.push_back(static_cast<uint32_t>(m_orSlots.size()));
            m_orSlots.insert(m_orSlots.end(), columns.begin(), columns.end());
            m_nMaxLists = std::max(m_nMaxLists, static_cast<uint32_t>(2 * columns.size()));
        }
        m_orSlotBegin.push_back(static_cast<uint32_t>(m_orSlots.size()));
        m_nMaxLists = std::max(m_nMaxLists, m_nAndLists);
        m_nEntries = m_nAndLists + static_cast<uint32_t>(m_orSlots.size());

        m_recordBuckets.resize(static_cast<std::size_t>(m_nCount) * m_nEntries);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            for (uint32_t e = 0; e < m_nEntries; ++e) {
                const BucketKey key = EntryKey(i, e);
                const uint32_t nBucket =
                    m_bucketTable.Intern(key.Hash(), [&](uint32_t nOld) { return m_bucketKeys[nOld] == key; });
                if (nBucket == m_bucketKeys.size())
                    m_bucketKeys.push_back(key);
                m_recordBuckets[static_cast<std::size_t>(i) * m_nEntries + e] = nBucket;
            }
        }
        GroupByIds(m_recordBuckets, BucketCount(), m_nEntries, m_bucketBegin, m_entries);
    }

    // Adds the bucket if it exists; returns its size.
    uint32_t Collect(std::vector<uint32_t>& buckets, const BucketKey& key) const
    {
        const uint32_t nBucket =
            m_bucketTable.Find(key.Hash(), [&](uint32_t nOld) { return m_bucketKeys[nOld] == key; });
        if (nBucket == kNoId)
            return 0;
        buckets.push_back(nBucket);
        return BucketSize(nBucket);
    }

    const FieldIds<Record>& m_fields;
    const uint32_t m_nCount;
    const bool m_bCompareEmpty;

    std::vector<uint32_t> m_indexed; // up to three wildcard columns
    std::vector<uint32_t> m_orBuilt; // OR groups with buckets of their own
    std::vector<uint32_t> m_orSlots; // their columns, group after group
    std::vector<uint32_t> m_orSlotBegin;
    uint32_t m_nAndLists = 1;
    uint32_t m_nEntries = 0;
    uint32_t m_nMaxLists = 1;

    IdTable m_bucketTable;
    std::vector<BucketKey> m_bucketKeys;
    std::vector<uint32_t> m_bucketBegin;
    std::vector<uint32_t> m_entries;
    std::vector<uint32_t> m_recordBuckets; // per record, its bucket of each entry

    std::vector<uint32_t> m_chosen;
    std::vector<uint32_t> m_trial;
};
