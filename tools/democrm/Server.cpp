// SPDX-License-Identifier: MIT
#include "Server.h"

#include "Api.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace
{
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
} // namespace

Server::Server(Api& api) : m_api(api)
{
    m_http.route(QStringLiteral("/service/v4_1/rest.php"),
                 QHttpServerRequest::Method::Post | QHttpServerRequest::Method::Get,
                 [this](const QHttpServerRequest& request) {
                     // Like PHP's $_REQUEST: query fields first, form fields of the body override them.
                     QHash<QString, QString> fields = decodeForm(request.url().query(QUrl::FullyEncoded).toLatin1());
                     if (request.method() == QHttpServerRequest::Method::Post) {
                         const QHash<QString, QString> posted = decodeForm(request.body());
                         for (auto it = posted.begin(); it != posted.end(); ++it) {
                             fields.insert(it.key(), it.value());
                         }
                     }
                     ApiReply reply;
                     // Without JSON in and out the real server answers something else than JSON
                     // (a PHP dump or a fatal error); refuse such requests plainly.
                     if (!isJson(fields.value(QStringLiteral("input_type"))) ||
                         !isJson(fields.value(QStringLiteral("response_type")))) {
                         reply.status = 500;
                     }
                     else {
                         reply = m_api.call(fields.value(QStringLiteral("method")),
                                            parseRestData(fields.value(QStringLiteral("rest_data"))));
                     }
                     if (reply.status != 200) {
                         return QHttpServerResponse(QByteArrayLiteral("text/html; charset=UTF-8"), QByteArray(),
                                                    QHttpServerResponder::StatusCode::InternalServerError);
                     }
                     return QHttpServerResponse(QByteArrayLiteral("application/json; charset=UTF-8"), reply.body);
                 });
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
        const int equals = part.indexOf('=');
        QByteArray name = equals < 0 ? part : part.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : part.mid(equals + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        fields.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(name)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return fields;
}
