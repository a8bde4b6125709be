// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

struct RestReply
{
    int status = 0;
    QByteArray body;
    QJsonValue json; // undefined when the body is not JSON
};

// A blocking client for service/v4_1/rest.php, encoding the form the way a careful client does.
class RestClient final
{
public:
    explicit RestClient(const QString& baseUrl);

    RestReply call(const QString& method, const QByteArray& restData);
    // Sends an already encoded form body, or the same text as a GET query.
    RestReply post(const QByteArray& formBody);
    RestReply get(const QByteArray& query);

    static QByteArray form(const QString& method, const QByteArray& restData);
    // Logs in as admin with the given password and returns the session id ("" on failure).
    QString login(const QString& password);

private:
    RestReply send(const QByteArray& formBody, bool usePost);

    QString m_endpoint;
};
