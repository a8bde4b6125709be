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

QDate ParseDate(const QString& text)
{
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    // Years before 100 cannot be OLE dates; "0000-00-00" is the server's empty date.
    return date.isValid() && date.year() >= 100 ? date : QDate();
}

} // namespace

double UtcTextToOleDate(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() == 10)
        return DateTextToOleDate(trimmed);
    const QDate date = ParseDate(trimmed);
    const QTime time = QTime::fromString(trimmed.mid(11, 8), QStringLiteral("HH:mm:ss"));
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
