// SPDX-License-Identifier: MIT
// The MatchPlan of each kind, read from its rule table under the current rules, and the indexed run over it.
#include "core/DetectionIndex.h"

#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/DetectionIndexEngine.h"
#include "core/DetectionMatchPlan.h"
#include "core/DetectionRuleTable.h"

#include <cstddef>
#include <new>
#include <utility>

namespace
{

DetectionIndexStats g_lastStats;

template <class Record> int32_t Type(const Record& record)
{
    return record.nType;
}

// What the rules switched on require, each text once.
template <const auto& Rules, class Record>
MatchPlan<Record> PlanOf(bool (*pfnSame)(const Record*, const Record*), bool (*pfnNewer)(const Record*, const Record*))
{
    MatchPlan<Record> plan;
    if constexpr (Rules.bSameType)
        plan.pfnType = &Type<Record>;
    plan.pfnSame = pfnSame;
    plan.pfnNewer = pfnNewer;
    plan.bNormalise = AppSettings.NormaliseCompare;
    for (const RuleRow<Record>& row : Rules) {
        if (!(AppSettings.*row.pSwitch))
            continue;
        for (std::size_t t = 0; t < row.TermCount(); ++t) {
            const RuleTerm<Record>& term = row.terms[t];
            if (term.kind == RuleTerm<Record>::Text) {
                plan.AddText({term.slots[0], term.form});
            }
            else if (term.kind == RuleTerm<Record>::Date) {
                plan.dates.push_back(term.pfnDate);
            }
            else {
                typename MatchPlan<Record>::OrGroup group{{}, term.pAcross != nullptr && AppSettings.*term.pAcross};
                for (std::size_t s = 0; s < term.nSlots; ++s)
                    group.slots.push_back({term.slots[s], term.form});
                plan.orGroups.push_back(std::move(group));
            }
        }
    }
    return plan;
}

template <const auto& Rules, class Record>
bool RunIndexed(bool (*pfnSame)(const Record*, const Record*), bool (*pfnNewer)(const Record*, const Record*),
                const std::vector<Record*>& records, CxList& list)
{
    MatchPlan<Record> plan;
    try {
        plan = PlanOf<Rules>(pfnSame, pfnNewer);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (plan.RequiresNothing())
        return false;
    IndexEngine<Record> engine(plan, records, AppSettings.CaseSensitive, AppSettings.CompareEmpty);
    try {
        engine.Build();
    } catch (const std::bad_alloc&) {
        return false;
    }
    g_lastStats = engine.Stats();
    engine.Run(list);
    return true;
}

} // namespace

bool FindAddrDupsIndexed(const std::vector<SGAddrRecord*>& records, CxList& list)
{
    return RunIndexed<kAddrRules>(&IsSameAddr, &IsNewerAddr, records, list);
}

bool FindDateDupsIndexed(const std::vector<SGDateRecord*>& records, CxList& list)
{
    return RunIndexed<kDateRules>(&IsSameDate, &IsNewerDate, records, list);
}

bool FindTaskDupsIndexed(const std::vector<SGTaskRecord*>& records, CxList& list)
{
    return RunIndexed<kTaskRules>(&IsSameTask, &IsNewerTask, records, list);
}

const DetectionIndexStats& GetLastDetectionIndexStats()
{
    return g_lastStats;
}
