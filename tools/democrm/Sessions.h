// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QString>
#include <QVector>

struct User
{
    QString id;
    QString name;
    QString passwordMd5; // lower-case hex, what clients send
    bool admin = false;
};

// The configured users and the open sessions. Sessions live in memory only: a restarted server
// has forgotten them, as a real server forgets PHP sessions that expired.
class Sessions final
{
public:
    // The first user gets id "1" and administrator rights, like a fresh CRM installation.
    void addUser(const QString& name, const QString& password);
    const QVector<User>& users() const { return m_users; }

    // Fault switches for the tests: every session expires after that many uses (0: never), and
    // every login is refused.
    void setUseLimit(int uses) { m_useLimit = uses; }
    void setLoginsRefused(bool refused) { m_loginsRefused = refused; }

    // password is the MD5 hex, or the plain text when plain is set ("encryption":"PLAIN").
    const User* authenticate(const QString& name, const QString& password, bool plain) const;

    QString open(const User& user);
    // Null for an unknown, closed or expired session; a call that finds the session uses it once.
    const User* user(const QString& sessionId);
    bool close(const QString& sessionId);

private:
    struct Session
    {
        QString userId;
        int uses = 0;
    };

    QVector<User> m_users;
    QHash<QString, Session> m_sessions; // by session id
    int m_useLimit = 0;
    bool m_loginsRefused = false;
};
