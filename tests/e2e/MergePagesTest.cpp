// SPDX-License-Identifier: MIT
// A whole cleaning through the real pages that merges: contacts with duplicates that carry related
// items are loaded with the real helper from democrm, the review page's ticks go to the deletion
// page with both merge options on, and the server is then read back whole. The same data with both
// options off must end as a plain deletion run.
#include "CrmSession.h"
#include "DemocrmPagesFixture.h"
#include "MergeChecks.h"
#include "MergeRecord.h"
#include "ServerTable.h"

#include "SugarCRM/ParamFileReader.h"
#include "SugarCRM/SGParamTags.h"
#include "core/MergeJob.h"
#include "misc/CxList.h"

#include <QTest>
#include <QThread>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// Fields that the data set gives to one record of a group only, so that the value a record kept
// is filled with does not depend on which duplicate merges first.
const char* const kFillable[] = {"title", "phone_work", "department"};

struct Person
{
    const char* szFirst;
    const char* szLast;
    std::vector<std::pair<const char*, QString>> extra;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class MergePagesTest : public DemocrmPagesTest
{
protected:
    void SetUp() override
    {
        DemocrmPagesTest::SetUp();
        // The contacts helper copies its job beside itself, so that the parameter file, which the
        // program deletes after the run, can be checked.
        const fs::path target = fs::path(VELTRANE_FAULT_DIR) / "Quorvel.SGAddrUtil.exe";
        fs::remove(target);
        WriteText(target.string(),
                  std::string("#!/bin/sh\ncp \"$1\" \"$1.copy\"\nexec \"") + VELTRANE_REAL_ADDR_HELPER + "\" \"$@\"\n");
        fs::permissions(target, fs::perms::owner_all);
    }

    // Two groups of duplicate contacts and one contact alone, each with calls and meetings it is
    // invited to and the parent of, tasks and notes that name it, and for some an account and a
    // target list. The last of each group is saved a second later, so it is the record kept.
    // faults, when given, are democrm's switches for the run after the data is made.
    void Build(const QStringList& faults = {})
    {
        QString error;
        ASSERT_TRUE(m_server.start({QStringLiteral("--db"), QString::fromStdString(m_dir.file("crm.sqlite"))}, &error))
            << error.toStdString();
        CrmSession crm(m_server.baseUrl());
        ASSERT_TRUE(crm.LoggedIn());
        const Person people[] = {
            {"Dora", "Dup", {{"title", QStringLiteral("Boss")}}},
            {"Dora", "Dup", {{"phone_work", QStringLiteral("555-1")}, {"department", QStringLiteral("Sales")}}},
            {"Eli", "Twin", {}},
            {"Eli", "Twin", {{"title", QStringLiteral("Clerk")}}},
            {"Eli", "Twin", {{"phone_work", QStringLiteral("555-3")}}},
            {"Olga", "Solo", {{"title", QStringLiteral("Alone")}}},
        };
        const QString account = crm.Create("Accounts", {{"name", QStringLiteral("Acme")}});
        const QString list = crm.Create("ProspectLists", {{"name", QStringLiteral("List")}});
        int nItem = 0;
        for (const Person& person : people) {
            std::vector<std::pair<const char*, QString>> values = person.extra;
            values.push_back({"first_name", QLatin1String(person.szFirst)});
            values.push_back({"last_name", QLatin1String(person.szLast)});
            const QString email = QString::fromLatin1(person.szFirst).toLower() + QStringLiteral("@x.org");
            values.push_back({"email1", email});
            const QString id = crm.Create("Contacts", values);
            m_contacts.push_back(id);
            const QString item = QString::number(++nItem);
            const auto activity = [&crm, &id, &item](const char* szModule, bool bParent, bool bContact) {
                std::vector<std::pair<const char*, QString>> fields{{"name", QLatin1String(szModule) + item}};
                if (bParent)
                    fields.insert(fields.end(), {{"parent_type", QStringLiteral("Contacts")}, {"parent_id", id}});
                if (bContact)
                    fields.push_back({"contact_id", id});
                return crm.Create(szModule, fields);
            };
            crm.Relate("Contacts", id, "calls", activity("Calls", true, false));
            crm.Relate("Contacts", id, "meetings", activity("Meetings", nItem % 2 == 0, false));
            activity("Tasks", nItem % 2 == 1, true);
            activity("Notes", true, true);
            // A contact holds one account at most: one of each group has it.
            if (nItem == 2 || nItem == 4)
                crm.Relate("Contacts", id, "accounts", account);
            if (nItem == 1 || nItem == 5)
                crm.Relate("Contacts", id, "prospect_lists", list);
            if (nItem == 1 || nItem == 4)
                QThread::msleep(1100);
        }
        if (!faults.isEmpty()) {
            m_server.stop();
            ASSERT_TRUE(m_server.start(
                QStringList{QStringLiteral("--db"), QString::fromStdString(m_dir.file("crm.sqlite"))} + faults, &error))
                << error.toStdString();
        }
        m_crm = std::make_unique<CrmSession>(m_server.baseUrl());
    }

    // Loads through the login page and deletes what the review page ticked; keptFor receives, for
    // each ticked contact, the id it merges into.
    void LoadAndDelete(std::map<std::string, std::string>& keptFor)
    {
        ASSERT_TRUE(Load(m_server.baseUrl()));
        // Leaving the review page turns the ticks into marks.
        RealPagesTest::DeleteTicked(120000, [&keptFor] {
            for (void* p = WorkSet.pAddrDups->GetFirst(); p != nullptr; p = WorkSet.pAddrDups->GetNext()) {
                const auto* pRecord = static_cast<const SGAddrRecord*>(p);
                if ((pRecord->dwFlags & REC_SELECTED) == 0)
                    continue;
                const SGAddrRecord* pKept = MergeTargetOf(pRecord);
                ASSERT_TRUE(pKept != nullptr) << pRecord->szId;
                keptFor[pRecord->szId] = pKept->szId;
            }
        });
        ASSERT_TRUE(JoinWaitThread(5000));
        ASSERT_EQ(keptFor.size(), 3u);
    }

    // The server before the cleaning, and for each ticked contact the id it merges into.
    struct Run
    {
        LinkSets linksBefore;
        ServerTable before;
        std::map<std::string, std::string> keptFor;
    };

    // Builds the data set, sets both merge options to bMerge and cleans through the pages.
    void Clean(Run& run, bool bMerge, const QStringList& faults = {})
    {
        Build(faults);
        AppSettings.MergeMoveRelated = bMerge;
        AppSettings.MergeFillEmpty = bMerge;
        run.linksBefore = ReadLinks(*m_crm, Contacts());
        run.before = Snapshot();
        LoadAndDelete(run.keptFor);
    }

    // The contacts of the data set, but those gone: the server has no links of a deleted record.
    std::vector<std::pair<QString, QString>> Contacts(const std::map<std::string, std::string>& gone = {}) const
    {
        std::vector<std::pair<QString, QString>> records;
        for (const QString& id : m_contacts) {
            if (gone.count(id.toStdString()) == 0)
                records.emplace_back(QStringLiteral("Contacts"), id);
        }
        return records;
    }

    std::vector<ParamFileEntry> SentParams()
    {
        ParamFileReader params;
        EXPECT_TRUE(params.Load((DataFolder() + "SGAddrParam.dat.copy").c_str()));
        return params.GetEntries();
    }

    std::vector<QString> m_contacts;
    std::unique_ptr<CrmSession> m_crm;
};

// The empty fields of each record kept take the value its duplicates have.
std::map<std::string, std::map<std::string, QString>> Fills(const ServerTable& before,
                                                            const std::map<std::string, std::string>& keptFor)
{
    std::map<std::string, std::map<std::string, QString>> filled;
    for (const auto& [dup, kept] : keptFor) {
        for (const char* szField : kFillable) {
            const QString value = FieldText(before.at("Contacts/" + dup), szField);
            if (FieldText(before.at("Contacts/" + kept), szField).isEmpty() && !value.isEmpty())
                filled["Contacts/" + kept][szField] = value;
        }
    }
    return filled;
}

std::string Name(const ServerTable& table, const std::string& id)
{
    const QJsonObject& fields = table.at("Contacts/" + id);
    return (FieldText(fields, "first_name") + u' ' + FieldText(fields, "last_name") + QStringLiteral(" <") +
            FieldText(fields, "email1") + u'>')
        .toStdString();
}

TEST_F(MergePagesTest, BothOptionsMoveEveryRelatedItemFillEmptyFieldsAndBackUpTheDeleted)
{
    Run run;
    Clean(run, true);
    if (HasFatalFailure())
        return;
    const auto& [linksBefore, before, keptFor] = run;
    const std::string memo = Memo();
    const ServerTable after = Snapshot();

    const auto filled = Fills(before, keptFor);
    ASSERT_FALSE(filled.empty());
    for (const auto& [key, fields] : filled) {
        for (const auto& [field, value] : fields)
            EXPECT_EQ(FieldText(after.at(key), field.c_str()), value) << key << ' ' << field;
    }
    ExpectOnlyRepointedOrFilled(before, after, keptFor, filled);
    ExpectLinksMoved(linksBefore, ReadLinks(*m_crm, Contacts(keptFor)), Contacts(), keptFor);

    // Per merged contact: the links it had that the record kept lacked, and the activities whose
    // parent it was (those naming it as contact moved with its links).
    for (const auto& [dup, kept] : keptFor) {
        int nMoved = 0;
        for (const QString& link : MergeLinksOf(QStringLiteral("Contacts"))) {
            const std::string suffix = '/' + link.toStdString();
            const std::set<std::string>& had = linksBefore.at("Contacts/" + dup + suffix);
            const std::set<std::string>& has = linksBefore.at("Contacts/" + kept + suffix);
            for (const std::string& id : had)
                nMoved += has.count(id) == 0 ? 1 : 0;
        }
        for (const auto& [key, fields] : before) {
            if (FieldText(fields, "parent_type") == QLatin1String("Contacts") &&
                FieldText(fields, "parent_id").toStdString() == dup)
                ++nMoved;
        }
        const std::string line = "\tMerged " + Name(before, dup) + " into " + Name(before, kept) + ": " +
                                 std::to_string(nMoved) + " related items moved.";
        EXPECT_NE(memo.find(line), std::string::npos) << line << memo;
    }

    // The backup the memo names holds every deleted contact, and no other.
    const std::string prefix = "Backup of the contact items to be deleted: ";
    const std::size_t nAt = memo.find(prefix);
    ASSERT_NE(nAt, std::string::npos) << memo;
    const std::string path = memo.substr(nAt + prefix.size(), memo.find('\n', nAt) - nAt - prefix.size());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(DataFolder() + "Backups"));
    const std::string csv = ReadFile(path);
    for (const QString& id : m_contacts) {
        const bool bDeleted = keptFor.count(id.toStdString()) != 0;
        EXPECT_EQ(csv.find('"' + id.toStdString() + '"') != std::string::npos, bDeleted) << id.toStdString();
    }
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + static_cast<long>(keptFor.size())) << csv;

    // The job named the keep file and the merge report after every other entry.
    const std::vector<ParamFileEntry> params = SentParams();
    ASSERT_EQ(params.size(), 14u);
    EXPECT_EQ(params[12].nTag, SGParam::KeepFile);
    EXPECT_EQ(params[13].nTag, SGParam::MergeReport);
}

TEST_F(MergePagesTest, WithBothOptionsOffTheSameDataIsDeletedPlainly)
{
    Run run;
    Clean(run, false);
    if (HasFatalFailure())
        return;
    const auto& [linksBefore, before, keptFor] = run;

    // Only the ticked contacts are gone; every other record and every link of the contacts left is
    // as it was.
    ServerTable expected = before;
    LinkSets linksExpected = linksBefore;
    for (const auto& pair : keptFor) {
        expected.erase("Contacts/" + pair.first);
        for (const QString& link : MergeLinksOf(QStringLiteral("Contacts")))
            linksExpected.erase("Contacts/" + pair.first + '/' + link.toStdString());
    }
    EXPECT_EQ(Snapshot(), expected);
    EXPECT_EQ(ReadLinks(*m_crm, Contacts(keptFor)), linksExpected);
    EXPECT_EQ(Memo().find("Merged"), std::string::npos) << Memo();

    EXPECT_EQ(SentParams().size(), 12u);
    EXPECT_FALSE(fs::exists(DataFolder() + "SGAddrKeep.dat"));
    EXPECT_FALSE(fs::exists(DataFolder() + "SGAddrMerged.dat"));
}

TEST_F(MergePagesTest, ADuplicateWhoseMergeTheServerRefusesStaysWholeAndIsReportedNotDeleted)
{
    // The first contact is the only duplicate on a target list, whose links the server refuses.
    Run run;
    Clean(run, true, {QStringLiteral("--fail-link"), QStringLiteral("Contacts/prospect_lists")});
    if (HasFatalFailure())
        return;
    const auto& [linksBefore, before, keptFor] = run;
    const std::string refused = m_contacts[0].toStdString();
    const std::string keptDora = m_contacts[1].toStdString();
    ASSERT_EQ(keptFor.at(refused), keptDora);
    std::map<std::string, std::string> merged = keptFor;
    merged.erase(refused);

    // It and the record it was to merge into are as they were, links and fields; the others merged.
    const ServerTable after = Snapshot();
    ExpectOnlyRepointedOrFilled(before, after, merged, Fills(before, merged));
    const LinkSets linksAfter = ReadLinks(*m_crm, Contacts(merged));
    for (const std::string& id : {refused, keptDora}) {
        for (const QString& link : MergeLinksOf(QStringLiteral("Contacts"))) {
            const std::string key = "Contacts/" + id + '/' + link.toStdString();
            EXPECT_EQ(linksAfter.at(key), linksBefore.at(key)) << key;
        }
    }
    ExpectLinksMoved(linksBefore, linksAfter, Contacts(), merged);

    const std::string memo = Memo();
    EXPECT_NE(memo.find("\tNot deleted: Dora Dup <dora@x.org>"), std::string::npos) << memo;
    EXPECT_EQ(memo.find("Merged Dora"), std::string::npos) << memo;
    EXPECT_NE(memo.find("\t2 of 3 duplicate contact items were confirmed deleted by SugarCRM."), std::string::npos)
        << memo;
    EXPECT_NE(memo.find("prospect_lists"), std::string::npos) << memo;
}

} // namespace
