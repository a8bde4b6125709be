// SPDX-License-Identifier: MIT
// The files of a merge: the keep file the program writes before a deletion run and the merge
// report the helper writes after it. Both use the items of the data files.
#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace MergeOption
{
constexpr int32_t kMoveLinks = 1;
constexpr int32_t kFillFields = 2;
} // namespace MergeOption

struct KeepList
{
    int32_t nOptions = 0;
    std::map<std::string, std::string> keptFor; // id of a record to delete -> id of the record kept
};

// False with a message when the file cannot be read or is damaged: an id cut short or a pair
// missing would merge into the wrong record, so nothing is taken from such a file.
bool ReadKeepFile(const std::string& path, KeepList& keep, QString& error);

// Duplicates merged and deleted, each with the number of related items moved to the record kept.
// Written under a temporary name and renamed into place, so no reader sees half a report.
bool WriteMergeReport(const std::string& path, const std::vector<std::pair<std::string, int32_t>>& merged);
