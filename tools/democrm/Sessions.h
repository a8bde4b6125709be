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

    // password is the MD5 hex, or the plain text when plain is set ("encryption":"PLAIN").
    const User* authenticate(const QString& name, const QString& password, bool plain) const;

    QString open(const User& user);
    // Null for an unknown or closed session.
    const User* user(const QString& sessionId) const;
    bool close(const QString& sessionId);

private:
    QVector<User> m_users;
    QHash<QString, QString> m_sessions; // session id to user id
};
