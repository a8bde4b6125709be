// SPDX-License-Identifier: MIT
// The rule switches that random tests turn on and off, read from the rule tables so that a new row
// is covered without a change here.
#pragma once

#include "core/AppSettings.h"
#include "core/DetectionRuleTable.h"

#include <vector>

// CaseSensitive and CompareEmpty, then every row of contacts, calendar and tasks in table order.
inline std::vector<bool AppSettingsData::*> AllRuleSwitches()
{
    std::vector<bool AppSettingsData::*> switches = {&AppSettingsData::CaseSensitive, &AppSettingsData::CompareEmpty};
    for (const auto& row : kAddrRules)
        switches.push_back(row.pSwitch);
    for (const auto& row : kDateRules)
        switches.push_back(row.pSwitch);
    for (const auto& row : kTaskRules)
        switches.push_back(row.pSwitch);
    return switches;
}

template <class Record> bool AnyRuleOn(const RuleTable<Record>& rules)
{
    for (const auto& row : rules) {
        if (AppSettings.*row.pSwitch)
            return true;
    }
    return false;
}
