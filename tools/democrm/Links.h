// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVector>

// How a link is kept, as the CRM keeps its relationships.
enum class LinkStore
{
    Table,         // a row of a relationship table joins the two records
    Field,         // the related record names this one in a field of its own (one to many)
    Parent,        // the related record names this one as its parent (parent_type/parent_id)
    AccountContact // the account link of a contact: one live account per contact
};

struct LinkDef
{
    QString module;  // module key of the record the link belongs to
    QString name;    // link_field_name as clients send it
    QString related; // module key of the records at the other end
    LinkStore store;
    // Table: the relationship's name in the relationships table; Field: the related record's field.
    QString key;
    bool left = false; // Table: this module's records are the left side of the rows
};

namespace Links
{
// Null for a link the module does not have.
const LinkDef* find(const QString& module, const QString& name);
} // namespace Links
