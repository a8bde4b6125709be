// SPDX-License-Identifier: MIT
#include "TempDir.h"

#include "core/Backup.h"
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

class BackupTest : public ::testing::Test
{
protected:
    std::string Folder() const { return dir.path(); }
    std::string Backups() const { return dir.path() + "Backups" + plat::kPathSeparator; }

    TempDir dir;
};

} // namespace

TEST_F(BackupTest, EachModuleGetsItsOwnFileUnderTheServersFieldNames)
{
    SGAddrRecord contact;
    contact.nType = 1;
    CopyText(contact.szId, "c-1");
    // "Zoë" in the program's ANSI code page; the file has it in UTF-8 on every system.
#ifdef _WIN32
    CopyText(contact.szFirstName, "Zo\xEB");
#else
    CopyText(contact.szFirstName, "Zo\xC3\xAB");
#endif
    CopyText(contact.szLastName, "O\"Neil, Jr.");
    CopyText(contact.szDescription, "two\r\nlines");
    contact.bDoNotCall = 1;
    contact.dtBirthDate = 29646;      // 1981-03-01
    contact.dtModified = 45356.59375; // 2024-03-05 14:15:00
    SGAddrRecord account;
    account.nType = 2;
    CopyText(account.szId, "a-1");
    CopyText(account.szLastName, "Acme");
    CopyText(account.szPrimaryCity, "Bonn");
    SGAddrRecord unknown = contact;
    unknown.nType = 0;
    CopyText(unknown.szId, "u-1");

    std::vector<std::string> paths;
    ASSERT_TRUE(WriteBackup(Folder(), "2026-12-09 22-15-30", {&contact, &account, &unknown}, paths));
    ASSERT_EQ(paths, (std::vector<std::string>{Backups() + "2026-12-09 22-15-30 Contacts.csv",
                                               Backups() + "2026-12-09 22-15-30 Accounts.csv"}));
    const std::string contacts = ReadText(paths[0]);
    const std::string header =
        "\"id\",\"salutation\",\"first_name\",\"last_name\",\"title\",\"department\",\"do_not_call\",\"phone_work\","
        "\"phone_home\",\"phone_mobile\",\"phone_other\",\"phone_fax\",\"email1\",\"email2\","
        "\"primary_address_street\",\"primary_address_city\",\"primary_address_state\","
        "\"primary_address_postalcode\",\"primary_address_country\",\"alt_address_street\",\"alt_address_city\","
        "\"alt_address_state\",\"alt_address_postalcode\",\"alt_address_country\",\"assistant\","
        "\"assistant_phone\",\"lead_source\",\"birthdate\",\"description\",\"date_entered\",\"date_modified\"\r\n";
    const std::string row =
        "\"Zo\xC3\xAB\",\"O\"\"Neil, Jr.\",\"\",\"\",\"1\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\","
        "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"1981-03-01\",\"two\r\nlines\",\"\","
        "\"2024-03-05 14:15:00\"\r\n";
    // A sub-type the helper never gives lands with the kind's first module.
    EXPECT_EQ(contacts, header + "\"c-1\",\"\"," + row + "\"u-1\",\"\"," + row);
    EXPECT_EQ(ReadText(paths[1]).rfind("\"id\",\"name\",\"phone_office\",\"phone_alternate\",", 0), 0u);
    EXPECT_NE(ReadText(paths[1]).find("\r\n\"a-1\",\"Acme\",\"\",\"\",\"\",\"\",\"\",\"\",\"Bonn\","),
              std::string::npos);
#ifndef _WIN32
    EXPECT_EQ(fs::status(paths[0]).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(Backups()).permissions(), fs::perms::owner_all);
#endif

    // Events and tasks by their own modules.
    SGDateRecord meeting;
    meeting.nType = 2;
    CopyText(meeting.szLocation, "Room 4");
    meeting.nAux1 = 1;
    SGTaskRecord task;
    CopyText(task.szSubject, "Renew");
    ASSERT_TRUE(WriteBackup(Folder(), "s", {&meeting}, paths));
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_NE(ReadText(paths[0]).find("\"location\"\r\n\"\",\"\",\"\",\"\",\"1\",\"0\","), std::string::npos);
    EXPECT_NE(paths[0].find("s Meetings.csv"), std::string::npos);
    ASSERT_TRUE(WriteBackup(Folder(), "s", {&task}, paths));
    EXPECT_NE(ReadText(paths[0]).find("\r\n\"\",\"Renew\","), std::string::npos);
}

TEST_F(BackupTest, AFolderThatCannotBeMadeOrAFileThatCannotBeWrittenFails)
{
    SGTaskRecord task;
    std::vector<std::string> paths;
    WriteText(dir.path() + "Backups", "");
    EXPECT_FALSE(WriteBackup(Folder(), "s", {&task}, paths));
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], Backups());

    fs::remove(dir.path() + "Backups");
    fs::create_directories(Backups() + "s Tasks.csv");
    EXPECT_FALSE(WriteBackup(Folder(), "s", {&task}, paths));
    EXPECT_EQ(paths.back(), Backups() + "s Tasks.csv");

    // Nothing to back up writes nothing and succeeds.
    EXPECT_TRUE(WriteBackup(Folder(), "s", std::vector<const SGTaskRecord*>{}, paths));
    EXPECT_TRUE(paths.empty());
}
