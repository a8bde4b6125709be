// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonValue>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// The arguments of one call, decoded as a SuiteCRM 7.14 server on PHP 8 decodes rest_data.
class ApiArgs final
{
public:
    // params: the declared parameter names in order; an entry may hold aliases ("a|b").
    // A JSON array gives positional arguments; an object gives named ones, and a name that is not
    // declared fails (PHP 8 stops with a fatal error there); any other value is one positional
    // argument. Missing arguments read as null.
    bool bind(const QJsonValue& restData, const QStringList& params);

    QJsonValue at(int index) const { return m_values.value(index); }
    QString text(int index) const;
    // offset, max_results: numbers and numeric strings; anything else gives fallback.
    qint64 integer(int index, qint64 fallback) const;
    // PHP truthiness: false, 0, "", "0", null, empty array are false.
    bool truthy(int index) const;

    static QString toText(const QJsonValue& value);
    // The loose comparison value == 1 that decides whether "deleted" deletes.
    static bool equalsOne(const QJsonValue& value);
    // Both forms of name_value_list: [{"name":..,"value":..},..] and {"name": value,..}.
    static QVector<QPair<QString, QJsonValue>> nameValues(const QJsonValue& list);

private:
    QVector<QJsonValue> m_values;
};
