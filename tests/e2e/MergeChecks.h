// SPDX-License-Identifier: MIT
// What a merge must leave on the server: the links of each duplicate on the record kept, and no
// change but re-pointed references and filled fields.
#pragma once

#include "CrmSession.h"
#include "ServerTable.h"

#include <QString>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using LinkSets = std::map<std::string, std::set<std::string>>; // "Module/id/link" -> related ids

std::string Key(const QString& module, const QString& id);

// Every link the helpers move, of the given (module, id) records.
LinkSets ReadLinks(CrmSession& crm, const std::vector<std::pair<QString, QString>>& records);

// Each record of keptFor (duplicate id -> id kept) must hold, on its record kept, the links the
// two had before together with those of the other duplicates merged into the same record.
void ExpectLinksMoved(const LinkSets& before, const LinkSets& after,
                      const std::vector<std::pair<QString, QString>>& records,
                      const std::map<std::string, std::string>& keptFor);

// A record changed only where it named a merged duplicate and now names the record kept; and
// the records kept changed only in the fields that were empty. The records gone are exactly the
// merged duplicates.
void ExpectOnlyRepointedOrFilled(const ServerTable& before, const ServerTable& after,
                                 const std::map<std::string, std::string>& keptFor,
                                 const std::map<std::string, std::map<std::string, QString>>& filled);
