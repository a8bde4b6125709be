// SPDX-License-Identifier: MIT
// The comparison rules: texts, the match rules walking each kind's rule table, and the keeper rule.
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/DetectionRuleTable.h"
#include "core/DetectionTermJudge.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace
{

// Plain counter: detection runs on the user-interface thread only.
uint64_t g_nMatchRuleCalls = 0;

// On equal times the first record is kept. A time that is no number ranks below every real time and
// ties with another NaN: the order must stay total, or keepers can pass a set round in a circle until
// every record of it is marked and none is left to keep.
bool KeepFirst(double dModified1, double dModified2)
{
    if (std::isnan(dModified2))
        return true;
    return !std::isnan(dModified1) && dModified1 >= dModified2;
}

// The walk over a rule table is unrolled at compile time: the pairwise scan calls a match rule for
// every pair, and the unrolled walk reads each field directly, as hand-written comparisons would.
template <const auto& Rules, std::size_t R, std::size_t T, class Record>
bool Holds(const Record& a, const Record& b, const TextRules& rules)
{
    constexpr RuleTerm<Record> term = Rules.pRows[R].terms[T];
    return TermJudge::JudgeTerm(term, a, b, rules, false) != Held::Not;
}

template <const auto& Rules, std::size_t R, class Record, std::size_t... T>
bool RowHolds(const Record& a, const Record& b, const TextRules& rules, std::index_sequence<T...>)
{
    return (Holds<Rules, R, T>(a, b, rules) && ...);
}

// Every row whose switch is on must hold; rows and terms are tried in table order.
template <const auto& Rules, class Record, std::size_t... R>
bool RowsHold(const Record& a, const Record& b, const TextRules& rules, std::index_sequence<R...>)
{
    return ((!(AppSettings.*Rules.pRows[R].pSwitch) ||
             RowHolds<Rules, R>(a, b, rules, std::make_index_sequence<Rules.pRows[R].TermCount()>())) &&
            ...);
}

template <const auto& Rules, class Record> bool Matches(const Record* a, const Record* b)
{
    ++g_nMatchRuleCalls;
    if (a == nullptr || b == nullptr)
        return false;
    if constexpr (Rules.bSameType) {
        if (a->nType != b->nType)
            return false;
    }
    return RowsHold<Rules>(*a, *b, CurrentTextRules(), std::make_index_sequence<Rules.nRows>());
}

} // namespace

int CompareText(const char* szText1, const char* szText2)
{
    const TextRules rules = CurrentTextRules();
    if (JudgeText(szText1, szText2, TextForm::Plain, rules) != Held::Not)
        return 0;
    // The first unit that differs orders the texts.
    MatchTextReader reader1(szText1, TextForm::Plain, rules);
    MatchTextReader reader2(szText2, TextForm::Plain, rules);
    for (;;) {
        const uint32_t n1 = reader1.Next();
        const uint32_t n2 = reader2.Next();
        if (n1 != n2)
            return n1 < n2 ? -1 : 1;
    }
}

bool IsSameAddr(const SGAddrRecord* a, const SGAddrRecord* b)
{
    return Matches<kAddrRules>(a, b);
}

bool IsSameDate(const SGDateRecord* a, const SGDateRecord* b)
{
    return Matches<kDateRules>(a, b);
}

bool IsSameTask(const SGTaskRecord* a, const SGTaskRecord* b)
{
    return Matches<kTaskRules>(a, b);
}

// Notes carry no content to compare: any two match.
bool IsSameNote(const SGNoteRecord* a, const SGNoteRecord* b)
{
    ++g_nMatchRuleCalls;
    return a != nullptr && b != nullptr;
}

bool IsNewerAddr(const SGAddrRecord* a, const SGAddrRecord* b)
{
    return a != nullptr && b != nullptr && KeepFirst(a->dtModified, b->dtModified);
}

bool IsNewerDate(const SGDateRecord* a, const SGDateRecord* b)
{
    return a != nullptr && b != nullptr && KeepFirst(a->dtModified, b->dtModified);
}

bool IsNewerTask(const SGTaskRecord* a, const SGTaskRecord* b)
{
    return a != nullptr && b != nullptr && KeepFirst(a->dtModified, b->dtModified);
}

// Notes have no modification time: the earlier note always stays.
bool IsNewerNote(const SGNoteRecord* a, const SGNoteRecord* b)
{
    return a != nullptr && b != nullptr;
}

uint64_t GetMatchRuleCalls()
{
    return g_nMatchRuleCalls;
}

void ResetMatchRuleCalls()
{
    g_nMatchRuleCalls = 0;
}
