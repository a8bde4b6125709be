// SPDX-License-Identifier: MIT
// The ids of one run's records on the fields that its MatchPlan requires, and what they tell of a match.
//
// Every text gets an id under the match rules' equality (core/MatchText.h), the same id for texts
// that read as the same units in the same form; with CompareEmpty 0 a text that reads as nothing is
// id 0, which matches anything. The type, the required dates and the required texts that no record leaves
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
          m_bCompareEmpty(bCompareEmpty), m_rules{bCaseSensitive, bCompareEmpty, plan.bNormalise}
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

    // The columns of each OR group, slot by slot; the groups compared across slots are not among
    // them, as the index narrows by one slot's value at a time.
    const std::vector<std::vector<uint32_t>>& OrColumns() const { return m_orColumns; }

    // The modification times in load order, handed over once: the ids need them no longer.
    std::vector<double> TakeModified()
    {
        std::vector<double> modified;
        modified.swap(m_modified);
        return modified;
    }

    // The columns of each OR group compared across slots (strict e-mail), slot by slot.
    const std::vector<std::vector<uint32_t>>& AcrossColumns() const { return m_acrossColumns; }

    // Such a group narrows a keeper's candidates only when the keeper has a value in it: they are
    // then the records sharing one of its values and those with none.
    bool AcrossUsable(uint32_t nGroup, uint32_t nKeeper) const
    {
        for (uint32_t c : m_acrossColumns[nGroup]) {
            if (m_ids[c][nKeeper] != 0)
                return true;
        }
        return false;
    }

    bool AcrossGroupCompatible(uint32_t nGroup, uint32_t a, uint32_t b) const
    {
        return AcrossCompatible(m_acrossColumns[nGroup], a, b);
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
        for (const std::vector<uint32_t>& columns : m_acrossColumns) {
            if (!AcrossCompatible(columns, nKeeper, nOther))
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
    using Text = typename MatchPlan<Record>::Text;

    // With strict e-mail: when both records have a value, one id must be shared, in whichever
    // slots; when either has none, the slots compare as in any OR group. The columns of a group
    // share one form, so their ids compare across them.
    bool AcrossCompatible(const std::vector<uint32_t>& columns, uint32_t a, uint32_t b) const
    {
        bool bValueA = false;
        bool bValueB = false;
        for (uint32_t c : columns) {
            bValueA = bValueA || m_ids[c][a] != 0;
            bValueB = bValueB || m_ids[c][b] != 0;
        }
        if (!bValueA || !bValueB) {
            for (uint32_t c : columns) {
                if (Compatible(c, a, b))
                    return true;
            }
            return false;
        }
        for (uint32_t cA : columns) {
            for (uint32_t cB : columns) {
                if (m_ids[cA][a] != 0 && m_ids[cA][a] == m_ids[cB][b])
                    return true;
            }
        }
        return false;
    }

    // The hash of the units the text reads as; 0 units make an empty text.
    uint64_t HashText(const unsigned char* p, std::size_t nLength, TextForm form, bool& bEmpty) const
    {
        uint64_t h = 0xcbf29ce484222325ULL;
        if (!m_rules.bNormalise) {
            bEmpty = nLength == 0;
            for (std::size_t i = 0; i < nLength; ++i)
                h = (h ^ (m_bCase ? p[i] : FoldCase(p[i]))) * 0x100000001b3ULL;
            return MixHash(h ^ nLength);
        }
        MatchTextReader reader(reinterpret_cast<const char*>(p), form, m_rules);
        std::size_t nUnits = 0;
        for (uint32_t nUnit = reader.Next(); nUnit != 0; nUnit = reader.Next(), ++nUnits)
            h = (h ^ nUnit) * 0x100000001b3ULL;
        bEmpty = nUnits == 0;
        return MixHash(h ^ nUnits ^ static_cast<uint64_t>(form) << 56);
    }

    bool SameText(const unsigned char* p1, std::size_t nLength1, TextForm form1, const unsigned char* p2,
                  std::size_t nLength2, TextForm form2) const
    {
        if (m_rules.bNormalise) {
            return form1 == form2 && JudgeText(reinterpret_cast<const char*>(p1), reinterpret_cast<const char*>(p2),
                                               form1, m_rules) == Held::ByValues;
        }
        if (nLength1 != nLength2)
            return false;
        if (m_bCase)
            return std::memcmp(p1, p2, nLength1) == 0;
        for (std::size_t i = 0; i < nLength1; ++i) {
            if (FoldCase(p1[i]) != FoldCase(p2[i]))
                return false;
        }
        return true;
    }

    uint32_t Column(const Text& text)
    {
        const auto it = std::find(m_columnTexts.begin(), m_columnTexts.end(), text);
        if (it != m_columnTexts.end())
            return static_cast<uint32_t>(it - m_columnTexts.begin());
        m_columnTexts.push_back(text);
        return static_cast<uint32_t>(m_columnTexts.size() - 1);
    }

    // Ids per text field: 0 for the empty text, the same id for texts that the match rules find equal.
    void BuildTextColumns()
    {
        for (const Text& text : m_plan.andTexts)
            m_andColumns.push_back(Column(text));
        for (const auto& group : m_plan.orGroups) {
            auto& columns = group.bAcross ? m_acrossColumns : m_orColumns;
            columns.emplace_back();
            for (const Text& text : group.slots)
                columns.back().push_back(Column(text));
        }
        IdTable table;
        std::vector<const unsigned char*> texts;
        std::vector<uint32_t> lengths;
        std::vector<TextForm> forms;
        m_ids.resize(m_columnTexts.size());
        for (auto& ids : m_ids)
            ids.resize(m_nCount);
        // Record by record: each record is read once, its fields being close together.
        for (uint32_t i = 0; i < m_nCount; ++i) {
            for (std::size_t c = 0; c < m_columnTexts.size(); ++c) {
                const TextForm form = m_columnTexts[c].form;
                const auto* p = reinterpret_cast<const unsigned char*>(m_columnTexts[c].pfnText(*m_records[i]));
                const std::size_t nLength = std::strlen(reinterpret_cast<const char*>(p));
                bool bEmpty = false;
                const uint64_t nHash = HashText(p, nLength, form, bEmpty);
                if (bEmpty) {
                    m_ids[c][i] = 0;
                    continue;
                }
                const uint32_t nId = table.Intern(nHash, [&](uint32_t nOld) {
                    return SameText(texts[nOld], lengths[nOld], forms[nOld], p, nLength, form);
                });
                if (nId == texts.size()) {
                    texts.push_back(p);
                    lengths.push_back(static_cast<uint32_t>(nLength));
                    forms.push_back(form);
                }
                m_ids[c][i] = nId + 1;
            }
        }
        m_nTextBytes = table.Bytes() + VectorBytes(texts) + VectorBytes(lengths) + VectorBytes(forms);
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
    const TextRules m_rules;

    std::vector<Text> m_columnTexts;
    std::vector<std::vector<uint32_t>> m_ids; // per column, per record
    std::size_t m_nTextBytes = 0;
    std::vector<uint32_t> m_andColumns;
    std::vector<std::vector<uint32_t>> m_orColumns;
    std::vector<std::vector<uint32_t>> m_acrossColumns;
    std::vector<uint32_t> m_exactColumns;
    std::vector<uint32_t> m_wildColumns;
    std::vector<uint32_t> m_keys;
    uint32_t m_nKeys = 0;
    std::vector<double> m_modified; // until the run takes it
};
