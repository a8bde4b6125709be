// SPDX-License-Identifier: MIT
// The candidate index of one run: the buckets that hold the records a keeper may match.
//
// Up to sixteen of the required texts outside the exact key (core/DetectionFieldIds.h) are indexed.
// Records are grouped by which of them they leave empty (core/DetectionMaskGroups.h) and sit in one
// bucket per projection of their group, keyed by their key and their values on it, so a keeper
// finds the records equal or empty wherever it is not empty as the union of one bucket per group.
// An OR group whose slots are seldom empty may get buckets per slot and value as well, and a group
// compared across slots (strict e-mail) buckets per value in any slot.
#pragma once

#include "core/DetectionFieldIds.h"
#include "core/DetectionIndexTable.h"
#include "core/DetectionMaskGroups.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

template <class Record> class CandidateIndex
{
public:
    explicit CandidateIndex(const FieldIds<Record>& fields)
        : m_fields(fields), m_nCount(fields.Count()), m_bCompareEmpty(fields.CompareEmpty()),
          m_groups(fields, m_indexed)
    {
    }

    // Needs the built ids; throws std::bad_alloc when memory runs out.
    void Build()
    {
        const std::vector<SamplePair> pairs = SamplePairs();
        ChooseIndexes(pairs);
        std::vector<double> agree;
        const double dShare = Agreement(pairs, agree);
        m_groups.Build(agree, dShare);
        BuildBuckets();
        m_chosen.reserve(m_nMaxLists);
        m_trial.reserve(m_nMaxLists);
    }

    uint32_t BucketCount() const { return static_cast<uint32_t>(m_bucketKeys.size()); }
    uint32_t BucketSize(uint32_t nBucket) const { return m_bucketBegin[nBucket + 1] - m_bucketBegin[nBucket]; }

    // The record positions of the bucket, in load order.
    const uint32_t* Entries(uint32_t nBucket) const { return m_entries.data() + m_bucketBegin[nBucket]; }

    // Record i's entries run from RecordEntriesBegin(i) to RecordEntriesBegin(i + 1), at most
    // MaxEntries() of them: each names a bucket and the record's index within it.
    uint32_t RecordEntriesBegin(uint32_t i) const { return m_recordBegin[i]; }
    uint32_t RecordBucket(uint32_t nEntry) const { return m_recordBuckets[nEntry]; }
    uint32_t RecordIndex(uint32_t nEntry) const { return m_recordIndex[nEntry]; }
    uint32_t MaxEntries() const { return m_nMaxEntries; }

    // The most buckets that Choose returns.
    uint32_t MaxLists() const { return m_nMaxLists; }
    uint32_t IndexedFields() const { return static_cast<uint32_t>(m_indexed.size()); }
    uint32_t IndexedGroups() const { return static_cast<uint32_t>(m_orBuilt.size() + m_acrossBuilt.size()); }
    uint32_t MaskGroupCount() const { return m_groups.GroupCount(); }

    // False when the records' prints show that they differ on an indexed field both fill. The
    // prints hold four bits of each indexed field's id, 0 for an empty field, so that most records
    // a bucket holds for other keepers are passed over by one read of a dense array.
    bool MayAgree(uint32_t a, uint32_t b) const
    {
        if (m_prints.empty())
            return true;
        const uint64_t nA = m_prints[a];
        const uint64_t nB = m_prints[b];
        return (Nibbles(nA) & Nibbles(nB) & Nibbles(nA ^ nB)) == 0;
    }

    // The keeper's buckets: in each mask group, the one equal to the keeper on the fields that both
    // the group and the keeper's own group fill; or those of a usable OR group, or of a group
    // compared across slots, when they hold fewer entries. Allocates nothing; the list holds until the next call.
    const std::vector<uint32_t>& Choose(uint32_t nKeeper)
    {
        const uint32_t nKey = m_fields.Keys()[nKeeper];
        // The mask groups' buckets follow from the keeper's own bucket keyed on all it fills, which
        // keepers often share: they are looked up once for it.
        const uint32_t nKeeperFilled = m_groups.Filled(m_groups.GroupOf(nKeeper));
        m_chosen.clear();
        uint64_t nBest = 0;
        const uint32_t nSelf = m_self.empty() ? kNoId : m_self[nKeeper];
        if (nSelf != kNoId && m_memoCount[nSelf] != kNoId) {
            const uint32_t* pMemo = m_memo.data() + static_cast<std::size_t>(nSelf) * m_groups.GroupCount();
            m_chosen.assign(pMemo, pMemo + m_memoCount[nSelf]);
            nBest = m_memoTotal[nSelf];
        }
        else {
            for (uint32_t g = 0; g < m_groups.GroupCount(); ++g)
                nBest += Collect(m_chosen, BucketKey{nKey, g, m_groups.Filled(g) & nKeeperFilled, nKeeper});
            if (nSelf != kNoId) {
                std::copy(m_chosen.begin(), m_chosen.end(),
                          m_memo.begin() + static_cast<std::ptrdiff_t>(nSelf) * m_groups.GroupCount());
                m_memoCount[nSelf] = static_cast<uint32_t>(m_chosen.size());
                m_memoTotal[nSelf] = nBest;
            }
        }
        for (uint32_t g = 0; g < m_orBuilt.size(); ++g) {
            if (!m_fields.GroupUsable(m_orBuilt[g], nKeeper))
                continue;
            m_trial.clear();
            uint64_t nTotal = 0;
            for (uint32_t s = m_orSlotBegin[g]; s < m_orSlotBegin[g + 1]; ++s) {
                const uint32_t nValue = m_fields.Id(m_orSlots[s], nKeeper);
                nTotal += Collect(m_trial, BucketKey{nKey, kOrCode + s, 0, nValue});
                if (!m_bCompareEmpty)
                    nTotal += Collect(m_trial, BucketKey{nKey, kOrCode + s, 0, 0});
            }
            if (nTotal < nBest) {
                nBest = nTotal;
                m_chosen.swap(m_trial);
            }
        }
        for (uint32_t a = 0; a < m_acrossBuilt.size(); ++a) {
            if (!m_fields.AcrossUsable(m_acrossBuilt[a], nKeeper))
                continue;
            const std::vector<uint32_t>& columns = m_fields.AcrossColumns()[m_acrossBuilt[a]];
            m_trial.clear();
            uint64_t nTotal = Collect(m_trial, BucketKey{nKey, kAcrossCode + a, 0, 0});
            for (std::size_t s = 0; s < columns.size(); ++s) {
                const uint32_t nValue = m_fields.Id(columns[s], nKeeper);
                if (nValue != 0 && !SeenBefore(columns, s, nKeeper))
                    nTotal += Collect(m_trial, BucketKey{nKey, kAcrossCode + a, 0, nValue});
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
        return m_groups.Bytes() + m_bucketTable.Bytes() + VectorBytes(m_bucketKeys) + VectorBytes(m_bucketBegin) +
               VectorBytes(m_entries) + VectorBytes(m_recordBegin) + VectorBytes(m_recordBuckets) +
               VectorBytes(m_recordIndex) + VectorBytes(m_values) + VectorBytes(m_prints) + VectorBytes(m_self) +
               VectorBytes(m_memo) + VectorBytes(m_memoCount) + VectorBytes(m_memoTotal);
    }

private:
    static constexpr uint32_t kOrCode = 1u << 16;     // bucket codes below are mask groups
    static constexpr uint32_t kAcrossCode = 2u << 16; // and from here groups compared across slots
    static constexpr uint32_t kSampledKeepers = 1024;
    static constexpr uint32_t kPartnersPerKeeper = 4;

    // A mask group's bucket: the group, the fields it is keyed on and a record holding its values
    // there. An OR slot's bucket: kOrCode plus the slot, and the value. A bucket of a group compared
    // across slots: kAcrossCode plus the group, and a value in any slot, or 0 for the records with none.
    struct BucketKey
    {
        uint32_t nKey;
        uint32_t nCode;
        uint32_t nFields;
        uint32_t nValue; // the record, or the value of an OR slot
    };

    struct SamplePair
    {
        uint32_t nKeeper;
        uint32_t nOther;
        double dWeight; // size of the keeper's exact-key group
    };

    // Keepers drawn at random with partners drawn from the same exact key; none when nothing is
    // left to index.
    std::vector<SamplePair> SamplePairs() const
    {
        std::vector<SamplePair> pairs;
        const std::vector<uint32_t>& keys = m_fields.Keys();
        if (m_fields.WildColumns().empty() && m_fields.OrColumns().empty() && m_fields.AcrossColumns().empty())
            return pairs;
        std::vector<uint32_t> groupBegin;
        std::vector<uint32_t> groups;
        GroupByIds(keys, m_fields.KeyCount(), 1, groupBegin, groups);

        uint64_t nState = 0x2545f4914f6cdd1dULL ^ m_nCount;
        auto next = [&nState](uint32_t nBound) {
            nState = MixHash(nState + 0x9e3779b97f4a7c15ULL);
            return static_cast<uint32_t>(nState % nBound);
        };
        const uint32_t nKeepers = std::min(m_nCount, kSampledKeepers);
        for (uint32_t s = 0; s < nKeepers; ++s) {
            const uint32_t nKeeper = next(m_nCount);
            const uint32_t nBegin = groupBegin[keys[nKeeper]];
            const uint32_t nSize = groupBegin[keys[nKeeper] + 1] - nBegin;
            for (uint32_t t = 0; t < kPartnersPerKeeper; ++t)
                pairs.push_back({nKeeper, groups[nBegin + next(nSize)], static_cast<double>(nSize)});
        }
        return pairs;
    }

    // Per indexed field, how often two records of one key that both fill it agree, from the sampled
    // pairs of distinct records; returns the share of all records that a keeper's key holds.
    double Agreement(const std::vector<SamplePair>& pairs, std::vector<double>& agree) const
    {
        agree.clear();
        double dWeights = 0;
        for (const SamplePair& pair : pairs)
            dWeights += pair.dWeight;
        for (uint32_t c : m_indexed) {
            uint32_t nBoth = 0;
            uint32_t nSame = 0;
            for (const SamplePair& pair : pairs) {
                const uint32_t nA = m_fields.Id(c, pair.nKeeper);
                const uint32_t nB = m_fields.Id(c, pair.nOther);
                if (pair.nKeeper == pair.nOther || nA == 0 || nB == 0)
                    continue;
                ++nBoth;
                nSame += nA == nB ? 1u : 0u;
            }
            agree.push_back((nSame + 1.0) / (nBoth + 2.0));
        }
        return pairs.empty() || m_nCount == 0 ? 1.0 : dWeights / static_cast<double>(pairs.size()) / m_nCount;
    }

    // Picks the indexed fields and OR groups by their estimated candidates per keeper, from the pairs.
    void ChooseIndexes(const std::vector<SamplePair>& pairs)
    {
        const std::vector<uint32_t>& wildColumns = m_fields.WildColumns();
        const uint32_t nGroups = static_cast<uint32_t>(m_fields.OrColumns().size());
        if (pairs.empty())
            return;
        std::vector<uint8_t> alive(pairs.size(), 1);
        double dCurrent = 0;
        for (const SamplePair& pair : pairs)
            dCurrent += pair.dWeight;
        while (m_indexed.size() < MaskGroups<Record>::kMaxFields) {
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
        // Worth more buckets only while keepers still have a few candidates each: the sample runs
        // out of pairs long before many fields run out of selectivity, and a field seldom empty adds
        // few masks and can only narrow the buckets.
        const bool bNarrowing = dCurrent > 2.0 * static_cast<double>(pairs.size());
        for (uint32_t c : wildColumns) {
            if (bNarrowing && m_indexed.size() < MaskGroups<Record>::kMaxFields &&
                std::find(m_indexed.begin(), m_indexed.end(), c) == m_indexed.end() && SeldomEmpty(c))
                m_indexed.push_back(c);
        }
        if (!bNarrowing)
            return;
        // A group is built when the sampled pairs it lets through weigh clearly less than now.
        const auto narrows = [&](auto usable, auto compatible) {
            double dEstimate = 0;
            for (std::size_t p = 0; p < pairs.size(); ++p) {
                const SamplePair& pair = pairs[p];
                if (usable(pair.nKeeper) ? compatible(pair.nKeeper, pair.nOther) : alive[p] != 0)
                    dEstimate += pair.dWeight;
            }
            return dEstimate < dCurrent * 0.75;
        };
        for (uint32_t g = 0; g < nGroups; ++g) {
            if (narrows([&](uint32_t k) { return m_fields.GroupUsable(g, k); },
                        [&](uint32_t k, uint32_t o) { return m_fields.GroupCompatible(g, k, o); }))
                m_orBuilt.push_back(g);
        }
        for (uint32_t g = 0; g < m_fields.AcrossColumns().size(); ++g) {
            if (narrows([&](uint32_t k) { return m_fields.AcrossUsable(g, k); },
                        [&](uint32_t k, uint32_t o) { return m_fields.AcrossGroupCompatible(g, k, o); }))
                m_acrossBuilt.push_back(g);
        }
    }

    // Whether slot s repeats the value of an earlier slot of the record.
    bool SeenBefore(const std::vector<uint32_t>& columns, std::size_t s, uint32_t i) const
    {
        for (std::size_t t = 0; t < s; ++t) {
            if (m_fields.Id(columns[t], i) == m_fields.Id(columns[s], i))
                return true;
        }
        return false;
    }

    bool SeldomEmpty(uint32_t nColumn) const
    {
        uint32_t nEmpty = 0;
        for (uint32_t i = 0; i < m_nCount; ++i)
            nEmpty += m_fields.Id(nColumn, i) == 0 ? 1u : 0u;
        return nEmpty <= m_nCount / 16;
    }

    // The low bit of each nibble that is not 0.
    static uint64_t Nibbles(uint64_t n) { return (n | n >> 1 | n >> 2 | n >> 3) & 0x1111111111111111ULL; }

    // None without indexed fields. Empty is a value of its own with CompareEmpty 1; the indexed
    // fields then all are (no record leaves them empty), and there are none.
    void BuildPrints()
    {
        if (m_bCompareEmpty || m_indexed.empty())
            return;
        m_prints.assign(m_nCount, 0);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            uint64_t nPrint = 0;
            for (uint32_t j = 0; j < m_indexed.size(); ++j) {
                const uint32_t nId = m_values[static_cast<std::size_t>(i) * m_indexed.size() + j];
                if (nId != 0)
                    nPrint |= static_cast<uint64_t>(1 + nId % 15) << (4 * j);
            }
            m_prints[i] = nPrint;
        }
    }

    bool IsOr(const BucketKey& key) const { return key.nCode >= kOrCode; }

    uint64_t Hash(const BucketKey& key) const
    {
        uint64_t h = CombineHash(CombineHash(key.nKey, key.nCode), key.nFields);
        if (IsOr(key))
            return CombineHash(h, key.nValue);
        const uint32_t* pValues = Values(key.nValue);
        for (uint32_t j = 0; j < m_indexed.size(); ++j) {
            if ((key.nFields >> j & 1) != 0)
                h = CombineHash(h, pValues[j]);
        }
        return h;
    }

    bool Same(const BucketKey& a, const BucketKey& b) const
    {
        if (a.nKey != b.nKey || a.nCode != b.nCode || a.nFields != b.nFields)
            return false;
        if (IsOr(a))
            return a.nValue == b.nValue;
        const uint32_t* pA = Values(a.nValue);
        const uint32_t* pB = Values(b.nValue);
        for (uint32_t j = 0; j < m_indexed.size(); ++j) {
            if ((a.nFields >> j & 1) != 0 && pA[j] != pB[j])
                return false;
        }
        return true;
    }

    uint32_t Intern(const BucketKey& key)
    {
        const uint32_t nBucket =
            m_bucketTable.Intern(Hash(key), [&](uint32_t nOld) { return Same(m_bucketKeys[nOld], key); });
        if (nBucket == m_bucketKeys.size())
            m_bucketKeys.push_back(key);
        return nBucket;
    }

    const uint32_t* Values(uint32_t i) const
    {
        return m_values.data() + static_cast<std::size_t>(i) * m_indexed.size();
    }

    // Buckets hold record positions in load order, every bucket of one run in one array.
    void BuildBuckets()
    {
        m_values.resize(static_cast<std::size_t>(m_nCount) * m_indexed.size());
        for (uint32_t j = 0; j < m_indexed.size(); ++j) {
            for (uint32_t i = 0; i < m_nCount; ++i)
                m_values[static_cast<std::size_t>(i) * m_indexed.size() + j] = m_fields.Id(m_indexed[j], i);
        }
        for (uint32_t g : m_orBuilt) {
            const std::vector<uint32_t>& columns = m_fields.OrColumns()[g];
            m_orSlotBegin.push_back(static_cast<uint32_t>(m_orSlots.size()));
            m_orSlots.insert(m_orSlots.end(), columns.begin(), columns.end());
            m_nMaxLists = std::max(m_nMaxLists, static_cast<uint32_t>(2 * columns.size()));
        }
        m_orSlotBegin.push_back(static_cast<uint32_t>(m_orSlots.size()));
        BuildPrints();
        m_nMaxLists = std::max(m_nMaxLists, m_groups.GroupCount());
        m_nMaxEntries = m_groups.MaxProjections() + static_cast<uint32_t>(m_orSlots.size());
        for (uint32_t g : m_acrossBuilt) {
            const auto nSlots = static_cast<uint32_t>(m_fields.AcrossColumns()[g].size());
            m_nMaxLists = std::max(m_nMaxLists, nSlots + 1);
            m_nMaxEntries += nSlots;
        }

        m_recordBegin.reserve(static_cast<std::size_t>(m_nCount) + 1);
        m_recordBegin.push_back(0);
        std::vector<uint32_t> selfBuckets(m_groups.GroupCount() < 2 ? 0 : m_nCount);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            const uint32_t nGroup = m_groups.GroupOf(i);
            const uint32_t nKey = m_fields.Keys()[i];
            for (const uint32_t* p = m_groups.ProjectionsBegin(nGroup); p != m_groups.ProjectionsEnd(nGroup); ++p) {
                m_recordBuckets.push_back(Intern(BucketKey{nKey, nGroup, *p, i}));
                if (!selfBuckets.empty() && *p == m_groups.Filled(nGroup))
                    selfBuckets[i] = m_recordBuckets.back();
            }
            for (uint32_t s = 0; s < m_orSlots.size(); ++s)
                m_recordBuckets.push_back(Intern(BucketKey{nKey, kOrCode + s, 0, m_fields.Id(m_orSlots[s], i)}));
            for (uint32_t a = 0; a < m_acrossBuilt.size(); ++a) {
                const std::vector<uint32_t>& columns = m_fields.AcrossColumns()[m_acrossBuilt[a]];
                bool bValue = false;
                for (std::size_t s = 0; s < columns.size(); ++s) {
                    const uint32_t nValue = m_fields.Id(columns[s], i);
                    if (nValue == 0 || SeenBefore(columns, s, i))
                        continue;
                    bValue = true;
                    m_recordBuckets.push_back(Intern(BucketKey{nKey, kAcrossCode + a, 0, nValue}));
                }
                if (!bValue)
                    m_recordBuckets.push_back(Intern(BucketKey{nKey, kAcrossCode + a, 0, 0}));
            }
            m_recordBegin.push_back(static_cast<uint32_t>(m_recordBuckets.size()));
        }

        BuildMemo(selfBuckets);

        // Counting sort of the entries by bucket, records in load order within each.
        m_bucketBegin.assign(static_cast<std::size_t>(BucketCount()) + 1, 0);
        for (uint32_t nBucket : m_recordBuckets)
            ++m_bucketBegin[nBucket + 1];
        for (std::size_t b = 0; b < BucketCount(); ++b)
            m_bucketBegin[b + 1] += m_bucketBegin[b];
        std::vector<uint32_t> fill(m_bucketBegin.begin(), m_bucketBegin.end() - 1);
        m_entries.resize(m_recordBuckets.size());
        m_recordIndex.resize(m_recordBuckets.size());
        for (uint32_t i = 0; i < m_nCount; ++i) {
            for (uint32_t n = m_recordBegin[i]; n < m_recordBegin[i + 1]; ++n) {
                const uint32_t nBucket = m_recordBuckets[n];
                m_recordIndex[n] = fill[nBucket] - m_bucketBegin[nBucket];
                m_entries[fill[nBucket]++] = i;
            }
        }
    }

    // Dense ids of the records' own buckets, and room to keep the mask groups' buckets of each;
    // none for a single group, or when keepers seldom share an own bucket.
    void BuildMemo(const std::vector<uint32_t>& selfBuckets)
    {
        if (m_groups.GroupCount() < 2)
            return;
        IdTable table;
        std::vector<uint32_t> distinct;
        m_self.resize(m_nCount);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            m_self[i] =
                table.Intern(MixHash(selfBuckets[i]), [&](uint32_t nOld) { return distinct[nOld] == selfBuckets[i]; });
            if (m_self[i] == distinct.size())
                distinct.push_back(selfBuckets[i]);
        }
        if (distinct.size() * 2 > m_nCount) {
            std::vector<uint32_t>().swap(m_self);
            return;
        }
        m_memo.resize(distinct.size() * m_groups.GroupCount());
        m_memoCount.assign(distinct.size(), kNoId);
        m_memoTotal.assign(distinct.size(), 0);
    }

    // Adds the bucket if it exists; returns its size.
    uint32_t Collect(std::vector<uint32_t>& buckets, const BucketKey& key) const
    {
        const uint32_t nBucket =
            m_bucketTable.Find(Hash(key), [&](uint32_t nOld) { return Same(m_bucketKeys[nOld], key); });
        if (nBucket == kNoId)
            return 0;
        buckets.push_back(nBucket);
        return BucketSize(nBucket);
    }

    const FieldIds<Record>& m_fields;
    const uint32_t m_nCount;
    const bool m_bCompareEmpty;

    std::vector<uint32_t> m_indexed; // wildcard columns: those chosen by the sample, then those seldom empty
    MaskGroups<Record> m_groups;
    std::vector<uint32_t> m_orBuilt; // OR groups with buckets of their own
    std::vector<uint32_t> m_orSlots; // their columns, group after group
    std::vector<uint32_t> m_orSlotBegin;
    std::vector<uint32_t> m_acrossBuilt; // groups compared across slots with buckets of their own
    uint32_t m_nMaxEntries = 0;
    uint32_t m_nMaxLists = 1;

    IdTable m_bucketTable;
    std::vector<BucketKey> m_bucketKeys;
    std::vector<uint32_t> m_bucketBegin;
    std::vector<uint32_t> m_entries;
    std::vector<uint32_t> m_recordBegin;   // per record, where its buckets start in m_recordBuckets
    std::vector<uint32_t> m_recordBuckets; // the buckets of each record, record after record
    std::vector<uint32_t> m_recordIndex;   // and the record's index within each
    std::vector<uint32_t> m_values;        // the ids on the indexed fields, record after record
    std::vector<uint64_t> m_prints;        // per record, see MayAgree

    std::vector<uint32_t> m_self;      // per record, the dense id of its own bucket; empty without a memo
    std::vector<uint32_t> m_memo;      // per such id, the mask groups' buckets of its keepers
    std::vector<uint32_t> m_memoCount; // how many, kNoId until a keeper looked them up
    std::vector<uint64_t> m_memoTotal; // and their entries

    std::vector<uint32_t> m_chosen;
    std::vector<uint32_t> m_trial;
};
