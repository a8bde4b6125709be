// SPDX-License-Identifier: MIT
#include "misc/CxFile.h"

#include "platform/Platform.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace
{

// The files are exchanged with programs on other machines, so every value is put together byte
// by byte in little-endian order whatever the host's own order is.
void PutLE(unsigned char* pBytes, uint64_t nValue, std::size_t nCount)
{
    for (std::size_t i = 0; i < nCount; ++i) {
        pBytes[i] = static_cast<unsigned char>(nValue >> (8 * i));
    }
}

uint64_t GetLE(const unsigned char* pBytes, std::size_t nCount)
{
    uint64_t nValue = 0;
    for (std::size_t i = 0; i < nCount; ++i) {
        nValue |= static_cast<uint64_t>(pBytes[i]) << (8 * i);
    }
    return nValue;
}

// Reads exactly nCount bytes; false at the end of the file, so a short item changes nothing.
bool ReadExact(std::FILE* pFile, unsigned char* pBytes, std::size_t nCount)
{
    return std::fread(pBytes, 1, nCount, pFile) == nCount;
}

} // namespace

CxFile::~CxFile()
{
    Close();
}

bool CxFile::Open(const char* szPath, const char* szMode)
{
    if (szPath == nullptr || *szPath == '\0' || szMode == nullptr || *szMode == '\0')
        return false;
    // Callers never reopen an open object; should one do so, the old stream must not leak.
    Close();
    m_pFile = std::fopen(szPath, szMode);
    return m_pFile != nullptr;
}

bool CxFile::Close()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    return true;
}

bool CxFile::ReadInt(int32_t* pValue)
{
    if (m_pFile == nullptr || pValue == nullptr)
        return false;
    unsigned char bytes[4];
    if (ReadExact(m_pFile, bytes, sizeof bytes))
        *pValue = static_cast<int32_t>(static_cast<uint32_t>(GetLE(bytes, sizeof bytes)));
    return true;
}

bool CxFile::ReadDouble(double* pValue)
{
    if (m_pFile == nullptr || pValue == nullptr)
        return false;
    unsigned char bytes[8];
    if (ReadExact(m_pFile, bytes, sizeof bytes)) {
        const uint64_t nBits = GetLE(bytes, sizeof bytes);
        std::memcpy(pValue, &nBits, sizeof nBits);
    }
    return true;
}

bool CxFile::ReadFlag(uint8_t* pValue)
{
    if (m_pFile == nullptr || pValue == nullptr)
        return false;
    unsigned char bytes[4];
    if (ReadExact(m_pFile, bytes, sizeof bytes))
        *pValue = bytes[0];
    return true;
}

bool CxFile::ReadString(char* szField, std::size_t nCapacity)
{
    if (m_pFile == nullptr || szField == nullptr)
        return false;
    int32_t nLength = 0;
    ReadInt(&nLength);
    if (nLength <= 0)
        return true;

    const std::size_t nStored = static_cast<std::size_t>(nLength);
    const std::size_t nTake = nCapacity > 0 ? std::min(nStored, nCapacity - 1) : 0;
    if (nCapacity > 0) {
        const std::size_t nRead = std::fread(szField, 1, nTake, m_pFile);
        szField[nRead] = '\0';
    }
    if (nStored > nTake)
        std::fseek(m_pFile, static_cast<long>(nStored - nTake), SEEK_CUR);
    return true;
}

bool CxFile::WriteInt(int32_t nValue)
{
    if (m_pFile == nullptr)
        return false;
    unsigned char bytes[4];
    PutLE(bytes, static_cast<uint32_t>(nValue), sizeof bytes);
    std::fwrite(bytes, 1, sizeof bytes, m_pFile);
    return true;
}

bool CxFile::WriteDouble(double dValue)
{
    if (m_pFile == nullptr)
        return false;
    uint64_t nBits = 0;
    std::memcpy(&nBits, &dValue, sizeof nBits);
    unsigned char bytes[8];
    PutLE(bytes, nBits, sizeof bytes);
    std::fwrite(bytes, 1, sizeof bytes, m_pFile);
    return true;
}

bool CxFile::WriteFlag(uint8_t bValue)
{
    if (m_pFile == nullptr)
        return false;
    const unsigned char bytes[4] = {bValue, 0, 0, 0};
    std::fwrite(bytes, 1, sizeof bytes, m_pFile);
    return true;
}

bool CxFile::WriteString(const char* szText)
{
    if (m_pFile == nullptr)
        return false;
    std::size_t nLength = szText != nullptr ? std::strlen(szText) : 0;
    // A length beyond the 4-byte field would be stored as a negative number; keep what fits.
    if (nLength > static_cast<std::size_t>(INT32_MAX))
        nLength = static_cast<std::size_t>(INT32_MAX);
    WriteInt(static_cast<int32_t>(nLength));
    if (nLength > 0)
        std::fwrite(szText, 1, nLength, m_pFile);
    return true;
}

bool CxFile::Finish()
{
    if (m_pFile == nullptr)
        return false;
    bool bWritten = std::fflush(m_pFile) == 0 && std::ferror(m_pFile) == 0;
    bWritten = std::fclose(m_pFile) == 0 && bWritten;
    m_pFile = nullptr;
    return bWritten;
}

bool CxFile::WriteLine(const char* szText)
{
    if (m_pFile == nullptr)
        return false;
    if (szText != nullptr)
        std::fputs(szText, m_pFile);
    std::fputs("\r\n", m_pFile);
    return true;
}

int64_t CxFile::GetFileSize(const char* szPath)
{
    if (szPath == nullptr || *szPath == '\0')
        return -1;
    return plat::FileSize(szPath);
}

bool CxFile::ReadPastEnd() const
{
    return m_pFile != nullptr && std::feof(m_pFile) != 0;
}

bool CxFile::AtEnd()
{
    if (m_pFile == nullptr)
        return true;
    const int nByte = std::fgetc(m_pFile);
    if (nByte == EOF)
        return true;
    std::ungetc(nByte, m_pFile);
    return false;
}
