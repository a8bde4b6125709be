// SPDX-License-Identifier: MIT
#pragma once

#include "SugarClient.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <functional>

// Receives the entries of a page from nFrom on, in the server's order, and the total the page
// told (-1 when it told none).
using TakeEntries = std::function<void(const QJsonArray& entries, qsizetype nFrom, qint64 nTotal)>;

// Reads every page of a module's live records, ordered by date entered and id, and hands them on
// in offset order. After the first page, as many pages as the client may have in flight are
// asked for at once. When the records change meanwhile, a record can come twice: take keeps the
// first. False when a page fails or a stop was requested (the client says which).
bool WalkModule(SugarClient& client, const QString& moduleName, const QStringList& fields, const TakeEntries& take);
