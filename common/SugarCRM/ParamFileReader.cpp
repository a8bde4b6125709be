// SPDX-License-Identifier: MIT
#include "SugarCRM/ParamFileReader.h"

#include "SugarCRM/CxSGParamParser.h"

#include <exception>
#include <fstream>
#include <new>

namespace
{

// A cursor over the file's bytes that refuses to read past their end.
class ByteCursor
{
public:
    ByteCursor(const unsigned char* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    bool ReadInt(int32_t& nValue)
    {
        if (Remaining() < 4)
            return false;
        const uint32_t nBits =
            static_cast<uint32_t>(m_pData[m_nPos]) | static_cast<uint32_t>(m_pData[m_nPos + 1]) << 8 |
            static_cast<uint32_t>(m_pData[m_nPos + 2]) << 16 | static_cast<uint32_t>(m_pData[m_nPos + 3]) << 24;
        nValue = static_cast<int32_t>(nBits);
        m_nPos += 4;
        return true;
    }

    bool ReadString(std::string& sText)
    {
        int32_t nLength = 0;
        if (!ReadInt(nLength) || nLength < 0 || static_cast<std::size_t>(nLength) > Remaining())
            return false;
        sText.assign(reinterpret_cast<const char*>(m_pData + m_nPos), static_cast<std::size_t>(nLength));
        m_nPos += static_cast<std::size_t>(nLength);
        return true;
    }

    std::size_t Remaining() const { return m_nSize - m_nPos; }

private:
    const unsigned char* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
};

bool ReadEntry(ByteCursor& cursor, ParamFileEntry& entry)
{
    if (!cursor.ReadInt(entry.nTag) || !cursor.ReadInt(entry.nType))
        return false;
    switch (entry.nType) {
    case SGPARAM_I4:
    case SGPARAM_R8: {
        int32_t nValue = 0;
        if (!cursor.ReadInt(nValue))
            return false;
        entry.value = nValue;
        return true;
    }
    case SGPARAM_BSTR: {
        std::string sText;
        // The writer never stores more than SGPARAM_MAX_TEXT bytes; more means a damaged file.
        if (!cursor.ReadString(sText) || sText.size() > SGPARAM_MAX_TEXT || sText.find('\0') != std::string::npos)
            return false;
        entry.value = std::move(sText);
        return true;
    }
    case SGPARAM_BOOL: {
        int32_t nValue = 0;
        if (!cursor.ReadInt(nValue))
            return false;
        entry.value = nValue != 0;
        return true;
    }
    default:
        return true;
    }
}

} // namespace

bool ParamFileReader::Load(const char* szPath)
{
    m_entries.clear();
    if (szPath == nullptr || szPath[0] == '\0')
        return false;
    try {
        std::ifstream in(szPath, std::ios::binary);
        if (!in)
            return false;
        std::vector<unsigned char> bytes;
        char buffer[4096];
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            bytes.insert(bytes.end(), buffer, buffer + in.gcount());
            if (bytes.size() > kMaxFileSize)
                return false;
        }
        return Parse(bytes.data(), bytes.size());
    } catch (const std::exception&) {
        m_entries.clear();
        return false;
    }
}

bool ParamFileReader::Parse(const unsigned char* pData, std::size_t nSize)
{
    m_entries.clear();
    if (pData == nullptr || nSize > kMaxFileSize)
        return false;

    ByteCursor cursor(pData, nSize);
    int32_t nCount = 0;
    // Every entry takes at least eight bytes (tag and type), which bounds any honest count.
    if (!cursor.ReadInt(nCount) || nCount < 0 || static_cast<std::size_t>(nCount) > cursor.Remaining() / 8)
        return false;

    try {
        std::vector<ParamFileEntry> entries;
        entries.reserve(static_cast<std::size_t>(nCount));
        for (int32_t i = 0; i < nCount; ++i) {
            ParamFileEntry entry;
            if (!ReadEntry(cursor, entry))
                return false;
            entries.push_back(std::move(entry));
        }
        // Bytes left over mean the count and the entries disagree.
        if (cursor.Remaining() != 0)
            return false;
        m_entries = std::move(entries);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

const ParamFileEntry* ParamFileReader::Find(int32_t nTag) const
{
    for (const ParamFileEntry& entry : m_entries) {
        if (entry.nTag == nTag)
            return &entry;
    }
    return nullptr;
}

bool ParamFileReader::GetText(int32_t nTag, std::string& sText) const
{
    sText.clear();
    const ParamFileEntry* pEntry = Find(nTag);
    if (pEntry == nullptr)
        return false;
    if (const auto* pText = std::get_if<std::string>(&pEntry->value)) {
        sText = *pText;
    }
    else if (const auto* pInt = std::get_if<int32_t>(&pEntry->value)) {
        sText = std::to_string(*pInt);
    }
    else if (const auto* pFlag = std::get_if<bool>(&pEntry->value)) {
        sText = *pFlag ? "1" : "0";
    }
    else {
        return false;
    }
    return true;
}
