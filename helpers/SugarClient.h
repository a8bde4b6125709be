// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// A client of the server's REST service (v4_1), one synchronous request at a time: each request
// runs a local event loop until its answer, its time limit or a failure. Transient failures
// (refused or reset connections, time-outs, HTTP 502/503/504) are retried with growing pauses;
// a refused login never is. Every failure leaves a message for the user in LastError().
class SugarClient
{
public:
    struct Options
    {
        int nTimeoutMs = 60000; // per request
        int nRetries = 3;
        int nFirstPauseMs = 1000; // doubled before every further retry
    };

    explicit SugarClient(const QUrl& endpoint);
    SugarClient(const SugarClient&) = delete;
    SugarClient& operator=(const SugarClient&) = delete;

    void SetOptions(const Options& options) { m_options = options; }
    // Asked before every request and during pauses; true ends the work with a stop.
    void SetStopCheck(std::function<bool()> stopCheck) { m_stopCheck = std::move(stopCheck); }

    bool Login(const QString& user, const QString& password);
    // Ends the session; a failure here changes nothing for the user and is only logged.
    void Logout();

    // One page of a module's records that are not deleted; page receives the answer object.
    bool GetEntryList(const QString& module, const QStringList& fields, qint64 nOffset, int nPageSize,
                      QJsonObject& page);

    // Marks one record deleted. An answer that is not a clear success is checked by reading the
    // record back, since some servers fail after the record was already deleted.
    bool DeleteEntry(const QString& module, const QString& id);

    // Reads one record back: bDeleted is set when the server reports it deleted or gone.
    bool IsDeleted(const QString& module, const QString& id, bool& bDeleted);

    // The ids a link of the record holds, every page of them.
    bool GetRelationships(const QString& module, const QString& id, const QString& link, QStringList& ids);
    // Adds the ids to a link of the record, or with bRemove takes them off; true only when the
    // server took every one (it answers a link it cannot use with "failed" and HTTP 200).
    bool SetRelationship(const QString& module, const QString& id, const QString& link, const QStringList& ids,
                         bool bRemove);
    // Every field of a live record (name to value); false for a deleted or unknown one.
    bool GetEntry(const QString& module, const QString& id, QJsonObject& fields);
    // Writes fields of an existing record; true when the server answers with the record's id.
    bool SetFields(const QString& module, const QString& id, const QList<QPair<QString, QString>>& values);
    // The live records a query finds, every page of them: each entry's name_value_list.
    bool Query(const QString& module, const QString& query, const QStringList& fields, QList<QJsonObject>& entries);

    bool WasStopped() const { return m_bStopped; }
    const QString& LastError() const { return m_error; }
    const QUrl& Endpoint() const { return m_endpoint; }

private:
    struct Answer
    {
        int nStatus = 0;
        QByteArray body;
    };
    // What one request came back with, answered or not.
    struct Sent
    {
        Answer answer;
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        QString errorText;
        QUrl location;
        bool bTimedOut = false;
    };
    enum class Verdict
    {
        Answered,
        FollowRedirect,
        Retry, // a failure that may pass; m_error says what it was
        Fail   // m_error says why
    };

    // One call of a method: true with the answer's JSON value unless it is an error object.
    bool Call(const QString& method, QJsonArray args, const QString& successKey, QJsonValue& result);
    // Sends the request with retries and one redirect of the service address; true when an HTTP
    // answer arrived (of any status).
    bool Post(const QString& method, const QByteArray& body, Answer& answer);
    // One request, waited for at most the time-out.
    Sent SendOnce(const QString& method, const QByteArray& body, int nAttempt);
    // What to do with it; a redirect that may be followed moves the endpoint.
    Verdict Classify(const Sent& sent, bool bMayRedirect);
    bool Pause(int nMilliseconds);
    bool CheckStop();
    QString Host() const;

    QNetworkAccessManager m_manager;
    QUrl m_endpoint;
    Options m_options;
    std::function<bool()> m_stopCheck;
    QString m_session;
    QString m_user;
    QString m_passwordHash;
    QString m_error;
    bool m_bStopped = false;
};
