// SPDX-License-Identifier: MIT
#pragma once

#include "ApiArgs.h"
#include "PageCursors.h"
#include "Sessions.h"
#include "Store.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

class JsonWriter;

struct ApiReply
{
    int status = 200;
    QByteArray body; // empty with status 500, as a PHP fatal error leaves it
};

// The REST v4_1 methods democrm serves, answering with the bodies a SuiteCRM 7.14 server gives,
// its known faults included.
class Api final
{
public:
    Api(Store& store, Sessions& sessions) : m_store(store), m_sessions(sessions) {}

    // method is matched without regard to case, as PHP's method_exists does.
    ApiReply call(const QString& method, const QJsonValue& restData);
    // Fault switch: set_relationship fails every id for these "Module/link" names.
    void setFailingLinks(const QStringList& links) { m_failingLinks = links; }

private:
    struct SaveResult
    {
        QString id;
        bool crashed = false; // the record is saved, but the real server dies with HTTP 500 here
    };

    ApiReply login(const ApiArgs& args);
    ApiReply logout(const ApiArgs& args);
    ApiReply getUserId(const ApiArgs& args);
    ApiReply getServerInfo(const ApiArgs& args);
    ApiReply getEntryList(const ApiArgs& args);
    ApiReply getEntry(const ApiArgs& args);
    ApiReply getEntries(const ApiArgs& args);
    ApiReply getEntriesCount(const ApiArgs& args);
    ApiReply setEntry(const ApiArgs& args);
    ApiReply setEntries(const ApiArgs& args);
    ApiReply setRelationship(const ApiArgs& args);
    ApiReply getRelationships(const ApiArgs& args);

    // Session and module checks shared by the record calls; on failure *reply holds the error.
    const User* checkSession(const ApiArgs& args, ApiReply* reply);
    const ModuleDef* checkModule(const ApiArgs& args, ApiReply* reply) const;

    bool save(const ModuleDef& module, const User& user, const QJsonValue& nameValueList, SaveResult* result,
              JsonWriter* echo);

    // A live record of any module, Users included, with the composed "name" of records that have
    // no name field; false for one that is deleted or unknown.
    bool relatedRecord(const QString& moduleName, const QString& id, Record* record) const;

    // The entry of a live record, or the warning that stands for a deleted or unknown one; true
    // for a live record, which *record then holds.
    bool writeRecordOrWarning(JsonWriter& out, const ModuleDef& module, const QString& id, const QStringList& fields,
                              Record* record) const;
    static void writeEntry(JsonWriter& out, const ModuleDef& module, const Record& record, const QStringList& fields);
    // The fields an entry lists for the fields asked for: each once, those the module knows; all of
    // the module's when none are asked for.
    static QStringList entryFields(const ModuleDef& module, const QStringList& fields);
    // writeEntry with the fields entryFields gave, for many records alike.
    static void writeEntryFields(JsonWriter& out, const ModuleDef& module, const Record& record,
                                 const QStringList& names);
    static ApiReply error(const char* name, int number, const char* description);
    static ApiReply failure();

    Store& m_store;
    Sessions& m_sessions;
    QStringList m_failingLinks;
    PageCursors m_cursors;
};
