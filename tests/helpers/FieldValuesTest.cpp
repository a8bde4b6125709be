// SPDX-License-Identifier: MIT
#include "FieldValues.h"
#include "HtmlEntities.h"
#include "SugarReply.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>
#include <QTime>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cstring>

namespace
{

QString Decode(const char* szText)
{
    return DecodeHtmlEntities(QString::fromUtf8(szText));
}

} // namespace

TEST(HtmlEntities, DecodesWhatTheServerAdds)
{
    EXPECT_EQ(Decode("O&#039;Brien"), QStringLiteral("O'Brien"));
    EXPECT_EQ(Decode("Line 2 &lt;b&gt;bold&lt;/b&gt; & &quot;quotes&quot;"),
              QStringLiteral("Line 2 <b>bold</b> & \"quotes\""));
    EXPECT_EQ(Decode("M&uuml;ller &amp; S&ouml;hne &euro; &szlig;"), QString::fromUtf8("Müller & Söhne € ß"));
    EXPECT_EQ(Decode("&#x41;&#66;&#X43;&apos;"), QStringLiteral("ABC'"));
    EXPECT_EQ(Decode("&#128512;"), QString::fromUtf8("\xF0\x9F\x98\x80"));
}

TEST(HtmlEntities, DecodesTwiceEncodedText)
{
    EXPECT_EQ(Decode("O&amp;#039;Brien"), QStringLiteral("O'Brien"));
    EXPECT_EQ(Decode("&amp;amp;lt;"), QStringLiteral("<"));
}

TEST(HtmlEntities, LeavesWhatIsNoReference)
{
    EXPECT_EQ(Decode("AT&T; R&D"), QStringLiteral("AT&T; R&D"));
    EXPECT_EQ(Decode("&Uuml &nosuch; &#; &#x; &#0; &#xD800; &#1114112; &amp"),
              QStringLiteral("&Uuml &nosuch; &#; &#x; &#0; &#xD800; &#1114112; &amp"));
    EXPECT_EQ(Decode("a & b ; c"), QStringLiteral("a & b ; c"));
    EXPECT_EQ(Decode("&AMP;"), QStringLiteral("&AMP;")); // names are case-sensitive
}

TEST(FieldValues, TextIsCutAtCapacityOnACharacterBoundary)
{
    char szField[8];
    std::memset(szField, 'x', sizeof szField);
    // "abcdef" + "ü" is 8 bytes in UTF-8: the ü does not fit the 7 bytes left before the
    // terminator. In cp1252 it is one byte, and both texts fit whole.
    StoreText(szField, sizeof szField, QString::fromUtf8("abcdef\xC3\xBC"));
#ifdef _WIN32
    EXPECT_STREQ(szField, "abcdef\xFC");
#else
    EXPECT_STREQ(szField, "abcdef");
#endif

    StoreText(szField, sizeof szField, QString::fromUtf8("abcde\xC3\xBCz"));
#ifdef _WIN32
    EXPECT_STREQ(szField, "abcde\xFCz");
#else
    EXPECT_STREQ(szField, "abcde\xC3\xBC");
#endif

    // The cut is taken after decoding: "&amp;" is one byte in the record.
    StoreText(szField, sizeof szField, QStringLiteral("A&amp;B&amp;C&amp;D"));
    EXPECT_STREQ(szField, "A&B&C&D");

    StoreText(szField, sizeof szField, QString(QStringLiteral("ab")) + QChar(0) + QStringLiteral("cd"));
    EXPECT_STREQ(szField, "abcd");
}

TEST(FieldValues, UtcDateTimesBecomeLocalOleDates)
{
    EXPECT_NEAR(UtcTextToOleDate(QStringLiteral("2026-12-09 08:03:42")), 46365.37756944444, 1e-9);  // winter, +1
    EXPECT_NEAR(UtcTextToOleDate(QStringLiteral("2026-07-01 12:30:00")), 46204.604166666664, 1e-9); // summer, +2
    // Just after midnight UTC on 1 January is still the same local day one hour later.
    EXPECT_NEAR(UtcTextToOleDate(QStringLiteral("2025-12-31 23:30:00")), 46023.0 + 0.5 / 24, 1e-9);
    EXPECT_EQ(UtcTextToOleDate(QString()), 0.0);
    EXPECT_EQ(UtcTextToOleDate(QStringLiteral("0000-00-00 00:00:00")), 0.0);
    EXPECT_EQ(UtcTextToOleDate(QStringLiteral("2026-13-01 00:00:00")), 0.0);
    EXPECT_EQ(UtcTextToOleDate(QStringLiteral("2026-01-01 25:00:00")), 0.0);
    EXPECT_EQ(UtcTextToOleDate(QStringLiteral("yesterday")), 0.0);
}

TEST(FieldValues, CalendarDatesAreNotShifted)
{
    EXPECT_EQ(DateTextToOleDate(QStringLiteral("1980-02-29")), 29280.0);
    EXPECT_EQ(UtcTextToOleDate(QStringLiteral("1980-02-29")), 29280.0);
    EXPECT_EQ(DateTextToOleDate(QStringLiteral("0000-00-00")), 0.0);
    EXPECT_EQ(DateTextToOleDate(QStringLiteral("1981-02-29")), 0.0);
}

// The server's own form is read without the general parser; both must agree on every text of
// that form and of the forms next to it.
TEST(FieldValues, DatesAndTimesAreReadAsTheGeneralParserReadsThem)
{
    const QDate oleEpoch(1899, 12, 30);
    const auto expectedDay = [&](const QString& text) {
        const QDate date = QDate::fromString(text.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
        return date.isValid() && date.year() >= 100 && text.trimmed().size() == 10
                   ? static_cast<double>(oleEpoch.daysTo(date))
                   : 0.0;
    };
    QStringList dates;
    for (const int nYear : {0, 99, 100, 1899, 1900, 1980, 1981, 2024, 9999})
        for (int nMonth = 0; nMonth <= 13; ++nMonth)
            for (int nDay = 0; nDay <= 32; ++nDay)
                dates.append(QStringLiteral("%1-%2-%3")
                                 .arg(nYear, 4, 10, QLatin1Char('0'))
                                 .arg(nMonth, 2, 10, QLatin1Char('0'))
                                 .arg(nDay, 2, 10, QLatin1Char('0')));
    dates << QStringLiteral("2024-1-05") << QStringLiteral("2024-01-5 ") << QStringLiteral("2024/01/05")
          << QStringLiteral("2024/01-05") << QStringLiteral("2024-01/05") << QStringLiteral("+024-01-05")
          << QStringLiteral("2024-0a-05") << QStringLiteral(" 2024-01-05")
          << QString::fromUtf8("\xEF\xBC\x92\xEF\xBC\x90\xEF\xBC\x92\xEF\xBC\x94-01-05") << QStringLiteral("2024-01-0");
    for (const QString& date : dates)
        EXPECT_EQ(DateTextToOleDate(date), expectedDay(date)) << qPrintable(date);

    const QDate day(2024, 3, 1);
    QStringList times;
    for (int nHour = 0; nHour <= 24; ++nHour)
        for (const int nMinute : {0, 7, 59, 60})
            for (const int nSecond : {0, 31, 59, 60})
                times.append(QStringLiteral("%1:%2:%3")
                                 .arg(nHour, 2, 10, QLatin1Char('0'))
                                 .arg(nMinute, 2, 10, QLatin1Char('0'))
                                 .arg(nSecond, 2, 10, QLatin1Char('0')));
    times << QStringLiteral("1:02:03") << QStringLiteral("01:2:03") << QStringLiteral("01-02:03")
          << QStringLiteral("01:02-03") << QStringLiteral("0a:02:03") << QStringLiteral("01:02:0");
    for (const QString& time : times) {
        const QString text = QStringLiteral("2024-03-01 ") + time;
        const QTime parsed = QTime::fromString(time, QStringLiteral("HH:mm:ss"));
        const double dActual = UtcTextToOleDate(text);
        if (!parsed.isValid() || text.size() != 19) {
            EXPECT_EQ(dActual, 0.0) << qPrintable(text);
            continue;
        }
        const QDateTime local = QDateTime(day, parsed, QTimeZone::utc()).toLocalTime();
        const double dExpected = static_cast<double>(oleEpoch.daysTo(local.date())) +
                                 static_cast<double>(local.time().msecsSinceStartOfDay()) / 86400000.0;
        EXPECT_NEAR(dActual, dExpected, 1e-8) << qPrintable(text);
    }
}

TEST(FieldValues, Flags)
{
    EXPECT_TRUE(FlagFromText(QStringLiteral("1")));
    EXPECT_TRUE(FlagFromText(QStringLiteral("true")));
    EXPECT_FALSE(FlagFromText(QStringLiteral("0")));
    EXPECT_FALSE(FlagFromText(QString()));
    EXPECT_FALSE(FlagFromText(QStringLiteral("on")));
}

TEST(SugarReply, FindsTheJsonAmongStrayText)
{
    QJsonValue value;
    ASSERT_TRUE(ParseServerJson("\xEF\xBB\xBF {\"id\":\"abc\"}\n", value));
    EXPECT_EQ(value.toObject().value(QLatin1String("id")).toString(), QStringLiteral("abc"));
    ASSERT_TRUE(
        ParseServerJson("<br />\n<b>Warning</b>: something on line 3<br />\n{\"ids\":[\"a\"]}\nDeprecated", value));
    EXPECT_EQ(value.toObject().value(QLatin1String("ids")).toArray().size(), 1);
    ASSERT_TRUE(ParseServerJson("null", value));
    EXPECT_TRUE(value.isNull());
    ASSERT_TRUE(ParseServerJson("\"1\"", value));
    EXPECT_EQ(value.toString(), QStringLiteral("1"));
    EXPECT_FALSE(ParseServerJson("", value));
    EXPECT_FALSE(ParseServerJson("<html><body>Not Found</body></html>", value));
}

TEST(SugarReply, ErrorObjectsAndLooseNumbers)
{
    QJsonValue value;
    int nNumber = 0;
    QString text;
    ASSERT_TRUE(ParseServerJson(R"({"name":"Invalid Login","number":10,"description":"Login attempt failed"})", value));
    EXPECT_TRUE(IsApiError(value, QStringLiteral("id"), nNumber, text));
    EXPECT_EQ(nNumber, 10);
    EXPECT_EQ(text, QStringLiteral("Login attempt failed"));

    ASSERT_TRUE(ParseServerJson(R"({"name":"An Undefined Error","number":"-1"})", value));
    EXPECT_TRUE(IsApiError(value, QStringLiteral("id"), nNumber, text));
    EXPECT_EQ(nNumber, -1);
    EXPECT_EQ(text, QStringLiteral("An Undefined Error"));

    // A record that happens to have fields called name and number is no error.
    ASSERT_TRUE(ParseServerJson(R"({"id":"x","name":"n","number":5})", value));
    EXPECT_FALSE(IsApiError(value, QStringLiteral("id"), nNumber, text));

    EXPECT_EQ(JsonInteger(QJsonValue(QStringLiteral("402")), -1), 402);
    EXPECT_EQ(JsonInteger(QJsonValue(0), -1), 0);
    EXPECT_EQ(JsonInteger(QJsonValue(QStringLiteral("n/a")), -1), -1);
    EXPECT_EQ(JsonText(QJsonValue(true)), QStringLiteral("1"));
    EXPECT_EQ(JsonText(QJsonValue(30)), QStringLiteral("30"));
    EXPECT_EQ(JsonText(QJsonValue()), QString());
}
