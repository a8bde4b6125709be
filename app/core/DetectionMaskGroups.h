// SPDX-License-Identifier: MIT
// The empty-mask groups of one run's candidate index (core/DetectionCandidateIndex.h).
//
// A record is compatible with a keeper on the indexed fields when the two agree wherever both are
// filled. Records are grouped by the indexed fields they leave empty (their mask), and a group is
// looked into by the values of a keeper on the fields that both the group and the keeper fill: one
// bucket per group and keeper, whatever the number of indexed fields. The masks are coarsened so
// that few groups remain: a record may count a filled field as empty (it is then merely not keyed
// on it), which only widens its buckets. The most frequent masks stay as they are; every other
// mask widens to the blocks of fields it touches, the fields cut into as many blocks as the
// estimated work of the run favours. Keepers look in through their own coarse mask, so a group
// needs one projection per group, and a record sits in at most GroupCount() buckets.
#pragma once

#include "core/DetectionFieldIds.h"
#include "core/DetectionIndexTable.h"

#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

template <class Record> class MaskGroups
{
public:
    static constexpr uint32_t kMaxFields = 16;
    static constexpr uint32_t kFrequentMasks = 6;
    static constexpr uint32_t kMaxBlocks = 6;
    static constexpr uint32_t kMaxGroups = 32; // and so projections per group and buckets per record

    MaskGroups(const FieldIds<Record>& fields, const std::vector<uint32_t>& indexed)
        : m_fields(fields), m_indexed(indexed), m_nCount(fields.Count())
    {
    }

    // agree[j] estimates how often two records of one exact key that both fill indexed field j
    // agree on it, dShare which share of all records a keeper's exact key holds. Throws
    // std::bad_alloc when memory runs out.
    void Build(const std::vector<double>& agree, double dShare)
    {
        const uint32_t nAll = m_indexed.empty() ? 0 : static_cast<uint32_t>((1ULL << m_indexed.size()) - 1);
        std::vector<uint32_t> masks(m_nCount);
        IdTable table;
        std::vector<uint32_t> distinct;
        std::vector<uint32_t> counts;
        for (uint32_t i = 0; i < m_nCount; ++i) {
            masks[i] = EmptyMask(i);
            const uint32_t nId =
                table.Intern(MixHash(masks[i]), [&](uint32_t nOld) { return distinct[nOld] == masks[i]; });
            if (nId == distinct.size()) {
                distinct.push_back(masks[i]);
                counts.push_back(0);
            }
            ++counts[nId];
        }

        // The most frequent masks, ties to the smaller mask so that a run does not depend on hashing.
        std::vector<uint32_t> order(distinct.size());
        for (uint32_t n = 0; n < order.size(); ++n)
            order[n] = n;
        std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            return counts[a] != counts[b] ? counts[a] > counts[b] : distinct[a] < distinct[b];
        });
        std::vector<uint32_t> frequent;
        for (std::size_t n = 0; n < order.size() && n < kFrequentMasks; ++n)
            frequent.push_back(distinct[order[n]]);

        // Few blocks make few groups keyed on few fields, many blocks many groups with small buckets:
        // the number that the estimated work of the run favours.
        std::vector<uint32_t> coarseOf;
        double dBest = 0;
        for (uint32_t nBlocks = 1; nBlocks <= kMaxBlocks; ++nBlocks) {
            std::vector<uint32_t> trial(distinct.size());
            for (std::size_t n = 0; n < distinct.size(); ++n)
                trial[n] = Coarse(distinct[n], nBlocks, frequent, nAll);
            const double dCost = Cost(trial, counts, nAll, agree, dShare);
            if (coarseOf.empty() || dCost < dBest) {
                dBest = dCost;
                coarseOf.swap(trial);
            }
        }

        IdTable groupTable;
        m_group.resize(m_nCount);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            const uint32_t nDistinct =
                table.Find(MixHash(masks[i]), [&](uint32_t nOld) { return distinct[nOld] == masks[i]; });
            const uint32_t nFilled = nAll & ~coarseOf[nDistinct];
            m_group[i] = groupTable.Intern(MixHash(nFilled), [&](uint32_t nOld) { return m_filled[nOld] == nFilled; });
            if (m_group[i] == m_filled.size())
                m_filled.push_back(nFilled);
        }

        // The fields a group is keyed on for each group of keepers, each set once.
        m_projectionBegin.push_back(0);
        for (uint32_t nFilled : m_filled) {
            const std::size_t nBegin = m_projections.size();
            for (uint32_t nKeeperFilled : m_filled) {
                const uint32_t nProjection = nFilled & nKeeperFilled;
                if (std::find(m_projections.begin() + static_cast<std::ptrdiff_t>(nBegin), m_projections.end(),
                              nProjection) == m_projections.end())
                    m_projections.push_back(nProjection);
            }
            m_projectionBegin.push_back(static_cast<uint32_t>(m_projections.size()));
        }
    }

    uint32_t GroupCount() const { return static_cast<uint32_t>(m_filled.size()); }
    uint32_t GroupOf(uint32_t i) const { return m_group[i]; }

    // The indexed fields, bit j for m_indexed[j], that the records of the group are keyed on.
    uint32_t Filled(uint32_t nGroup) const { return m_filled[nGroup]; }

    // The projections of a group's records: one bucket each.
    const uint32_t* ProjectionsBegin(uint32_t nGroup) const { return m_projections.data() + m_projectionBegin[nGroup]; }
    const uint32_t* ProjectionsEnd(uint32_t nGroup) const
    {
        return m_projections.data() + m_projectionBegin[nGroup + 1];
    }
    uint32_t MaxProjections() const
    {
        uint32_t nMax = 0;
        for (std::size_t g = 0; g + 1 < m_projectionBegin.size(); ++g)
            nMax = std::max(nMax, m_projectionBegin[g + 1] - m_projectionBegin[g]);
        return nMax;
    }

    std::size_t Bytes() const { return VectorBytes(m_group) + VectorBytes(m_projections) + VectorBytes(m_filled); }

private:
    static uint32_t Bits(uint32_t nMask) { return static_cast<uint32_t>(std::bitset<32>(nMask).count()); }

    uint32_t EmptyMask(uint32_t i) const
    {
        uint32_t nMask = 0;
        for (uint32_t j = 0; j < m_indexed.size(); ++j) {
            if (m_fields.Id(m_indexed[j], i) == 0)
                nMask |= 1u << j;
        }
        return nMask;
    }

    // Field j belongs to block j % nBlocks: the fields are indexed best first, so every block gets
    // some of the most selective ones.
    static uint32_t Closure(uint32_t nMask, uint32_t nBlocks)
    {
        uint32_t nClosure = 0;
        for (uint32_t b = 0; b < nBlocks; ++b) {
            uint32_t nBlock = 0;
            for (uint32_t j = b; j < kMaxFields; j += nBlocks)
                nBlock |= 1u << j;
            if ((nMask & nBlock) != 0)
                nClosure |= nBlock;
        }
        return nClosure;
    }

    // The mask widens to the narrowest frequent mask or block closure that covers it.
    static uint32_t Coarse(uint32_t nMask, uint32_t nBlocks, const std::vector<uint32_t>& frequent, uint32_t nAll)
    {
        uint32_t nBest = Closure(nMask, nBlocks) & nAll;
        for (uint32_t nFrequent : frequent) {
            const bool bNarrower =
                Bits(nFrequent) < Bits(nBest) || (Bits(nFrequent) == Bits(nBest) && nFrequent < nBest);
            if ((nFrequent & nMask) == nMask && bNarrower)
                nBest = nFrequent;
        }
        return nBest;
    }

    // The run's work in visits of a bucket entry: every keeper looks up one bucket per group and
    // visits the records there, and every record is filed once per projection of its group. A
    // lookup is a hash probe, a binary search and a skip-tree descent, several cache misses each;
    // a visit is mostly one read of a print, and most visits of marked records are skipped in bulk
    // (which the estimate leaves out). The weights are those that rank the bench's shapes as
    // measured.
    static double Cost(const std::vector<uint32_t>& coarseOf, const std::vector<uint32_t>& counts, uint32_t nAll,
                       const std::vector<double>& agree, double dShare)
    {
        constexpr double kLookup = 300;
        constexpr double kFiling = 100;
        std::vector<uint32_t> filled;
        std::vector<double> sizes;
        for (std::size_t n = 0; n < coarseOf.size(); ++n) {
            const uint32_t nFilled = nAll & ~coarseOf[n];
            const auto it = std::find(filled.begin(), filled.end(), nFilled);
            if (it == filled.end()) {
                filled.push_back(nFilled);
                sizes.push_back(counts[n]);
            }
            else {
                sizes[static_cast<std::size_t>(it - filled.begin())] += counts[n];
            }
        }
        if (filled.size() > kMaxGroups)
            return std::numeric_limits<double>::infinity();
        double dCost = 0;
        std::vector<uint32_t> projections;
        for (std::size_t g = 0; g < filled.size(); ++g) {
            projections.clear();
            for (std::size_t k = 0; k < filled.size(); ++k) {
                const uint32_t nProjection = filled[g] & filled[k];
                double dVisits = sizes[g] * dShare;
                for (uint32_t j = 0; j < agree.size(); ++j) {
                    if ((nProjection >> j & 1) != 0)
                        dVisits *= agree[j];
                }
                dCost += sizes[k] * (kLookup + dVisits);
                if (std::find(projections.begin(), projections.end(), nProjection) == projections.end())
                    projections.push_back(nProjection);
            }
            dCost += kFiling * sizes[g] * static_cast<double>(projections.size());
        }
        return dCost;
    }

    const FieldIds<Record>& m_fields;
    const std::vector<uint32_t>& m_indexed;
    const uint32_t m_nCount;

    std::vector<uint32_t> m_group;  // per record
    std::vector<uint32_t> m_filled; // per group
    std::vector<uint32_t> m_projectionBegin;
    std::vector<uint32_t> m_projections;
};
