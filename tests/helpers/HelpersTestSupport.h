// SPDX-License-Identifier: MIT
#pragma once

#include "SugarReply.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <string>

// A text as the records hold it, the program's ANSI code page: cp1252 on Windows, UTF-8 elsewhere.
inline std::string Ansi(const char* szUtf8)
{
    return QString::fromUtf8(szUtf8).toLocal8Bit().toStdString();
}

// A captured exchange with a real server: the request's method and the exact answer body.
struct Capture
{
    QString method;
    int nStatus = 0;
    QByteArray body;
};

inline Capture LoadCapture(const char* szName)
{
    QFile file(QString::fromUtf8(HELPERS_FIXTURE_DIR) + QString::fromUtf8(szName));
    Capture capture;
    if (!file.open(QIODevice::ReadOnly))
        return capture;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    capture.method = root.value(QLatin1String("method")).toString();
    capture.nStatus = root.value(QLatin1String("http_status")).toInt();
    capture.body = root.value(QLatin1String("response_body")).toString().toUtf8();
    return capture;
}

// The entry_list of a captured get_entry_list answer, parsed as the helpers parse it.
inline QJsonArray CapturedEntries(const char* szName)
{
    QJsonValue value;
    if (!ParseServerJson(LoadCapture(szName).body, value))
        return QJsonArray();
    return value.toObject().value(QLatin1String("entry_list")).toArray();
}
