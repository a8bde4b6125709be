// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include "platform/win32/Win32.h"
#include <oleauto.h>

namespace plat
{
namespace
{

constexpr double kFirstDay = -657434.0; // 1 January 100
constexpr double kLastDay = 2958465.0;  // 31 December 9999

bool IsLeapYear(unsigned y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// SystemTimeToVariantTime rolls fields over (31 February becomes 3 March) and reads years below
// 100 as two-digit years; such fields are refused here instead, as on every other platform, so
// that a wrong date never passes for a valid one.
bool AreValidFields(const SystemTime& st)
{
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1)
        return false;
    const unsigned nDays = st.wMonth == 2 && IsLeapYear(st.wYear) ? 29 : kDays[st.wMonth - 1];
    return st.wDay <= nDays && st.wHour <= 23 && st.wMinute <= 59 && st.wSecond <= 59;
}

// 0 for Sunday; Sakamoto's method on the proleptic Gregorian calendar.
uint16_t DayOfWeek(unsigned y, unsigned m, unsigned d)
{
    static const unsigned kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3)
        --y;
    return static_cast<uint16_t>((y + y / 4 - y / 100 + y / 400 + kOffsets[m - 1] + d) % 7);
}

} // namespace

bool VariantTimeToSystemTime(double date, SystemTime& st)
{
    // Some implementations accept NaN, and a time rounded up past the last second of 9999 as the
    // year 10000, and leave the day of the week at the day before a rounding that crossed
    // midnight; the range is checked here and the day of the week taken from the date itself.
    if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0))
        return false;
    SYSTEMTIME fields = {};
    if (!::VariantTimeToSystemTime(date, &fields) || fields.wYear > 9999 || fields.wMonth < 1 || fields.wMonth > 12)
        return false;
    st = FromSystemTime(fields);
    st.wDayOfWeek = DayOfWeek(fields.wYear, fields.wMonth, fields.wDay);
    return true;
}

bool SystemTimeToVariantTime(const SystemTime& st, double& date)
{
    if (!AreValidFields(st))
        return false;
    SYSTEMTIME fields = ToSystemTime(st);
    double value = 0.0;
    if (!::SystemTimeToVariantTime(&fields, &value))
        return false;
    date = value;
    return true;
}

} // namespace plat
