// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{

struct Fields
{
    int year, month, day, hour, minute, second, dayOfWeek;
};

plat::SystemTime Convert(double date)
{
    plat::SystemTime st;
    st.wMilliseconds = 999;
    EXPECT_TRUE(plat::VariantTimeToSystemTime(date, st)) << date;
    return st;
}

void ExpectFields(double date, const Fields& f)
{
    const plat::SystemTime st = Convert(date);
    EXPECT_EQ(f.year, st.wYear) << date;
    EXPECT_EQ(f.month, st.wMonth) << date;
    EXPECT_EQ(f.day, st.wDay) << date;
    EXPECT_EQ(f.hour, st.wHour) << date;
    EXPECT_EQ(f.minute, st.wMinute) << date;
    EXPECT_EQ(f.second, st.wSecond) << date;
    EXPECT_EQ(f.dayOfWeek, st.wDayOfWeek) << date;
    EXPECT_EQ(0, st.wMilliseconds) << date;
}

plat::SystemTime Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    plat::SystemTime st;
    st.wYear = static_cast<uint16_t>(year);
    st.wMonth = static_cast<uint16_t>(month);
    st.wDay = static_cast<uint16_t>(day);
    st.wHour = static_cast<uint16_t>(hour);
    st.wMinute = static_cast<uint16_t>(minute);
    st.wSecond = static_cast<uint16_t>(second);
    return st;
}

bool IsLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

TEST(OleDate, CalendarFields)
{
    ExpectFields(0.0, {1899, 12, 30, 0, 0, 0, 6});
    ExpectFields(39877.0, {2009, 3, 5, 0, 0, 0, 4});
    ExpectFields(39877.604166666664, {2009, 3, 5, 14, 30, 0, 4});
    ExpectFields(36585.0, {2000, 2, 29, 0, 0, 0, 2});

    // Rounded to the nearest second; 23:59:59.6 becomes midnight of the next day, also at a year end.
    ExpectFields(0.5 / 86400.0, {1899, 12, 30, 0, 0, 1, 6});
    ExpectFields(0.499 / 86400.0, {1899, 12, 30, 0, 0, 0, 6});
    ExpectFields(39877.0 + 30.501 / 86400.0, {2009, 3, 5, 0, 0, 31, 4});
    ExpectFields(39877.0 + 30.499 / 86400.0, {2009, 3, 5, 0, 0, 30, 4});
    ExpectFields(40178.0 + 86399.6 / 86400.0, {2010, 1, 1, 0, 0, 0, 5});

    // Before the epoch the fraction still counts forward from the day's midnight.
    ExpectFields(-1.25, {1899, 12, 29, 6, 0, 0, 5});
    ExpectFields(-0.5, {1899, 12, 30, 12, 0, 0, 6});
    ExpectFields(-2.75, {1899, 12, 28, 18, 0, 0, 4});
    ExpectFields(-1.0 - 86399.6 / 86400.0, {1899, 12, 30, 0, 0, 0, 6});
}

TEST(OleDate, Range)
{
    ExpectFields(-657434.0, {100, 1, 1, 0, 0, 0, 5});
    ExpectFields(-657434.5, {100, 1, 1, 12, 0, 0, 5});
    ExpectFields(2958465.0, {9999, 12, 31, 0, 0, 0, 5});
    ExpectFields(2958465.99999, {9999, 12, 31, 23, 59, 59, 5});

    plat::SystemTime st;
    EXPECT_FALSE(plat::VariantTimeToSystemTime(-657435.0, st));
    EXPECT_FALSE(plat::VariantTimeToSystemTime(2958466.0, st));
    // Rounding up past the last second of 9999 leaves the range.
    EXPECT_FALSE(plat::VariantTimeToSystemTime(2958465.999999, st));
    EXPECT_FALSE(plat::VariantTimeToSystemTime(1e300, st));
    EXPECT_FALSE(plat::VariantTimeToSystemTime(std::numeric_limits<double>::quiet_NaN(), st));
    EXPECT_FALSE(plat::VariantTimeToSystemTime(std::numeric_limits<double>::infinity(), st));
    EXPECT_FALSE(plat::VariantTimeToSystemTime(-std::numeric_limits<double>::infinity(), st));
}

// Every day of the range, checked against a calendar counted forward one day at a time, and
// converted back to exactly the value it came from.
TEST(OleDate, EveryDayOfTheRangeAndBack)
{
    int year = 100, month = 1, day = 1, dayOfWeek = 5;
    const int monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (long n = -657434; n <= 2958465; ++n) {
        // A different time of day on each day, so the round trip covers the clock as well.
        const long seconds = (n * 7919 % 86400 + 86400) % 86400;
        const double time = static_cast<double>(seconds) / 86400.0;
        const double whole = static_cast<double>(n);
        const double date = n >= 0 ? whole + time : whole - time;

        plat::SystemTime st;
        ASSERT_TRUE(plat::VariantTimeToSystemTime(date, st)) << n;
        ASSERT_EQ(year, st.wYear) << n;
        ASSERT_EQ(month, st.wMonth) << n;
        ASSERT_EQ(day, st.wDay) << n;
        ASSERT_EQ(dayOfWeek, st.wDayOfWeek) << n;
        ASSERT_EQ(seconds, st.wHour * 3600L + st.wMinute * 60L + st.wSecond) << n;

        double back = 0.0;
        ASSERT_TRUE(plat::SystemTimeToVariantTime(st, back)) << n;
#ifdef _WIN32
        // SystemTimeToVariantTime may round the time of day in its last bits.
        ASSERT_DOUBLE_EQ(date, back) << n;
#else
        ASSERT_EQ(date, back) << n;
#endif

        dayOfWeek = (dayOfWeek + 1) % 7;
        const int length = month == 2 && IsLeap(year) ? 29 : monthDays[month - 1];
        if (++day > length) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    EXPECT_EQ(10000, year);
}

TEST(OleDate, SystemTimeToVariantTime)
{
    double date = 0.0;
    ASSERT_TRUE(plat::SystemTimeToVariantTime(Make(2009, 3, 5, 14, 30, 0), date));
    EXPECT_DOUBLE_EQ(39877.0 + 52200.0 / 86400.0, date);
    ASSERT_TRUE(plat::SystemTimeToVariantTime(Make(1899, 12, 29, 6, 0, 0), date));
    EXPECT_EQ(-1.25, date);
    ASSERT_TRUE(plat::SystemTimeToVariantTime(Make(1899, 12, 30, 12, 0, 0), date));
    EXPECT_EQ(0.5, date);
    ASSERT_TRUE(plat::SystemTimeToVariantTime(Make(100, 1, 1), date));
    EXPECT_EQ(-657434.0, date);
    ASSERT_TRUE(plat::SystemTimeToVariantTime(Make(9999, 12, 31, 23, 59, 59), date));
    EXPECT_DOUBLE_EQ(2958465.0 + 86399.0 / 86400.0, date);

    // Milliseconds and the day of the week are not read.
    plat::SystemTime st = Make(2009, 3, 5);
    st.wMilliseconds = 999;
    st.wDayOfWeek = 1;
    ASSERT_TRUE(plat::SystemTimeToVariantTime(st, date));
    EXPECT_EQ(39877.0, date);
}

TEST(OleDate, InvalidFieldsAreRefused)
{
    const plat::SystemTime invalid[] = {
        Make(99, 12, 31),
        Make(10000, 1, 1),
        Make(2009, 0, 1),
        Make(2009, 13, 1),
        Make(2009, 3, 0),
        Make(2009, 4, 31),
        Make(1900, 2, 29),
        Make(2009, 2, 29),
        Make(2009, 3, 5, 24),
        Make(2009, 3, 5, 23, 60),
        Make(2009, 3, 5, 23, 59, 60),
    };
    for (const plat::SystemTime& st : invalid) {
        double date = 123.0;
        EXPECT_FALSE(plat::SystemTimeToVariantTime(st, date)) << st.wYear << "-" << st.wMonth << "-" << st.wDay << " "
                                                              << st.wHour << ":" << st.wMinute << ":" << st.wSecond;
    }
    double date = 0.0;
    EXPECT_TRUE(plat::SystemTimeToVariantTime(Make(2000, 2, 29), date));
    EXPECT_EQ(36585.0, date);
}
