// SPDX-License-Identifier: MIT
#pragma once

#include "Modules.h"

#include <QString>
#include <QStringList>

// The part of a client's "query" argument (an SQL WHERE fragment) that democrm understands:
// comparisons of the module's own columns with literals (= != <> < > <= >=, LIKE, IS NULL, IN),
// joined by AND, OR, NOT and parentheses. The fragment is never passed to SQLite: it is parsed
// and rebuilt from known column names and "?" placeholders, the literals becoming bound values.
struct QueryFilter
{
    QString sql;        // empty when the query was empty
    QStringList values; // bound in order

    // False for anything outside that subset; the real server refuses such clauses with error 40.
    static bool parse(const ModuleDef& module, const QString& query, QueryFilter* filter);
};
