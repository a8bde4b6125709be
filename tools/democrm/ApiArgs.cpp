// SPDX-License-Identifier: MIT
#include "ApiArgs.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

bool ApiArgs::bind(const QJsonValue& restData, const QStringList& params)
{
    m_values = QVector<QJsonValue>(params.size(), QJsonValue(QJsonValue::Null));
    if (restData.isArray()) {
        const QJsonArray array = restData.toArray();
        for (int i = 0; i < array.size() && i < params.size(); ++i) {
            m_values[i] = array.at(i);
        }
        return true;
    }
    if (!restData.isObject()) {
        if (!params.isEmpty() && !restData.isUndefined()) {
            m_values[0] = restData;
        }
        return true;
    }
    const QJsonObject object = restData.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        int index = -1;
        for (int i = 0; i < params.size() && index < 0; ++i) {
            if (params.at(i).split(u'|').contains(it.key())) {
                index = i;
            }
        }
        if (index < 0) {
            return false;
        }
        m_values[index] = it.value();
    }
    return true;
}

QString ApiArgs::text(int index) const
{
    return toText(at(index));
}

qint64 ApiArgs::integer(int index, qint64 fallback) const
{
    const QJsonValue value = at(index);
    if (value.isDouble()) {
        // Converting a double beyond the 64-bit range is undefined; such a value is no offset anyway.
        const double number = value.toDouble();
        return std::abs(number) < 1e15 ? static_cast<qint64>(number) : fallback;
    }
    if (value.isString()) {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        return ok ? number : fallback;
    }
    return fallback;
}

bool ApiArgs::truthy(int index) const
{
    const QJsonValue value = at(index);
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toDouble() != 0.0;
    case QJsonValue::String:
        return !value.toString().isEmpty() && value.toString() != QLatin1String("0");
    case QJsonValue::Array:
        return !value.toArray().isEmpty();
    case QJsonValue::Object:
        return !value.toObject().isEmpty();
    default:
        return false;
    }
}

QString ApiArgs::toText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        return std::abs(number) < 1e15 && number == std::trunc(number) ? QString::number(static_cast<qint64>(number))
                                                                       : QString::number(number, 'g', 15);
    }
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("1") : QString();
    default:
        return QString();
    }
}

bool ApiArgs::equalsOne(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toDouble() == 1.0;
    case QJsonValue::String: {
        // PHP 8 compares a numeric string with 1 as a number; "true" or "yes" are not equal to 1.
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        return ok && number == 1.0;
    }
    default:
        return false;
    }
}

QVector<QPair<QString, QJsonValue>> ApiArgs::nameValues(const QJsonValue& list)
{
    QVector<QPair<QString, QJsonValue>> pairs;
    if (list.isArray()) {
        for (const QJsonValue& item : list.toArray()) {
            const QJsonObject pair = item.toObject();
            if (pair.contains(QLatin1String("name"))) {
                pairs.append({toText(pair.value(QLatin1String("name"))), pair.value(QLatin1String("value"))});
            }
        }
    }
    else if (list.isObject()) {
        const QJsonObject object = list.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            pairs.append({it.key(), it.value()});
        }
    }
    return pairs;
}
