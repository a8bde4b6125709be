// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>

// A client of the server's REST service (v4_1). A request runs a local event loop until its
// answer, its time limit or a failure; a few requests may also be sent together (Start) and their
// answers taken one by one (Take). Transient failures (refused or reset connections, time-outs,
// HTTP 502/503/504) are retried with growing pauses; a refused login never is. Every failure
// leaves a message for the user in LastError().
class SugarClient
{
public:
    // A request sent with Start whose answer was not taken yet.
    using Ticket = int;

    struct Options
    {
        int nTimeoutMs = 60000; // per request
        int nRetries = 3;
        int nFirstPauseMs = 1000; // doubled before every further retry
        // Requests a run may have on their way at once; 1 sends each after the answer to the one
        // before. With a round trip of l ms and requests that cost the server c ms each, k in flight
        // keep it busy once (k - 1) * c >= l: four hide 50 ms behind pages of 17 ms or more, and
        // leave most of a server's PHP workers to its other users.
        int nInFlight = 4;
    };

    explicit SugarClient(const QUrl& endpoint);
    SugarClient(const SugarClient&) = delete;
    SugarClient& operator=(const SugarClient&) = delete;

    void SetOptions(const Options& options) { m_options = options; }
    const Options& GetOptions() const { return m_options; }
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

    // The same page as GetEntryList, sent without waiting; TakeEntryList gives its answer.
    bool StartEntryList(const QString& module, const QStringList& fields, qint64 nOffset, int nPageSize,
                        Ticket& ticket);
    bool TakeEntryList(Ticket ticket, const QString& module, QJsonObject& page);
    // Marks records deleted in one request (set_entries). Its answer lists every id it was given,
    // done or not, so only a read-back tells which records are gone.
    bool StartDeleteBatch(const QString& module, const QStringList& ids, Ticket& ticket);
    bool TakeDeleteBatch(Ticket ticket);
    // Reads records back in one request (get_entries), after a stop request too; TakeReadBack
    // gives the ids of those the server reports deleted or gone. An id it does not answer for is
    // not among them.
    bool StartReadBack(const QString& module, const QStringList& ids, Ticket& ticket);
    bool TakeReadBack(Ticket ticket, QStringList& deleted);

    // Requests started and not taken yet.
    int InFlight() const { return static_cast<int>(m_flights.size()); }
    // Waits for the answer of one of them and returns its ticket; -1 when none is in flight.
    Ticket WaitAny();
    // Without waiting: the ticket of one whose answer is in, or -1.
    Ticket Answered() const;
    // Drops every request in flight, answered or not.
    void Abandon();

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

    // A request sent with Start.
    struct Flight
    {
        QString method;
        QJsonArray args;
        QNetworkReply* pReply = nullptr;
        std::unique_ptr<QTimer> pTimer;
        bool bTimedOut = false;
    };

    // One call of a method: true with the answer's JSON value unless it is an error object.
    // pFirst, when given, is the answer of the call's first attempt, already sent.
    bool Call(const QString& method, QJsonArray args, const QString& successKey, QJsonValue& result,
              const Sent* pFirst = nullptr);
    // Sends the request with retries and one redirect of the service address; true when an HTTP
    // answer arrived (of any status). pFirst stands for the first attempt when given.
    bool Post(const QString& method, const QByteArray& body, Answer& answer, const Sent* pFirst = nullptr);
    // One request, waited for at most the time-out.
    Sent SendOnce(const QString& method, const QByteArray& body, int nAttempt);
    QNetworkReply* Send(const QString& method, const QByteArray& body, int nAttempt);
    static Sent Collect(QNetworkReply* pReply, bool bTimedOut);
    // The page of a get_entry_list answer; false for one that has no list of entries.
    bool ReadPage(const QString& module, const QJsonValue& result, QJsonObject& page);
    // Sends a call without waiting for its answer; false after a stop request, unless the call
    // only reads what a request already sent has done.
    bool Start(const QString& method, const QJsonArray& args, Ticket& ticket, bool bReadOnly = false);
    // Passes the requests started so far on to the manager's thread, without waiting.
    static void LetRequestsOut();
    // The answer of a started call, judged as Call judges a call's answer.
    bool Take(Ticket ticket, const QString& successKey, QJsonValue& result);
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
    std::map<Ticket, std::unique_ptr<Flight>> m_flights;
    Ticket m_nextTicket = 0;
};
