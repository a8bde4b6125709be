// SPDX-License-Identifier: MIT
// Merging before deleting, with the real contacts and calendar helpers against democrm: duplicates
// that carry every kind of related item are merged into the records kept, and the server is then
// read back whole. Also a link the server refuses, and a run without a keep file.
#include "DemocrmProcess.h"
#include "KindData.h"
#include "MergeRecord.h"
#include "RestClient.h"
#include "ServerTable.h"
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/SGParamTags.h"
#include "TempDir.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

using Links = std::map<std::string, std::set<std::string>>; // "Module/id/link" -> related ids

std::string Key(const QString& module, const QString& id)
{
    return module.toStdString() + '/' + id.toStdString();
}

class MergeTest : public ::testing::Test
{
protected:
    void Start(const QStringList& arguments = {})
    {
        QString error;
        ASSERT_TRUE(m_server.start(arguments, &error)) << error.toStdString();
        m_client = std::make_unique<RestClient>(m_server.baseUrl());
        m_session = m_client->login(QStringLiteral("admin")).toUtf8();
        ASSERT_FALSE(m_session.isEmpty());
    }

    QJsonObject Call(const char* szMethod, const QJsonArray& args)
    {
        QJsonArray all{QString::fromUtf8(m_session)};
        for (const QJsonValue value : args)
            all.append(value);
        const RestReply reply =
            m_client->call(QLatin1String(szMethod), QJsonDocument(all).toJson(QJsonDocument::Compact));
        EXPECT_EQ(200, reply.status) << szMethod;
        return reply.json.toObject();
    }

    QString Create(const char* szModule, const std::vector<std::pair<const char*, QString>>& values)
    {
        QJsonArray pairs;
        for (const auto& [name, value] : values)
            pairs.append(QJsonObject{{QStringLiteral("name"), QLatin1String(name)}, {QStringLiteral("value"), value}});
        return Call("set_entry", {QLatin1String(szModule), pairs}).value(QLatin1String("id")).toString();
    }

    void Relate(const char* szModule, const QString& id, const char* szLink, const QString& related)
    {
        EXPECT_EQ(1, Call("set_relationship",
                          {QLatin1String(szModule), id, QLatin1String(szLink), QJsonArray{related}, QJsonArray(), 0})
                         .value(QLatin1String("created"))
                         .toInt())
            << szModule << '/' << szLink;
    }

    std::set<std::string> Related(const QString& module, const QString& id, const QString& link)
    {
        std::set<std::string> ids;
        for (const QJsonValue entry :
             Call("get_relationships",
                  {module, id, link, QString(), QJsonArray{QStringLiteral("id")}, QJsonArray(), 0, QString(), 0, 0})
                 .value(QLatin1String("entry_list"))
                 .toArray())
            ids.insert(entry.toObject().value(QLatin1String("id")).toString().toStdString());
        return ids;
    }

    // Every link the helpers move, of the given records.
    Links ReadLinks(const std::vector<std::pair<QString, QString>>& records)
    {
        Links links;
        for (const auto& [module, id] : records) {
            for (const QString& link : MergeLinksOf(module))
                links[Key(module, id) + '/' + link.toStdString()] = Related(module, id, link);
        }
        return links;
    }

    ServerTable Snapshot()
    {
        ServerTable table;
        EXPECT_TRUE(ReadServerTable(m_server.baseUrl(), table));
        return table;
    }

    // Loads a kind with its real helper, then marks the given ids for deletion in the data file.
    template <class Kind> void LoadAndMark(const char* szKind, const std::set<std::string>& ids)
    {
        ASSERT_EQ(0, RunHelper(szKind, 1, false));
        const std::string path = m_dir.file(std::string("SG") + szKind + ".dat");
        std::vector<std::unique_ptr<typename Kind::Record>> records;
        {
            CxFile file;
            ASSERT_TRUE(file.Open(path.c_str(), "rb"));
            int32_t nCount = 0;
            file.ReadInt(&nCount);
            for (int32_t i = 0; i < nCount; ++i) {
                records.push_back(std::make_unique<typename Kind::Record>());
                Kind::ReadRecord(file, *records.back());
            }
        }
        DataFileWriter<Kind> writer(path);
        ASSERT_TRUE(writer.Open());
        std::size_t nMarked = 0;
        for (auto& pRecord : records) {
            if (ids.count(pRecord->szId) != 0) {
                pRecord->nStatus = SGSTATUS_DELETE;
                ++nMarked;
            }
            writer.Add(*pRecord);
        }
        ASSERT_TRUE(writer.Commit());
        ASSERT_EQ(ids.size(), nMarked);
    }

    void WriteKeep(const char* szKind, int32_t nOptions, const std::vector<std::pair<QString, QString>>& pairs)
    {
        CxFile file;
        ASSERT_TRUE(file.Open(m_dir.file(std::string("SG") + szKind + "Keep.dat").c_str(), "wb"));
        file.WriteInt(nOptions);
        file.WriteInt(static_cast<int32_t>(pairs.size()));
        for (const auto& [deleted, kept] : pairs) {
            file.WriteString(deleted.toUtf8().constData());
            file.WriteString(kept.toUtf8().constData());
        }
        ASSERT_TRUE(file.Finish());
    }

    // Writes the parameter file as the program does and runs the kind's helper program.
    int RunHelper(const char* szKind, int nOperation, bool bKeep)
    {
        const std::string kind = szKind;
        CxSGParamParser params;
        params.SetParam(SGParam::HostName, m_server.baseUrl().toUtf8().constData());
        params.SetParam(SGParam::UserName, "admin");
        params.SetParam(SGParam::Password, "admin");
        params.SetParam(SGParam::DataFile, ("SG" + kind + ".dat").c_str());
        params.SetParam(SGParam::Folder, m_dir.path().c_str());
        params.SetParam(SGParam::Operation, std::to_string(nOperation).c_str());
        params.SetParam(SGParam::ErrorFile, ("SG" + kind + "Err.dat").c_str());
        params.SetParam(SGParam::StatusFile, ("SG" + kind + "Status.dat").c_str());
        params.SetParam(SGParam::LogLocation, m_dir.path().c_str());
        params.SetParam(SGParam::Modules, "");
        params.SetParam(SGParam::LogLevel, "0");
        params.SetParam(SGParam::LogEnabled, "0");
        if (bKeep) {
            params.SetParam(SGParam::KeepFile, ("SG" + kind + "Keep.dat").c_str());
            params.SetParam(SGParam::MergeReport, ("SG" + kind + "Merged.dat").c_str());
        }
        const std::string paramPath = m_dir.file("SG" + kind + "Param.dat");
        EXPECT_TRUE(params.SaveToFile(paramPath.c_str()));
        const QString program = QLatin1String(kind == "Addr" ? VELTRANE_ADDR_HELPER : VELTRANE_DATE_HELPER);
        QProcess helper;
        helper.start(program, {QString::fromStdString(paramPath)});
        if (!helper.waitForFinished(120000))
            return -1;
        return helper.exitCode();
    }

    std::vector<std::string> Errors(const char* szKind)
    {
        const std::string path = m_dir.file(std::string("SG") + szKind + "Err.dat");
        std::vector<std::string> errors;
        char szCount[16] = {};
        plat::GetPrivateProfileString("Error", "Error.Count", "0", szCount, sizeof szCount, path.c_str());
        for (int i = 1; i <= std::atoi(szCount); ++i) {
            char szText[1100] = {};
            plat::GetPrivateProfileString("Error", ("Error." + std::to_string(i)).c_str(), "", szText, sizeof szText,
                                          path.c_str());
            errors.push_back(szText);
        }
        return errors;
    }

    std::map<std::string, int32_t> Report(const char* szKind)
    {
        std::map<std::string, int32_t> report;
        CxFile file;
        if (!file.Open(m_dir.file(std::string("SG") + szKind + "Merged.dat").c_str(), "rb"))
            return {{"<no report>", -1}};
        int32_t nCount = 0;
        file.ReadInt(&nCount);
        for (int32_t i = 0; i < nCount; ++i) {
            char szId[256] = {};
            int32_t nMoved = 0;
            file.ReadString(szId, sizeof szId);
            file.ReadInt(&nMoved);
            report[szId] = nMoved;
        }
        return report;
    }

    TempDir m_dir;
    DemocrmProcess m_server;
    std::unique_ptr<RestClient> m_client;
    QByteArray m_session;
};

// Contacts, accounts, leads and calls, each a record kept and duplicates with every kind of
// related item; a few records that only look on.
struct DataSet
{
    QString keptContact, dupContact, newerDupContact, keptAccount, dupAccount, keptLead, dupLead, keptCall, dupCall;
    std::map<std::string, int> moved; // per duplicate: links added plus activities re-pointed
};

class MergeEndToEndTest : public MergeTest
{
protected:
    DataSet Build()
    {
        DataSet d;
        const auto person = [](const char* szFirst, const QString& phone, const char* szTitle, const char* szDept) {
            return std::vector<std::pair<const char*, QString>>{{"first_name", QLatin1String(szFirst)},
                                                                {"last_name", QStringLiteral("Dup")},
                                                                {"phone_work", phone},
                                                                {"title", QLatin1String(szTitle)},
                                                                {"department", QLatin1String(szDept)}};
        };
        d.keptContact = Create("Contacts", person("Dora", QString(), "", ""));
        d.dupContact = Create("Contacts", person("Dora", QStringLiteral("555-1"), "Old title", "Sales"));
        const QString onlooker = Create("Contacts", person("Olga", QString(), "", ""));
        d.keptAccount = Create("Accounts", {{"name", QStringLiteral("Acme")}});
        d.dupAccount = Create("Accounts", {{"name", QStringLiteral("Acme")}, {"website", QStringLiteral("acme.test")}});
        const QString otherAccount = Create("Accounts", {{"name", QStringLiteral("Other")}});
        d.keptLead = Create("Leads", {{"last_name", QStringLiteral("Lee")}});
        d.dupLead = Create("Leads", {{"last_name", QStringLiteral("Lee")}});
        d.keptCall = Create("Calls", {{"name", QStringLiteral("Call")}});
        d.dupCall = Create("Calls", {{"name", QStringLiteral("Call")}});
        const QString opportunity = Create("Opportunities", {{"name", QStringLiteral("Deal")}});
        const QString kase = Create("Cases", {{"name", QStringLiteral("Case")}});
        const QString document = Create("Documents", {{"document_name", QStringLiteral("Doc")}});
        const QString list = Create("ProspectLists", {{"name", QStringLiteral("List")}});
        const auto activity = [this](const char* szModule, const char* szParentType, const QString& parent,
                                     const QString& contact = QString()) {
            std::vector<std::pair<const char*, QString>> values{
                {"name", QLatin1String(szModule)}, {"parent_type", QLatin1String(szParentType)}, {"parent_id", parent}};
            if (!contact.isEmpty())
                values.push_back({"contact_id", contact});
            return Create(szModule, values);
        };

        // The duplicate contact: an account, calls and meetings it is invited to and parent of, a
        // task and a note that name it as contact (the note also as parent), an opportunity, a case,
        // a document and a target list.
        Relate("Contacts", d.dupContact, "accounts", otherAccount);
        const QString call = activity("Calls", "Contacts", d.dupContact);
        Relate("Contacts", d.dupContact, "calls", call);
        const QString meeting = activity("Meetings", "Contacts", d.dupContact);
        Relate("Contacts", d.dupContact, "meetings", meeting);
        activity("Tasks", "Accounts", d.keptAccount, d.dupContact);
        activity("Notes", "Contacts", d.dupContact, d.dupContact);
        Relate("Contacts", d.dupContact, "opportunities", opportunity);
        Relate("Contacts", d.dupContact, "cases", kase);
        Relate("Contacts", d.dupContact, "documents", document);
        Relate("Contacts", d.dupContact, "prospect_lists", list);
        // Links: account, call, meeting, task, note, opportunity, case, document, list; then the
        // call and meeting re-pointed as parent (the note moved with its contact link, whose
        // parent then still names the duplicate).
        d.moved[d.dupContact.toStdString()] = 9 + 3;
        // The kept contact already has the case: it is not added twice.
        Relate("Contacts", d.keptContact, "cases", kase);
        d.moved[d.dupContact.toStdString()] -= 1;

        // The duplicate account: a contact, an opportunity, a case, an activity of each kind, a
        // document, a target list, a member account and a lead.
        Relate("Accounts", d.dupAccount, "contacts", onlooker);
        Create("Opportunities", {{"name", QStringLiteral("Deal 2")}, {"account_id", d.dupAccount}});
        Create("Cases", {{"name", QStringLiteral("Case 2")}, {"account_id", d.dupAccount}});
        for (const char* szModule : {"Calls", "Meetings", "Tasks", "Notes"})
            activity(szModule, "Accounts", d.dupAccount);
        Relate("Accounts", d.dupAccount, "documents", document);
        Relate("Accounts", d.dupAccount, "prospect_lists", list);
        Create("Accounts", {{"name", QStringLiteral("Branch")}, {"parent_id", d.dupAccount}});
        Create("Leads", {{"last_name", QStringLiteral("Prospect")}, {"account_id", d.dupAccount}});
        d.moved[d.dupAccount.toStdString()] = 11;

        // The duplicate lead: an activity of each kind and a target list.
        for (const char* szModule : {"Calls", "Meetings", "Tasks", "Notes"})
            activity(szModule, "Leads", d.dupLead);
        Relate("Leads", d.dupLead, "prospect_lists", list);
        d.moved[d.dupLead.toStdString()] = 5;

        // The duplicate call: invitees of every kind, and a note about it.
        Relate("Calls", d.dupCall, "contacts", onlooker);
        Relate("Calls", d.dupCall, "leads", d.keptLead);
        Relate("Calls", d.dupCall, "users", QStringLiteral("1"));
        activity("Notes", "Calls", d.dupCall);
        d.moved[d.dupCall.toStdString()] = 4;

        // A second duplicate contact, saved a second later: its values fill first.
        QThread::msleep(1100);
        d.newerDupContact = Create("Contacts", person("Dora", QStringLiteral("555-2"), "New title", ""));
        const QString newerCall = activity("Calls", "Contacts", d.newerDupContact);
        Relate("Contacts", d.newerDupContact, "calls", newerCall);
        d.moved[d.newerDupContact.toStdString()] = 2;
        return d;
    }
};

// A record changed only where it named a merged duplicate and now names the record kept; and
// the records kept changed only in the fields that were empty.
void ExpectOnlyRepointedOrFilled(const ServerTable& before, const ServerTable& after,
                                 const std::map<std::string, std::string>& keptFor,
                                 const std::map<std::string, std::map<std::string, QString>>& filled)
{
    std::set<std::string> gone;
    for (const auto& [key, fields] : before) {
        const auto it = after.find(key);
        if (it == after.end()) {
            gone.insert(key.substr(key.find('/') + 1));
            continue;
        }
        const auto fill = filled.find(key);
        for (const QString& field : fields.keys() + it->second.keys()) {
            const QString was = FieldText(fields, field.toUtf8().constData());
            const QString now = FieldText(it->second, field.toUtf8().constData());
            if (was == now || field == QLatin1String("date_modified") || field == QLatin1String("modified_user_id"))
                continue;
            if (fill != filled.end()) {
                const auto value = fill->second.find(field.toStdString());
                EXPECT_TRUE(was.isEmpty() && value != fill->second.end() && value->second == now)
                    << key << ' ' << field.toStdString() << ": " << was.toStdString() << " -> " << now.toStdString();
                continue;
            }
            const auto kept = keptFor.find(was.toStdString());
            EXPECT_TRUE(kept != keptFor.end() && kept->second == now.toStdString())
                << key << ' ' << field.toStdString() << ": " << was.toStdString() << " -> " << now.toStdString();
        }
    }
    std::set<std::string> merged;
    for (const auto& pair : keptFor)
        merged.insert(pair.first);
    EXPECT_EQ(merged, gone);
}

TEST_F(MergeEndToEndTest, EveryRelatedItemMovesToTheRecordKeptAndEmptyFieldsAreFilled)
{
    Start();
    const DataSet d = Build();
    const std::vector<std::pair<QString, QString>> addrPairs = {{d.dupContact, d.keptContact},
                                                                {d.newerDupContact, d.keptContact},
                                                                {d.dupAccount, d.keptAccount},
                                                                {d.dupLead, d.keptLead}};
    const std::vector<std::pair<QString, QString>> records = {
        {QStringLiteral("Contacts"), d.dupContact},  {QStringLiteral("Contacts"), d.newerDupContact},
        {QStringLiteral("Contacts"), d.keptContact}, {QStringLiteral("Accounts"), d.dupAccount},
        {QStringLiteral("Accounts"), d.keptAccount}, {QStringLiteral("Leads"), d.dupLead},
        {QStringLiteral("Leads"), d.keptLead},       {QStringLiteral("Calls"), d.dupCall},
        {QStringLiteral("Calls"), d.keptCall}};
    const Links linksBefore = ReadLinks(records);
    const ServerTable before = Snapshot();

    std::set<std::string> addrIds;
    std::map<std::string, std::string> keptFor;
    for (const auto& [dup, kept] : addrPairs) {
        addrIds.insert(dup.toStdString());
        keptFor[dup.toStdString()] = kept.toStdString();
    }
    keptFor[d.dupCall.toStdString()] = d.keptCall.toStdString();
    LoadAndMark<SGAddrKind>("Addr", addrIds);
    WriteKeep("Addr", 3, addrPairs);
    EXPECT_EQ(0, RunHelper("Addr", 2, true));
    EXPECT_EQ(std::vector<std::string>(), Errors("Addr"));
    LoadAndMark<SGDateKind>("Date", {d.dupCall.toStdString()});
    WriteKeep("Date", 1, {{d.dupCall, d.keptCall}});
    EXPECT_EQ(0, RunHelper("Date", 2, true));
    EXPECT_EQ(std::vector<std::string>(), Errors("Date"));

    // Each duplicate's links hang on the record kept, which keeps its own.
    std::vector<std::pair<QString, QString>> keptRecords;
    for (const auto& [module, id] : records) {
        if (keptFor.count(id.toStdString()) == 0)
            keptRecords.emplace_back(module, id);
    }
    const Links linksAfter = ReadLinks(keptRecords);
    for (const auto& [module, id] : records) {
        const auto kept = keptFor.find(id.toStdString());
        if (kept == keptFor.end())
            continue;
        for (const QString& link : MergeLinksOf(module)) {
            const std::string suffix = '/' + link.toStdString();
            const std::set<std::string>& had = linksBefore.at(Key(module, id) + suffix);
            std::set<std::string> expected = linksBefore.at(module.toStdString() + '/' + kept->second + suffix);
            expected.insert(had.begin(), had.end());
            for (const auto& [otherModule, otherId] : records) {
                if (otherModule == module && keptFor.count(otherId.toStdString()) != 0 && otherId != id &&
                    keptFor.at(otherId.toStdString()) == kept->second) {
                    const auto& more = linksBefore.at(Key(module, otherId) + suffix);
                    expected.insert(more.begin(), more.end());
                }
            }
            EXPECT_EQ(expected, linksAfter.at(module.toStdString() + '/' + kept->second + suffix))
                << module.toStdString() << ' ' << link.toStdString();
        }
    }
    // Nothing names a duplicate any more, nothing else changed, and the empty fields of the kept
    // contact are filled from the newer duplicate first.
    const std::map<std::string, std::map<std::string, QString>> filled = {
        {Key(QStringLiteral("Contacts"), d.keptContact),
         {{"phone_work", QStringLiteral("555-2")},
          {"title", QStringLiteral("New title")},
          {"department", QStringLiteral("Sales")}}},
        {Key(QStringLiteral("Accounts"), d.keptAccount), {{"website", QStringLiteral("acme.test")}}}};
    ExpectOnlyRepointedOrFilled(before, Snapshot(), keptFor, filled);

    std::map<std::string, int32_t> expected;
    for (const auto& [dup, kept] : addrPairs)
        expected[dup.toStdString()] = d.moved.at(dup.toStdString());
    EXPECT_EQ(expected, Report("Addr"));
    EXPECT_EQ((std::map<std::string, int32_t>{{d.dupCall.toStdString(), d.moved.at(d.dupCall.toStdString())}}),
              Report("Date"));
}

TEST_F(MergeEndToEndTest, ALinkTheServerRefusesKeepsItsDuplicateWhole)
{
    // The data is made first; the server then starts again on it, refusing target lists of contacts.
    const QString db = QString::fromStdString(m_dir.file("crm.sqlite"));
    Start({QStringLiteral("--db"), db});
    const DataSet d = Build();
    ASSERT_EQ(0, m_server.stop());
    Start({QStringLiteral("--db"), db, QStringLiteral("--fail-link"), QStringLiteral("Contacts/prospect_lists")});
    const std::vector<std::pair<QString, QString>> records = {{QStringLiteral("Contacts"), d.dupContact},
                                                              {QStringLiteral("Contacts"), d.keptContact}};
    const Links linksBefore = ReadLinks(records);
    const std::set<std::string> newerCalls =
        Related(QStringLiteral("Contacts"), d.newerDupContact, QStringLiteral("calls"));
    const ServerTable before = Snapshot();

    LoadAndMark<SGAddrKind>("Addr", {d.dupContact.toStdString(), d.newerDupContact.toStdString()});
    WriteKeep("Addr", 3, {{d.dupContact, d.keptContact}, {d.newerDupContact, d.keptContact}});
    EXPECT_EQ(1, RunHelper("Addr", 2, true));

    // The duplicate with the refused link stays as it was, its links moved back off the kept
    // contact; the other one merges.
    const std::vector<std::string> errors = Errors("Addr");
    ASSERT_EQ(1u, errors.size());
    EXPECT_NE(std::string::npos, errors[0].find(d.dupContact.toStdString())) << errors[0];
    EXPECT_NE(std::string::npos, errors[0].find("prospect_lists")) << errors[0];
    EXPECT_EQ((std::map<std::string, int32_t>{{d.newerDupContact.toStdString(), 2}}), Report("Addr"));
    const ServerTable after = Snapshot();
    EXPECT_EQ(before.at(Key(QStringLiteral("Contacts"), d.dupContact)),
              after.at(Key(QStringLiteral("Contacts"), d.dupContact)));
    // The kept contact has the call of the duplicate that merged, and nothing of the other one.
    Links expected = linksBefore;
    expected[Key(QStringLiteral("Contacts"), d.keptContact) + "/calls"] = newerCalls;
    EXPECT_EQ(expected, ReadLinks(records));
    ExpectOnlyRepointedOrFilled(before, after, {{d.newerDupContact.toStdString(), d.keptContact.toStdString()}},
                                {{Key(QStringLiteral("Contacts"), d.keptContact),
                                  {{"phone_work", QStringLiteral("555-2")}, {"title", QStringLiteral("New title")}}}});
}

TEST_F(MergeEndToEndTest, WithoutAKeepFileDuplicatesAreDeletedPlainly)
{
    Start();
    const DataSet d = Build();
    const ServerTable before = Snapshot();
    const std::set<std::string> ids = {d.dupContact.toStdString(), d.dupAccount.toStdString(), d.dupLead.toStdString()};
    LoadAndMark<SGAddrKind>("Addr", ids);
    // A keep file beside the data, with no tag naming it, is not read.
    WriteKeep("Addr", 3, {{d.dupContact, d.keptContact}});
    EXPECT_EQ(0, RunHelper("Addr", 2, false));
    EXPECT_EQ(std::vector<std::string>(), Errors("Addr"));
    EXPECT_FALSE(plat::PathExists(m_dir.file("SGAddrMerged.dat").c_str()));
    ServerTable expected = before;
    for (const std::string& id : ids) {
        for (const char* szModule : {"Contacts/", "Accounts/", "Leads/"})
            expected.erase(szModule + id);
    }
    EXPECT_EQ(expected, Snapshot());
}

} // namespace
