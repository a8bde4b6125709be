// SPDX-License-Identifier: MIT
// Why a listed record matched the record kept for it, rule row by rule row, for the review page.
#pragma once

#include "core/AppSettings.h"
#include "records/SGRecords.h"

#include <cstdint>
#include <vector>

// How each switched-on rule row of a kind held between a listed record and the record kept
// for it, in the table's order.
enum class Agreement : uint8_t
{
    Equal,       // every term held with values on both sides
    PartlyEmpty, // held, some terms only by an empty value
    Empty,       // held only because values were empty
    Differs,     // does not hold: the record kept is reached through a chain of keepers
};

struct RuleAgreement
{
    bool AppSettingsData::*pSwitch;
    Agreement agreement;
};

// The rows are judged by the match rules' own comparisons under the current settings.
std::vector<RuleAgreement> GetAddrAgreement(const SGAddrRecord& record, const SGAddrRecord& kept);
std::vector<RuleAgreement> GetDateAgreement(const SGDateRecord& record, const SGDateRecord& kept);
std::vector<RuleAgreement> GetTaskAgreement(const SGTaskRecord& record, const SGTaskRecord& kept);
