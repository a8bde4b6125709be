// SPDX-License-Identifier: MIT
// Reading the server's answers: JSON that may carry stray text around it, error objects, and
// values whose JSON type varies between servers.
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// The one JSON value of an answer body. A body that is not JSON as a whole is searched for the
// outermost object or array, since PHP notices and byte order marks can surround the JSON.
// False when no JSON value can be found.
bool ParseServerJson(const QByteArray& body, QJsonValue& value);

// True when the value is the server's error object (name and number, without the call's success
// key); sText receives the server's description, or its name when there is none.
bool IsApiError(const QJsonValue& value, const QString& successKey, int& nNumber, QString& sText);

// A field's value in a name_value_list, which comes as an object keyed by name, as an array of
// name/value pairs, or as [] when empty. False when the field is not there.
bool NameValue(const QJsonValue& list, const QString& name, QString& value);

// A scalar as text: strings as they are, integers in decimal, true/false as "1"/"0", null as "".
QString JsonText(const QJsonValue& value);

// A number that the server sends as a JSON number or as a numeric string; nDefault otherwise.
qint64 JsonInteger(const QJsonValue& value, qint64 nDefault);

// The start of a body for an error message: at most 200 characters on one line.
QString BodyExcerpt(const QByteArray& body);
