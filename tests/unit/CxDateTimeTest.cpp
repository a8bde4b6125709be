// SPDX-License-Identifier: MIT
#include "misc/CxDateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace
{

// 5 March 2009, 00:00.
constexpr double kMarch5th2009 = 39877.0;

std::string DateText(double dtValue)
{
    char szBuf[32];
    std::memset(szBuf, 'x', sizeof szBuf);
    EXPECT_EQ(FormatDateText(dtValue, szBuf, sizeof szBuf), 1);
    return szBuf;
}

std::string TimeText(double dtValue)
{
    char szBuf[32];
    std::memset(szBuf, 'x', sizeof szBuf);
    EXPECT_EQ(FormatTimeText(dtValue, szBuf, sizeof szBuf), 1);
    return szBuf;
}

} // namespace

TEST(CxDateTimeTest, DateTexts)
{
    EXPECT_EQ(DateText(kMarch5th2009), "03/05/2009");
    EXPECT_EQ(DateText(kMarch5th2009 + 0.99), "03/05/2009");
    EXPECT_EQ(DateText(11324.0), "01/01/1931");
    EXPECT_EQ(DateText(47848.0), "12/31/2030");
    // Outside 1931 to 2030 the date is not shown.
    EXPECT_EQ(DateText(11323.0), "");
    EXPECT_EQ(DateText(47849.0), "");
    EXPECT_EQ(DateText(0.001), "");
}

TEST(CxDateTimeTest, NoDateIsNotApplicable)
{
    EXPECT_EQ(DateText(0.0), "N/A");
    EXPECT_EQ(DateText(0.0009), "N/A");
    EXPECT_EQ(DateText(-3.5), "N/A");
    EXPECT_EQ(DateText(std::numeric_limits<double>::quiet_NaN()), "N/A");
    EXPECT_EQ(TimeText(0.0), "N/A");
    EXPECT_EQ(TimeText(std::numeric_limits<double>::quiet_NaN()), "N/A");
}

TEST(CxDateTimeTest, TimeTexts)
{
    EXPECT_EQ(TimeText(kMarch5th2009 + 14.5 / 24), "14:30:00");
    EXPECT_EQ(TimeText(kMarch5th2009 + (23 * 3600 + 59 * 60 + 58) / 86400.0), "23:59:58");
    // The year window is for dates only.
    EXPECT_EQ(TimeText(47849.25), "06:00:00");
}

TEST(CxDateTimeTest, UnconvertibleDatesGiveEmptyTexts)
{
    const CxDateTime dt(1e10);
    EXPECT_FALSE(dt.IsValid());
    char szBuf[16] = "untouched";
    dt.GetDateText(szBuf);
    EXPECT_STREQ(szBuf, "");
    std::strcpy(szBuf, "untouched");
    dt.GetTimeText(szBuf);
    EXPECT_STREQ(szBuf, "");
    EXPECT_EQ(TimeText(std::numeric_limits<double>::infinity()), "");
    EXPECT_TRUE(CxDateTime(kMarch5th2009).IsValid());
}

TEST(CxDateTimeTest, BuffersAreNeverOverrun)
{
    char szBuf[8] = "abcdefg";
    EXPECT_EQ(FormatDateText(kMarch5th2009, nullptr, 32), 0);
    EXPECT_EQ(FormatTimeText(kMarch5th2009, nullptr, 32), 0);
    EXPECT_EQ(FormatDateText(kMarch5th2009, szBuf, 0), 0);
    EXPECT_EQ(FormatTimeText(0.0, szBuf, 0), 0);
    EXPECT_STREQ(szBuf, "abcdefg");

    EXPECT_EQ(FormatDateText(kMarch5th2009, szBuf, 4), 1);
    EXPECT_STREQ(szBuf, "03/");
    EXPECT_STREQ(szBuf + 4, "efg");
    EXPECT_EQ(FormatTimeText(0.0, szBuf, 3), 1);
    EXPECT_STREQ(szBuf, "N/");
    EXPECT_EQ(FormatTimeText(kMarch5th2009, szBuf, 1), 1);
    EXPECT_STREQ(szBuf, "");
    EXPECT_EQ(szBuf[1], '/');
}
