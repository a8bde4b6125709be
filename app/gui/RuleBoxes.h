// SPDX-License-Identifier: MIT
// The rule switches as the rules dialog shows them: one box per switch on the tab of its kind. The
// review page names the rules that two records agreed on with the same captions.
#pragma once

#include "core/AppSettings.h"

#include <cstddef>

// One box of a tab; a null field is a box bound to no setting.
struct RuleBox
{
    const char* szName;
    const char* szCaption;
    bool AppSettingsData::*pField;
};

struct RuleBoxTab
{
    const char* szName;
    const char* szCaption;
    const RuleBox* pBoxes;
    std::size_t nBoxes;
};

// The dialog's tabs in their order, each with its boxes as they stand, column by column.
extern const RuleBoxTab kRuleBoxTabs[3];

// The caption of a rule switch; a switch without a box has a caption of its own. Null for a
// field that is no rule switch.
const char* RuleCaption(bool AppSettingsData::*pSwitch);
