// SPDX-License-Identifier: MIT
#include "misc/CxDateTime.h"

#include <cassert>
#include <cmath>
#include <cstdio>

namespace
{

// Below this an OLE date holds no date at all; NaN is no date either.
bool IsNoDate(double dtValue)
{
    return std::isnan(dtValue) || dtValue < 0.001;
}

// Copies at most nSize - 1 characters and the terminator. 0 when there is no buffer.
int CopyOut(char* szBuf, std::size_t nSize, const char* szText)
{
    if (szBuf == nullptr || nSize == 0)
        return 0;
    std::size_t n = 0;
    for (; n + 1 < nSize && szText[n] != '\0'; ++n)
        szBuf[n] = szText[n];
    szBuf[n] = '\0';
    return 1;
}

} // namespace

CxDateTime::CxDateTime(double dtValue) : m_dtValue(dtValue), m_bValid(plat::VariantTimeToSystemTime(dtValue, m_stValue))
{
}

void CxDateTime::GetDateText(char* szBuf) const
{
    assert(szBuf != NULL);
    if (szBuf == nullptr)
        return;
    // Dates outside 1931 to 2030 are placeholders rather than real dates and are shown as empty.
    if (!m_bValid || m_stValue.wYear > 2030 || m_stValue.wYear <= 1930) {
        szBuf[0] = '\0';
        return;
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%02d/%02d/%04d", m_stValue.wMonth, m_stValue.wDay, m_stValue.wYear);
    CopyOut(szBuf, 11, szText);
}

void CxDateTime::GetTimeText(char* szBuf) const
{
    assert(szBuf != NULL);
    if (szBuf == nullptr)
        return;
    if (!m_bValid) {
        szBuf[0] = '\0';
        return;
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%02d:%02d:%02d", m_stValue.wHour, m_stValue.wMinute, m_stValue.wSecond);
    CopyOut(szBuf, 9, szText);
}

int FormatDateText(double dtValue, char* szBuf, std::size_t nSize)
{
    if (IsNoDate(dtValue))
        return CopyOut(szBuf, nSize, "N/A");
    char szText[32];
    CxDateTime(dtValue).GetDateText(szText);
    return CopyOut(szBuf, nSize, szText);
}

int FormatTimeText(double dtValue, char* szBuf, std::size_t nSize)
{
    if (IsNoDate(dtValue))
        return CopyOut(szBuf, nSize, "N/A");
    char szText[32];
    CxDateTime(dtValue).GetTimeText(szText);
    return CopyOut(szBuf, nSize, szText);
}
