// SPDX-License-Identifier: MIT
// Merging before deleting, with the real contacts and calendar helpers against democrm: duplicates
// that carry every kind of related item are merged into the records kept, and the server is then
// read back whole. Also a link the server refuses, and a run without a keep file.
#include "CrmSession.h"
#include "DemocrmProcess.h"
#include "KindData.h"
#include "MergeChecks.h"
#include "MergeRecord.h"
#include "ServerTable.h"
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/MergeFiles.h"
#include "SugarCRM/SGParamTags.h"
#include "TempDir.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <QJsonArray>
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

class MergeTest : public ::testing::Test
{
protected:
    void Start(const QStringList& arguments = {})
    {
        QString error;
        ASSERT_TRUE(m_server.start(arguments, &error)) << error.toStdString();
        m_crm = std::make_unique<CrmSession>(m_server.baseUrl());
        ASSERT_TRUE(m_crm->LoggedIn());
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
        std::vector<KeepEntry> entries;
        for (const auto& [deleted, kept] : pairs)
            entries.push_back({deleted.toStdString(), kept.toStdString()});
        ASSERT_TRUE(WriteKeepFile(m_dir.file(std::string("SG") + szKind + "Keep.dat").c_str(), nOptions, entries));
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
        std::vector<MergedRecord> merged;
        if (!ReadMergeReport(m_dir.file(std::string("SG") + szKind + "Merged.dat").c_str(), merged))
            return {{"<no report>", -1}};
        std::map<std::string, int32_t> report;
        for (const MergedRecord& record : merged)
            report[record.duplicateId] = record.nMovedItems;
        return report;
    }

    TempDir m_dir;
    DemocrmProcess m_server;
    std::unique_ptr<CrmSession> m_crm;
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
        d.keptContact = m_crm->Create("Contacts", person("Dora", QString(), "", ""));
        d.dupContact = m_crm->Create("Contacts", person("Dora", QStringLiteral("555-1"), "Old title", "Sales"));
        const QString onlooker = m_crm->Create("Contacts", person("Olga", QString(), "", ""));
        d.keptAccount = m_crm->Create("Accounts", {{"name", QStringLiteral("Acme")}});
        d.dupAccount =
            m_crm->Create("Accounts", {{"name", QStringLiteral("Acme")}, {"website", QStringLiteral("acme.test")}});
        const QString otherAccount = m_crm->Create("Accounts", {{"name", QStringLiteral("Other")}});
        d.keptLead = m_crm->Create("Leads", {{"last_name", QStringLiteral("Lee")}});
        d.dupLead = m_crm->Create("Leads", {{"last_name", QStringLiteral("Lee")}});
        d.keptCall = m_crm->Create("Calls", {{"name", QStringLiteral("Call")}});
        d.dupCall = m_crm->Create("Calls", {{"name", QStringLiteral("Call")}});
        const QString opportunity = m_crm->Create("Opportunities", {{"name", QStringLiteral("Deal")}});
        const QString kase = m_crm->Create("Cases", {{"name", QStringLiteral("Case")}});
        const QString document = m_crm->Create("Documents", {{"document_name", QStringLiteral("Doc")}});
        const QString list = m_crm->Create("ProspectLists", {{"name", QStringLiteral("List")}});
        const auto activity = [this](const char* szModule, const char* szParentType, const QString& parent,
                                     const QString& contact = QString()) {
            std::vector<std::pair<const char*, QString>> values{
                {"name", QLatin1String(szModule)}, {"parent_type", QLatin1String(szParentType)}, {"parent_id", parent}};
            if (!contact.isEmpty())
                values.push_back({"contact_id", contact});
            return m_crm->Create(szModule, values);
        };

        // The duplicate contact: an account, calls and meetings it is invited to and parent of, a
        // task and a note that name it as contact (the note also as parent), an opportunity, a case,
        // a document and a target list.
        m_crm->Relate("Contacts", d.dupContact, "accounts", otherAccount);
        const QString call = activity("Calls", "Contacts", d.dupContact);
        m_crm->Relate("Contacts", d.dupContact, "calls", call);
        const QString meeting = activity("Meetings", "Contacts", d.dupContact);
        m_crm->Relate("Contacts", d.dupContact, "meetings", meeting);
        activity("Tasks", "Accounts", d.keptAccount, d.dupContact);
        activity("Notes", "Contacts", d.dupContact, d.dupContact);
        m_crm->Relate("Contacts", d.dupContact, "opportunities", opportunity);
        m_crm->Relate("Contacts", d.dupContact, "cases", kase);
        m_crm->Relate("Contacts", d.dupContact, "documents", document);
        m_crm->Relate("Contacts", d.dupContact, "prospect_lists", list);
        // Links: account, call, meeting, task, note, opportunity, case, document, list; then the
        // call and meeting re-pointed as parent (the note moved with its contact link, whose
        // parent then still names the duplicate).
        d.moved[d.dupContact.toStdString()] = 9 + 3;
        // The kept contact already has the case: it is not added twice.
        m_crm->Relate("Contacts", d.keptContact, "cases", kase);
        d.moved[d.dupContact.toStdString()] -= 1;

        // The duplicate account: a contact, an opportunity, a case, an activity of each kind, a
        // document, a target list, a member account and a lead.
        m_crm->Relate("Accounts", d.dupAccount, "contacts", onlooker);
        m_crm->Create("Opportunities", {{"name", QStringLiteral("Deal 2")}, {"account_id", d.dupAccount}});
        m_crm->Create("Cases", {{"name", QStringLiteral("Case 2")}, {"account_id", d.dupAccount}});
        for (const char* szModule : {"Calls", "Meetings", "Tasks", "Notes"})
            activity(szModule, "Accounts", d.dupAccount);
        m_crm->Relate("Accounts", d.dupAccount, "documents", document);
        m_crm->Relate("Accounts", d.dupAccount, "prospect_lists", list);
        m_crm->Create("Accounts", {{"name", QStringLiteral("Branch")}, {"parent_id", d.dupAccount}});
        m_crm->Create("Leads", {{"last_name", QStringLiteral("Prospect")}, {"account_id", d.dupAccount}});
        d.moved[d.dupAccount.toStdString()] = 11;

        // The duplicate lead: an activity of each kind and a target list.
        for (const char* szModule : {"Calls", "Meetings", "Tasks", "Notes"})
            activity(szModule, "Leads", d.dupLead);
        m_crm->Relate("Leads", d.dupLead, "prospect_lists", list);
        d.moved[d.dupLead.toStdString()] = 5;

        // The duplicate call: invitees of every kind, and a note about it.
        m_crm->Relate("Calls", d.dupCall, "contacts", onlooker);
        m_crm->Relate("Calls", d.dupCall, "leads", d.keptLead);
        m_crm->Relate("Calls", d.dupCall, "users", QStringLiteral("1"));
        activity("Notes", "Calls", d.dupCall);
        d.moved[d.dupCall.toStdString()] = 4;

        // A second duplicate contact, saved a second later: its values fill first.
        QThread::msleep(1100);
        d.newerDupContact = m_crm->Create("Contacts", person("Dora", QStringLiteral("555-2"), "New title", ""));
        const QString newerCall = activity("Calls", "Contacts", d.newerDupContact);
        m_crm->Relate("Contacts", d.newerDupContact, "calls", newerCall);
        d.moved[d.newerDupContact.toStdString()] = 2;
        return d;
    }
};

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
    const LinkSets linksBefore = ReadLinks(*m_crm, records);
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
    ExpectLinksMoved(linksBefore, ReadLinks(*m_crm, keptRecords), records, keptFor);
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
    const LinkSets linksBefore = ReadLinks(*m_crm, records);
    const std::set<std::string> newerCalls =
        m_crm->Related(QStringLiteral("Contacts"), d.newerDupContact, QStringLiteral("calls"));
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
    LinkSets expected = linksBefore;
    expected[Key(QStringLiteral("Contacts"), d.keptContact) + "/calls"] = newerCalls;
    EXPECT_EQ(expected, ReadLinks(*m_crm, records));
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
