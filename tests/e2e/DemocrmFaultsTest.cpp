// SPDX-License-Identifier: MIT
// democrm's fault switches: each fault hits exactly the numbered request, and the requests
// around it are answered as usual.
#include "DemocrmProcess.h"
#include "RestClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QVector>

#include <gtest/gtest.h>

#include <memory>

namespace
{
const QByteArray kInvalidSession =
    R"({"name":"Invalid Session ID","number":11,"description":"The session ID is invalid"})";
const QByteArray kInvalidLogin =
    R"({"name":"Invalid Login","number":10,"description":"Login attempt failed please check the username and password"})";

QByteArray creation(const QString& session, const char* lastName)
{
    return "[\"" + session.toUtf8() + R"(","Contacts",[{"name":"last_name","value":")" + lastName + "\"}]]";
}

QByteArray deletion(const QString& session, const QString& id)
{
    return "[\"" + session.toUtf8() + R"(","Contacts",[{"name":"id","value":")" + id.toUtf8() +
           R"("},{"name":"deleted","value":1}]])";
}

// Wrapped in an array so that bare values such as null or "1" count too.
bool isJson(const QByteArray& body)
{
    QJsonParseError error;
    QJsonDocument::fromJson("[" + body + "]", &error);
    return error.error == QJsonParseError::NoError;
}

// Waits at most ms for the reply; true when it finished.
bool waitFor(QNetworkReply* reply, int ms)
{
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return reply->isFinished();
}

// Every byte of an answer, read until the server closes the connection; *closed stays false when
// it has not closed it within 5 s.
QByteArray rawAnswer(const QString& baseUrl, const QByteArray& form, bool* closed)
{
    const QUrl url(baseUrl);
    QTcpSocket socket;
    socket.connectToHost(url.host(), static_cast<quint16>(url.port()));
    *closed = false;
    if (!socket.waitForConnected(5000)) {
        return {};
    }
    socket.write("POST /service/v4_1/rest.php HTTP/1.1\r\nHost: " + url.host().toLatin1() +
                 "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                 QByteArray::number(form.size()) + "\r\n\r\n" + form);
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 5000) {
        socket.waitForReadyRead(100);
        bytes += socket.readAll();
    }
    bytes += socket.readAll();
    *closed = socket.state() != QAbstractSocket::ConnectedState;
    return bytes;
}

class DemocrmFaults : public ::testing::Test
{
protected:
    void start(const QStringList& arguments)
    {
        m_client.reset();
        if (m_started) {
            ASSERT_EQ(0, m_server.stop());
        }
        QString error;
        ASSERT_TRUE(m_server.start(arguments, &error)) << error.toStdString();
        m_started = true;
        m_client = std::make_unique<RestClient>(m_server.baseUrl());
    }

    void TearDown() override
    {
        if (m_started) {
            EXPECT_EQ(0, m_server.stop()) << "democrm did not stop cleanly on SIGTERM";
        }
    }

    QString create(const QString& session, const char* lastName)
    {
        return m_client->call(QStringLiteral("set_entry"), creation(session, lastName))
            .json.toObject()
            .value(QLatin1String("id"))
            .toString();
    }

    bool isLive(const QString& session, const QString& id)
    {
        const RestReply reply =
            m_client->call(QStringLiteral("get_entry"),
                           "[\"" + session.toUtf8() + R"(","Contacts",")" + id.toUtf8() + R"(",["id"],[],false])");
        return reply.json.toObject()[QLatin1String("entry_list")][0][QLatin1String("name_value_list")].isObject();
    }

    QString liveContacts(const QString& session)
    {
        return m_client->call(QStringLiteral("get_entries_count"), "[\"" + session.toUtf8() + R"(","Contacts","",0])")
            .json.toObject()
            .value(QLatin1String("result_count"))
            .toString();
    }

    QNetworkReply* post(QNetworkAccessManager& manager, const QString& method, const QByteArray& restData)
    {
        QNetworkRequest request(QUrl(m_server.baseUrl() + QStringLiteral("service/v4_1/rest.php")));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        return manager.post(request, RestClient::form(method, restData));
    }

    DemocrmProcess m_server;
    bool m_started = false;
    std::unique_ptr<RestClient> m_client;
};
} // namespace

TEST_F(DemocrmFaults, FailAndGarbageHitOnlyTheirRequestsAndCarryNothingOut)
{
    start({QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--fail-request"),
           QStringLiteral("2"), QStringLiteral("--garbage-request"), QStringLiteral("4-5")});
    const QString session = m_client->login(QStringLiteral("admin"));
    ASSERT_FALSE(session.isEmpty());
    const QString a = create(session, "A");
    ASSERT_FALSE(a.isEmpty());

    // Requests of other methods are not counted: this is still the second set_entry.
    const RestReply failed = m_client->call(QStringLiteral("set_entry"), deletion(session, a));
    EXPECT_EQ(500, failed.status);
    EXPECT_TRUE(failed.body.isEmpty());
    EXPECT_TRUE(isLive(session, a));
    EXPECT_EQ(a,
              m_client->call(QStringLiteral("set_entry"), deletion(session, a)).json[QLatin1String("id")].toString());
    EXPECT_FALSE(isLive(session, a));

    for (int number = 4; number <= 5; ++number) {
        const RestReply garbage = m_client->call(QStringLiteral("set_entry"), creation(session, "B"));
        EXPECT_EQ(200, garbage.status) << number;
        EXPECT_FALSE(isJson(garbage.body)) << number;
        // Not even a reader that looks for JSON amid stray text may find any.
        EXPECT_FALSE(garbage.body.isEmpty() || garbage.body.contains('{') || garbage.body.contains('['))
            << garbage.body.toStdString();
    }
    EXPECT_EQ(QStringLiteral("0"), liveContacts(session));
    EXPECT_FALSE(create(session, "C").isEmpty());

    // Without a method every request counts, the login included.
    start({QStringLiteral("--fail-request"), QStringLiteral("1"), QStringLiteral("--garbage-request"),
           QStringLiteral("3")});
    EXPECT_TRUE(m_client->login(QStringLiteral("admin")).isEmpty());
    const QString second = m_client->login(QStringLiteral("admin"));
    ASSERT_FALSE(second.isEmpty());
    EXPECT_FALSE(isJson(m_client->call(QStringLiteral("get_user_id"), "[\"" + second.toUtf8() + "\"]").body));
    EXPECT_EQ("\"1\"", m_client->call(QStringLiteral("get_user_id"), "[\"" + second.toUtf8() + "\"]").body);
}

TEST_F(DemocrmFaults, CutRequestIsCarriedOutButItsAnswerBreaksOff)
{
    start({QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--cut-request"),
           QStringLiteral("2,3")});
    const QString session = m_client->login(QStringLiteral("admin"));
    const QString a = create(session, "A");
    ASSERT_FALSE(a.isEmpty());

    bool closed = false;
    const QByteArray cut =
        rawAnswer(m_server.baseUrl(), RestClient::form(QStringLiteral("set_entry"), deletion(session, a)), &closed);
    EXPECT_TRUE(closed);
    const qsizetype headerEnd = cut.indexOf("\r\n\r\n");
    ASSERT_GT(headerEnd, 0) << cut.toStdString();
    EXPECT_TRUE(cut.startsWith("HTTP/1.1 200 OK\r\n")) << cut.toStdString();
    const QRegularExpressionMatch length =
        QRegularExpression(QStringLiteral("\r\nContent-Length: (\\d+)\r\n")).match(QString::fromLatin1(cut));
    ASSERT_TRUE(length.hasMatch()) << cut.toStdString();
    const int announced = length.captured(1).toInt();
    EXPECT_GT(announced, 40);
    EXPECT_EQ(announced / 2, cut.size() - headerEnd - 4);
    EXPECT_TRUE(cut.mid(headerEnd + 4).startsWith("{\"id\":\"" + a.toUtf8() + '"')) << cut.toStdString();
    // The deletion happened even though its answer never arrived whole.
    EXPECT_FALSE(isLive(session, a));

    // An answer without a body breaks off after its status line.
    const QByteArray xml = "method=set_entry&input_type=JSON&response_type=XML";
    EXPECT_EQ(QByteArray("HTTP/1.1 500 Internal Server Error\r\n"), rawAnswer(m_server.baseUrl(), xml, &closed));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(create(session, "B").isEmpty());
}

TEST_F(DemocrmFaults, HeldBackAnswerComesLateWhileOtherConnectionsAreServed)
{
    start({QStringLiteral("--fault-method"), QStringLiteral("set_entry"), QStringLiteral("--delay-request"),
           QStringLiteral("2-3"), QStringLiteral("--delay-ms"), QStringLiteral("2500"), QStringLiteral("--latency-ms"),
           QStringLiteral("200")});
    const QString session = m_client->login(QStringLiteral("admin"));
    const QString a = create(session, "A");
    ASSERT_FALSE(a.isEmpty());

    QNetworkAccessManager manager;
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> held(post(manager, QStringLiteral("set_entry"), deletion(session, a)));
    // The deletion is carried out at once and other connections are answered; only its answer waits.
    bool seenDeleted = false;
    while (!held->isFinished() && !seenDeleted) {
        const qint64 asked = clock.elapsed();
        seenDeleted = !isLive(session, a);
        EXPECT_GE(clock.elapsed() - asked, 200) << "every answer waits for the latency";
    }
    EXPECT_TRUE(seenDeleted);
    EXPECT_FALSE(held->isFinished());
    ASSERT_TRUE(waitFor(held.get(), 10000));
    EXPECT_GE(clock.elapsed(), 2700);
    EXPECT_EQ(200, held->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    EXPECT_TRUE(held->readAll().startsWith("{\"id\":\"" + a.toUtf8() + '"'));

    // A held answer does not keep the server from stopping; its client sees the connection end.
    held.reset(post(manager, QStringLiteral("set_entry"), creation(session, "B")));
    QString live;
    do {
        live = liveContacts(session);
    } while (live != QStringLiteral("1") && !held->isFinished());
    EXPECT_EQ(QStringLiteral("1"), live);
    EXPECT_FALSE(held->isFinished());
    clock.restart();
    m_started = false;
    EXPECT_EQ(0, m_server.stop());
    EXPECT_LT(clock.elapsed(), 1000);
    ASSERT_TRUE(waitFor(held.get(), 5000));
    EXPECT_NE(QNetworkReply::NoError, held->error());
    EXPECT_FALSE(held->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
}

TEST_F(DemocrmFaults, LatencyHoldsEveryAnswerBackWithoutHoldingUpTheOthers)
{
    start({QStringLiteral("--latency-ms"), QStringLiteral("400")});
    QNetworkAccessManager manager;
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> replies[2];
    qint64 done[2] = {};
    for (int i = 0; i < 2; ++i) {
        replies[i].reset(post(manager, QStringLiteral("get_server_info"), "[]"));
        QObject::connect(replies[i].get(), &QNetworkReply::finished, [&clock, &done, i] { done[i] = clock.elapsed(); });
    }
    ASSERT_TRUE(waitFor(replies[0].get(), 5000));
    ASSERT_TRUE(waitFor(replies[1].get(), 5000));
    for (const auto& reply : replies) {
        EXPECT_TRUE(reply->readAll().startsWith("{\"flavor\":\"CE\""));
    }
    EXPECT_GE(qMin(done[0], done[1]), 400);
    // Answered one after the other, the second would come a whole latency after the first.
    EXPECT_LT(qAbs(done[0] - done[1]), 300);
}

TEST_F(DemocrmFaults, SessionsExpireAfterTheirRequestsAndLoginsCanBeRefused)
{
    start({QStringLiteral("--session-expires-after"), QStringLiteral("2")});
    const QString first = m_client->login(QStringLiteral("admin"));
    const QString second = m_client->login(QStringLiteral("admin"));
    const QByteArray userId = "[\"" + first.toUtf8() + "\"]";
    EXPECT_EQ("\"1\"", m_client->call(QStringLiteral("get_user_id"), userId).body);
    EXPECT_TRUE(m_client
                    ->call(QStringLiteral("get_entry_list"),
                           "[\"" + first.toUtf8() + R"(","Contacts","","",0,["id"],[],5,0,false])")
                    .json[QLatin1String("result_count")]
                    .isDouble());
    EXPECT_EQ(kInvalidSession, m_client->call(QStringLiteral("get_user_id"), userId).body);
    EXPECT_EQ(kInvalidSession, m_client->call(QStringLiteral("get_user_id"), userId).body);
    // Each session has its own count, and a logout is one of its requests.
    EXPECT_EQ("\"1\"", m_client->call(QStringLiteral("get_user_id"), "[\"" + second.toUtf8() + "\"]").body);
    EXPECT_EQ("null", m_client->call(QStringLiteral("logout"), "[\"" + second.toUtf8() + "\"]").body);

    start({QStringLiteral("--refuse-login")});
    const RestReply refused = m_client->call(
        QStringLiteral("login"), R"([{"user_name":"admin","password":"21232f297a57a5a743894a0e4a801fc3"},"e2e",[]])");
    EXPECT_EQ(200, refused.status);
    EXPECT_EQ(kInvalidLogin, refused.body);
}

TEST(DemocrmFaultOptions, RefusesSwitchesThatCouldNotTakeEffect)
{
    const QVector<QPair<QStringList, const char*>> cases = {
        {{QStringLiteral("--fail-request"), QStringLiteral("0")}, "--fail-request"},
        {{QStringLiteral("--cut-request"), QStringLiteral("5-3")}, "--cut-request"},
        {{QStringLiteral("--garbage-request"), QStringLiteral("2,,4")}, "--garbage-request"},
        {{QStringLiteral("--fail-request"), QStringLiteral("2-4"), QStringLiteral("--delay-request"),
          QStringLiteral("1,4")},
         "request 4"},
        {{QStringLiteral("--delay-request"), QStringLiteral("1"), QStringLiteral("--delay-ms"),
          QStringLiteral("600001")},
         "--delay-ms"},
        {{QStringLiteral("--session-expires-after"), QStringLiteral("0")}, "--session-expires-after"},
    };
    for (const auto& [arguments, message] : cases) {
        QString errors;
        EXPECT_EQ(2, DemocrmProcess::runToEnd(
                         arguments + QStringList{QStringLiteral("--db"), QStringLiteral(":memory:")}, &errors))
            << arguments.join(u' ').toStdString();
        EXPECT_TRUE(errors.contains(QLatin1String(message))) << errors.toStdString();
    }
}
