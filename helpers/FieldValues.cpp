// SPDX-License-Identifier: MIT
#include "FieldValues.h"

#include "HtmlEntities.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

std::string ToAnsi(const QString& text, std::size_t nMaxBytes)
{
    return plat::WideToAnsi(text.toStdU16String(), nMaxBytes);
}

QString FromAnsi(const std::string& text)
{
    return QString::fromStdU16String(plat::AnsiToWide(text.c_str(), text.size() * 2 + 1));
}

void StoreText(char* szField, std::size_t nCapacity, const QString& value)
{
    if (szField == nullptr || nCapacity == 0)
        return;
    QString decoded = DecodeHtmlEntities(value);
    // A NUL would end the field early and hide the rest of the text.
    decoded.remove(QChar(0));
    CopyText(szField, nCapacity, ToAnsi(decoded, nCapacity - 1).c_str());
}

namespace
{

double ToOleDate(const QDate& date, const QTime& time)
{
    plat::SystemTime st;
    st.wYear = static_cast<uint16_t>(date.year());
    st.wMonth = static_cast<uint16_t>(date.month());
    st.wDay = static_cast<uint16_t>(date.day());
    st.wHour = static_cast<uint16_t>(time.hour());
    st.wMinute = static_cast<uint16_t>(time.minute());
    st.wSecond = static_cast<uint16_t>(time.second());
    double dDate = 0;
    if (!plat::SystemTimeToVariantTime(st, dDate))
        return 0;
    return dDate;
}

// The number the nCount ASCII digits from nAt on spell, or -1 when there are not that many.
int Digits(const QString& text, qsizetype nAt, qsizetype nCount)
{
    if (nAt + nCount > text.size())
        return -1;
    int nValue = 0;
    for (qsizetype i = nAt; i < nAt + nCount; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        nValue = nValue * 10 + (c - u'0');
    }
    return nValue;
}

bool IsFormedAs(const QString& text, qsizetype nAt, char16_t separator)
{
    return nAt < text.size() && text[nAt].unicode() == separator;
}

// Every record brings dates in the server's one form, which is read here directly: the general
// parser costs more than the rest of the record. Any other form is left to it.
QDate ParseDate(const QString& text)
{
    const int nYear = Digits(text, 0, 4);
    const int nMonth = Digits(text, 5, 2);
    const int nDay = Digits(text, 8, 2);
    const QDate date = nYear >= 0 && nMonth >= 0 && nDay >= 0 && IsFormedAs(text, 4, u'-') && IsFormedAs(text, 7, u'-')
                           ? QDate(nYear, nMonth, nDay)
                           : QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    // Years before 100 cannot be OLE dates; "0000-00-00" is the server's empty date.
    return date.isValid() && date.year() >= 100 ? date : QDate();
}

QTime ParseTime(const QString& text)
{
    const int nHour = Digits(text, 0, 2);
    const int nMinute = Digits(text, 3, 2);
    const int nSecond = Digits(text, 6, 2);
    if (text.size() == 8 && nHour >= 0 && nMinute >= 0 && nSecond >= 0 && IsFormedAs(text, 2, u':') &&
        IsFormedAs(text, 5, u':'))
        return QTime(nHour, nMinute, nSecond);
    return QTime::fromString(text, QStringLiteral("HH:mm:ss"));
}

} // namespace

double UtcTextToOleDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() == 10)
        return DateTextToOleDate(trimmed);
    const QDate date = ParseDate(trimmed);
    const QTime time = ParseTime(trimmed.mid(11, 8));
    if (!date.isValid() || !time.isValid() || trimmed.size() != 19)
        return 0;
    const QDateTime local = QDateTime(date, time, QTimeZone::utc()).toLocalTime();
    return ToOleDate(local.date(), local.time());
}

double DateTextToOleDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() != 10)
        return 0;
    const QDate date = ParseDate(trimmed);
    return date.isValid() ? ToOleDate(date, QTime(0, 0)) : 0;
}

bool FlagFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    bool bOk = false;
    const long long nValue = trimmed.toLongLong(&bOk);
    return bOk && nValue != 0;
}
