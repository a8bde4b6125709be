// SPDX-License-Identifier: MIT
#include "MergeRecord.h"

#include "HelperLog.h"
#include "HtmlEntities.h"
#include "SugarCRM/MergeFiles.h"
#include "SugarReply.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace
{
// Links that hold one record at most: adding a second replaces the first on the server.
bool IsSingleLink(const QString& module, const QString& link)
{
    return module == QLatin1String("Contacts") && link == QLatin1String("accounts");
}

// Ids go into query text, so only the characters server ids are made of pass.
bool IsPlainId(const QString& id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return pattern.match(id).hasMatch();
}

// Fields never filled: record bookkeeping, and ids of other records, which links and
// re-pointing carry rather than copies of values.
bool IsFillable(const QString& module, const QString& field)
{
    static const QSet<QString> bookkeeping = {QStringLiteral("id"),
                                              QStringLiteral("deleted"),
                                              QStringLiteral("date_entered"),
                                              QStringLiteral("date_modified"),
                                              QStringLiteral("created_by"),
                                              QStringLiteral("created_by_name"),
                                              QStringLiteral("modified_by_name"),
                                              QStringLiteral("assigned_user_name"),
                                              QStringLiteral("parent_type"),
                                              QStringLiteral("parent_name"),
                                              QStringLiteral("date_end"),
                                              QStringLiteral("converted")};
    if (bookkeeping.contains(field) || field.endsWith(QLatin1String("_id")))
        return false;
    // A contact's account name follows its account link.
    return !(module == QLatin1String("Contacts") && field == QLatin1String("account_name"));
}

QString Value(const QJsonObject& fields, const QString& name)
{
    QString value;
    NameValue(fields, name, value);
    return DecodeHtmlEntities(value);
}
} // namespace

const QStringList& MergeLinksOf(const QString& module)
{
    static const QHash<QString, QStringList> links = {
        {QStringLiteral("Contacts"),
         {QStringLiteral("accounts"), QStringLiteral("calls"), QStringLiteral("meetings"), QStringLiteral("tasks"),
          QStringLiteral("notes"), QStringLiteral("opportunities"), QStringLiteral("cases"),
          QStringLiteral("documents"), QStringLiteral("prospect_lists")}},
        {QStringLiteral("Leads"),
         {QStringLiteral("calls"), QStringLiteral("meetings"), QStringLiteral("tasks"), QStringLiteral("notes"),
          QStringLiteral("prospect_lists")}},
        {QStringLiteral("Accounts"),
         {QStringLiteral("contacts"), QStringLiteral("opportunities"), QStringLiteral("cases"), QStringLiteral("calls"),
          QStringLiteral("meetings"), QStringLiteral("tasks"), QStringLiteral("notes"), QStringLiteral("documents"),
          QStringLiteral("prospect_lists"), QStringLiteral("members"), QStringLiteral("leads")}},
        {QStringLiteral("Calls"), {QStringLiteral("contacts"), QStringLiteral("leads"), QStringLiteral("users")}},
        {QStringLiteral("Meetings"), {QStringLiteral("contacts"), QStringLiteral("leads"), QStringLiteral("users")}},
        {QStringLiteral("Tasks"), {QStringLiteral("notes")}},
    };
    static const QStringList none;
    const auto it = links.find(module);
    return it == links.end() ? none : *it;
}

bool RecordMerger::Merge(const QString& module, const QString& dupId, const QString& keptId,
                         const QJsonObject& dupFields, int& nMoved, QString& sFailed)
{
    m_module = module;
    m_dupId = dupId;
    m_keptId = keptId;
    m_added.clear();
    m_repointed.clear();
    nMoved = 0;
    if (!IsPlainId(dupId) || !IsPlainId(keptId)) {
        sFailed = QStringLiteral("an id with characters no server id has");
        return false;
    }
    const bool bMove = (m_nOptions & MERGE_MOVE_RELATED) != 0;
    if ((bMove && (!MoveLinks(sFailed) || !Repoint(sFailed))) ||
        ((m_nOptions & MERGE_FILL_EMPTY) != 0 && !Fill(dupFields, sFailed))) {
        if (!Undo())
            sFailed += QStringLiteral("; moving back failed too: ") + m_undoError;
        return false;
    }
    for (const AddedLink& added : m_added)
        nMoved += static_cast<int>(added.ids.size());
    nMoved += static_cast<int>(m_repointed.size());
    return true;
}

bool RecordMerger::MoveLinks(QString& sFailed)
{
    for (const QString& link : MergeLinksOf(m_module)) {
        QStringList dupIds;
        QStringList keptIds;
        if (!m_client.GetRelationships(m_module, m_dupId, link, dupIds) ||
            !m_client.GetRelationships(m_module, m_keptId, link, keptIds)) {
            sFailed = QStringLiteral("link %1: %2").arg(link, m_client.LastError());
            return false;
        }
        QStringList missing;
        // A link between the two records themselves is not carried over: the kept record would
        // name itself.
        for (const QString& id : dupIds) {
            if (!keptIds.contains(id) && id != m_keptId && id != m_dupId)
                missing.append(id);
        }
        if (missing.isEmpty())
            continue;
        // Adding would replace the kept record's own one: the two differ, and neither is dropped.
        if (IsSingleLink(m_module, link) && !keptIds.isEmpty()) {
            sFailed = QStringLiteral("link %1: the record kept has another one").arg(link);
            return false;
        }
        if (!m_client.SetRelationship(m_module, m_keptId, link, missing, false)) {
            sFailed = QStringLiteral("link %1: %2").arg(link, m_client.LastError());
            return false;
        }
        m_added.append({link, missing});
        HELPER_LOG(2, "Moved %lld %s of %s %s to %s.", static_cast<long long>(missing.size()), qUtf8Printable(link),
                   qUtf8Printable(m_module), qUtf8Printable(m_dupId), qUtf8Printable(m_keptId));
    }
    return true;
}

bool RecordMerger::Repoint(QString& sFailed)
{
    // Found by query rather than through the links: a contact's calls link lists the calls it is
    // invited to, not those it is the parent of, and no link lists every kind of activity.
    const bool bContact = m_module == QLatin1String("Contacts");
    for (const char* szModule : {"Calls", "Meetings", "Tasks", "Notes"}) {
        const QString module = QLatin1String(szModule);
        const QString table = module.toLower();
        const bool bHasContact = bContact && (module == QLatin1String("Tasks") || module == QLatin1String("Notes"));
        QString query = QStringLiteral("(%1.parent_type = '%2' AND %1.parent_id = '%3')").arg(table, m_module, m_dupId);
        if (bHasContact)
            query = QStringLiteral("(%1 OR %2.contact_id = '%3')").arg(query, table, m_dupId);
        QStringList fields{QStringLiteral("id"), QStringLiteral("parent_type"), QStringLiteral("parent_id")};
        if (bHasContact)
            fields.append(QStringLiteral("contact_id"));
        QList<QJsonObject> found;
        if (!m_client.Query(module, query, fields, found)) {
            sFailed = QStringLiteral("%1 naming it: %2").arg(table, m_client.LastError());
            return false;
        }
        for (const QJsonObject& entry : found) {
            const QString id = Value(entry, QStringLiteral("id"));
            QList<QPair<QString, QString>> before;
            QList<QPair<QString, QString>> after;
            if (Value(entry, QStringLiteral("parent_type")) == m_module &&
                Value(entry, QStringLiteral("parent_id")) == m_dupId) {
                before.append({QStringLiteral("parent_id"), m_dupId});
                after.append({QStringLiteral("parent_id"), m_keptId});
            }
            if (bHasContact && Value(entry, QStringLiteral("contact_id")) == m_dupId) {
                before.append({QStringLiteral("contact_id"), m_dupId});
                after.append({QStringLiteral("contact_id"), m_keptId});
            }
            if (id.isEmpty() || after.isEmpty())
                continue;
            if (!m_client.SetFields(module, id, after)) {
                sFailed = QStringLiteral("%1 %2: %3").arg(table, id, m_client.LastError());
                return false;
            }
            m_repointed.append({module, id, before});
        }
    }
    return true;
}

bool RecordMerger::Fill(const QJsonObject& dupFields, QString& sFailed)
{
    QJsonObject kept;
    if (!m_client.GetEntry(m_module, m_keptId, kept)) {
        sFailed = QStringLiteral("the record kept: %1").arg(m_client.LastError());
        return false;
    }
    QList<QPair<QString, QString>> values;
    // Only fields the record kept has: the server answers with every field of the module.
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        const QString& field = it.key();
        if (!IsFillable(m_module, field) || !Value(kept, field).trimmed().isEmpty())
            continue;
        const QString value = Value(dupFields, field);
        if (!value.trimmed().isEmpty())
            values.append({field, value});
    }
    if (values.isEmpty() || m_client.SetFields(m_module, m_keptId, values))
        return true;
    QStringList names;
    for (const auto& pair : values)
        names.append(pair.first);
    sFailed = QStringLiteral("fields %1: %2").arg(names.join(QStringLiteral(", ")), m_client.LastError());
    return false;
}

bool RecordMerger::Undo()
{
    m_undoError.clear();
    const auto note = [this](const QString& what) {
        if (m_undoError.isEmpty())
            m_undoError = what + QStringLiteral(": ") + m_client.LastError();
    };
    for (auto it = m_repointed.crbegin(); it != m_repointed.crend(); ++it) {
        if (!m_client.SetFields(it->module, it->id, it->before))
            note(it->module.toLower() + u' ' + it->id);
    }
    // Taken off the kept record first: a link that holds one record is then free for the duplicate.
    for (auto it = m_added.crbegin(); it != m_added.crend(); ++it) {
        if (!m_client.SetRelationship(m_module, m_keptId, it->link, it->ids, true) ||
            !m_client.SetRelationship(m_module, m_dupId, it->link, it->ids, false))
            note(QStringLiteral("link ") + it->link);
    }
    m_repointed.clear();
    m_added.clear();
    return m_undoError.isEmpty();
}
