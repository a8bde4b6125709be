// SPDX-License-Identifier: MIT
// Which server module fills which kind of record, with what sub-type, and which server field
// goes into which record field, built from the table in records/CrmFields.h.
#pragma once

#include "records/SGRecords.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

template <class Rec> struct FieldRule
{
    const char* szField; // the server's field name
    void (*pfnStore)(Rec& record, const QString& value);
};

template <class Rec> struct ModuleMap
{
    const char* szModule; // the server's module key
    int32_t nType;        // the record's sub-type; 0 for kinds without one
    std::vector<FieldRule<Rec>> fields;
};

const std::vector<ModuleMap<SGAddrRecord>>& AddrModules();
const std::vector<ModuleMap<SGDateRecord>>& DateModules();
const std::vector<ModuleMap<SGTaskRecord>>& TaskModules();
// Notes carry no content: only their ids are fetched.
const std::vector<ModuleMap<SGNoteRecord>>& NoteModules();

// The fields to ask the server for: the mapped ones, the id and the deleted flag.
template <class Rec> QStringList SelectFields(const ModuleMap<Rec>& module)
{
    QStringList fields{QStringLiteral("id"), QStringLiteral("deleted")};
    for (const FieldRule<Rec>& rule : module.fields)
        fields.append(QLatin1String(rule.szField));
    fields.removeDuplicates();
    return fields;
}

// Fills a cleared record from one entry of a get_entry_list answer (its name_value_list).
void MapEntry(const ModuleMap<SGAddrRecord>& module, const QJsonValue& nameValues, SGAddrRecord& record);
void MapEntry(const ModuleMap<SGDateRecord>& module, const QJsonValue& nameValues, SGDateRecord& record);
void MapEntry(const ModuleMap<SGTaskRecord>& module, const QJsonValue& nameValues, SGTaskRecord& record);
void MapEntry(const ModuleMap<SGNoteRecord>& module, const QJsonValue& nameValues, SGNoteRecord& record);

// The module table of a record kind, for code written once for every kind.
template <class Rec> const std::vector<ModuleMap<Rec>>& ModulesFor();
template <> inline const std::vector<ModuleMap<SGAddrRecord>>& ModulesFor<SGAddrRecord>()
{
    return AddrModules();
}
template <> inline const std::vector<ModuleMap<SGDateRecord>>& ModulesFor<SGDateRecord>()
{
    return DateModules();
}
template <> inline const std::vector<ModuleMap<SGTaskRecord>>& ModulesFor<SGTaskRecord>()
{
    return TaskModules();
}
template <> inline const std::vector<ModuleMap<SGNoteRecord>>& ModulesFor<SGNoteRecord>()
{
    return NoteModules();
}
