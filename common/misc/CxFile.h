// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>

// One binary file stream and the item encodings of every exchange file: 4-byte little-endian
// integers, 8-byte doubles, 4-byte flags and length-prefixed strings.
class CxFile
{
public:
    CxFile() = default;
    virtual ~CxFile();
    CxFile(const CxFile&) = delete;
    CxFile& operator=(const CxFile&) = delete;

    bool Open(const char* szPath, const char* szMode);
    bool Close();
    // Closes a stream that was written and tells whether every byte reached the file: the item
    // writers do not report short writes, so a writer of a whole file checks here once.
    bool Finish();
    bool IsOpen() const { return m_pFile != nullptr; }

    bool ReadInt(int32_t* pValue);
    bool ReadDouble(double* pValue);
    bool ReadFlag(uint8_t* pValue);
    // A stored text longer than nCapacity - 1 is cut there and its surplus bytes are skipped, so
    // the items that follow stay aligned. A length of 0 or less leaves the field untouched.
    bool ReadString(char* szField, std::size_t nCapacity);

    bool WriteInt(int32_t nValue);
    bool WriteDouble(double dValue);
    bool WriteFlag(uint8_t bValue);
    bool WriteString(const char* szText);
    bool WriteLine(const char* szText);

    // Size of the file in bytes, -1 when it cannot be opened.
    static int64_t GetFileSize(const char* szPath);

    // True when no byte is left to read (or no stream is open). Readers of outside files use it
    // to stop at the real end instead of trusting a stored count.
    bool AtEnd();
    // True once a read has run into the end: the item it read was cut short.
    bool ReadPastEnd() const;

private:
    std::FILE* m_pFile = nullptr;
};
