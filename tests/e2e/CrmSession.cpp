// SPDX-License-Identifier: MIT
#include "CrmSession.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

CrmSession::CrmSession(const QString& baseUrl) : m_client(baseUrl), m_session(m_client.login(QStringLiteral("admin")))
{
}

QJsonObject CrmSession::Call(const char* szMethod, const QJsonArray& args)
{
    QJsonArray all{m_session};
    for (const QJsonValue value : args)
        all.append(value);
    const RestReply reply = m_client.call(QLatin1String(szMethod), QJsonDocument(all).toJson(QJsonDocument::Compact));
    EXPECT_EQ(200, reply.status) << szMethod;
    return reply.json.toObject();
}

QString CrmSession::Create(const char* szModule, const std::vector<std::pair<const char*, QString>>& values)
{
    QJsonArray pairs;
    for (const auto& [name, value] : values)
        pairs.append(QJsonObject{{QStringLiteral("name"), QLatin1String(name)}, {QStringLiteral("value"), value}});
    return Call("set_entry", {QLatin1String(szModule), pairs}).value(QLatin1String("id")).toString();
}

void CrmSession::Relate(const char* szModule, const QString& id, const char* szLink, const QString& related)
{
    EXPECT_EQ(1, Call("set_relationship",
                      {QLatin1String(szModule), id, QLatin1String(szLink), QJsonArray{related}, QJsonArray(), 0})
                     .value(QLatin1String("created"))
                     .toInt())
        << szModule << '/' << szLink;
}

std::set<std::string> CrmSession::Related(const QString& module, const QString& id, const QString& link)
{
    std::set<std::string> ids;
    for (const QJsonValue entry :
         Call("get_relationships",
              {module, id, link, QString(), QJsonArray{QStringLiteral("id")}, QJsonArray(), 0, QString(), 0, 0})
             .value(QLatin1String("entry_list"))
             .toArray())
        ids.insert(entry.toObject().value(QLatin1String("id")).toString().toStdString());
    return ids;
}
