// SPDX-License-Identifier: MIT
// The ids of one run's records on the fields that its MatchPlan requires, and what they tell of a match.
//
// Every text gets an id under CompareText's equality; with CompareEmpty 0 the empty text is id 0,
// which matches anything. The type, the required dates and the required texts that no record leaves
// empty form one exact key.
#pragma once

#include "core/Detection.h"
#include "core/DetectionIndexTable.h"
#include "core/DetectionMatchPlan.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

template <class Record> class FieldIds
{
public:
    FieldIds(const MatchPlan<Record>& plan, const std::vector<Record*>& records, bool bCaseSensitive,
             bool bCompareEmpty)
        : m_plan(plan), m_records(records), m_nCount(static_cast<uint32_t>(records.size())), m_bCase(bCaseSensitive),
          m_bCompareEmpty(bCompareEmpty)
    {
    }

    // Reads every record once; throws std::bad_alloc when memory runs out.
    void Build()
    {
        BuildTextColumns();
        BuildKeys();
    }

    uint32_t Count() const { return m_nCount; }
    bool CompareEmpty() const { return m_bCompareEmpty; }

    // The id of record i in the column, 0 for the empty text.
    uint32_t Id(uint32_t nColumn, uint32_t i) const { return m_ids[nColumn][i]; }

    // The exact key of each record, a dense id below KeyCount().
    const std::vector<uint32_t>& Keys() const { return m_keys; }
    uint32_t KeyCount() const { return m_nKeys; }

    // The required texts that the exact key leaves out: with CompareEmpty 0, those some record leaves empty.
    const std::vector<uint32_t>& WildColumns() const { return m_wildColumns; }

    // The columns of each OR group, slot by slot.
    const std::vector<std::vector<uint32_t>>& OrColumns() const { return m_orColumns; }

    // The modification times in load order, handed over once: the ids need them no longer.
    std::vector<double> TakeModified()
    {
        std::vector<double> modified;
        modified.swap(m_modified);
        return modified;
    }

    bool Compatible(uint32_t nColumn, uint32_t a, uint32_t b) const
    {
        const uint32_t nA = m_ids[nColumn][a];
        const uint32_t nB = m_ids[nColumn][b];
        return nA == nB || (!m_bCompareEmpty && (nA == 0 || nB == 0));
    }

    // An OR group narrows a keeper's candidates only when none of its slots is a wildcard.
    bool GroupUsable(uint32_t nGroup, uint32_t nKeeper) const
    {
        if (m_bCompareEmpty)
            return true;
        for (uint32_t c : m_orColumns[nGroup]) {
            if (m_ids[c][nKeeper] == 0)
                return false;
        }
        return true;
    }

    bool GroupCompatible(uint32_t nGroup, uint32_t a, uint32_t b) const
    {
        for (uint32_t c : m_orColumns[nGroup]) {
            if (Compatible(c, a, b))
                return true;
        }
        return false;
    }

    // False when the ids already show that the match rule would fail; the key and the buckets saw
    // to the rest. The ids sit in small arrays, the records each in pages of their own.
    bool MayMatch(uint32_t nKeeper, uint32_t nOther) const
    {
        for (uint32_t c : m_wildColumns) {
            if (!Compatible(c, nKeeper, nOther))
                return false;
        }
        for (uint32_t g = 0; g < m_orColumns.size(); ++g) {
            if (!GroupCompatible(g, nKeeper, nOther))
                return false;
        }
        return true;
    }

    std::size_t Bytes() const
    {
        std::size_t nBytes = m_nTextBytes + VectorBytes(m_keys);
        for (const auto& ids : m_ids)
            nBytes += VectorBytes(ids);
        return nBytes;
    }

private:
    using TextOf = typename MatchPlan<Record>::TextOf;

    uint64_t HashText(const unsigned char* p, std::size_t nLength) const
    {
        uint64_t h = 0xcbf29ce484222325ULL;
        for (std::size_t i = 0; i < nLength; ++i)
            h = (h ^ (m_bCase ? p[i] : FoldCase(p[i]))) * 0x100000001b3ULL;
        return MixHash(h ^ nLength);
    }

    bool SameText(const unsigned char* p1, const unsigned char* p2, std::size_t nLength) const
    {
        if (m_bCase)
            return std::memcmp(p1, p2, nLength) == 0;
        for (std::size_t i = 0; i < nLength; ++i) {
            if (FoldCase(p1[i]) != FoldCase(p2[i]))
                return false;
        }
        return true;
    }

    uint32_t Column(TextOf pfnText)
    {
        const auto it = std::find(m_columnTexts.begin(), m_columnTexts.end(), pfnText);
        if (it != m_columnTexts.end())
            return static_cast<uint32_t>(it - m_columnTexts.begin());
        m_columnTexts.push_back(pfnText);
        return static_cast<uint32_t>(m_columnTexts.size() - 1);
    }

    // Ids per text field: 0 for the empty text, the same id for texts that CompareText finds equal.
    void BuildTextColumns()
    {
        for (TextOf pfnText : m_plan.andTexts)
            m_andColumns.push_back(Column(pfnText));
        for (const auto& group : m_plan.orGroups) {
            m_orColumns.emplace_back();
            for (TextOf pfnText : group)
                m_orColumns.back().push_back(Column(pfnText));
        }
        IdTable table;
        std::vector<const unsigned char*> texts;
        std::vector<uint32_t> lengths;
        m_ids.resize(m_columnTexts.size());
        for (auto& ids : m_ids)
            ids.resize(m_nCount);
        // Record by record: each record is read once, its fields being close together.
        for (uint32_t i = 0; i < m_nCount; ++i) {
            for (std::size_t c = 0; c < m_columnTexts.size(); ++c) {
                const auto* p = reinterpret_cast<const unsigned char*>(m_columnTexts[c](*m_records[i]));
                const std::size_t nLength = std::strlen(reinterpret_cast<const char*>(p));
                if (nLength == 0) {
                    m_ids[c][i] = 0;
                    continue;
                }
                const uint32_t nId = table.Intern(HashText(p, nLength), [&](uint32_t nOld) {
                    return lengths[nOld] == nLength && SameText(texts[nOld], p, nLength);
                });
                if (nId == texts.size()) {
                    texts.push_back(p);
                    lengths.push_back(static_cast<uint32_t>(nLength));
                }
                m_ids[c][i] = nId + 1;
            }
        }
        m_nTextBytes = table.Bytes() + VectorBytes(texts) + VectorBytes(lengths);
    }

    bool Wildcard(uint32_t nColumn) const
    {
        return !m_bCompareEmpty && std::find(m_ids[nColumn].begin(), m_ids[nColumn].end(), 0u) != m_ids[nColumn].end();
    }

    // -0 equals +0; NaN is handled by the caller.
    static uint64_t DateBits(double dDate)
    {
        if (dDate == 0)
            return 0;
        uint64_t nBits = 0;
        std::memcpy(&nBits, &dDate, sizeof nBits);
        return nBits;
    }

    bool SameExact(uint32_t a, uint32_t b, const std::vector<uint64_t>& keyBits) const
    {
        for (uint32_t c : m_exactColumns) {
            if (m_ids[c][a] != m_ids[c][b])
                return false;
        }
        const std::size_t nWidth = m_plan.dates.size() + 1;
        return std::equal(&keyBits[a * nWidth], &keyBits[a * nWidth] + nWidth, &keyBits[b * nWidth]);
    }

    // The exact key of each record; a record with a NaN date matches nothing and gets a key of its own.
    void BuildKeys()
    {
        for (uint32_t c : m_andColumns)
            (Wildcard(c) ? m_wildColumns : m_exactColumns).push_back(c);
        IdTable table;
        std::vector<uint32_t> representatives;
        // The type and the date bits of each record, so that comparing keys reads no record.
        const std::size_t nWidth = m_plan.dates.size() + 1;
        std::vector<uint64_t> keyBits(m_nCount * nWidth);
        m_keys.resize(m_nCount);
        m_modified.reserve(m_nCount);
        for (uint32_t i = 0; i < m_nCount; ++i) {
            const Record& record = *m_records[i];
            uint64_t* pBits = &keyBits[i * nWidth];
            pBits[0] = m_plan.pfnType != nullptr ? static_cast<uint32_t>(m_plan.pfnType(record)) : 0;
            bool bNaN = false;
            for (std::size_t d = 0; d < m_plan.dates.size(); ++d) {
                const double dDate = m_plan.dates[d](record);
                bNaN = bNaN || std::isnan(dDate);
                pBits[d + 1] = DateBits(dDate);
            }
            m_modified.push_back(record.dtModified);
            uint64_t h = 0x51ed270b27fd1c5bULL;
            for (std::size_t w = 0; w < nWidth; ++w)
                h = CombineHash(h, pBits[w]);
            for (uint32_t c : m_exactColumns)
                h = CombineHash(h, m_ids[c][i]);
            if (bNaN) {
                m_keys[i] = kNoId;
                continue;
            }
            m_keys[i] = table.Intern(h, [&](uint32_t nKey) { return SameExact(representatives[nKey], i, keyBits); });
            if (m_keys[i] == representatives.size())
                representatives.push_back(i);
        }
        m_nKeys = table.Size();
        for (uint32_t& nKey : m_keys) {
            if (nKey == kNoId)
                nKey = m_nKeys++;
        }
    }

    const MatchPlan<Record>& m_plan;
    const std::vector<Record*>& m_records;
    const uint32_t m_nCount;
    const bool m_bCase;
    const bool m_bCompareEmpty;

    std::vector<TextOf> m_columnTexts;
    std::vector<std::vector<uint32_t>> m_ids; // per column, per record
    std::size_t m_nTextBytes = 0;
    std::vector<uint32_t> m_andColumns;
    std::vector<std::vector<uint32_t>> m_orColumns;
    std::vector<uint32_t> m_exactColumns;
    std::vector<uint32_t> m_wildColumns;
    std::vector<uint32_t> m_keys;
    uint32_t m_nKeys = 0;
    std::vector<double> m_modified; // until the run takes it
};
