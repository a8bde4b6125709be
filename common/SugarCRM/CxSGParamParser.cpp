// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGParamParser.h"

#include "misc/CxFile.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace
{

// A real travels as its value truncated toward zero. Converting NaN or a value outside the
// int32_t range is undefined behaviour, so NaN becomes 0 and the rest is pinned to the range.
int32_t TruncateToInt(double dValue)
{
    if (std::isnan(dValue))
        return 0;
    if (dValue <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (dValue >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(dValue);
}

void StoreValue(SGParamEntry& entry, const void* pValue)
{
    switch (entry.nType) {
    case SGPARAM_I4: {
        int32_t nValue = 0;
        std::memcpy(&nValue, pValue, sizeof nValue);
        entry.value = nValue;
        break;
    }
    case SGPARAM_R8: {
        double dValue = 0.0;
        std::memcpy(&dValue, pValue, sizeof dValue);
        entry.value = dValue;
        break;
    }
    case SGPARAM_BSTR:
        entry.value = plat::AnsiToWide(static_cast<const char*>(pValue), SGPARAM_MAX_TEXT);
        break;
    case SGPARAM_BOOL:
        entry.value = *static_cast<const unsigned char*>(pValue) != 0;
        break;
    default:
        entry.value = std::monostate();
        break;
    }
}

void WriteEntry(CxFile& file, const SGParamEntry& entry)
{
    file.WriteInt(entry.nTag);
    file.WriteInt(entry.nType);
    if (const auto* pInt = std::get_if<int32_t>(&entry.value)) {
        file.WriteInt(*pInt);
    }
    else if (const auto* pReal = std::get_if<double>(&entry.value)) {
        file.WriteInt(TruncateToInt(*pReal));
    }
    else if (const auto* pText = std::get_if<std::u16string>(&entry.value)) {
        file.WriteString(plat::WideToAnsi(*pText, SGPARAM_MAX_TEXT).c_str());
    }
    else if (const auto* pFlag = std::get_if<bool>(&entry.value)) {
        file.WriteInt(*pFlag ? 1 : 0);
    }
}

} // namespace

CxSGParamParser::CxSGParamParser(const char* szPath)
{
    if (szPath != nullptr && szPath[0] != '\0')
        CopyText(m_szPath, szPath);
}

CxSGParamParser::~CxSGParamParser()
{
    ClearParams();
}

int CxSGParamParser::SetParam(int32_t nTag, int32_t nType, const void* pValue)
{
    if (pValue == nullptr)
        return 0;
    try {
        SGParamEntry* pEntry = FindEntry(nTag);
        if (pEntry != nullptr) {
            if (pEntry->nType != nType)
                return 0;
            StoreValue(*pEntry, pValue);
            return 1;
        }
        SGParamEntry entry;
        entry.nTag = nTag;
        entry.nType = nType;
        StoreValue(entry, pValue);
        m_entries.push_back(std::move(entry));
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

const SGParamEntry* CxSGParamParser::FindParam(int32_t nTag) const
{
    for (const SGParamEntry& entry : m_entries) {
        if (entry.nTag == nTag)
            return &entry;
    }
    return nullptr;
}

SGParamEntry* CxSGParamParser::FindEntry(int32_t nTag)
{
    return const_cast<SGParamEntry*>(FindParam(nTag));
}

void CxSGParamParser::ClearParams()
{
    m_entries.clear();
}

bool CxSGParamParser::SaveToFile(const char* szPath)
{
    if (szPath != nullptr && szPath[0] != '\0')
        CopyText(m_szPath, szPath);

    CxFile file;
    if (!file.Open(m_szPath, "wb"))
        return false;
    file.WriteInt(static_cast<int32_t>(m_entries.size()));
    for (const SGParamEntry& entry : m_entries)
        WriteEntry(file, entry);
    // A full disk must not pass for a written file: the helper would run a half-read job.
    return file.Finish();
}
