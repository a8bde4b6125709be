// SPDX-License-Identifier: MIT
#include "ServerUrl.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace
{

const QLatin1String kServicePath("/service/v4_1/rest.php");

bool IsLocalHost(const QString& host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// The host part of a text without a scheme: up to the first '/', without a port.
QString BareHost(const QString& text)
{
    QString host = text.section(QLatin1Char('/'), 0, 0);
    if (host.startsWith(QLatin1Char('['))) // [::1]:8080
        return host.mid(1, host.indexOf(QLatin1Char(']')) - 1);
    if (host.count(QLatin1Char(':')) == 1)
        host = host.section(QLatin1Char(':'), 0, 0);
    return host;
}

} // namespace

bool NormaliseServerUrl(const QString& typed, QUrl& endpoint, QString& error)
{
    QString text = typed.trimmed();
    if (text.isEmpty()) {
        error = QStringLiteral("No server address was given.");
        return false;
    }
    static const QRegularExpression schemePattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://"));
    const QRegularExpressionMatch match = schemePattern.match(text);
    if (!match.hasMatch()) {
        const QString scheme = IsLocalHost(BareHost(text)) ? QStringLiteral("http://") : QStringLiteral("https://");
        text.prepend(scheme);
    }

    QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        error = QStringLiteral("The server address \"%1\" is not a valid web address.").arg(typed.trimmed());
        return false;
    }
    url.setScheme(scheme);
    url.setQuery(QString());
    url.setFragment(QString());
    url.setUserInfo(QString());

    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.endsWith(QLatin1String("/index.php"), Qt::CaseInsensitive))
        path.chop(10);
    if (path.endsWith(QLatin1String("/service/v4_1"), Qt::CaseInsensitive))
        path.chop(13);
    if (!path.endsWith(kServicePath, Qt::CaseInsensitive)) {
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        path += kServicePath;
    }
    url.setPath(path);
    endpoint = url;
    return true;
}
