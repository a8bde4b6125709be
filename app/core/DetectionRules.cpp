// SPDX-License-Identifier: MIT
// The comparison rules: texts, the match rules walking each kind's rule table, and the keeper rule.
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/DetectionRuleTable.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace
{

// Plain counter: detection runs on the user-interface thread only.
uint64_t g_nMatchRuleCalls = 0;

bool SameText(const char* szText1, const char* szText2)
{
    return CompareText(szText1, szText2) == 0;
}

// Dates have no empty-value rule: a missing date (0) never equals a real one.
bool SameDate(double dDate1, double dDate2)
{
    return dDate1 == dDate2;
}

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
template <const auto& Rules, std::size_t R, std::size_t T, class Record, std::size_t... S>
bool AnySlot(const Record& a, const Record& b, std::index_sequence<S...>)
{
    constexpr RuleTerm<Record> term = Rules.pRows[R].terms[T];
    return (SameText(term.slots[S](a), term.slots[S](b)) || ...);
}

template <const auto& Rules, std::size_t R, std::size_t T, class Record> bool Holds(const Record& a, const Record& b)
{
    constexpr RuleTerm<Record> term = Rules.pRows[R].terms[T];
    if constexpr (term.kind == RuleTerm<Record>::Text) {
        return SameText(term.slots[0](a), term.slots[0](b));
    }
    else if constexpr (term.kind == RuleTerm<Record>::Date) {
        return SameDate(term.pfnDate(a), term.pfnDate(b));
    }
    else {
        // Each slot is compared only with the same slot of the other record.
        static_assert(term.kind == RuleTerm<Record>::AnyText && term.nSlots > 0);
        return AnySlot<Rules, R, T>(a, b, std::make_index_sequence<term.nSlots>());
    }
}

template <const auto& Rules, std::size_t R, class Record, std::size_t... T>
bool RowHolds(const Record& a, const Record& b, std::index_sequence<T...>)
{
    return (Holds<Rules, R, T>(a, b) && ...);
}

// Every row whose switch is on must hold; rows and terms are tried in table order.
template <const auto& Rules, class Record, std::size_t... R>
bool RowsHold(const Record& a, const Record& b, std::index_sequence<R...>)
{
    return ((!(AppSettings.*Rules.pRows[R].pSwitch) ||
             RowHolds<Rules, R>(a, b, std::make_index_sequence<Rules.pRows[R].TermCount()>())) &&
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
    return RowsHold<Rules>(*a, *b, std::make_index_sequence<Rules.nRows>());
}

} // namespace

int CompareText(const char* szText1, const char* szText2)
{
    const unsigned char* p1 = reinterpret_cast<const unsigned char*>(szText1 != nullptr ? szText1 : "");
    const unsigned char* p2 = reinterpret_cast<const unsigned char*>(szText2 != nullptr ? szText2 : "");
    if (!AppSettings.CompareEmpty && (*p1 == '\0' || *p2 == '\0'))
        return 0;
    const bool bCase = AppSettings.CaseSensitive;
    for (;; ++p1, ++p2) {
        const unsigned char c1 = bCase ? *p1 : FoldCase(*p1);
        const unsigned char c2 = bCase ? *p2 : FoldCase(*p2);
        if (c1 != c2 || c1 == '\0')
            return static_cast<int>(c1) - static_cast<int>(c2);
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
