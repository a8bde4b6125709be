// SPDX-License-Identifier: MIT
#include "Store.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace
{
QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString columnList(const ModuleDef& module)
{
    QStringList names;
    for (const QString& column : module.storedColumns()) {
        names.append(quoted(column));
    }
    return names.join(QLatin1Char(','));
}

QString whereClause(const QueryFilter& filter, bool includeDeleted)
{
    QStringList parts;
    if (!filter.sql.isEmpty()) {
        parts.append(QLatin1Char('(') + filter.sql + QLatin1Char(')'));
    }
    if (!includeDeleted) {
        parts.append(QStringLiteral("\"deleted\" = '0'"));
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

// The rows that sort after key, whose values are bound in *bound. A row value comparison lets
// SQLite seek in an index, but it answers as the ORDER BY sorts only where every column ascends
// and no value of the key is NULL (NULL sorts first and compares as unknown); otherwise the
// comparison is spelt out column by column.
QString afterCondition(const SortOrder& order, const SortKey& key, QVariantList* bound)
{
    QStringList columns = order.columns;
    columns.append(QStringLiteral("rowid"));
    QStringList marks;
    bool plain = !order.descending.contains(true);
    for (const QVariant& value : key) {
        plain = plain && !value.isNull();
        marks.append(QStringLiteral("?"));
    }
    if (plain) {
        bound->append(key);
        return QStringLiteral("(%1) > (%2)").arg(columns.join(u','), marks.join(u','));
    }
    QStringList alternatives;
    QStringList equal;
    QVariantList equalValues;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QString& column = columns.at(i);
        const QVariant& value = key.at(i);
        const bool descending = i < order.descending.size() && order.descending.at(i);
        // Ascending, NULL comes first and everything else after it; descending, NULL comes last.
        QString beyond;
        if (value.isNull()) {
            beyond = descending ? QString() : column + QStringLiteral(" IS NOT NULL");
        }
        else {
            beyond =
                descending ? QStringLiteral("(%1 < ? OR %1 IS NULL)").arg(column) : column + QStringLiteral(" > ?");
        }
        if (!beyond.isEmpty()) {
            alternatives.append(QLatin1Char('(') +
                                QStringList(equal + QStringList{beyond}).join(QStringLiteral(" AND ")) +
                                QLatin1Char(')'));
            bound->append(equalValues);
            if (!value.isNull()) {
                bound->append(value);
            }
        }
        equal.append(column + (value.isNull() ? QStringLiteral(" IS NULL") : QStringLiteral(" = ?")));
        if (!value.isNull()) {
            equalValues.append(value);
        }
    }
    return alternatives.isEmpty() ? QStringLiteral("0")
                                  : QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

// The indexes lists are walked by: the order the helpers ask for, date_entered then id.
QStringList sortIndexes()
{
    QStringList tables;
    for (const ModuleDef& module : Modules::all()) {
        if (module.field(QStringLiteral("date_entered"))) {
            tables.append(module.table);
        }
    }
    return tables;
}
} // namespace

QString SortOrder::clause() const
{
    QStringList items;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        items.append(columns.at(i) + (descending.at(i) ? QStringLiteral(" DESC") : QStringLiteral(" ASC")));
    }
    items.append(QStringLiteral("rowid"));
    return items.join(QStringLiteral(", "));
}

Store::Store() : m_connection(QStringLiteral("democrm-%1").arg(reinterpret_cast<quintptr>(this))) {}

Store::~Store()
{
    m_prepared.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

bool Store::exec(QSqlQuery& query)
{
    if (query.exec()) {
        return true;
    }
    m_error = query.lastError().text();
    return false;
}

QSqlQuery* Store::prepared(const QString& sql)
{
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        QSqlQuery query(m_db);
        if (!query.prepare(sql)) {
            m_error = query.lastError().text();
            return nullptr;
        }
        it = m_prepared.insert(sql, query);
    }
    return &it.value();
}

bool Store::run(const QString& sql, const QVariantList& values)
{
    ++m_writes;
    QSqlQuery* query = prepared(sql);
    if (!query) {
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        query->bindValue(i, values.at(i));
    }
    const bool done = exec(*query);
    query->finish();
    return done;
}

bool Store::open(const QString& path)
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(path);
    if (!m_db.open()) {
        m_error = m_db.lastError().text();
        return false;
    }
    // Room for the indexes a bulk load writes to at random places: with SQLite's default 2 MB a
    // million contacts went to disk page by page.
    if (!run(QStringLiteral("PRAGMA cache_size = -262144"))) {
        return false;
    }
    // One server owns its file. Taken once, the lock spares every statement the file locking and
    // journal checks that cost a page of a hundred contacts, with their e-mail reads, half its time.
    if (!run(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"))) {
        return false;
    }
    for (const ModuleDef& module : Modules::all()) {
        QStringList columns;
        for (const QString& column : module.storedColumns()) {
            columns.append(column == QLatin1String("id") ? QStringLiteral("\"id\" TEXT PRIMARY KEY")
                                                         : quoted(column) + QStringLiteral(" TEXT"));
        }
        if (!run(QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(quoted(module.table), columns.join(u',')))) {
            return false;
        }
    }
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS email_addresses (id TEXT PRIMARY KEY, "
                              "email_address TEXT, email_address_caps TEXT UNIQUE)")) &&
           run(QStringLiteral("CREATE TABLE IF NOT EXISTS email_links (bean_id TEXT, bean_module TEXT, "
                              "slot INTEGER, email_id TEXT, deleted INTEGER DEFAULT 0)")) &&
           run(QStringLiteral("CREATE INDEX IF NOT EXISTS email_links_bean ON email_links (bean_id)")) &&
           run(QStringLiteral("CREATE TABLE IF NOT EXISTS accounts_contacts (account_id TEXT, contact_id TEXT, "
                              "deleted INTEGER DEFAULT 0)")) &&
           run(QStringLiteral(
               "CREATE INDEX IF NOT EXISTS accounts_contacts_contact ON accounts_contacts (contact_id)")) &&
           run(QStringLiteral(
               "CREATE INDEX IF NOT EXISTS accounts_contacts_account ON accounts_contacts (account_id)")) &&
           run(QStringLiteral("CREATE TABLE IF NOT EXISTS relationships (relation TEXT, left_id TEXT, right_id TEXT, "
                              "deleted INTEGER DEFAULT 0)")) &&
           run(QStringLiteral("CREATE INDEX IF NOT EXISTS relationships_left ON relationships (left_id)")) &&
           run(QStringLiteral("CREATE INDEX IF NOT EXISTS relationships_right ON relationships (right_id)")) &&
           createIndexes();
}

bool Store::createIndexes()
{
    for (const QString& table : sortIndexes()) {
        if (!run(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (\"date_entered\", \"id\")")
                     .arg(quoted(table + QStringLiteral("_date_entered")), quoted(table)))) {
            return false;
        }
    }
    return true;
}

bool Store::dropIndexes()
{
    for (const QString& table : sortIndexes()) {
        if (!run(QStringLiteral("DROP INDEX IF EXISTS ") + quoted(table + QStringLiteral("_date_entered")))) {
            return false;
        }
    }
    return true;
}

bool Store::clear()
{
    for (const ModuleDef& module : Modules::all()) {
        if (!run(QStringLiteral("DELETE FROM ") + quoted(module.table))) {
            return false;
        }
    }
    return run(QStringLiteral("DELETE FROM email_addresses")) && run(QStringLiteral("DELETE FROM email_links")) &&
           run(QStringLiteral("DELETE FROM accounts_contacts")) && run(QStringLiteral("DELETE FROM relationships"));
}

bool Store::isEmpty()
{
    for (const ModuleDef& module : Modules::all()) {
        qint64 total = 0;
        if (!count(module, QueryFilter(), true, &total) || total != 0) {
            return false;
        }
    }
    return true;
}

bool Store::begin()
{
    return m_db.transaction();
}

bool Store::commit()
{
    return m_db.commit();
}

bool Store::count(const ModuleDef& module, const QueryFilter& filter, bool includeDeleted, qint64* total)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM ") + quoted(module.table) + whereClause(filter, includeDeleted));
    for (const QString& value : filter.values) {
        query.addBindValue(value);
    }
    if (!exec(query) || !query.next()) {
        return false;
    }
    *total = query.value(0).toLongLong();
    return true;
}

bool Store::list(const ModuleDef& module, const QueryFilter& filter, bool includeDeleted, const SortOrder& order,
                 qint64 offset, qint64 limit, QVector<Record>* records, const SortKey* after, SortKey* last,
                 SortKey* beforeLast)
{
    QString where = whereClause(filter, includeDeleted);
    QVariantList afterValues;
    if (after) {
        where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
                 afterCondition(order, *after, &afterValues);
    }
    const QStringList columns = module.storedColumns();
    QSqlQuery query(m_db);
    // The sort key follows the record's columns, so that the last row's key can be kept.
    query.prepare(QStringLiteral("SELECT %1%2, rowid FROM %3%4 ORDER BY %5 LIMIT ? OFFSET ?")
                      .arg(columnList(module),
                           order.columns.isEmpty() ? QString() : QLatin1Char(',') + order.columns.join(u','),
                           quoted(module.table), where, order.clause()));
    for (const QString& value : filter.values) {
        query.addBindValue(value);
    }
    for (const QVariant& value : afterValues) {
        query.addBindValue(value);
    }
    query.addBindValue(limit);
    query.addBindValue(offset);
    if (!exec(query)) {
        return false;
    }
    const int keySize = static_cast<int>(order.columns.size()) + 1;
    while (query.next()) {
        Record record;
        for (int i = 0; i < columns.size(); ++i) {
            record.insert(columns.at(i), query.value(i).toString());
        }
        records->append(record);
        if (beforeLast && last) {
            *beforeLast = std::move(*last);
        }
        if (last) {
            last->clear();
            for (int i = 0; i < keySize; ++i) {
                last->append(query.value(static_cast<int>(columns.size()) + i));
            }
        }
    }
    for (Record& record : *records) {
        if (!fillLinked(module, &record)) {
            return false;
        }
    }
    return true;
}

bool Store::find(const ModuleDef& module, const QString& id, Record* record)
{
    QVector<Record> found;
    QueryFilter byId;
    byId.sql = QStringLiteral("\"id\" = ?");
    byId.values.append(id);
    if (!list(module, byId, true, SortOrder(), 0, 1, &found) || found.isEmpty()) {
        return false;
    }
    *record = found.first();
    return true;
}

bool Store::fillLinked(const ModuleDef& module, Record* record)
{
    const QString id = record->value(QStringLiteral("id"));
    if (module.hasEmail()) {
        QSqlQuery* query =
            prepared(QStringLiteral("SELECT l.slot, a.email_address FROM email_links l JOIN email_addresses a "
                                    "ON a.id = l.email_id WHERE l.bean_id = ? AND l.bean_module = ? "
                                    "AND l.deleted = 0 ORDER BY l.rowid"));
        if (!query) {
            return false;
        }
        query->bindValue(0, id);
        query->bindValue(1, module.name);
        if (!exec(*query)) {
            return false;
        }
        record->insert(QStringLiteral("email1"), QString());
        record->insert(QStringLiteral("email2"), QString());
        while (query->next()) {
            record->insert(query->value(0).toInt() == 1 ? QStringLiteral("email1") : QStringLiteral("email2"),
                           query->value(1).toString());
        }
        query->finish();
    }
    if (module.field(QStringLiteral("account_id")) && !module.field(QStringLiteral("account_id"))->stored()) {
        QSqlQuery* query =
            prepared(QStringLiteral("SELECT ac.account_id, a.name FROM accounts_contacts ac LEFT JOIN accounts a "
                                    "ON a.id = ac.account_id WHERE ac.contact_id = ? AND ac.deleted = 0 "
                                    "ORDER BY ac.rowid DESC LIMIT 1"));
        if (!query) {
            return false;
        }
        query->bindValue(0, id);
        if (!exec(*query)) {
            return false;
        }
        if (query->next()) {
            record->insert(QStringLiteral("account_id"), query->value(0).toString());
            record->insert(QStringLiteral("account_name"), query->value(1).toString());
        }
        query->finish();
    }
    return true;
}

bool Store::insert(const ModuleDef& module, const Values& values)
{
    QStringList columns;
    QStringList marks;
    QVariantList bound;
    for (const QString& column : module.storedColumns()) {
        if (values.contains(column)) {
            columns.append(quoted(column));
            marks.append(QStringLiteral("?"));
            bound.append(values.value(column));
        }
    }
    return run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                   .arg(quoted(module.table), columns.join(u','), marks.join(u',')),
               bound);
}

bool Store::update(const ModuleDef& module, const QString& id, const Values& values)
{
    QStringList sets;
    QVariantList bound;
    for (const QString& column : module.storedColumns()) {
        if (values.contains(column) && column != QLatin1String("id")) {
            sets.append(quoted(column) + QStringLiteral(" = ?"));
            bound.append(values.value(column));
        }
    }
    if (sets.isEmpty()) {
        return true;
    }
    bound.append(id);
    return run(QStringLiteral("UPDATE %1 SET %2 WHERE \"id\" = ?").arg(quoted(module.table), sets.join(u',')), bound);
}

bool Store::setEmail(const ModuleDef& module, const QString& id, int slot, const QString& address)
{
    if (!run(QStringLiteral("UPDATE email_links SET deleted = 1 WHERE bean_id = ? AND bean_module = ? AND slot = ?"),
             {id, module.name, slot})) {
        return false;
    }
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty()) {
        return true;
    }
    QSqlQuery* query = prepared(QStringLiteral("SELECT id FROM email_addresses WHERE email_address_caps = ?"));
    if (!query) {
        return false;
    }
    query->bindValue(0, trimmed.toUpper());
    if (!exec(*query)) {
        return false;
    }
    const bool known = query->next();
    QString emailId = known ? query->value(0).toString() : QString();
    query->finish();
    if (!known) {
        emailId = newId();
        if (!run(QStringLiteral("INSERT INTO email_addresses (id, email_address, email_address_caps) VALUES (?, ?, ?)"),
                 {emailId, trimmed, trimmed.toUpper()})) {
            return false;
        }
    }
    return run(QStringLiteral("INSERT INTO email_links (bean_id, bean_module, slot, email_id) VALUES (?, ?, ?, ?)"),
               {id, module.name, slot, emailId});
}

bool Store::linkAccount(const QString& accountId, const QString& contactId)
{
    return run(QStringLiteral("UPDATE accounts_contacts SET deleted = 1 WHERE contact_id = ?"), {contactId}) &&
           (accountId.isEmpty() ||
            run(QStringLiteral("INSERT INTO accounts_contacts (account_id, contact_id) VALUES (?, ?)"),
                {accountId, contactId}));
}

bool Store::unlinkDeleted(const ModuleDef& module, const QString& id)
{
    return run(QStringLiteral("UPDATE email_links SET deleted = 1 WHERE bean_id = ? AND bean_module = ?"),
               {id, module.name}) &&
           run(QStringLiteral("UPDATE accounts_contacts SET deleted = 1 WHERE contact_id = ? OR account_id = ?"),
               {id, id}) &&
           run(QStringLiteral("UPDATE relationships SET deleted = 1 WHERE left_id = ? OR right_id = ?"), {id, id});
}

bool Store::linkedIds(const LinkDef& link, const QString& id, QStringList* relatedIds)
{
    QSqlQuery query(m_db);
    switch (link.store) {
    case LinkStore::AccountContact:
        if (link.module == QLatin1String("Accounts")) {
            return accountContacts(id, relatedIds);
        }
        query.prepare(QStringLiteral("SELECT ac.account_id FROM accounts_contacts ac JOIN accounts a ON a.id = "
                                     "ac.account_id WHERE ac.contact_id = ? AND ac.deleted = 0 AND a.deleted = '0' "
                                     "ORDER BY ac.rowid DESC LIMIT 1"));
        query.addBindValue(id);
        break;
    case LinkStore::Table:
        query.prepare(QStringLiteral("SELECT %1 FROM relationships WHERE relation = ? AND %2 = ? AND deleted = 0 "
                                     "ORDER BY rowid")
                          .arg(link.left ? QStringLiteral("right_id") : QStringLiteral("left_id"),
                               link.left ? QStringLiteral("left_id") : QStringLiteral("right_id")));
        query.addBindValue(link.key);
        query.addBindValue(id);
        break;
    case LinkStore::Field:
        query.prepare(QStringLiteral("SELECT id FROM %1 WHERE %2 = ? AND deleted = '0' ORDER BY rowid")
                          .arg(quoted(Modules::find(link.related)->table), quoted(link.key)));
        query.addBindValue(id);
        break;
    case LinkStore::Parent:
        query.prepare(QStringLiteral("SELECT id FROM %1 WHERE parent_type = ? AND parent_id = ? AND deleted = '0' "
                                     "ORDER BY rowid")
                          .arg(quoted(Modules::find(link.related)->table)));
        query.addBindValue(link.module);
        query.addBindValue(id);
        break;
    }
    if (!exec(query)) {
        return false;
    }
    while (query.next()) {
        relatedIds->append(query.value(0).toString());
    }
    return true;
}

bool Store::setLink(const LinkDef& link, const QString& id, const QString& relatedId, bool remove)
{
    switch (link.store) {
    case LinkStore::AccountContact: {
        const bool fromAccount = link.module == QLatin1String("Accounts");
        return linkAccount(remove ? QString() : (fromAccount ? id : relatedId), fromAccount ? relatedId : id);
    }
    case LinkStore::Table: {
        const QString leftId = link.left ? id : relatedId;
        const QString rightId = link.left ? relatedId : id;
        if (remove) {
            return run(QStringLiteral(
                           "UPDATE relationships SET deleted = 1 WHERE relation = ? AND left_id = ? AND right_id = ?"),
                       {link.key, leftId, rightId});
        }
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("SELECT 1 FROM relationships WHERE relation = ? AND left_id = ? AND right_id = ? "
                                     "AND deleted = 0"));
        query.addBindValue(link.key);
        query.addBindValue(leftId);
        query.addBindValue(rightId);
        if (!exec(query)) {
            return false;
        }
        return query.next() ||
               run(QStringLiteral("INSERT INTO relationships (relation, left_id, right_id) VALUES (?, ?, ?)"),
                   {link.key, leftId, rightId});
    }
    case LinkStore::Field: {
        const QString table = quoted(Modules::find(link.related)->table);
        if (remove) {
            return run(QStringLiteral("UPDATE %1 SET %2 = NULL WHERE id = ? AND %2 = ?").arg(table, quoted(link.key)),
                       {relatedId, id});
        }
        return run(QStringLiteral("UPDATE %1 SET %2 = ? WHERE id = ?").arg(table, quoted(link.key)), {id, relatedId});
    }
    case LinkStore::Parent: {
        const QString table = quoted(Modules::find(link.related)->table);
        if (remove) {
            return run(QStringLiteral("UPDATE %1 SET parent_type = NULL, parent_id = NULL WHERE id = ? AND "
                                      "parent_type = ? AND parent_id = ?")
                           .arg(table),
                       {relatedId, link.module, id});
        }
        return run(QStringLiteral("UPDATE %1 SET parent_type = ?, parent_id = ? WHERE id = ?").arg(table),
                   {link.module, id, relatedId});
    }
    }
    return false;
}

bool Store::accountContacts(const QString& accountId, QStringList* contactIds)
{
    QSqlQuery query(m_db);
    query.prepare(
        QStringLiteral("SELECT ac.contact_id FROM accounts_contacts ac JOIN contacts c ON c.id = ac.contact_id "
                       "WHERE ac.account_id = ? AND ac.deleted = 0 AND c.deleted = '0' ORDER BY c.rowid"));
    query.addBindValue(accountId);
    if (!exec(query)) {
        return false;
    }
    while (query.next()) {
        contactIds->append(query.value(0).toString());
    }
    return true;
}

bool Store::isParentOfActivities(const QString& parentType, const QString& id, bool* parent)
{
    *parent = false;
    for (const char* table : {"calls", "meetings", "tasks", "notes"}) {
        QSqlQuery query(m_db);
        query.prepare(
            QStringLiteral("SELECT 1 FROM %1 WHERE parent_type = ? AND parent_id = ? AND deleted = '0' LIMIT 1")
                .arg(QLatin1String(table)));
        query.addBindValue(parentType);
        query.addBindValue(id);
        if (!exec(query)) {
            return false;
        }
        if (query.next()) {
            *parent = true;
            return true;
        }
    }
    return true;
}

QString Store::newId()
{
    static qint64 last = 0;
    last = qMax(last + 1, QDateTime::currentMSecsSinceEpoch());
    const QString stamp = QStringLiteral("%1").arg(last, 12, 16, QLatin1Char('0'));
    QRandomGenerator* random = QRandomGenerator::global();
    const QString tail = QStringLiteral("%1%2")
                             .arg(random->generate64() & 0xffffffffffffULL, 12, 16, QLatin1Char('0'))
                             .arg(random->generate() & 0xffffffffU, 8, 16, QLatin1Char('0'));
    return stamp.left(8) + u'-' + stamp.mid(8, 4) + u'-' + tail.left(4) + u'-' + tail.mid(4, 4) + u'-' +
           tail.mid(8, 12);
}

SortOrder Store::sortOrder(const ModuleDef& module, const QString& orderBy)
{
    SortOrder order;
    for (const QString& item : orderBy.split(u',', Qt::SkipEmptyParts)) {
        const QStringList words = item.simplified().split(u' ');
        QString name = words.value(0);
        if (name.startsWith(module.table + u'.')) {
            name = name.mid(module.table.size() + 1);
        }
        const FieldDef* def = module.field(name);
        if (!def || !def->stored()) {
            continue;
        }
        order.columns.append(quoted(def->name));
        order.descending.append(words.value(1).toUpper() == QLatin1String("DESC"));
    }
    return order;
}
