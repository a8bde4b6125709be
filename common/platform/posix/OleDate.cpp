// SPDX-License-Identifier: MIT
// OLE automation dates: whole days since 30 December 1899, the fraction the time of day. Before
// that day the value is negative, but the fraction still counts forward from midnight of the day
// named by the whole part (-1.25 is 29 December 1899, 06:00), as Windows reads it. Only civil-date
// arithmetic is used here: the values carry no time zone.
#include "platform/Platform.h"

#include <cmath>

namespace plat
{
namespace
{

constexpr long kSecondsPerDay = 86400;
constexpr long kFirstDay = -657434; // 1 January 100
constexpr long kLastDay = 2958465;  // 31 December 9999
constexpr long kEpochFromUnix = -25569;

// Days since 1 January 1970 in the proleptic Gregorian calendar.
long DaysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

bool IsLeapYear(unsigned y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(unsigned y, unsigned m)
{
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

} // namespace

bool VariantTimeToSystemTime(double date, SystemTime& st)
{
    // The negated test also turns NaN away.
    if (!(date > kFirstDay - 1.0 && date < kLastDay + 1.0))
        return false;

    const double whole = std::trunc(date);
    long day = static_cast<long>(whole);
    long seconds = static_cast<long>(std::floor(std::fabs(date - whole) * kSecondsPerDay + 0.5));
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;
    }
    if (day > kLastDay)
        return false;

    const long unixDay = day + kEpochFromUnix;
    long year = 0;
    unsigned month = 0;
    unsigned dayOfMonth = 0;
    CivilFromDays(unixDay, year, month, dayOfMonth);

    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(dayOfMonth);
    // 1 January 1970 was a Thursday (4).
    st.wDayOfWeek = static_cast<uint16_t>(((unixDay + 4) % 7 + 7) % 7);
    st.wHour = static_cast<uint16_t>(seconds / 3600);
    st.wMinute = static_cast<uint16_t>(seconds / 60 % 60);
    st.wSecond = static_cast<uint16_t>(seconds % 60);
    st.wMilliseconds = 0;
    return true;
}

bool SystemTimeToVariantTime(const SystemTime& st, double& date)
{
    if (st.wYear < 100 || st.wYear > 9999 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59)
        return false;

    const long day = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kEpochFromUnix;
    const double time = (st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond) / kSecondsPerDay;
    // Whole days of any valid year are far inside a double's exact range.
    const double whole = static_cast<double>(day);
    date = day >= 0 ? whole + time : whole - time;
    return true;
}

} // namespace plat
