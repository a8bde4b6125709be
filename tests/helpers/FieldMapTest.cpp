// SPDX-License-Identifier: MIT
#include "FieldMap.h"
#include "HelpersTestSupport.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace
{

template <class Rec> const ModuleMap<Rec>& Module(const char* szName)
{
    for (const ModuleMap<Rec>& module : ModulesFor<Rec>()) {
        if (std::strcmp(module.szModule, szName) == 0)
            return module;
    }
    throw std::runtime_error("no such module");
}

// Maps entry nIndex of a captured answer into a fresh record.
template <class Rec> std::unique_ptr<Rec> MapCaptured(const char* szFixture, const char* szModule, int nIndex)
{
    const QJsonArray entries = CapturedEntries(szFixture);
    auto pRecord = std::make_unique<Rec>();
    if (nIndex < entries.size())
        MapEntry(Module<Rec>(szModule), entries.at(nIndex).toObject().value(QLatin1String("name_value_list")),
                 *pRecord);
    return pRecord;
}

} // namespace

TEST(FieldMap, ContactsFromCapturedListing)
{
    auto pJohn = MapCaptured<SGAddrRecord>("get_entry_list-contacts-page1.json", "Contacts", 0);
    EXPECT_EQ(pJohn->nType, 1);
    EXPECT_STREQ(pJohn->szFirstName, "John");
    EXPECT_STREQ(pJohn->szLastName, "Smith");
    EXPECT_STREQ(pJohn->szEmail1, "john.smith@example.com");
    EXPECT_STREQ(pJohn->szWorkPhone, "555-0101");
    // 08:03:42 UTC on 9 December is 09:03:42 in Central European winter time.
    EXPECT_NEAR(pJohn->dtModified, 46365.37756944444, 1e-9);
    EXPECT_NEAR(pJohn->dtCreated, 46365.37756944444, 1e-9);
    EXPECT_STREQ(pJohn->szId, ""); // the id is the fetch's business, not the table's

    auto pMary = MapCaptured<SGAddrRecord>("get_entry_list-contacts-page2.json", "Contacts", 1);
    EXPECT_STREQ(pMary->szLastName, "O'Brien");

    auto pJuergen = MapCaptured<SGAddrRecord>("get_entry_list-contacts-page3.json", "Contacts", 0);
    EXPECT_EQ(pJuergen->szFirstName, Ansi("J\xC3\xBCrgen"));
    EXPECT_EQ(pJuergen->szLastName, Ansi("M\xC3\xBCller"));
    EXPECT_STREQ(pJuergen->szWorkPhone, "");
}

TEST(FieldMap, AccountsFillTheContactRecordFromTheirOwnFields)
{
    auto pAcme = MapCaptured<SGAddrRecord>("get_entry_list-accounts-page1.json", "Accounts", 0);
    EXPECT_EQ(pAcme->nType, 2);
    EXPECT_STREQ(pAcme->szLastName, "Acme Corp");
    EXPECT_STREQ(pAcme->szFirstName, "");
    EXPECT_STREQ(pAcme->szWorkPhone, "+1 555 0100");
    EXPECT_STREQ(pAcme->szPrimaryCity, "Springfield");

    auto pMueller = MapCaptured<SGAddrRecord>("get_entry_list-accounts-page2.json", "Accounts", 0);
    EXPECT_EQ(pMueller->szLastName, Ansi("M\xC3\xBCller & S\xC3\xB6hne GmbH"));
    EXPECT_EQ(pMueller->szPrimaryCity, Ansi("K\xC3\xB6ln"));
}

TEST(FieldMap, LeadsAreTypeThree)
{
    auto pPat = MapCaptured<SGAddrRecord>("get_entry_list-leads-page1.json", "Leads", 1);
    EXPECT_EQ(pPat->nType, 3);
    EXPECT_STREQ(pPat->szFirstName, "Pat");
    EXPECT_STREQ(pPat->szLastName, "Kim");
    EXPECT_STREQ(pPat->szEmail1, "");
}

TEST(FieldMap, CallsAndMeetingsFromCapturedListings)
{
    auto pCall = MapCaptured<SGDateRecord>("get_entry_list-calls-page1.json", "Calls", 0);
    EXPECT_EQ(pCall->nType, 1);
    EXPECT_STREQ(pCall->szSubject, "Intro call");
    EXPECT_NEAR(pCall->dtStart, 46027.458333333336, 1e-9); // 10:00 UTC = 11:00 local
    EXPECT_STREQ(pCall->szStatus, "Planned");
    EXPECT_STREQ(pCall->szAux1, "Contacts");
    EXPECT_STREQ(pCall->szContactId, "30b669e9-8b43-b362-fbf1-6b190b4183de");

    auto pMeeting = MapCaptured<SGDateRecord>("get_entry_list-meetings-page1.json", "Meetings", 0);
    EXPECT_EQ(pMeeting->nType, 2);
    EXPECT_STREQ(pMeeting->szSubject, "Kickoff");
    EXPECT_NEAR(pMeeting->dtStart, 46028.625, 1e-9);
    EXPECT_STREQ(pMeeting->szAux1, "Accounts");
}

TEST(FieldMap, TasksFromCapturedListing)
{
    auto pTask = MapCaptured<SGTaskRecord>("get_entry_list-tasks-page1.json", "Tasks", 0);
    EXPECT_STREQ(pTask->szSubject, "Send quote");
    EXPECT_STREQ(pTask->szStatus, "Not Started");
    EXPECT_STREQ(pTask->szPriority, "High");
    EXPECT_STREQ(pTask->szContactId, "30b669e9-8b43-b362-fbf1-6b190b4183de");
    EXPECT_EQ(pTask->dtDue, 0.0);
}

TEST(FieldMap, RequestedFieldsCoverEveryMappedFieldOnce)
{
    for (const auto& module : AddrModules()) {
        QStringList fields = SelectFields(module);
        EXPECT_TRUE(fields.contains(QStringLiteral("id")));
        EXPECT_TRUE(fields.contains(QStringLiteral("deleted")));
        EXPECT_EQ(fields.size(), static_cast<qsizetype>(module.fields.size()) + 2) << module.szModule;
        EXPECT_EQ(fields.removeDuplicates(), 0);
    }
    EXPECT_TRUE(SelectFields(Module<SGDateRecord>("Meetings")).contains(QStringLiteral("location")));
    EXPECT_FALSE(SelectFields(Module<SGDateRecord>("Calls")).contains(QStringLiteral("location")));
    EXPECT_EQ(SelectFields(NoteModules().front()), (QStringList{QStringLiteral("id"), QStringLiteral("deleted")}));
}

TEST(FieldMap, NameValueListsInEveryShapeTheServerSends)
{
    QJsonValue list;
    ASSERT_TRUE(ParseServerJson(LoadCapture("get_entry-contact-deleted.json").body, list));
    const QJsonValue deletedForm = list.toObject()
                                       .value(QLatin1String("entry_list"))
                                       .toArray()
                                       .at(0)
                                       .toObject()
                                       .value(QLatin1String("name_value_list"));
    QString value;
    ASSERT_TRUE(NameValue(deletedForm, QStringLiteral("deleted"), value));
    EXPECT_EQ(value, QStringLiteral("1"));
    EXPECT_FALSE(NameValue(QJsonArray(), QStringLiteral("deleted"), value));

    // Fields missing from an entry leave the record's field as it was.
    auto pRecord = std::make_unique<SGAddrRecord>();
    MapEntry(Module<SGAddrRecord>("Contacts"), QJsonArray(), *pRecord);
    EXPECT_EQ(pRecord->nType, 1);
    EXPECT_STREQ(pRecord->szLastName, "");
}
