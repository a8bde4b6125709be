// SPDX-License-Identifier: MIT
#include "ServerTable.h"

#include "RestClient.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace
{

const char* const kModules[] = {"Accounts", "Contacts", "Leads", "Calls", "Meetings", "Tasks", "Notes"};

bool ReadModule(RestClient& client, const QString& session, const char* szModule, ServerTable& table)
{
    constexpr int kPage = 250;
    for (int nOffset = 0;;) {
        // Empty select_fields: every field of the module.
        const QJsonArray args{
            session, QLatin1String(szModule), QString(), QString(), nOffset, QJsonArray(), QJsonArray(), kPage, 0};
        const RestReply reply =
            client.call(QStringLiteral("get_entry_list"), QJsonDocument(args).toJson(QJsonDocument::Compact));
        const QJsonObject page = reply.json.toObject();
        if (reply.status != 200 || !page.value(QLatin1String("entry_list")).isArray())
            return false;
        const QJsonArray entries = page.value(QLatin1String("entry_list")).toArray();
        for (const QJsonValue entry : entries) {
            QJsonObject fields = entry.toObject().value(QLatin1String("name_value_list")).toObject();
            fields.remove(QLatin1String("account_id"));
            fields.remove(QLatin1String("account_name"));
            const std::string key =
                std::string(szModule) + '/' + entry.toObject().value(QLatin1String("id")).toString().toStdString();
            table[key] = fields;
        }
        if (entries.size() < kPage)
            return true;
        nOffset += static_cast<int>(entries.size());
    }
}

} // namespace

bool ReadServerTable(const QString& baseUrl, ServerTable& table)
{
    RestClient client(baseUrl);
    const QString session = client.login(QStringLiteral("admin"));
    if (session.isEmpty())
        return false;
    for (const char* szModule : kModules) {
        if (!ReadModule(client, session, szModule, table))
            return false;
    }
    return true;
}

QString FieldText(const QJsonObject& fields, const char* szName)
{
    return fields.value(QLatin1String(szName)).toObject().value(QLatin1String("value")).toString();
}
