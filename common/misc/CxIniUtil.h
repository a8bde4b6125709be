// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// Access to one ini file by section and key. Nothing is cached: every call goes to the file.
class CxIniUtil
{
public:
    // The file is folder + name; with no folder, the program's own folder + name.
    CxIniUtil(const char* szFolder, const char* szFileName);
    virtual ~CxIniUtil() = default;

    // Takes a non-empty path (cut at 259 characters); an empty or null path keeps the old one.
    void SetIniPath(const char* szPath);
    const char* GetIniPath() const { return m_szIniFile; }

    // Number of characters copied; 0 with nothing done for a missing key, buffer or size.
    std::size_t ReadIniString(const char* szSection, const char* szKey, char* szBuf, std::size_t nSize,
                              const char* szDefault);
    int ReadIniInt(const char* szSection, const char* szKey, int nDefault);
    bool ReadIniBool(const char* szSection, const char* szKey, bool bDefault);

    // Non-zero on success; 0 with nothing written for a missing key. A null text writes "".
    int WriteIniString(const char* szSection, const char* szKey, const char* szText);
    int WriteIniInt(const char* szSection, const char* szKey, int nValue);
    int WriteIniBool(const char* szSection, const char* szKey, bool bValue);

private:
    char m_szIniFile[plat::kMaxPath];
};

// The leading decimal number of a text: optional sign, then digits; 0 when there are none.
int ParseLeadingInt(const char* szText);
