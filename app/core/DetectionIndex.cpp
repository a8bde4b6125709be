// SPDX-License-Identifier: MIT
// What each kind's match rule requires under the current rules, and the indexed run over it.
#include "core/DetectionIndex.h"

#include "core/AppSettings.h"
#include "core/Detection.h"
#include "core/DetectionIndexEngine.h"
#include "core/DetectionMatchPlan.h"

#include <new>

namespace
{

DetectionIndexStats g_lastStats;

template <class Record, auto Field> const char* Text(const Record& record)
{
    return record.*Field;
}

template <class Record, auto Field> double Date(const Record& record)
{
    return record.*Field;
}

template <class Record> int32_t Type(const Record& record)
{
    return record.nType;
}

template <auto Field> constexpr auto AddrText = &Text<SGAddrRecord, Field>;
template <auto Field> constexpr auto DateText = &Text<SGDateRecord, Field>;
template <auto Field> constexpr auto TaskText = &Text<SGTaskRecord, Field>;

MatchPlan<SGAddrRecord> AddrPlan()
{
    using R = SGAddrRecord;
    const AppSettingsData& s = AppSettings;
    MatchPlan<R> plan;
    plan.pfnType = &Type<R>;
    plan.pfnSame = &IsSameAddr;
    plan.pfnNewer = &IsNewerAddr;
    if (s.AddrDisplayName || s.AddrFirstName)
        plan.AddText(AddrText<&R::szFirstName>);
    if (s.AddrDisplayName || s.AddrLastName)
        plan.AddText(AddrText<&R::szLastName>);
    if (s.AddrDepartment)
        plan.AddText(AddrText<&R::szDepartment>);
    if (s.AddrTitle)
        plan.AddText(AddrText<&R::szJobTitle>);
    if (s.AddrEmail)
        plan.orGroups.push_back({AddrText<&R::szEmail1>, AddrText<&R::szEmail2>, AddrText<&R::szEmail3>});
    if (s.AddrPhone) {
        plan.AddText(AddrText<&R::szWorkPhone>);
        plan.AddText(AddrText<&R::szFax>);
        plan.orGroups.push_back({AddrText<&R::szHomePhone>, AddrText<&R::szMobilePhone>, AddrText<&R::szOtherPhone>});
    }
    if (s.AddrAddress) {
        for (auto pfnText : {AddrText<&R::szPrimaryStreet>, AddrText<&R::szPrimaryCity>, AddrText<&R::szPrimaryState>,
                             AddrText<&R::szPrimaryPostalCode>, AddrText<&R::szPrimaryCountry>,
                             AddrText<&R::szAltStreet>, AddrText<&R::szAltCity>, AddrText<&R::szAltState>,
                             AddrText<&R::szAltPostalCode>, AddrText<&R::szAltCountry>})
            plan.AddText(pfnText);
    }
    if (s.AddrBirthday)
        plan.dates.push_back(&Date<R, &R::dtBirthDate>);
    if (s.AddrNote)
        plan.AddText(AddrText<&R::szDescription>);
    return plan;
}

MatchPlan<SGDateRecord> DatePlan()
{
    using R = SGDateRecord;
    const AppSettingsData& s = AppSettings;
    MatchPlan<R> plan;
    plan.pfnType = &Type<R>;
    plan.pfnSame = &IsSameDate;
    plan.pfnNewer = &IsNewerDate;
    if (s.DateSubject)
        plan.AddText(DateText<&R::szSubject>);
    if (s.DateStartTime)
        plan.dates.push_back(&Date<R, &R::dtStart>);
    if (s.DateEndTime)
        plan.dates.push_back(&Date<R, &R::dtEnd>);
    if (s.DateLocation)
        plan.AddText(DateText<&R::szLocation>);
    if (s.DateContactID)
        plan.AddText(DateText<&R::szContactId>);
    if (s.DateAssignedID)
        plan.AddText(DateText<&R::szAssignedId>);
    if (s.DateNote)
        plan.AddText(DateText<&R::szDescription>);
    return plan;
}

MatchPlan<SGTaskRecord> TaskPlan()
{
    using R = SGTaskRecord;
    const AppSettingsData& s = AppSettings;
    MatchPlan<R> plan;
    plan.pfnSame = &IsSameTask;
    plan.pfnNewer = &IsNewerTask;
    if (s.TaskSubject)
        plan.AddText(TaskText<&R::szSubject>);
    if (s.TaskImportance)
        plan.AddText(TaskText<&R::szPriority>);
    if (s.TaskDueDate)
        plan.dates.push_back(&Date<R, &R::dtDue>);
    if (s.TaskStatus)
        plan.AddText(TaskText<&R::szStatus>);
    if (s.TaskContactID)
        plan.AddText(TaskText<&R::szContactId>);
    if (s.TaskAssignedID)
        plan.AddText(TaskText<&R::szAssignedId>);
    if (s.TaskNote)
        plan.AddText(TaskText<&R::szDescription>);
    return plan;
}

template <class Record>
bool RunIndexed(MatchPlan<Record> (*pfnPlan)(), const std::vector<Record*>& records, CxList& list)
{
    MatchPlan<Record> plan;
    try {
        plan = pfnPlan();
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
    return RunIndexed(&AddrPlan, records, list);
}

bool FindDateDupsIndexed(const std::vector<SGDateRecord*>& records, CxList& list)
{
    return RunIndexed(&DatePlan, records, list);
}

bool FindTaskDupsIndexed(const std::vector<SGTaskRecord*>& records, CxList& list)
{
    return RunIndexed(&TaskPlan, records, list);
}

const DetectionIndexStats& GetLastDetectionIndexStats()
{
    return g_lastStats;
}
