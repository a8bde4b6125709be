// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// One parameter as a helper program reads it back. Reals arrive as integers; an entry of an
// unknown type code carries no value (std::monostate).
struct ParamFileEntry
{
    int32_t nTag = 0;
    int32_t nType = 0;
    std::variant<std::monostate, int32_t, std::string, bool> value;
};

// Reads a parameter file as CxSGParamParser writes it. The file comes from outside the reading
// program, so every count and length is checked against the bytes that are really there: a file
// that is truncated, too long or inconsistent is refused as a whole.
class ParamFileReader
{
public:
    // Parameter files hold a dozen short texts; anything beyond this is not one.
    static constexpr std::size_t kMaxFileSize = std::size_t{1024} * 1024;

    bool Load(const char* szPath);
    bool Parse(const unsigned char* pData, std::size_t nSize);

    const ParamFileEntry* Find(int32_t nTag) const;
    // The value as text: strings as stored, integers in decimal, switches as "1" or "0". False,
    // with sText emptied, when the tag is missing or carries no value.
    bool GetText(int32_t nTag, std::string& sText) const;
    const std::vector<ParamFileEntry>& GetEntries() const { return m_entries; }

private:
    std::vector<ParamFileEntry> m_entries;
};
