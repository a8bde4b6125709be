// SPDX-License-Identifier: MIT
// Merging one duplicate into the record kept, through the REST API, before the duplicate is
// deleted.
#pragma once

#include "SugarClient.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <functional>

// The links moved with get_relationships/set_relationship, per module; empty for a module with
// none (notes hang on their parent and contact, which re-pointing moves).
const QStringList& MergeLinksOf(const QString& module);

class RecordMerger
{
public:
    RecordMerger(SugarClient& client, int nOptions) : m_client(client), m_nOptions(nOptions) {}

    // Moves every link of the duplicate to the record kept, re-points the activities that name
    // it as parent or contact, and fills the kept record's empty fields from dupFields (its
    // get_entry answer). nMoved receives the links added plus the activities re-pointed.
    // On failure, sFailed names the link or field that failed and what was moved is moved back,
    // so the duplicate keeps everything it had.
    bool Merge(const QString& module, const QString& dupId, const QString& keptId, const QJsonObject& dupFields,
               int& nMoved, QString& sFailed);
    // Moves back what the last Merge moved: for a duplicate whose deletion failed afterwards.
    // False when the server refused part of it; LastUndoError() says what.
    bool Undo();
    const QString& LastUndoError() const { return m_undoError; }

private:
    struct AddedLink
    {
        QString link;
        QStringList ids;
    };
    struct Repointed
    {
        QString module;
        QString id;
        QList<QPair<QString, QString>> before;
    };

    bool MoveLinks(QString& sFailed);
    bool Repoint(QString& sFailed);
    bool Fill(const QJsonObject& dupFields, QString& sFailed);

    SugarClient& m_client;
    int m_nOptions;
    QString m_module;
    QString m_dupId;
    QString m_keptId;
    QList<AddedLink> m_added;
    QList<Repointed> m_repointed;
    QString m_undoError;
};
