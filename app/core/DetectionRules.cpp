// SPDX-License-Identifier: MIT
// The comparison rules: texts, the match rules walking each kind's rule table, and the keeper rule.
#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/DetectionRuleTable.h"

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

// On equal times the first record is kept; a NaN on either side keeps neither as the newer.
bool KeepFirst(double dModified1, double dModified2)
{
    return dModified1 >= dModified2;
}

template <class Record> bool Holds(const RuleTerm<Record>& term, const Record& a, const Record& b)
{
    switch (term.kind) {
    case RuleTerm<Record>::Text:
        return SameText(term.slots[0](a), term.slots[0](b));
    case RuleTerm<Record>::Date:
        return SameDate(term.pfnDate(a), term.pfnDate(b));
    case RuleTerm<Record>::AnyText:
        // Each slot is compared only with the same slot of the other record.
        for (auto pfnText : term.slots) {
            if (pfnText != nullptr && SameText(pfnText(a), pfnText(b)))
                return true;
        }
        return false;
    case RuleTerm<Record>::End:
        break;
    }
    return true;
}

// Every row whose switch is on must hold; the rows and terms are tried in table order.
template <class Record> bool Matches(const RuleTable<Record>& rules, const Record* a, const Record* b)
{
    ++g_nMatchRuleCalls;
    if (a == nullptr || b == nullptr)
        return false;
    if (rules.pfnType != nullptr && rules.pfnType(*a) != rules.pfnType(*b))
        return false;
    for (const RuleRow<Record>& row : rules) {
        if (!(AppSettings.*row.pSwitch))
            continue;
        for (const RuleTerm<Record>& term : row.terms) {
            if (term.kind == RuleTerm<Record>::End)
                break;
            if (!Holds(term, *a, *b))
                return false;
        }
    }
    return true;
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
    return Matches(kAddrRules, a, b);
}

bool IsSameDate(const SGDateRecord* a, const SGDateRecord* b)
{
    return Matches(kDateRules, a, b);
}

bool IsSameTask(const SGTaskRecord* a, const SGTaskRecord* b)
{
    return Matches(kTaskRules, a, b);
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
