// SPDX-License-Identifier: MIT
#include "SugarReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace
{

// Wrapping the body in brackets lets QJsonDocument read any top-level value, including the bare
// null and strings that some calls answer.
bool ParseWrapped(const QByteArray& body, QJsonValue& value)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + body + "]", &error);
    if (error.error != QJsonParseError::NoError || !document.isArray() || document.array().size() != 1)
        return false;
    value = document.array().at(0);
    return true;
}

} // namespace

bool ParseServerJson(const QByteArray& body, QJsonValue& value)
{
    QByteArray text = body;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    text = text.trimmed();
    if (text.isEmpty())
        return false;
    if (ParseWrapped(text, value))
        return true;
    // Stray text around the JSON: take the span from the first opening to the last closing bracket.
    const qsizetype nObject = text.indexOf('{');
    const qsizetype nArray = text.indexOf('[');
    qsizetype nStart = -1;
    if (nObject >= 0 && (nArray < 0 || nObject < nArray))
        nStart = nObject;
    else
        nStart = nArray;
    if (nStart < 0)
        return false;
    const qsizetype nEnd = text.lastIndexOf(text[nStart] == '{' ? '}' : ']');
    if (nEnd <= nStart)
        return false;
    return ParseWrapped(text.mid(nStart, nEnd - nStart + 1), value);
}

bool IsApiError(const QJsonValue& value, const QString& successKey, int& nNumber, QString& sText)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    if (!object.contains(QLatin1String("number")) || !object.contains(QLatin1String("name")) ||
        (!successKey.isEmpty() && object.contains(successKey)))
        return false;
    nNumber = static_cast<int>(JsonInteger(object.value(QLatin1String("number")), -1));
    sText = JsonText(object.value(QLatin1String("description"))).trimmed();
    if (sText.isEmpty())
        sText = JsonText(object.value(QLatin1String("name"))).trimmed();
    return true;
}

bool NameValue(const QJsonValue& list, const QString& name, QString& value)
{
    if (list.isObject()) {
        const QJsonValue pair = list.toObject().value(name);
        if (pair.isUndefined())
            return false;
        value = pair.isObject() ? JsonText(pair.toObject().value(QLatin1String("value"))) : JsonText(pair);
        return true;
    }
    if (list.isArray()) {
        for (const QJsonValue item : list.toArray()) {
            const QJsonObject pair = item.toObject();
            if (pair.value(QLatin1String("name")).toString() == name) {
                value = JsonText(pair.value(QLatin1String("value")));
                return true;
            }
        }
    }
    return false;
}

QString JsonText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QJsonValue::Double: {
        const double dValue = value.toDouble();
        if (std::floor(dValue) == dValue && std::fabs(dValue) < 9e15)
            return QString::number(static_cast<qint64>(dValue));
        return QString::number(dValue);
    }
    default:
        return QString();
    }
}

qint64 JsonInteger(const QJsonValue& value, qint64 nDefault)
{
    if (value.isDouble()) {
        const double dValue = value.toDouble();
        return std::fabs(dValue) < 9e15 ? static_cast<qint64>(dValue) : nDefault;
    }
    if (value.isString()) {
        bool bOk = false;
        const qint64 nValue = value.toString().trimmed().toLongLong(&bOk);
        return bOk ? nValue : nDefault;
    }
    return nDefault;
}

QString BodyExcerpt(const QByteArray& body)
{
    QString text = QString::fromUtf8(body.left(600)).simplified();
    if (text.size() > 200)
        text = text.left(200) + QStringLiteral("...");
    return text;
}
