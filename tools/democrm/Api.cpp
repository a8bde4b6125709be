// SPDX-License-Identifier: MIT
#include "Api.h"

#include "Entities.h"
#include "JsonWriter.h"
#include "QueryFilter.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>

namespace
{
// Page size when a client sends no positive max_results: the CRM's list_max_entries_per_page.
constexpr qint64 kDefaultPageSize = 20;

QStringList textList(const QJsonValue& value)
{
    QStringList items;
    for (const QJsonValue& item : value.toArray()) {
        items.append(ApiArgs::toText(item));
    }
    return items;
}

ApiReply reply(const JsonWriter& out)
{
    return {200, out.bytes()};
}
// Ends an entry list whose entries are written, with the empty relationship list that answers
// without links carry.
ApiReply endEntryList(JsonWriter& out)
{
    out.endArray();
    out.key(QStringLiteral("relationship_list"));
    out.beginArray();
    out.endArray();
    out.endObject();
    return reply(out);
}
} // namespace

ApiReply Api::error(const char* name, int number, const char* description)
{
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("name"));
    out.string(QString::fromLatin1(name));
    out.key(QStringLiteral("number"));
    out.integer(number);
    out.key(QStringLiteral("description"));
    out.string(QString::fromLatin1(description));
    out.endObject();
    return reply(out);
}

ApiReply Api::failure()
{
    return {500, QByteArray()};
}

ApiReply Api::call(const QString& method, const QJsonValue& restData)
{
    using Handler = ApiReply (Api::*)(const ApiArgs&);
    struct Method
    {
        const char* name;
        Handler handler;
        QStringList params;
    };
    static const QString s = QStringLiteral("session");
    static const QString m = QStringLiteral("module_name");
    static const QVector<Method> methods = {
        {"login",
         &Api::login,
         {QStringLiteral("user_auth"), QStringLiteral("application|application_name"),
          QStringLiteral("name_value_list")}},
        {"logout", &Api::logout, {s}},
        {"get_user_id", &Api::getUserId, {s}},
        {"get_server_info", &Api::getServerInfo, {}},
        {"get_entry_list",
         &Api::getEntryList,
         {s, m, QStringLiteral("query"), QStringLiteral("order_by"), QStringLiteral("offset"),
          QStringLiteral("select_fields"), QStringLiteral("link_name_to_fields_array"), QStringLiteral("max_results"),
          QStringLiteral("deleted"), QStringLiteral("favorites")}},
        {"get_entry",
         &Api::getEntry,
         {s, m, QStringLiteral("id"), QStringLiteral("select_fields"), QStringLiteral("link_name_to_fields_array"),
          QStringLiteral("track_view")}},
        {"get_entries",
         &Api::getEntries,
         {s, m, QStringLiteral("ids"), QStringLiteral("select_fields"), QStringLiteral("link_name_to_fields_array"),
          QStringLiteral("track_view")}},
        {"get_entries_count", &Api::getEntriesCount, {s, m, QStringLiteral("query"), QStringLiteral("deleted")}},
        {"set_entry", &Api::setEntry, {s, m, QStringLiteral("name_value_list"), QStringLiteral("track_view")}},
        {"set_entries", &Api::setEntries, {s, m, QStringLiteral("name_value_lists")}},
        {"set_relationship",
         &Api::setRelationship,
         {s, m, QStringLiteral("module_id"), QStringLiteral("link_field_name"), QStringLiteral("related_ids"),
          QStringLiteral("name_value_list"), QStringLiteral("delete")}},
        {"get_relationships",
         &Api::getRelationships,
         {s, m, QStringLiteral("module_id"), QStringLiteral("link_field_name"), QStringLiteral("related_module_query"),
          QStringLiteral("related_fields"), QStringLiteral("related_module_link_name_to_fields_array"),
          QStringLiteral("deleted"), QStringLiteral("order_by"), QStringLiteral("offset"), QStringLiteral("limit")}},
    };
    for (const Method& entry : methods) {
        if (method.compare(QLatin1String(entry.name), Qt::CaseInsensitive) != 0) {
            continue;
        }
        ApiArgs args;
        if (!args.bind(restData, entry.params)) {
            return failure();
        }
        return (this->*entry.handler)(args);
    }
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("name"));
    out.string(QStringLiteral("An Undefined Error - invalid_call occurred"));
    out.key(QStringLiteral("number"));
    out.string(QStringLiteral("-1"));
    out.key(QStringLiteral("description"));
    out.string(QStringLiteral("There is no error definition for invalid_call"));
    out.endObject();
    return reply(out);
}

const User* Api::checkSession(const ApiArgs& args, ApiReply* reply)
{
    const User* user = m_sessions.user(args.text(0));
    if (!user) {
        *reply = error("Invalid Session ID", 11, "The session ID is invalid");
    }
    return user;
}

const ModuleDef* Api::checkModule(const ApiArgs& args, ApiReply* reply) const
{
    const ModuleDef* module = Modules::find(args.text(1));
    if (!module) {
        *reply = error("Module Does Not Exist", 20, "This module is not available on this server");
    }
    return module;
}

ApiReply Api::login(const ApiArgs& args)
{
    const QJsonObject auth = args.at(0).toObject();
    const bool plain = ApiArgs::toText(auth.value(QLatin1String("encryption"))) == QLatin1String("PLAIN");
    const User* user = m_sessions.authenticate(ApiArgs::toText(auth.value(QLatin1String("user_name"))),
                                               ApiArgs::toText(auth.value(QLatin1String("password"))), plain);
    if (!user) {
        return error("Invalid Login", 10, "Login attempt failed please check the username and password");
    }
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("id"));
    out.string(m_sessions.open(*user));
    out.key(QStringLiteral("module_name"));
    out.string(QStringLiteral("Users"));
    out.key(QStringLiteral("name_value_list"));
    out.beginObject();
    const auto pair = [&out](const char* name, auto write) {
        out.key(QString::fromLatin1(name));
        out.beginObject();
        out.key(QStringLiteral("name"));
        out.string(QString::fromLatin1(name));
        out.key(QStringLiteral("value"));
        write();
        out.endObject();
    };
    const auto text = [&out](const char* value) { return [&out, value] { out.string(QString::fromLatin1(value)); }; };
    const auto null = [&out] { out.null(); };
    pair("user_id", [&] { out.string(user->id); });
    pair("user_name", [&] { out.string(user->name); });
    pair("user_language", text("en_us"));
    pair("user_currency_id", null);
    pair("user_is_admin", [&] { out.boolean(user->admin); });
    pair("user_default_team_id", null);
    pair("user_default_dateformat", text("m/d/Y"));
    pair("user_default_timeformat", text("H:i"));
    pair("user_number_separator", text(","));
    pair("user_decimal_separator", text("."));
    pair("mobile_max_list_entries", null);
    pair("mobile_max_subpanel_entries", null);
    pair("user_currency_name", text("US Dollars"));
    out.endObject();
    out.endObject();
    return reply(out);
}

ApiReply Api::logout(const ApiArgs& args)
{
    // Checked like any other call first, so that logging out counts as a use of the session.
    if (!m_sessions.user(args.text(0)) || !m_sessions.close(args.text(0))) {
        return error("Invalid Session ID", 11, "The session ID is invalid");
    }
    return {200, QByteArrayLiteral("null")};
}

ApiReply Api::getUserId(const ApiArgs& args)
{
    ApiReply result;
    const User* user = checkSession(args, &result);
    if (!user) {
        return result;
    }
    JsonWriter out;
    out.string(user->id);
    return reply(out);
}

ApiReply Api::getServerInfo(const ApiArgs&)
{
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("flavor"));
    out.string(QStringLiteral("CE"));
    out.key(QStringLiteral("version"));
    out.string(QStringLiteral("6.5.25"));
    out.key(QStringLiteral("suitecrm_version"));
    out.string(QStringLiteral("7.14.6"));
    out.key(QStringLiteral("gmt_time"));
    out.string(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    out.endObject();
    return reply(out);
}

QStringList Api::entryFields(const ModuleDef& module, const QStringList& fields)
{
    QStringList names;
    if (fields.isEmpty()) {
        for (const FieldDef& def : module.fields) {
            names.append(def.name);
        }
        return names;
    }
    for (const QString& name : fields) {
        // Unknown fields are left out. A composed name is there only where a link is read.
        if ((module.field(name) || name == QLatin1String("name")) && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

void Api::writeEntry(JsonWriter& out, const ModuleDef& module, const Record& record, const QStringList& fields)
{
    writeEntryFields(out, module, record, entryFields(module, fields));
}

void Api::writeEntryFields(JsonWriter& out, const ModuleDef& module, const Record& record, const QStringList& names)
{
    out.beginObject();
    out.key(QStringLiteral("id"));
    out.string(record.value(QStringLiteral("id")));
    out.key(QStringLiteral("module_name"));
    out.string(module.name);
    out.key(QStringLiteral("name_value_list"));
    bool any = false;
    for (const QString& name : names) {
        // An account link the contact does not have is left out.
        const auto value = record.constFind(name);
        if (value == record.cend()) {
            continue;
        }
        if (!any) {
            out.beginObject();
            any = true;
        }
        out.key(name);
        out.nameValue(name, Entities::encodeForRead(*value));
    }
    if (any) {
        out.endObject();
    }
    else {
        // PHP encodes an empty array as [] even where an object is expected.
        out.beginArray();
        out.endArray();
    }
    out.endObject();
}

ApiReply Api::getEntryList(const ApiArgs& args)
{
    ApiReply result;
    const ModuleDef* module = nullptr;
    if (!checkSession(args, &result) || !(module = checkModule(args, &result))) {
        return result;
    }
    QueryFilter filter;
    if (!QueryFilter::parse(*module, args.text(2), &filter)) {
        return error("Access Denied", 40, "You do not have access");
    }
    const qint64 offset = qMax<qint64>(0, args.integer(4, 0));
    qint64 pageSize = args.integer(7, 0);
    if (pageSize <= 0) {
        pageSize = kDefaultPageSize;
    }
    const bool includeDeleted = args.truthy(8);
    const SortOrder order = Store::sortOrder(*module, args.text(3));
    const QByteArray walk = PageCursors::walk(args.text(0), module->name, filter, includeDeleted, order);
    const PageCursors::Resume resume = m_cursors.find(walk, offset, m_store.writes());
    qint64 total = resume.cursor ? resume.cursor->total : 0;
    QVector<Record> records;
    SortKey last;
    SortKey beforeLast;
    if ((!resume.cursor && !m_store.count(*module, filter, includeDeleted, &total)) ||
        !m_store.list(*module, filter, includeDeleted, order, resume.after ? resume.skip : offset, pageSize, &records,
                      resume.after, &last, &beforeLast)) {
        return failure();
    }
    if (!records.isEmpty()) {
        m_cursors.remember(walk,
                           {offset + records.size(), m_store.writes(), std::move(last), std::move(beforeLast), total});
    }
    const QStringList fields = entryFields(*module, textList(args.at(5)));
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("result_count"));
    out.integer(records.size());
    out.key(QStringLiteral("total_count"));
    // MySQL hands the count over as text; with no rows the server reports the offset as a number.
    if (total > 0) {
        out.string(QString::number(total));
    }
    else {
        out.integer(offset);
    }
    out.key(QStringLiteral("next_offset"));
    out.integer(offset + records.size());
    out.key(QStringLiteral("entry_list"));
    out.beginArray();
    for (const Record& record : records) {
        writeEntryFields(out, *module, record, fields);
    }
    return endEntryList(out);
}

ApiReply Api::getEntry(const ApiArgs& args)
{
    ApiReply result;
    const ModuleDef* module = nullptr;
    if (!checkSession(args, &result) || !(module = checkModule(args, &result))) {
        return result;
    }
    Record record;
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("entry_list"));
    out.beginArray();
    const bool live = writeRecordOrWarning(out, *module, args.text(2), textList(args.at(3)), &record);
    out.endArray();
    out.key(QStringLiteral("relationship_list"));
    out.beginArray();
    const QJsonArray links = args.at(4).toArray();
    if (live && !links.isEmpty()) {
        // Only the e-mail addresses link is known here; other links come back without records.
        out.beginArray();
        for (const QJsonValue& link : links) {
            const QString name = ApiArgs::toText(link.toObject().value(QLatin1String("name")));
            out.beginObject();
            out.key(QStringLiteral("name"));
            out.string(name);
            out.key(QStringLiteral("records"));
            out.beginArray();
            for (const char* slot : {"email1", "email2"}) {
                const QString address = record.value(QLatin1String(slot));
                if (name != QLatin1String("email_addresses") || address.isEmpty()) {
                    continue;
                }
                out.beginObject();
                for (const QString& field : textList(link.toObject().value(QLatin1String("value")))) {
                    if (field == QLatin1String("email_address") || field == QLatin1String("primary_address")) {
                        out.key(field);
                        out.nameValue(field, field == QLatin1String("email_address") ? Entities::encodeForRead(address)
                                                                                     : QString());
                    }
                }
                out.endObject();
            }
            out.endArray();
            out.endObject();
        }
        out.endArray();
    }
    out.endArray();
    out.endObject();
    return reply(out);
}

bool Api::writeRecordOrWarning(JsonWriter& out, const ModuleDef& module, const QString& id, const QStringList& fields,
                               Record* record) const
{
    if (m_store.find(module, id, record) && record->value(QStringLiteral("deleted")) == QLatin1String("0")) {
        writeEntry(out, module, *record, fields);
        return true;
    }
    // A deleted or unknown id gives this warning list instead of the usual object.
    out.beginObject();
    out.key(QStringLiteral("id"));
    out.string(id);
    out.key(QStringLiteral("module_name"));
    out.string(module.name);
    out.key(QStringLiteral("name_value_list"));
    out.beginArray();
    out.nameValue(QStringLiteral("warning"),
                  QStringLiteral("Access to this object is denied since it has been deleted or does not exist"));
    out.nameValue(QStringLiteral("deleted"), QStringLiteral("1"));
    out.endArray();
    out.endObject();
    return false;
}

// The server's get_entry is this call with one id: an entry per id, in the order asked.
ApiReply Api::getEntries(const ApiArgs& args)
{
    ApiReply result;
    const ModuleDef* module = nullptr;
    if (!checkSession(args, &result) || !(module = checkModule(args, &result))) {
        return result;
    }
    const QStringList fields = textList(args.at(3));
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("entry_list"));
    out.beginArray();
    for (const QString& id : textList(args.at(2))) {
        Record record;
        writeRecordOrWarning(out, *module, id, fields, &record);
    }
    return endEntryList(out);
}

ApiReply Api::getEntriesCount(const ApiArgs& args)
{
    ApiReply result;
    const ModuleDef* module = nullptr;
    if (!checkSession(args, &result) || !(module = checkModule(args, &result))) {
        return result;
    }
    QueryFilter filter;
    if (!QueryFilter::parse(*module, args.text(2), &filter)) {
        return error("Access Denied", 40, "You do not have access");
    }
    qint64 total = 0;
    if (!m_store.count(*module, filter, args.truthy(3), &total)) {
        return failure();
    }
    JsonWriter out;
    out.beginObject();
    out.key(QStringLiteral("result_count"));
    out.string(QString::number(total));
    out.endObject();
    return reply(out);
}
