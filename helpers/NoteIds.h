// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// Notes travel to the program without content, not even their ids, so the notes helper keeps the
// ids of the last fetch in a file of its own in the exchange folder; a note's nAux is its index
// there. The file holds the count, then one length-prefixed id per note.
namespace NoteIds
{

constexpr const char* kFileName = "SGNoteIds.dat";

// Writes to a temporary name and renames it into place. False when the file cannot be written.
bool Save(const std::string& path, const std::vector<std::string>& ids);
// False when the file is missing or damaged (a wrong count, a cut id, bytes left over).
bool Load(const std::string& path, std::vector<std::string>& ids);

} // namespace NoteIds
