// SPDX-License-Identifier: MIT
// What a match requires under the rules of one run: the fields that each kind's match rule compares,
// as the candidate index reads them, and the kind's own match and keeper rules.
#pragma once

#include "core/MatchText.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// What a match requires under the rules of one run.
template <class Record> struct MatchPlan
{
    using TextOf = const char* (*)(const Record&);
    using DateOf = double (*)(const Record&);

    // A field and how it reads under NormaliseCompare.
    struct Text
    {
        TextOf pfnText;
        TextForm form;
        bool operator==(const Text& other) const { return pfnText == other.pfnText && form == other.form; }
    };
    struct OrGroup
    {
        std::vector<Text> slots;
        bool bAcross; // shared values count in whichever slots (RuleTerm::pAcross)
    };

    int32_t (*pfnType)(const Record&) = nullptr; // null for a kind without a type
    std::vector<Text> andTexts;                  // each must be equal
    std::vector<DateOf> dates;                   // each must be equal, with no empty-value rule
    std::vector<OrGroup> orGroups;               // in each group one slot must equal the same slot
    bool bNormalise = false;                     // NormaliseCompare
    bool (*pfnSame)(const Record*, const Record*) = nullptr;
    bool (*pfnNewer)(const Record*, const Record*) = nullptr;

    void AddText(const Text& text)
    {
        if (std::find(andTexts.begin(), andTexts.end(), text) == andTexts.end())
            andTexts.push_back(text);
    }
    bool RequiresNothing() const { return pfnType == nullptr && andTexts.empty() && dates.empty() && orGroups.empty(); }
};
