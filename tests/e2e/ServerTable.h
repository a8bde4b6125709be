// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QString>

#include <map>
#include <string>

// The live records of a server: "Module/id" to the record's fields (name_value_list). The account
// link fields are left out: they follow the link, which deleting a copied account rightly removes.
using ServerTable = std::map<std::string, QJsonObject>;

// Every record of every module the helpers read, through the server's own API as admin/admin.
// False when a module could not be read whole.
bool ReadServerTable(const QString& baseUrl, ServerTable& table);

// A field's text as the server sent it.
QString FieldText(const QJsonObject& fields, const char* szName);
