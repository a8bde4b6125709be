// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QHttpServer>
#include <QString>

class Api;

// The HTTP side: service/v4_1/rest.php with its form fields, by POST or GET.
class Server final
{
public:
    explicit Server(Api& api);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The port listened on (port 0 picks a free one), or 0 on failure.
    quint16 listen(const QHostAddress& address, quint16 port);

    // application/x-www-form-urlencoded text to fields: "+" is a blank, then %XX are decoded.
    static QHash<QString, QString> decodeForm(const QByteArray& text);

private:
    QHttpServer m_http;
    Api& m_api;
};
