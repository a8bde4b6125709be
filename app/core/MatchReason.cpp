// SPDX-License-Identifier: MIT
// The rows of a kind's rule table judged term by term, as the match rules judge them.
#include "core/MatchReason.h"

#include "core/DetectionRuleTable.h"
#include "core/DetectionTermJudge.h"

#include <cstddef>

namespace
{

template <class Record>
std::vector<RuleAgreement> Agreements(const RuleTable<Record>& table, const Record& record, const Record& kept)
{
    const TextRules rules = CurrentTextRules();
    std::vector<RuleAgreement> agreements;
    for (const RuleRow<Record>& row : table) {
        if (!(AppSettings.*row.pSwitch))
            continue;
        bool bByValues = false;
        bool bByEmpty = false;
        bool bFails = false;
        for (std::size_t t = 0; t < row.TermCount() && !bFails; ++t) {
            const Held held = TermJudge::JudgeTerm(row.terms[t], record, kept, rules, true);
            bByValues = bByValues || held == Held::ByValues;
            bByEmpty = bByEmpty || held == Held::ByEmpty;
            bFails = held == Held::Not;
        }
        Agreement agreement = Agreement::Equal;
        if (bFails)
            agreement = Agreement::Differs;
        else if (bByEmpty)
            agreement = bByValues ? Agreement::PartlyEmpty : Agreement::Empty;
        agreements.push_back({row.pSwitch, agreement});
    }
    return agreements;
}

} // namespace

std::vector<RuleAgreement> GetAddrAgreement(const SGAddrRecord& record, const SGAddrRecord& kept)
{
    return Agreements(kAddrRules, record, kept);
}

std::vector<RuleAgreement> GetDateAgreement(const SGDateRecord& record, const SGDateRecord& kept)
{
    return Agreements(kDateRules, record, kept);
}

std::vector<RuleAgreement> GetTaskAgreement(const SGTaskRecord& record, const SGTaskRecord& kept)
{
    return Agreements(kTaskRules, record, kept);
}
