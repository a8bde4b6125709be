// SPDX-License-Identifier: MIT
// What a match requires under the rules of one run: the fields that each kind's match rule compares,
// as the candidate index reads them, and the kind's own match and keeper rules.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// What a match requires under the rules of one run.
template <class Record> struct MatchPlan
{
    using TextOf = const char* (*)(const Record&);
    using DateOf = double (*)(const Record&);

    int32_t (*pfnType)(const Record&) = nullptr; // null for a kind without a type
    std::vector<TextOf> andTexts;                // each must be equal
    std::vector<DateOf> dates;                   // each must be equal, with no empty-value rule
    std::vector<std::vector<TextOf>> orGroups;   // in each group one slot must equal the same slot
    bool (*pfnSame)(const Record*, const Record*) = nullptr;
    bool (*pfnNewer)(const Record*, const Record*) = nullptr;

    void AddText(TextOf pfnText)
    {
        if (std::find(andTexts.begin(), andTexts.end(), pfnText) == andTexts.end())
            andTexts.push_back(pfnText);
    }
    bool RequiresNothing() const { return pfnType == nullptr && andTexts.empty() && dates.empty() && orGroups.empty(); }
};
