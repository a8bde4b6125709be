// SPDX-License-Identifier: MIT
#include "Server.h"

#include "Api.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace
{
const QByteArray kHtml = QByteArrayLiteral("text/html; charset=UTF-8");

// What PHP prints when it dies with display_errors on. It holds no bracket, so not even a reader
// that looks for JSON amid stray text finds any.
const QByteArray kGarbage = QByteArrayLiteral(
    "<br />\n<b>Fatal error</b>:  Allowed memory size of 134217728 bytes exhausted (tried to allocate 65536 "
    "bytes) in <b>/var/www/html/include/database/MysqliManager.php</b> on line <b>223</b><br />\n");

bool isJson(const QString& type)
{
    return type.compare(QLatin1String("JSON"), Qt::CaseInsensitive) == 0;
}

QJsonValue parseRestData(const QString& text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (document.isArray()) {
        return document.array();
    }
    if (document.isObject()) {
        return document.object();
    }
    // PHP's json_decode gives null here, which the server passes on as the first argument.
    return QJsonValue(QJsonValue::Null);
}

QHttpServerResponse failure()
{
    return QHttpServerResponse(kHtml, QByteArray(), QHttpServerResponder::StatusCode::InternalServerError);
}

const char* faultName(Fault fault)
{
    switch (fault) {
    case Fault::Fail:
        return "HTTP 500";
    case Fault::Garbage:
        return "not JSON";
    case Fault::Cut:
        return "cut off";
    case Fault::Delay:
        return "held back";
    case Fault::None:
        break;
    }
    return "";
}

// The answer as it would go out, up to half its body; then the connection closes, as when a
// connection breaks on the way. The announced length stays that of the whole body.
void writeCut(const QHttpServerResponse& response, QHttpServerResponder& responder)
{
    QTcpSocket* socket = responder.socket();
    if (socket->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    responder.writeStatusLine(response.statusCode());
    const QByteArray body = response.data();
    if (!body.isEmpty()) {
        responder.writeHeader(QByteArrayLiteral("Content-Type"), response.mimeType());
        responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArray::number(body.size()));
        responder.writeBody(body.left(body.size() / 2));
    }
    socket->disconnectFromHost();
}

void send(const QHttpServerResponse& response, QHttpServerResponder&& responder, bool cut)
{
    if (cut) {
        writeCut(response, responder);
    }
    else {
        // Written at once rather than when the event loop comes round: requests that arrived
        // together are answered one by one, and the client can read the first meanwhile.
        const QPointer<QTcpSocket> socket = responder.socket();
        response.write(std::move(responder));
        if (socket) {
            socket->flush();
        }
    }
}
} // namespace

Server::Server(Api& api, const FaultPlan& faults) : m_api(api), m_faults(faults)
{
    m_http.route(QStringLiteral("/service/v4_1/rest.php"),
                 QHttpServerRequest::Method::Post | QHttpServerRequest::Method::Get,
                 [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                     // Like PHP's $_REQUEST: query fields first, form fields of the body override them.
                     QHash<QString, QString> fields = decodeForm(request.url().query(QUrl::FullyEncoded).toLatin1());
                     if (request.method() == QHttpServerRequest::Method::Post) {
                         const QHash<QString, QString> posted = decodeForm(request.body());
                         for (auto it = posted.begin(); it != posted.end(); ++it) {
                             fields.insert(it.key(), it.value());
                         }
                     }
                     const QString method = fields.value(QStringLiteral("method"));
                     qint64 number = 0;
                     const Fault fault = m_faults.next(method, &number);
                     if (fault != Fault::None) {
                         std::fprintf(stderr, "democrm: request %lld (%s): %s\n", static_cast<long long>(number),
                                      qUtf8Printable(method), faultName(fault));
                     }
                     if (fault == Fault::Fail) {
                         respond(failure(), std::move(responder), fault);
                     }
                     else if (fault == Fault::Garbage) {
                         respond(QHttpServerResponse(kHtml, kGarbage), std::move(responder), fault);
                     }
                     else {
                         respond(answer(fields), std::move(responder), fault);
                     }
                 });
}

QHttpServerResponse Server::answer(const QHash<QString, QString>& fields)
{
    ApiReply reply;
    // Without JSON in and out the real server answers something else than JSON (a PHP dump or a
    // fatal error); refuse such requests plainly.
    if (!isJson(fields.value(QStringLiteral("input_type"))) || !isJson(fields.value(QStringLiteral("response_type")))) {
        reply.status = 500;
    }
    else {
        reply = m_api.call(fields.value(QStringLiteral("method")),
                           parseRestData(fields.value(QStringLiteral("rest_data"))));
    }
    if (reply.status != 200) {
        return failure();
    }
    return QHttpServerResponse(QByteArrayLiteral("application/json; charset=UTF-8"), reply.body);
}

void Server::respond(QHttpServerResponse&& response, QHttpServerResponder&& responder, Fault fault)
{
    const bool cut = fault == Fault::Cut;
    const int wait = m_faults.plan().latencyMs + (fault == Fault::Delay ? m_faults.plan().delayMs : 0);
    if (wait == 0) {
        send(response, std::move(responder), cut);
        return;
    }
    // The request is already carried out; only its answer waits, on a timer, so that the other
    // connections are served meanwhile. A client that gave up in between has no socket left.
    auto* timer = new QTimer(&m_heldAnswers);
    timer->setSingleShot(true);
    // A coarse timer may fire early, and the wait must not come out shorter than asked.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer,
                     [timer, cut, socket = QPointer<QTcpSocket>(responder.socket()), response = std::move(response),
                      responder = std::move(responder)]() mutable {
                         if (socket) {
                             send(response, std::move(responder), cut);
                         }
                         timer->deleteLater();
                     });
    timer->start(wait);
}

quint16 Server::listen(const QHostAddress& address, quint16 port)
{
    return m_http.listen(address, port);
}

QHash<QString, QString> Server::decodeForm(const QByteArray& text)
{
    QHash<QString, QString> fields;
    for (const QByteArray& part : text.split('&')) {
        if (part.isEmpty()) {
            continue;
        }
        const qsizetype equals = part.indexOf('=');
        QByteArray name = equals < 0 ? part : part.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : part.mid(equals + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        fields.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return fields;
}
