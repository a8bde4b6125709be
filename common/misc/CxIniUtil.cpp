// SPDX-License-Identifier: MIT
#include "misc/CxIniUtil.h"

#include "misc/TextUtil.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <climits>
#include <cstdio>
#include <string>

CxIniUtil::CxIniUtil(const char* szFolder, const char* szFileName)
{
    std::string path;
    if (szFolder != nullptr && szFolder[0] != '\0') {
        path = szFolder;
    }
    else {
        char szModuleFolder[plat::kMaxPath];
        if (GetModuleFolder(nullptr, szModuleFolder))
            path = szModuleFolder;
    }
    if (szFileName != nullptr)
        path += szFileName;
    CopyText(m_szIniFile, path.c_str());
}

void CxIniUtil::SetIniPath(const char* szPath)
{
    if (szPath != nullptr && szPath[0] != '\0')
        CopyText(m_szIniFile, szPath);
}

std::size_t CxIniUtil::ReadIniString(const char* szSection, const char* szKey, char* szBuf, std::size_t nSize,
                                     const char* szDefault)
{
    if (szKey == nullptr || szKey[0] == '\0' || szBuf == nullptr || nSize == 0)
        return 0;
    return plat::GetPrivateProfileString(szSection, szKey, szDefault, szBuf, nSize, m_szIniFile);
}

int CxIniUtil::ReadIniInt(const char* szSection, const char* szKey, int nDefault)
{
    char szValue[32];
    if (ReadIniString(szSection, szKey, szValue, sizeof szValue, "") == 0)
        return nDefault;
    return ParseLeadingInt(szValue);
}

bool CxIniUtil::ReadIniBool(const char* szSection, const char* szKey, bool bDefault)
{
    return ReadIniInt(szSection, szKey, bDefault ? 1 : 0) != 0;
}

int CxIniUtil::WriteIniString(const char* szSection, const char* szKey, const char* szText)
{
    if (szKey == nullptr || szKey[0] == '\0')
        return 0;
    return plat::WritePrivateProfileString(szSection, szKey, szText != nullptr ? szText : "", m_szIniFile) ? 1 : 0;
}

int CxIniUtil::WriteIniInt(const char* szSection, const char* szKey, int nValue)
{
    char szValue[16];
    std::snprintf(szValue, sizeof szValue, "%d", nValue);
    return WriteIniString(szSection, szKey, szValue);
}

int CxIniUtil::WriteIniBool(const char* szSection, const char* szKey, bool bValue)
{
    return WriteIniInt(szSection, szKey, bValue ? 1 : 0);
}

int ParseLeadingInt(const char* szText)
{
    if (szText == nullptr)
        return 0;
    const bool bNegative = *szText == '-';
    if (*szText == '-' || *szText == '+')
        ++szText;
    // Numbers beyond the range of int stop at its nearest end instead of wrapping around.
    long long nValue = 0;
    for (; *szText >= '0' && *szText <= '9'; ++szText) {
        nValue = nValue * 10 + (*szText - '0');
        if (nValue > static_cast<long long>(INT_MAX) + 1)
            nValue = static_cast<long long>(INT_MAX) + 1;
    }
    if (bNegative)
        return static_cast<int>(-nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}
