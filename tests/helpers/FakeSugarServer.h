// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <functional>

// A scripted SugarCRM REST service on 127.0.0.1, served from the test's own event loop (the
// helpers wait for each answer in a local event loop, which serves this too). Every request's
// method and positional arguments go to the handler, whose answer is sent as it is, at once or
// after the reply's delay, so that answers can overtake each other.
class FakeSugarServer
{
public:
    struct Reply
    {
        int nStatus = 200;
        QByteArray body;
        int nDelayMs = 0;
    };
    struct Request
    {
        QString method;
        QJsonArray args;
    };
    using Handler = std::function<Reply(const Request&)>;

    explicit FakeSugarServer(Handler handler) : m_handler(std::move(handler))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* pSocket = m_server.nextPendingConnection()) {
                QObject::connect(pSocket, &QTcpSocket::readyRead, pSocket, [this, pSocket] { Serve(pSocket); });
                QObject::connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
            }
        });
    }

    QString Address() const { return QStringLiteral("http://127.0.0.1:%1/crm").arg(m_server.serverPort()); }
    const QList<Request>& Requests() const { return m_requests; }
    // The most requests that were waiting for their answers at one time.
    int MostOpen() const { return m_nMostOpen; }
    QStringList Methods() const
    {
        QStringList methods;
        for (const Request& request : m_requests)
            methods.append(request.method);
        return methods;
    }

private:
    static QString FormValue(const QByteArray& body, const char* szName)
    {
        for (const QByteArray& pair : body.split('&')) {
            const qsizetype nEquals = pair.indexOf('=');
            if (pair.left(nEquals) == szName) {
                QByteArray value = pair.mid(nEquals + 1);
                value.replace('+', ' ');
                return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
            }
        }
        return QString();
    }

    void Serve(QTcpSocket* pSocket)
    {
        QByteArray& buffer = m_buffers[pSocket];
        buffer += pSocket->readAll();
        const qsizetype nHeaderEnd = buffer.indexOf("\r\n\r\n");
        if (nHeaderEnd < 0)
            return;
        int nLength = 0;
        for (const QByteArray& line : buffer.left(nHeaderEnd).split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                nLength = line.mid(15).trimmed().toInt();
        }
        if (buffer.size() < nHeaderEnd + 4 + nLength)
            return;
        const QByteArray body = buffer.mid(nHeaderEnd + 4, nLength);
        m_buffers.remove(pSocket);

        Request request;
        request.method = FormValue(body, "method");
        request.args = QJsonDocument::fromJson(FormValue(body, "rest_data").toUtf8()).array();
        m_requests.append(request);
        m_nMostOpen = std::max(m_nMostOpen, ++m_nOpen);
        const Reply reply = m_handler(request);
        if (reply.nDelayMs > 0) {
            QTimer::singleShot(reply.nDelayMs, pSocket, [this, pSocket, reply] { Answer(pSocket, reply); });
            return;
        }
        Answer(pSocket, reply);
    }

    void Answer(QTcpSocket* pSocket, const Reply& reply)
    {
        --m_nOpen;
        if (reply.nStatus < 0) { // drop the connection without an answer
            pSocket->abort();
            return;
        }
        QByteArray answer = "HTTP/1.1 " + QByteArray::number(reply.nStatus) + " Scripted\r\n";
        answer += "Content-Type: application/json; charset=UTF-8\r\n";
        answer += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
        answer += reply.body;
        pSocket->write(answer);
        pSocket->disconnectFromHost();
    }

    QTcpServer m_server;
    Handler m_handler;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QList<Request> m_requests;
    int m_nOpen = 0;
    int m_nMostOpen = 0;
};
