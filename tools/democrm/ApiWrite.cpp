// SPDX-License-Identifier: MIT
#include "Api.h"

#include "Entities.h"
#include "JsonWriter.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace
{
const QString kDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The server's id check; an id outside it makes set_entry answer a bare null.
bool validId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-zA-Z0-9_-]*$"));
    return pattern.match(id).hasMatch();
}

QVariant storedValue(const FieldDef& def, const QJsonValue& value)
{
    if (value.isNull() || value.isUndefined()) {
        return QVariant();
    }
    const QString text = ApiArgs::toText(value);
    return def.kind == FieldKind::Name ? text.trimmed() : text;
}

// Calls and meetings keep date_end as start plus duration, as the CRM computes it on save.
void fillDateEnd(const ModuleDef& module, const Record& old, Values* values)
{
    if (!module.field(QStringLiteral("date_end")) || values->contains(QStringLiteral("date_end"))) {
        return;
    }
    const auto current = [&](const char* name) {
        const QString key = QLatin1String(name);
        return values->contains(key) ? values->value(key).toString() : old.value(key);
    };
    const QDateTime start = QDateTime::fromString(current("date_start"), kDateTimeFormat);
    if (!start.isValid()) {
        return;
    }
    const qint64 seconds =
        current("duration_hours").toLongLong() * 3600 + current("duration_minutes").toLongLong() * 60;
    values->insert(QStringLiteral("date_end"), start.addSecs(seconds).toString(kDateTimeFormat));
}

void emptyArray(JsonWriter& out)
{
    out.beginArray();
    out.endArray();
}
} // namespace

bool Api::save(const ModuleDef& module, const User& user, const QJsonValue& nameValueList, SaveResult* result,
               JsonWriter* echo)
{
    // Repeated names: the last value wins, at the place of the first.
    QVector<QPair<QString, QJsonValue>> pairs;
    for (const auto& pair : ApiArgs::nameValues(nameValueList)) {
        auto it = std::find_if(pairs.begin(), pairs.end(), [&](const auto& p) { return p.first == pair.first; });
        if (it != pairs.end()) {
            it->second = pair.second;
        }
        else {
            pairs.append(pair);
        }
    }
    Values values;
    QHash<int, QString> emails;
    bool linkAccount = false;
    QString accountId;
    QString id;
    bool remove = false;
    for (const auto& [name, value] : pairs) {
        const FieldDef* def = module.field(name);
        if (!def) {
            continue;
        }
        if (name == QLatin1String("id")) {
            id = ApiArgs::toText(value);
        }
        else if (name == QLatin1String("deleted")) {
            remove = ApiArgs::equalsOne(value);
        }
        else if (def->kind == FieldKind::Email1 || def->kind == FieldKind::Email2) {
            emails.insert(def->kind == FieldKind::Email1 ? 1 : 2, ApiArgs::toText(value));
        }
        else if (def->kind == FieldKind::AccountId) {
            linkAccount = true;
            accountId = ApiArgs::toText(value);
        }
        else if (def->stored()) {
            values.insert(name, storedValue(*def, value));
        }
    }
    if (!validId(id)) {
        return false;
    }
    const QString now = QDateTime::currentDateTimeUtc().toString(kDateTimeFormat);
    values.insert(QStringLiteral("date_modified"), now);
    values.insert(QStringLiteral("modified_user_id"), user.id);
    bool saved = false;
    if (id.isEmpty()) {
        id = Store::newId();
        for (const FieldDef& def : module.fields) {
            if (!def.defaultValue.isNull() && !values.contains(def.name)) {
                values.insert(def.name, def.defaultValue);
            }
        }
        values.insert(QStringLiteral("id"), id);
        values.insert(QStringLiteral("deleted"), remove ? QStringLiteral("1") : QStringLiteral("0"));
        values.insert(QStringLiteral("date_entered"), now);
        values.insert(QStringLiteral("created_by"), user.id);
        if (!values.contains(QStringLiteral("assigned_user_id"))) {
            values.insert(QStringLiteral("assigned_user_id"), user.id);
        }
        fillDateEnd(module, Record(), &values);
        saved = m_store.insert(module, values);
    }
    else {
        // Only a live record is changed. For an unknown or deleted id the real server runs an
        // update that matches no live row and still answers with the id; so does this one.
        Record old;
        if (m_store.find(module, id, &old) && old.value(QStringLiteral("deleted")) == QLatin1String("0")) {
            if (remove) {
                values.insert(QStringLiteral("deleted"), QStringLiteral("1"));
            }
            fillDateEnd(module, old, &values);
            saved = m_store.update(module, id, values);
        }
    }
    if (saved) {
        for (auto it = emails.begin(); it != emails.end(); ++it) {
            m_store.setEmail(module, id, it.key(), it.value());
        }
        if (linkAccount) {
            m_store.linkAccount(accountId, id);
        }
        if (remove) {
            m_store.unlinkDeleted(module, id);
            // The real server marks the contact deleted, then fails while re-saving the activities
            // whose parent it is (a known SuiteCRM bug): clients see HTTP 500 for a done deletion.
            if (module.name == QLatin1String("Contacts")) {
                m_store.isParentOfActivities(module.name, id, &result->crashed);
            }
        }
    }
    result->id = id;
    if (echo) {
        bool any = false;
        for (const auto& [name, value] : pairs) {
            const FieldDef* def = module.field(name);
            if (!def) {
                continue;
            }
            if (!any) {
                echo->beginObject();
                any = true;
            }
            echo->key(name);
            echo->beginObject();
            echo->key(QStringLiteral("name"));
            echo->string(name);
            echo->key(QStringLiteral("value"));
            bool number = false;
            const qint64 integer = def->kind == FieldKind::Int ? value.toString().toLongLong(&number) : 0;
            if (number) {
                // The save casts number fields, so a number sent as text comes back as a number.
                echo->integer(integer);
            }
            else if (value.isString()) {
                const QString text = def->kind == FieldKind::Name ? value.toString().trimmed() : value.toString();
                echo->string(Entities::encodeForEcho(text));
            }
            else {
                echo->value(value);
            }
            echo->endObject();
        }
        if (any) {
            echo->endObject();
        }
        else {
            emptyArray(*echo);
        }
    }
    return true;
}

ApiReply Api::setEntry(const ApiArgs& args)
{
    ApiReply result;
    const User* user = checkSession(args, &result);
    const ModuleDef* module = nullptr;
    if (!user || !(module = checkModule(args, &result))) {
        return result;
    }
    JsonWriter echo;
    SaveResult saved;
    if (!save(*module, *user, args.at(2), &saved, &echo)) {
        return {200, QByteArrayLiteral("null")};
    }
    if (saved.crashed) {
        return failure();
    }
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("id"));
    out.string(saved.id);
    out.key(QStringLiteral("entry_list"));
    out.raw(echo.bytes());
    out.endObject();
    return {200, out.bytes()};
}

ApiReply Api::setEntries(const ApiArgs& args)
{
    ApiReply result;
    const User* user = checkSession(args, &result);
    const ModuleDef* module = nullptr;
    if (!user || !(module = checkModule(args, &result))) {
        return result;
    }
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("ids"));
    out.beginArray();
    for (const QJsonValue& list : args.at(2).toArray()) {
        SaveResult saved;
        if (!save(*module, *user, list, &saved, nullptr)) {
            continue;
        }
        if (saved.crashed) {
            // The records before this one stay saved, the ones after it are never reached.
            return failure();
        }
        out.string(saved.id);
    }
    out.endArray();
    out.endObject();
    return {200, out.bytes()};
}

bool Api::relatedRecord(const QString& moduleName, const QString& id, Record* record) const
{
    if (moduleName == QLatin1String("Users")) {
        for (const User& user : m_sessions.users()) {
            if (user.id == id) {
                *record = {{QStringLiteral("id"), user.id},
                           {QStringLiteral("user_name"), user.name},
                           {QStringLiteral("name"), user.name}};
                return true;
            }
        }
        return false;
    }
    const ModuleDef* module = Modules::find(moduleName);
    if (!module || !m_store.find(*module, id, record) ||
        record->value(QStringLiteral("deleted")) != QLatin1String("0")) {
        return false;
    }
    // The name the server composes for records that have no name field of their own.
    if (record->contains(QStringLiteral("document_name"))) {
        record->insert(QStringLiteral("name"), record->value(QStringLiteral("document_name")));
    }
    else if (record->contains(QStringLiteral("last_name"))) {
        const QString first = record->value(QStringLiteral("first_name"));
        const QString last = record->value(QStringLiteral("last_name"));
        record->insert(QStringLiteral("name"), first.isEmpty() ? last : first + u' ' + last);
    }
    return true;
}

ApiReply Api::setRelationship(const ApiArgs& args)
{
    ApiReply result;
    const ModuleDef* module = nullptr;
    if (!checkSession(args, &result) || !(module = checkModule(args, &result))) {
        return result;
    }
    // A link the module does not have, or a record that is not live, fails every related id.
    const QString id = args.text(2);
    const LinkDef* link = Links::find(module->name, args.text(3));
    Record owner;
    const bool usable =
        link && !m_failingLinks.contains(module->name + u'/' + link->name) && relatedRecord(module->name, id, &owner);
    const bool remove = args.truthy(6);
    int created = 0;
    int failed = 0;
    int deleted = 0;
    for (const QJsonValue& related : args.at(4).toArray()) {
        const QString relatedId = ApiArgs::toText(related);
        Record other;
        if (!usable || !relatedRecord(link->related, relatedId, &other) ||
            !m_store.setLink(*link, id, relatedId, remove)) {
            ++failed;
        }
        else if (remove) {
            ++deleted;
        }
        else {
            ++created;
        }
    }
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("created"));
    out.integer(created);
    out.key(QStringLiteral("failed"));
    out.integer(failed);
    out.key(QStringLiteral("deleted"));
    out.integer(deleted);
    out.endObject();
    return {200, out.bytes()};
}

ApiReply Api::getRelationships(const ApiArgs& args)
{
    ApiReply result;
    const ModuleDef* module = nullptr;
    if (!checkSession(args, &result) || !(module = checkModule(args, &result))) {
        return result;
    }
    // The real server dies with a PHP error on the links of a deleted or unknown record.
    const QString id = args.text(2);
    Record owner;
    if (!relatedRecord(module->name, id, &owner)) {
        return failure();
    }
    const LinkDef* link = Links::find(module->name, args.text(3));
    QStringList relatedIds;
    if (link && !m_store.linkedIds(*link, id, &relatedIds)) {
        return failure();
    }
    QStringList fields;
    for (const QJsonValue& field : args.at(5).toArray()) {
        fields.append(ApiArgs::toText(field));
    }
    static const ModuleDef users{
        QStringLiteral("Users"),
        QStringLiteral("users"),
        {{QStringLiteral("id"), FieldKind::Id, QString()}, {QStringLiteral("user_name"), FieldKind::Text, QString()}}};
    const ModuleDef* related = link ? Modules::find(link->related) : nullptr;
    if (link && !related) {
        related = &users;
    }
    qint64 skip = qMax<qint64>(0, args.integer(9, 0));
    const qint64 limit = args.integer(10, 0);
    qint64 written = 0;
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("entry_list"));
    out.beginArray();
    for (const QString& relatedId : relatedIds) {
        Record record;
        if (!relatedRecord(related->name, relatedId, &record)) {
            continue;
        }
        if (skip > 0) {
            --skip;
            continue;
        }
        if (limit > 0 && written == limit) {
            break;
        }
        writeEntry(out, *related, record, fields);
        ++written;
    }
    out.endArray();
    out.key(QStringLiteral("relationship_list"));
    emptyArray(out);
    out.endObject();
    return {200, out.bytes()};
}
