// SPDX-License-Identifier: MIT
#pragma once

#include "Faults.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QString>

class Api;

// The HTTP side: service/v4_1/rest.php with its form fields, by POST or GET, and the faults the
// plan asks for.
class Server final
{
public:
    Server(Api& api, const FaultPlan& faults);
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // The port listened on (port 0 picks a free one), or 0 on failure.
    quint16 listen(const QHostAddress& address, quint16 port);

    // application/x-www-form-urlencoded text to fields: "+" is a blank, then %XX are decoded.
    static QHash<QString, QString> decodeForm(const QByteArray& text);

private:
    QHttpServerResponse answer(const QHash<QString, QString>& fields);
    void respond(QHttpServerResponse&& response, QHttpServerResponder&& responder, Fault fault);

    QHttpServer m_http;
    QObject m_heldAnswers; // parent of the timers of answers held back, so none outlives the server
    Api& m_api;
    FaultCounter m_faults;
};
