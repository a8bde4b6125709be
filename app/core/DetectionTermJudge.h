// SPDX-License-Identifier: MIT
// How one term of a rule row holds between two records. The match rules ask only whether it holds;
// the match reasons ask how, through the very same comparisons, so the two never disagree.
#pragma once

#include "core/AppSettings.h"
#include "core/DetectionRuleTable.h"
#include "core/MatchText.h"

#include <cstddef>

namespace TermJudge
{

// Dates have no empty-value rule: a missing date (0) never equals a real one; two missing dates
// hold as empty values.
inline Held JudgeDate(double dDate1, double dDate2)
{
    if (dDate1 != dDate2)
        return Held::Not;
    return dDate1 == 0 ? Held::ByEmpty : Held::ByValues;
}

// Each slot compared only with the same slot of the other record. With bWhy false the first slot
// that holds decides; with it a slot holding by values is preferred.
template <class Record>
Held JudgeSlots(const RuleTerm<Record>& term, const Record& a, const Record& b, const TextRules& rules, bool bWhy)
{
    Held held = Held::Not;
    for (std::size_t s = 0; s < term.nSlots; ++s) {
        const Held slot = JudgeText(term.slots[s](a), term.slots[s](b), term.form, rules);
        if (slot == Held::ByValues || (slot == Held::ByEmpty && !bWhy))
            return slot;
        if (slot == Held::ByEmpty)
            held = slot;
    }
    return held;
}

template <class Record> bool HasAnyValue(const RuleTerm<Record>& term, const Record& record, const TextRules& rules)
{
    for (std::size_t s = 0; s < term.nSlots; ++s) {
        if (!IsEmptyText(term.slots[s](record), term.form, rules))
            return true;
    }
    return false;
}

// Every slot against every slot of the other record, when both records have a value somewhere.
template <class Record>
Held JudgeAcross(const RuleTerm<Record>& term, const Record& a, const Record& b, const TextRules& rules, bool bWhy)
{
    if (!HasAnyValue(term, a, rules) || !HasAnyValue(term, b, rules))
        return JudgeSlots(term, a, b, rules, bWhy);
    for (std::size_t s = 0; s < term.nSlots; ++s) {
        for (std::size_t t = 0; t < term.nSlots; ++t) {
            if (JudgeText(term.slots[s](a), term.slots[t](b), term.form, rules) == Held::ByValues)
                return Held::ByValues;
        }
    }
    return Held::Not;
}

template <class Record>
Held JudgeTerm(const RuleTerm<Record>& term, const Record& a, const Record& b, const TextRules& rules, bool bWhy)
{
    switch (term.kind) {
    case RuleTerm<Record>::Text:
        return JudgeText(term.slots[0](a), term.slots[0](b), term.form, rules);
    case RuleTerm<Record>::Date:
        return JudgeDate(term.pfnDate(a), term.pfnDate(b));
    case RuleTerm<Record>::AnyText:
        if (term.pAcross != nullptr && AppSettings.*term.pAcross)
            return JudgeAcross(term, a, b, rules, bWhy);
        return JudgeSlots(term, a, b, rules, bWhy);
    case RuleTerm<Record>::End:
        break;
    }
    return Held::Not;
}

} // namespace TermJudge
