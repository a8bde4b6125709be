// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// How a field is stored and shown. Every stored field is a TEXT column of the module's table.
enum class FieldKind
{
    Text, // free text
    Name, // free text whose surrounding blanks the server trims on save
    Id,
    DateTime, // UTC "YYYY-MM-DD HH:MM:SS"
    Date,     // "YYYY-MM-DD"
    Bool,     // "0" or "1"
    Int,
    Email1,      // not stored in the table: the record's primary e-mail address
    Email2,      // the next address
    AccountId,   // Contacts: the linked account, present only while a link exists
    AccountName, // Contacts: that account's name
};

struct FieldDef
{
    QString name;
    FieldKind kind;
    QString defaultValue; // stored when a record is created without the field; null for none

    bool stored() const;
};

struct ModuleDef
{
    QString name;  // module key as clients send it, case-sensitive
    QString table; // table name, also accepted as a prefix in order_by and query
    QVector<FieldDef> fields;

    const FieldDef* field(const QString& fieldName) const;
    QStringList storedColumns() const;
    bool hasEmail() const { return field(QStringLiteral("email1")) != nullptr; }
};

namespace Modules
{
// The modules, in the order the tables are created: the seven the helpers read first.
const QVector<ModuleDef>& all();
// Null for an unknown key; keys are case-sensitive like the real server's.
const ModuleDef* find(const QString& moduleName);
} // namespace Modules
