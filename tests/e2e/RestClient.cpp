// SPDX-License-Identifier: MIT
#include "RestClient.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace
{
// QNetworkAccessManager and QEventLoop need an application object; gtest_main makes none.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "e2e_democrm";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) {
        static QCoreApplication app(argc, argv);
    }
}
} // namespace

RestClient::RestClient(const QString& baseUrl) : m_endpoint(baseUrl + QStringLiteral("service/v4_1/rest.php"))
{
    ensureApplication();
}

QByteArray RestClient::form(const QString& method, const QByteArray& restData)
{
    // toPercentEncoding leaves only A-Z a-z 0-9 - . _ ~, so "+" goes as %2B.
    return "method=" + QUrl::toPercentEncoding(method) +
           "&input_type=JSON&response_type=JSON&rest_data=" + QUrl::toPercentEncoding(QString::fromUtf8(restData));
}

RestReply RestClient::call(const QString& method, const QByteArray& restData)
{
    return send(form(method, restData), true);
}

RestReply RestClient::post(const QByteArray& formBody)
{
    return send(formBody, true);
}

RestReply RestClient::get(const QByteArray& query)
{
    return send(query, false);
}

RestReply RestClient::send(const QByteArray& formBody, bool usePost)
{
    QNetworkAccessManager manager;
    QUrl url(m_endpoint);
    if (!usePost) {
        url.setQuery(QString::fromLatin1(formBody), QUrl::StrictMode);
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    QNetworkReply* reply = usePost ? manager.post(request, formBody) : manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    RestReply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    reply->deleteLater();
    // Wrapped in an array so that bare values such as null or "1" parse too.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + result.body + "]", &error);
    if (error.error == QJsonParseError::NoError && document.array().size() == 1) {
        result.json = document.array().at(0);
    }
    return result;
}

QString RestClient::login(const QString& password)
{
    const QByteArray md5 = QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex();
    const RestReply reply =
        call(QStringLiteral("login"), R"([{"user_name":"admin","password":")" + md5 + R"("},"e2e",[]])");
    return reply.json.toObject().value(QLatin1String("id")).toString();
}
