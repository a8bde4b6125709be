// SPDX-License-Identifier: MIT
#pragma once

#include "Links.h"
#include "Modules.h"
#include "QueryFilter.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

// One record as read: field name to text, NULL read as "". Contacts carry account_id and
// account_name only while linked to an account, as the real server leaves them out otherwise.
using Record = QHash<QString, QString>;
// Stored columns to write; a null QVariant writes NULL.
using Values = QHash<QString, QVariant>;

// An ORDER BY of known columns. Lists end with rowid after these, so that their order is total.
struct SortOrder
{
    QStringList columns; // quoted column names
    QVector<bool> descending;

    QString clause() const;
};

// Where a walk through a list stopped: the ORDER BY values of the last row handed out, rowid
// last. The rows after it are the next page, found through the index instead of by skipping the
// rows before it, which costs more the further the page is.
using SortKey = QVariantList;

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
    // Counts every statement that may have changed a row, so that what was read before can be
    // known to be still the same.
    quint64 writes() const { return m_writes; }
    // The indexes lists are walked by. A bulk load drops them first and builds them at its end.
    bool createIndexes();
    bool dropIndexes();

    bool count(const ModuleDef& module, const QueryFilter& filter, bool includeDeleted, qint64* total);
    // The rows from offset on, or, given after, the rows that follow that key from the offset-th
    // of them on; *last receives
    // the key of the last row listed and *beforeLast that of the row before it, if asked for.
    bool list(const ModuleDef& module, const QueryFilter& filter, bool includeDeleted, const SortOrder& order,
              qint64 offset, qint64 limit, QVector<Record>* records, const SortKey* after = nullptr,
              SortKey* last = nullptr, SortKey* beforeLast = nullptr);
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
    // "date_entered ASC, id ASC" to an ORDER BY of known columns; unknown items are dropped.
    static SortOrder sortOrder(const ModuleDef& module, const QString& orderBy);

private:
    // The statement of sql, prepared once: the same few run for every record read or written.
    // Whoever runs one finishes it, so that it holds no read open.
    QSqlQuery* prepared(const QString& sql);
    bool exec(QSqlQuery& query);
    bool run(const QString& sql, const QVariantList& values = {});
    bool fillLinked(const ModuleDef& module, Record* record);

    QSqlDatabase m_db;
    QString m_connection;
    QString m_error;
    QHash<QString, QSqlQuery> m_prepared; // the writing statements by their text
    quint64 m_writes = 0;
};
