// SPDX-License-Identifier: MIT
// A logged-in admin session on democrm for making test data and reading links back.
#pragma once

#include "RestClient.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <set>
#include <string>
#include <utility>
#include <vector>

class CrmSession
{
public:
    // Logs in as admin/admin; LoggedIn() says whether that worked.
    explicit CrmSession(const QString& baseUrl);
    bool LoggedIn() const { return !m_session.isEmpty(); }

    // Calls a method with the session id put first; a status other than 200 fails the test.
    QJsonObject Call(const char* szMethod, const QJsonArray& args);
    // The new record's id.
    QString Create(const char* szModule, const std::vector<std::pair<const char*, QString>>& values);
    void Relate(const char* szModule, const QString& id, const char* szLink, const QString& related);
    std::set<std::string> Related(const QString& module, const QString& id, const QString& link);

private:
    RestClient m_client;
    QString m_session;
};
