// SPDX-License-Identifier: MIT
// The text side of the ini files: parsing, look-up and editing of lines with the Windows profile
// semantics, free of file I/O. The POSIX profile functions are built on it; on Windows it vets a
// write before the profile API sees it, and the tests hold it against that API.
#pragma once

#include <string>
#include <vector>

namespace plat
{
namespace ini
{

struct Line
{
    std::string text;   // without its line ending
    std::string ending; // "\r\n", "\n", or "" for a last line without one
};

struct IniFile
{
    std::vector<Line> lines;
    bool exists = false; // set by whoever read the lines from a file
};

// Splits file content into lines, keeping each line's own ending.
void Parse(const std::string& content, IniFile& ini);

// The bytes of the file: every line followed by its own ending.
std::string Serialize(const IniFile& ini);

// The value of `key` in `section` (blanks trimmed, one pair of surrounding quotes removed), or the
// default (null counts as empty) when section or key is missing or null.
std::string Lookup(const IniFile& ini, const char* section, const char* key, const char* defaultText);

// False for a write whose texts would come back as other lines, keys or sections: a line break
// anywhere, '=' in the key, ']' in the section, an empty key, or a missing section or key.
bool IsWritable(const char* section, const char* key, const char* value);

// Sets `key` in `section` to `value`, or removes the key when value is null; creates section and
// key as needed and keeps every other line. The write must be writable (IsWritable). Returns
// whether the lines changed.
bool ApplyWrite(IniFile& ini, const char* section, const char* key, const char* value);

} // namespace ini
} // namespace plat
