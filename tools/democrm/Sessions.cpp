// SPDX-License-Identifier: MIT
#include "Sessions.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace
{
QString md5Hex(const QString& text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}
} // namespace

void Sessions::addUser(const QString& name, const QString& password)
{
    User user;
    user.id = m_users.isEmpty() ? QStringLiteral("1") : QStringLiteral("seed_%1_id").arg(name.toLower());
    user.name = name;
    user.passwordMd5 = md5Hex(password);
    user.admin = m_users.isEmpty();
    m_users.append(user);
}

const User* Sessions::authenticate(const QString& name, const QString& password, bool plain) const
{
    if (m_loginsRefused) {
        return nullptr;
    }
    const QString sent = plain ? md5Hex(password) : password.toLower();
    for (const User& user : m_users) {
        // User names compare without regard to case, as in the CRM's MySQL tables.
        if (user.name.compare(name, Qt::CaseInsensitive) == 0) {
            return user.passwordMd5 == sent ? &user : nullptr;
        }
    }
    return nullptr;
}

QString Sessions::open(const User& user)
{
    // 26 characters of [0-9a-v], the shape of a PHP session id.
    static const char alphabet[] = "0123456789abcdefghijklmnopqrstuv";
    QString id;
    do {
        id.clear();
        for (int i = 0; i < 26; ++i) {
            id += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(32)]);
        }
    } while (m_sessions.contains(id));
    m_sessions.insert(id, Session{user.id, 0});
    return id;
}

const User* Sessions::user(const QString& sessionId)
{
    const auto it = m_sessions.find(sessionId);
    if (it == m_sessions.end()) {
        return nullptr;
    }
    // An expired session is gone, as PHP's garbage collector removes it.
    if (m_useLimit > 0 && ++it->uses > m_useLimit) {
        m_sessions.erase(it);
        return nullptr;
    }
    for (const User& user : m_users) {
        if (user.id == it->userId) {
            return &user;
        }
    }
    return nullptr;
}

bool Sessions::close(const QString& sessionId)
{
    return m_sessions.remove(sessionId) > 0;
}
