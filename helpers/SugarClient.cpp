// SPDX-License-Identifier: MIT
#include "SugarClient.h"

#include "HelperLog.h"
#include "SugarReply.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace
{

constexpr int kInvalidSession = 11;
const char kApplicationName[] = "Veltrane";

bool IsTransient(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyTimeoutError:
        return true;
    default:
        return false;
    }
}

bool IsTransientStatus(int nStatus)
{
    return nStatus == 502 || nStatus == 503 || nStatus == 504;
}

QByteArray FormBody(const QString& method, const QJsonArray& args)
{
    const QByteArray restData = QJsonDocument(args).toJson(QJsonDocument::Compact);
    // Every byte but the unreserved ones is encoded: a literal '+' must not turn into a blank.
    return "method=" + QUrl::toPercentEncoding(method) +
           "&input_type=JSON&response_type=JSON&rest_data=" + QUrl::toPercentEncoding(QString::fromUtf8(restData));
}

QJsonArray NameValuePairs(const QString& id)
{
    return QJsonArray{QJsonObject{{QStringLiteral("name"), QStringLiteral("id")}, {QStringLiteral("value"), id}},
                      QJsonObject{{QStringLiteral("name"), QStringLiteral("deleted")}, {QStringLiteral("value"), 1}}};
}

QJsonArray EntryListArgs(const QString& session, const QString& module, const QStringList& fields, qint64 nOffset,
                         int nPageSize)
{
    return QJsonArray{session,
                      module,
                      QString(),
                      QStringLiteral("date_entered ASC, id ASC"),
                      nOffset,
                      QJsonArray::fromStringList(fields),
                      QJsonArray(),
                      nPageSize,
                      0,
                      false};
}

// A record read back is gone when the server answers a warning in place of its fields.
bool ReportsDeleted(const QJsonValue& nameValues)
{
    QString value;
    return NameValue(nameValues, QStringLiteral("warning"), value) ||
           (NameValue(nameValues, QStringLiteral("deleted"), value) && value.trimmed() == QLatin1String("1"));
}

} // namespace

SugarClient::SugarClient(const QUrl& endpoint) : m_endpoint(endpoint) {}

QString SugarClient::Host() const
{
    return m_endpoint.host();
}

bool SugarClient::CheckStop()
{
    if (!m_bStopped && m_stopCheck && m_stopCheck()) {
        m_bStopped = true;
        m_error = QStringLiteral("The work was stopped before it was finished.");
        HELPER_LOG(1, "A stop was requested.");
    }
    return m_bStopped;
}

bool SugarClient::Pause(int nMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < nMilliseconds) {
        if (CheckStop())
            return false;
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(100, nMilliseconds - timer.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return !CheckStop();
}

bool SugarClient::Post(const QString& method, const QByteArray& body, Answer& answer, const Sent* pFirst)
{
    bool bRedirected = false;
    int nPause = m_options.nFirstPauseMs;
    for (int nAttempt = 0;;) {
        Sent sent;
        if (pFirst != nullptr) {
            // Already sent: its answer counts even after a stop request, as the server acted on it.
            sent = *pFirst;
            pFirst = nullptr;
        }
        else {
            if (CheckStop())
                return false;
            sent = SendOnce(method, body, nAttempt);
        }
        answer = sent.answer;
        switch (Classify(sent, !bRedirected)) {
        case Verdict::Answered:
            return true;
        case Verdict::FollowRedirect:
            // The request goes again to the new address, as the same attempt.
            bRedirected = true;
            continue;
        case Verdict::Fail:
            HELPER_LOG(0, "%s", qUtf8Printable(m_error));
            return false;
        case Verdict::Retry:
            HELPER_LOG(0, "%s", qUtf8Printable(m_error));
            break;
        }
        if (nAttempt >= m_options.nRetries || !Pause(nPause))
            return false;
        nPause *= 2;
        ++nAttempt;
    }
}

QNetworkReply* SugarClient::Send(const QString& method, const QByteArray& body, int nAttempt)
{
    QNetworkRequest request(m_endpoint);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    HELPER_LOG(2, "Request %s to %s (attempt %d).", qUtf8Printable(method), qUtf8Printable(m_endpoint.toString()),
               nAttempt + 1);
    return m_manager.post(request, body);
}

SugarClient::Sent SugarClient::SendOnce(const QString& method, const QByteArray& body, int nAttempt)
{
    QNetworkReply* pReply = Send(method, body, nAttempt);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool bTimedOut = false;
    QObject::connect(pReply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        bTimedOut = true;
        pReply->abort();
    });
    timer.start(m_options.nTimeoutMs);
    if (!pReply->isFinished())
        loop.exec();
    timer.stop();
    return Collect(pReply, bTimedOut);
}

SugarClient::Sent SugarClient::Collect(QNetworkReply* pReply, bool bTimedOut)
{
    Sent sent;
    sent.bTimedOut = bTimedOut;
    sent.error = pReply->error();
    sent.answer.nStatus = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    sent.answer.body = pReply->readAll();
    sent.errorText = pReply->errorString();
    sent.location = pReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    pReply->deleteLater();
    return sent;
}

SugarClient::Verdict SugarClient::Classify(const Sent& sent, bool bMayRedirect)
{
    const int nStatus = sent.answer.nStatus;
    if (sent.bTimedOut) {
        m_error = QStringLiteral("The server %1 did not answer within %2 seconds.")
                      .arg(Host())
                      .arg(m_options.nTimeoutMs / 1000);
        return Verdict::Retry;
    }
    if (nStatus >= 300 && nStatus < 400) {
        const QUrl target = m_endpoint.resolved(sent.location);
        const bool bSameService = target.path() == m_endpoint.path();
        const bool bDowngrade =
            m_endpoint.scheme() == QLatin1String("https") && target.scheme() != QLatin1String("https");
        // An http address moved to https (or to another host) is followed once, with the request
        // sent again; anything else is not the service.
        if (bMayRedirect && !sent.location.isEmpty() && bSameService && !bDowngrade) {
            HELPER_LOG(1, "The service moved to %s.", qUtf8Printable(target.toString()));
            m_endpoint = target;
            return Verdict::FollowRedirect;
        }
        m_error = QStringLiteral("The server sent the request on to another page (%1) instead of answering it. "
                                 "Check the server address. An administrator account whose set-up wizard "
                                 "was never finished must finish it in the browser first.")
                      .arg(target.toString());
        return Verdict::Fail;
    }
    if (nStatus == 0) {
        switch (sent.error) {
        case QNetworkReply::HostNotFoundError:
            m_error = QStringLiteral("The server %1 cannot be found. Check the server address.").arg(Host());
            return Verdict::Fail;
        case QNetworkReply::ConnectionRefusedError:
            m_error = QStringLiteral("The server %1 refused the connection. Check the server address and "
                                     "that the server is running.")
                          .arg(Host());
            break;
        case QNetworkReply::SslHandshakeFailedError:
            m_error = QStringLiteral("A secure connection to %1 could not be made: %2").arg(Host(), sent.errorText);
            return Verdict::Fail;
        default:
            m_error = QStringLiteral("The connection to %1 failed: %2").arg(Host(), sent.errorText);
            // A plain http server answers a secure request by closing the connection.
            if (m_endpoint.scheme() == QLatin1String("https"))
                m_error += QStringLiteral(" If the server does not offer https, type its address with http://.");
            break;
        }
        return IsTransient(sent.error) ? Verdict::Retry : Verdict::Fail;
    }
    if (IsTransientStatus(nStatus)) {
        m_error = QStringLiteral("The server %1 is not available at the moment (HTTP %2).").arg(Host()).arg(nStatus);
        return Verdict::Retry;
    }
    return Verdict::Answered;
}

bool SugarClient::Call(const QString& method, QJsonArray args, const QString& successKey, QJsonValue& result,
                       const Sent* pFirst)
{
    bool bLoggedInAgain = false;
    for (;;) {
        Answer answer;
        if (!Post(method, FormBody(method, args), answer, pFirst))
            return false;
        pFirst = nullptr;
        if (answer.nStatus != 200) {
            m_error =
                answer.nStatus == 404 || answer.nStatus == 405
                    ? QStringLiteral("The address %1 is not a SugarCRM service (HTTP %2). Check the server address.")
                          .arg(m_endpoint.toString())
                          .arg(answer.nStatus)
                    : QStringLiteral("The server %1 failed while answering %2 (HTTP %3).")
                          .arg(Host(), method)
                          .arg(answer.nStatus);
            HELPER_LOG(0, "%s %s", qUtf8Printable(m_error), qUtf8Printable(BodyExcerpt(answer.body)));
            return false;
        }
        if (!ParseServerJson(answer.body, result)) {
            m_error = answer.body.trimmed().isEmpty()
                          ? QStringLiteral("The server %1 sent an empty answer to %2.").arg(Host(), method)
                          : QStringLiteral("The server %1 did not answer as a SugarCRM server does (%2): %3")
                                .arg(Host(), method, BodyExcerpt(answer.body));
            HELPER_LOG(0, "%s", qUtf8Printable(m_error));
            return false;
        }
        int nNumber = 0;
        QString text;
        if (!IsApiError(result, successKey, nNumber, text))
            return true;
        // A session that expired on the way is renewed once and the call repeated.
        if (nNumber == kInvalidSession && !m_session.isEmpty() && !bLoggedInAgain &&
            method != QLatin1String("logout")) {
            bLoggedInAgain = true;
            // A call sent together with one that has renewed the session meanwhile needs only the new one.
            if (args[0].toString() != m_session) {
                args[0] = m_session;
                continue;
            }
            HELPER_LOG(1, "The session ended; logging in again.");
            if (!Login(m_user, QString()))
                return false;
            args[0] = m_session;
            continue;
        }
        m_error = QStringLiteral("The server refused %1: %2").arg(method, text);
        HELPER_LOG(0, "%s (error %d)", qUtf8Printable(m_error), nNumber);
        return false;
    }
}

bool SugarClient::Login(const QString& user, const QString& password)
{
    // The password is sent as the MD5 of its UTF-8 bytes in lower-case hex; a repeated login
    // (after the session expired) reuses the hash, so the clear password is not kept.
    if (!password.isNull() || m_passwordHash.isEmpty())
        m_passwordHash =
            QString::fromLatin1(QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5).toHex());
    m_user = user;
    const QJsonObject auth{{QStringLiteral("user_name"), user}, {QStringLiteral("password"), m_passwordHash}};
    const QJsonArray args{auth, QLatin1String(kApplicationName), QJsonArray()};
    QJsonValue result;
    HELPER_LOG(1, "Logging in to %s as %s.", qUtf8Printable(m_endpoint.toString()), qUtf8Printable(user));
    m_session.clear();
    Answer answer;
    if (!Post(QStringLiteral("login"), FormBody(QStringLiteral("login"), args), answer))
        return false;
    if (answer.nStatus != 200) {
        m_error = QStringLiteral("The server %1 did not accept the login request (HTTP %2). Check the server address.")
                      .arg(Host())
                      .arg(answer.nStatus);
        HELPER_LOG(0, "%s", qUtf8Printable(m_error));
        return false;
    }
    if (!ParseServerJson(answer.body, result)) {
        m_error = QStringLiteral("The address %1 does not answer as a SugarCRM server does. Check the server address.")
                      .arg(m_endpoint.toString());
        HELPER_LOG(0, "%s Answer: %s", qUtf8Printable(m_error), qUtf8Printable(BodyExcerpt(answer.body)));
        return false;
    }
    int nNumber = 0;
    QString text;
    if (IsApiError(result, QStringLiteral("id"), nNumber, text)) {
        m_error = QStringLiteral("The server refused the login: %1").arg(text);
        HELPER_LOG(0, "%s (error %d)", qUtf8Printable(m_error), nNumber);
        return false;
    }
    const QString session = result.toObject().value(QLatin1String("id")).toString();
    if (session.isEmpty()) {
        m_error = QStringLiteral("The server %1 answered the login without a session.").arg(Host());
        HELPER_LOG(0, "%s", qUtf8Printable(m_error));
        return false;
    }
    m_session = session;
    HELPER_LOG(1, "Logged in.");
    return true;
}

void SugarClient::Logout()
{
    Abandon();
    if (m_session.isEmpty())
        return;
    // A stop must not keep the session open on the server.
    const bool bStopped = m_bStopped;
    m_bStopped = false;
    const auto stopCheck = std::move(m_stopCheck);
    m_stopCheck = nullptr;
    const QString error = m_error;
    QJsonValue result;
    if (!Call(QStringLiteral("logout"), QJsonArray{m_session}, QString(), result))
        HELPER_LOG(1, "Logging out failed: %s", qUtf8Printable(m_error));
    m_session.clear();
    m_error = error;
    m_stopCheck = stopCheck;
    m_bStopped = bStopped;
}

bool SugarClient::GetEntryList(const QString& module, const QStringList& fields, qint64 nOffset, int nPageSize,
                               QJsonObject& page)
{
    QJsonValue result;
    return Call(QStringLiteral("get_entry_list"), EntryListArgs(m_session, module, fields, nOffset, nPageSize),
                QStringLiteral("result_count"), result) &&
           ReadPage(module, result, page);
}

bool SugarClient::ReadPage(const QString& module, const QJsonValue& result, QJsonObject& page)
{
    if (!result.isObject() || !result.toObject().value(QLatin1String("entry_list")).isArray()) {
        m_error = QStringLiteral("The server %1 sent a list of %2 in a form that cannot be read.").arg(Host(), module);
        HELPER_LOG(0, "%s", qUtf8Printable(m_error));
        return false;
    }
    page = result.toObject();
    return true;
}

bool SugarClient::IsDeleted(const QString& module, const QString& id, bool& bDeleted)
{
    const QJsonArray args{m_session,    module, id, QJsonArray{QStringLiteral("id"), QStringLiteral("deleted")},
                          QJsonArray(), false};
    QJsonValue result;
    if (!Call(QStringLiteral("get_entry"), args, QStringLiteral("entry_list"), result))
        return false;
    const QJsonArray entries = result.toObject().value(QLatin1String("entry_list")).toArray();
    if (entries.isEmpty()) {
        bDeleted = true;
        return true;
    }
    bDeleted = ReportsDeleted(entries.at(0).toObject().value(QLatin1String("name_value_list")));
    return true;
}

bool SugarClient::Start(const QString& method, const QJsonArray& args, Ticket& ticket, bool bReadOnly)
{
    if (!bReadOnly && CheckStop())
        return false;
    auto pFlight = std::make_unique<Flight>();
    Flight* p = pFlight.get();
    p->method = method;
    p->args = args;
    p->pReply = Send(method, FormBody(method, args), 0);
    p->pTimer = std::make_unique<QTimer>();
    p->pTimer->setSingleShot(true);
    QObject::connect(p->pTimer.get(), &QTimer::timeout, p->pReply, [p] {
        p->bTimedOut = true;
        p->pReply->abort();
    });
    QObject::connect(p->pReply, &QNetworkReply::finished, p->pTimer.get(), &QTimer::stop);
    p->pTimer->start(m_options.nTimeoutMs);
    ticket = m_nextTicket++;
    m_flights[ticket] = std::move(pFlight);
    LetRequestsOut();
    return true;
}

void SugarClient::LetRequestsOut()
{
    // The manager writes requests from a thread of its own, but it is handed each request, and
    // the request's body, through this thread's event loop. Without this a request started while
    // answers are read would leave only at the next wait for an answer, with the server idle.
    QCoreApplication::processEvents();
}

SugarClient::Ticket SugarClient::Answered() const
{
    for (const auto& [ticket, pFlight] : m_flights) {
        if (pFlight->pReply->isFinished())
            return ticket;
    }
    return -1;
}

SugarClient::Ticket SugarClient::WaitAny()
{
    if (m_flights.empty())
        return -1;
    for (;;) {
        if (const Ticket ticket = Answered(); ticket >= 0)
            return ticket;
        QEventLoop loop;
        for (const auto& entry : m_flights)
            QObject::connect(entry.second->pReply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

bool SugarClient::Take(Ticket ticket, const QString& successKey, QJsonValue& result)
{
    const auto it = m_flights.find(ticket);
    if (it == m_flights.end())
        return false;
    const std::unique_ptr<Flight> pFlight = std::move(it->second);
    m_flights.erase(it);
    LetRequestsOut();
    if (!pFlight->pReply->isFinished()) {
        QEventLoop loop;
        QObject::connect(pFlight->pReply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    pFlight->pTimer->stop();
    const Sent first = Collect(pFlight->pReply, pFlight->bTimedOut);
    return Call(pFlight->method, pFlight->args, successKey, result, &first);
}

void SugarClient::Abandon()
{
    for (const auto& entry : m_flights) {
        entry.second->pTimer->stop();
        entry.second->pReply->abort();
        entry.second->pReply->deleteLater();
    }
    m_flights.clear();
}

bool SugarClient::StartEntryList(const QString& module, const QStringList& fields, qint64 nOffset, int nPageSize,
                                 Ticket& ticket)
{
    return Start(QStringLiteral("get_entry_list"), EntryListArgs(m_session, module, fields, nOffset, nPageSize),
                 ticket);
}

bool SugarClient::TakeEntryList(Ticket ticket, const QString& module, QJsonObject& page)
{
    QJsonValue result;
    return Take(ticket, QStringLiteral("result_count"), result) && ReadPage(module, result, page);
}

bool SugarClient::StartDeleteBatch(const QString& module, const QStringList& ids, Ticket& ticket)
{
    QJsonArray lists;
    for (const QString& id : ids)
        lists.append(NameValuePairs(id));
    return Start(QStringLiteral("set_entries"), QJsonArray{m_session, module, lists}, ticket);
}

bool SugarClient::TakeDeleteBatch(Ticket ticket)
{
    QJsonValue result;
    return Take(ticket, QStringLiteral("ids"), result);
}

bool SugarClient::StartReadBack(const QString& module, const QStringList& ids, Ticket& ticket)
{
    const QJsonArray args{m_session,
                          module,
                          QJsonArray::fromStringList(ids),
                          QJsonArray{QStringLiteral("id"), QStringLiteral("deleted")},
                          QJsonArray(),
                          false};
    return Start(QStringLiteral("get_entries"), args, ticket, true);
}

bool SugarClient::TakeReadBack(Ticket ticket, QStringList& deleted)
{
    deleted.clear();
    QJsonValue result;
    if (!Take(ticket, QStringLiteral("entry_list"), result))
        return false;
    const QJsonValue entries = result.toObject().value(QLatin1String("entry_list"));
    if (!entries.isArray()) {
        m_error = QStringLiteral("The server %1 sent records read back in a form that cannot be read.").arg(Host());
        HELPER_LOG(0, "%s", qUtf8Printable(m_error));
        return false;
    }
    for (const QJsonValue item : entries.toArray()) {
        const QJsonObject entry = item.toObject();
        const QJsonValue nameValues = entry.value(QLatin1String("name_value_list"));
        QString id = entry.value(QLatin1String("id")).toString();
        if (id.isEmpty())
            NameValue(nameValues, QStringLiteral("id"), id);
        if (!id.isEmpty() && ReportsDeleted(nameValues))
            deleted.append(id);
    }
    return true;
}

bool SugarClient::DeleteEntry(const QString& module, const QString& id)
{
    const QString method = QStringLiteral("set_entry");
    bool bLoggedInAgain = false;
    Answer answer;
    bool bAnswered = false;
    for (;;) {
        const QJsonArray args{m_session, module, NameValuePairs(id)};
        // An answer lost on the way says nothing about whether the server carried the deletion out.
        bAnswered = Post(method, FormBody(method, args), answer);
        if (!bAnswered && WasStopped())
            return false;

        QJsonValue result;
        int nNumber = 0;
        QString text;
        if (!bAnswered || answer.nStatus != 200 || !ParseServerJson(answer.body, result))
            break;
        if (!IsApiError(result, QStringLiteral("id"), nNumber, text)) {
            if (result.toObject().value(QLatin1String("id")).toString() == id)
                return true;
            if (result.isNull()) {
                m_error = QStringLiteral("The server does not accept the record id.");
                return false;
            }
            break;
        }
        // The session ended before the deletion: log in again once and repeat it, judged as the
        // first try would have been (an unclear answer is checked on the record itself).
        if (nNumber != kInvalidSession || bLoggedInAgain) {
            m_error = text;
            return false;
        }
        HELPER_LOG(1, "The session ended; logging in again.");
        bLoggedInAgain = true;
        if (!Login(m_user, QString()))
            return false;
    }

    // No clear answer: look at the record itself.
    const QString failure = !bAnswered              ? m_error
                            : answer.nStatus != 200 ? QStringLiteral("the server failed (HTTP %1)").arg(answer.nStatus)
                                                    : QStringLiteral("the server's answer cannot be read");
    HELPER_LOG(1, "Deleting %s %s: %s; reading the record back.", qUtf8Printable(module), qUtf8Printable(id),
               qUtf8Printable(failure));
    bool bDeleted = false;
    if (!IsDeleted(module, id, bDeleted)) {
        m_error = QStringLiteral("%1, and the record could not be checked afterwards: %2").arg(failure, m_error);
        return false;
    }
    if (!bDeleted) {
        m_error = QStringLiteral("%1 and the record is still there.").arg(failure);
        return false;
    }
    HELPER_LOG(1, "The record %s is deleted all the same.", qUtf8Printable(id));
    return true;
}

bool SugarClient::GetRelationships(const QString& module, const QString& id, const QString& link, QStringList& ids)
{
    constexpr int kLinkPage = 200;
    ids.clear();
    for (int nOffset = 0;; nOffset += kLinkPage) {
        const QJsonArray args{m_session,    module, id,        link,    QString(), QJsonArray{QStringLiteral("id")},
                              QJsonArray(), 0,      QString(), nOffset, kLinkPage};
        QJsonValue result;
        if (!Call(QStringLiteral("get_relationships"), args, QStringLiteral("entry_list"), result))
            return false;
        const QJsonValue entries = result.toObject().value(QLatin1String("entry_list"));
        if (!entries.isArray()) {
            m_error = QStringLiteral("The server %1 sent the %2 of a record in a form that cannot be read.")
                          .arg(Host(), link);
            HELPER_LOG(0, "%s", qUtf8Printable(m_error));
            return false;
        }
        for (const QJsonValue entry : entries.toArray()) {
            const QString relatedId = entry.toObject().value(QLatin1String("id")).toString();
            if (!relatedId.isEmpty() && !ids.contains(relatedId))
                ids.append(relatedId);
        }
        if (entries.toArray().size() < kLinkPage)
            return true;
    }
}

bool SugarClient::SetRelationship(const QString& module, const QString& id, const QString& link, const QStringList& ids,
                                  bool bRemove)
{
    const QJsonArray args{m_session, module, id, link, QJsonArray::fromStringList(ids), QJsonArray(), bRemove ? 1 : 0};
    QJsonValue result;
    if (!Call(QStringLiteral("set_relationship"), args, QStringLiteral("created"), result))
        return false;
    const QJsonObject answer = result.toObject();
    const qint64 nDone = JsonInteger(answer.value(bRemove ? QLatin1String("deleted") : QLatin1String("created")), -1);
    const qint64 nFailed = JsonInteger(answer.value(QLatin1String("failed")), -1);
    if (nFailed == 0 && nDone == ids.size())
        return true;
    m_error = QStringLiteral("The server did not take the link %1 (%2 of %3 failed).")
                  .arg(link)
                  .arg(nFailed < 0 ? ids.size() : nFailed)
                  .arg(ids.size());
    HELPER_LOG(0, "%s", qUtf8Printable(m_error));
    return false;
}

bool SugarClient::GetEntry(const QString& module, const QString& id, QJsonObject& fields)
{
    const QJsonArray args{m_session, module, id, QJsonArray(), QJsonArray(), false};
    QJsonValue result;
    if (!Call(QStringLiteral("get_entry"), args, QStringLiteral("entry_list"), result))
        return false;
    const QJsonValue values = result.toObject()
                                  .value(QLatin1String("entry_list"))
                                  .toArray()
                                  .at(0)
                                  .toObject()
                                  .value(QLatin1String("name_value_list"));
    QString text;
    // A deleted or unknown record comes back as a list with a warning in place of its fields.
    if (!values.isObject() || NameValue(values, QStringLiteral("warning"), text)) {
        m_error = QStringLiteral("The record %1 of %2 is deleted or does not exist.").arg(id, module);
        HELPER_LOG(0, "%s", qUtf8Printable(m_error));
        return false;
    }
    fields = values.toObject();
    return true;
}

bool SugarClient::SetFields(const QString& module, const QString& id, const QList<QPair<QString, QString>>& values)
{
    QJsonArray pairs{QJsonObject{{QStringLiteral("name"), QStringLiteral("id")}, {QStringLiteral("value"), id}}};
    for (const auto& [name, value] : values)
        pairs.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("value"), value}});
    QJsonValue result;
    if (!Call(QStringLiteral("set_entry"), QJsonArray{m_session, module, pairs}, QStringLiteral("id"), result))
        return false;
    if (result.toObject().value(QLatin1String("id")).toString() == id)
        return true;
    m_error = QStringLiteral("The server did not save the record %1 of %2.").arg(id, module);
    HELPER_LOG(0, "%s", qUtf8Printable(m_error));
    return false;
}

bool SugarClient::Query(const QString& module, const QString& query, const QStringList& fields,
                        QList<QJsonObject>& entries)
{
    constexpr int kQueryPage = 100;
    entries.clear();
    for (qint64 nOffset = 0;;) {
        const QJsonArray args{m_session,
                              module,
                              query,
                              QStringLiteral("date_entered ASC, id ASC"),
                              nOffset,
                              QJsonArray::fromStringList(fields),
                              QJsonArray(),
                              kQueryPage,
                              0,
                              false};
        QJsonValue result;
        if (!Call(QStringLiteral("get_entry_list"), args, QStringLiteral("result_count"), result))
            return false;
        const QJsonValue list = result.toObject().value(QLatin1String("entry_list"));
        if (!list.isArray()) {
            m_error =
                QStringLiteral("The server %1 sent a list of %2 in a form that cannot be read.").arg(Host(), module);
            HELPER_LOG(0, "%s", qUtf8Printable(m_error));
            return false;
        }
        for (const QJsonValue entry : list.toArray())
            entries.append(entry.toObject().value(QLatin1String("name_value_list")).toObject());
        const qint64 nNext = JsonInteger(result.toObject().value(QLatin1String("next_offset")), -1);
        if (list.toArray().size() < kQueryPage || nNext <= nOffset)
            return true;
        nOffset = nNext;
    }
}
