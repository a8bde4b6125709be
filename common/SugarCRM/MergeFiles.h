// SPDX-License-Identifier: MIT
// The two files of a merge run: the keep file that the program hands to the helper (which ticked
// record goes into which record kept) and the merge report the helper leaves (which duplicates it
// merged and deleted, and how many related items each one moved). Both use the items of the data
// files.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Bits of the keep file's options.
constexpr int32_t MERGE_MOVE_RELATED = 1;
constexpr int32_t MERGE_FILL_EMPTY = 2;

struct KeepEntry
{
    std::string duplicateId; // the ticked record, deleted after the merge
    std::string keptId;      // the record it is merged into
};

struct KeepList
{
    int32_t nOptions = 0;
    std::map<std::string, std::string> keptFor; // id of a record to delete -> id of the record kept
};

struct MergedRecord
{
    std::string duplicateId;
    int32_t nMovedItems = 0;
};

// Creates the file owner-only before the first byte, then writes the options, the count and each
// pair of ids. False when it could not be written completely.
bool WriteKeepFile(const char* szPath, int32_t nOptions, const std::vector<KeepEntry>& entries);

// False, with the list empty and error saying why, when the file cannot be read or is damaged: an
// id cut short, empty or paired with itself, a pair missing or bytes left over would merge into a
// record nobody chose, so nothing is taken from such a file.
bool ReadKeepFile(const char* szPath, KeepList& keep, std::string& error);

// Written under a temporary name and renamed into place, so no reader sees half a report.
bool WriteMergeReport(const char* szPath, const std::vector<MergedRecord>& merged);

// False, with the list empty, when the file is missing or damaged (a negative count, an id cut
// short or empty, fewer entries than counted, bytes left over).
bool ReadMergeReport(const char* szPath, std::vector<MergedRecord>& merged);
