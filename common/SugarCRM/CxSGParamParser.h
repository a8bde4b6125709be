// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// Type codes of a parameter: the OLE Automation variant type numbers that the helpers expect.
enum SGParamType : int32_t
{
    SGPARAM_I4 = 3,
    SGPARAM_R8 = 5,
    SGPARAM_BSTR = 8,
    SGPARAM_BOOL = 11
};

// Longest text a string parameter holds, in UTF-16 units in memory and in bytes in the file.
constexpr std::size_t SGPARAM_MAX_TEXT = 1023;

// One numbered parameter. An entry of an unknown type code holds no value (std::monostate).
struct SGParamEntry
{
    int32_t nTag = 0;
    int32_t nType = 0;
    std::variant<std::monostate, int32_t, double, std::u16string, bool> value;
};

// Collects the numbered parameters of a helper's job and writes them to its parameter file in the
// order in which each tag was first set.
class CxSGParamParser
{
public:
    explicit CxSGParamParser(const char* szPath = nullptr);
    virtual ~CxSGParamParser();
    CxSGParamParser(const CxSGParamParser&) = delete;
    CxSGParamParser& operator=(const CxSGParamParser&) = delete;

    // pValue points at an int32_t (type 3), a double (5), NUL-terminated ANSI text (8) or one
    // byte (11). Returns 1, or 0 for a null value, a type change of an existing tag or no memory.
    int SetParam(int32_t nTag, int32_t nType, const void* pValue);
    // The bridges pass every value as text.
    int SetParam(int32_t nTag, const char* szValue) { return SetParam(nTag, SGPARAM_BSTR, szValue); }

    const SGParamEntry* FindParam(int32_t nTag) const;
    void ClearParams();
    const std::vector<SGParamEntry>& GetParams() const { return m_entries; }

    // A non-empty path replaces the stored one. False only when the file cannot be opened.
    bool SaveToFile(const char* szPath = nullptr);
    const char* GetPath() const { return m_szPath; }

private:
    SGParamEntry* FindEntry(int32_t nTag);

    std::vector<SGParamEntry> m_entries;
    char m_szPath[plat::kMaxPath] = {};
};
