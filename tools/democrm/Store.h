// SPDX-License-Identifier: MIT
#pragma once

#include "Links.h"
#include "Modules.h"
#include "QueryFilter.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>

// One record as read: field name to text, NULL read as "". Contacts carry account_id and
// account_name only while linked to an account, as the real server leaves them out otherwise.
using Record = QHash<QString, QString>;
// Stored columns to write; a null QVariant writes NULL.
using Values = QHash<QString, QVariant>;

// The records in SQLite. Every value goes through a bound parameter; the only names put into SQL
// text are the table and column names of the fixed module tables.
class Store final
{
public:
    Store();
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // path may be ":memory:". Creates the tables that are missing.
    bool open(const QString& path);
    const QString& lastError() const { return m_error; }

    bool clear();
    bool isEmpty();
    bool begin();
    bool commit();

    bool count(const ModuleDef& module, const QueryFilter& filter, bool includeDeleted, qint64* total);
    bool list(const ModuleDef& module, const QueryFilter& filter, bool includeDeleted, const QString& orderBy,
              qint64 offset, qint64 limit, QVector<Record>* records);
    // Finds the row whatever its deleted flag; false if there is none.
    bool find(const ModuleDef& module, const QString& id, Record* record);

    bool insert(const ModuleDef& module, const Values& values);
    bool update(const ModuleDef& module, const QString& id, const Values& values);

    // slot 1 is email1, slot 2 email2; an empty address removes the link. Addresses are shared
    // between records and matched without regard to case, so the spelling stored first is the one
    // every record shows, as on the real server.
    bool setEmail(const ModuleDef& module, const QString& id, int slot, const QString& address);
    bool linkAccount(const QString& accountId, const QString& contactId);
    // What deleting a record also removes: its e-mail links, account links and relationship rows.
    bool unlinkDeleted(const ModuleDef& module, const QString& id);
    bool accountContacts(const QString& accountId, QStringList* contactIds);
    // The ids a link of the record holds, in the order they were linked. Table rows are listed
    // whether or not the record at the other end is still live; the other kinds list live ones.
    bool linkedIds(const LinkDef& link, const QString& id, QStringList* relatedIds);
    // Adds or removes one link; the related record is known to exist.
    bool setLink(const LinkDef& link, const QString& id, const QString& relatedId, bool remove);
    // Live calls, meetings, tasks or notes whose parent is the given record.
    bool isParentOfActivities(const QString& parentType, const QString& id, bool* parent);

    // A creation-ordered id in UUID form, so that ordering by id follows creation like the real
    // server's time-based ids do.
    static QString newId();
    // "date_entered ASC, id ASC" to an ORDER BY list of known columns; unknown items are dropped.
    static QString orderClause(const ModuleDef& module, const QString& orderBy);

private:
    bool exec(QSqlQuery& query);
    bool run(const QString& sql, const QVariantList& values = {});
    bool fillLinked(const ModuleDef& module, Record* record);

    QSqlDatabase m_db;
    QString m_connection;
    QString m_error;
};
