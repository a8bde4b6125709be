// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Platform.h"

#include <cstddef>

// An OLE automation date and its calendar fields, for the texts the pages show.
class CxDateTime
{
public:
    explicit CxDateTime(double dtValue);
    virtual ~CxDateTime() = default;

    // "MM/DD/YYYY", or the empty text outside the years 1931 to 2030. szBuf holds 11 characters.
    void GetDateText(char* szBuf) const;
    // "HH:MM:SS". szBuf holds 9 characters.
    void GetTimeText(char* szBuf) const;
    bool IsValid() const { return m_bValid; }
    double GetValue() const { return m_dtValue; }

private:
    double m_dtValue;
    plat::SystemTime m_stValue;
    bool m_bValid;
};

// "N/A" for a date below 0.001, otherwise the date or time text. 1, or 0 for a missing buffer.
int FormatDateText(double dtValue, char* szBuf, std::size_t nSize);
int FormatTimeText(double dtValue, char* szBuf, std::size_t nSize);
