// SPDX-License-Identifier: MIT
#include "core/AppSettings.h"
#include "core/PasswordCodec.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

namespace
{

class AppSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SettingsFile = &m_ini;
        AppSettings = AppSettingsData();
    }
    void TearDown() override
    {
        SettingsFile = nullptr;
        plat::SetAppDataRootForTesting("");
    }

    // The file's non-empty lines, whatever line ends the ini writer uses.
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(ReadText(m_path));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (!line.empty())
                lines.push_back(line);
        }
        return lines;
    }
    std::string Value(const std::string& key) const
    {
        for (const std::string& line : Lines()) {
            if (line.rfind(key + "=", 0) == 0)
                return line.substr(key.size() + 1);
        }
        return "<missing>";
    }

    TempDir m_dir;
    std::string m_path = m_dir.file("quorvel.ini");
    CxIniUtil m_ini{m_dir.path().c_str(), "quorvel.ini"};
};

} // namespace

TEST_F(AppSettingsTest, FirstStartDefaultsAndTheWrittenFile)
{
    std::strcpy(AppSettings.Password, "left over");
    AppSettings.DebugEnabled = true;
    AppSettings.DebugLevel = 3;
    LoadSettings();
    EXPECT_STREQ(AppSettings.Password, "");
    EXPECT_FALSE(AppSettings.DebugEnabled);
    EXPECT_EQ(AppSettings.DebugLevel, 0);

    // Every stored default shows in the file written straight after, in the order of writing.
    SaveSettings();
    const std::vector<std::string> expected = {
        "[Veltrane]",       "AppFlag=1",          "CaseSensitive=0",   "CompareEmpty=0",    "AddrAccount=1",
        "AddrContact=1",    "AddrLead=1",         "HostName=",         "UserName=",         "SaveUser=1",
        "SavePassword=0",   "Password=",          "AddrDisplayName=1", "AddrFirstName=1",   "AddrLastName=1",
        "AddrDepartment=0", "AddrTitle=0",        "AddrEmail=1",       "AddrPhone=0",       "AddrAddress=0",
        "AddrBirthday=0",   "AddrNote=0",         "DateSubject=1",     "DateStartTime=1",   "DateEndTime=0",
        "DateLocation=0",   "DateContactID=1",    "DateAssignedID=1",  "DateNote=0",        "TaskSubject=1",
        "TaskImportance=0", "TaskDueDate=0",      "TaskStatus=1",      "TaskContactID=1",   "TaskAssignedID=1",
        "TaskNote=0",       "MergeMoveRelated=0", "MergeFillEmpty=0",  "AddrStrictEmail=0", "NormaliseCompare=0"};
    EXPECT_EQ(Lines(), expected);
}

TEST_F(AppSettingsTest, HandEditedValuesSurviveARun)
{
    WriteText(m_path, "[Veltrane]\r\nCompareEmpty=1\r\nTaskStatus=0\r\nAppFlag=8\r\nAddrLead=0\r\n");
    LoadSettings();
    EXPECT_EQ(AppSettings.AppFlag, DataKind::Notes);
    SaveSettings();
    EXPECT_EQ(Value("CompareEmpty") + Value("TaskStatus") + Value("AppFlag") + Value("AddrLead"), "1080");
}

TEST_F(AppSettingsTest, MergeAndMatchOptionsRoundTripOnTheirOwn)
{
    WriteText(m_path, "[Veltrane]\r\nMergeFillEmpty=1\r\nNormaliseCompare=1\r\n");
    LoadSettings();
    EXPECT_FALSE(AppSettings.MergeMoveRelated);
    EXPECT_TRUE(AppSettings.MergeFillEmpty);
    EXPECT_FALSE(AppSettings.AddrStrictEmail);
    EXPECT_TRUE(AppSettings.NormaliseCompare);
    AppSettings.MergeMoveRelated = true;
    AppSettings.MergeFillEmpty = false;
    AppSettings.AddrStrictEmail = true;
    AppSettings.NormaliseCompare = false;
    SaveSettings();
    LoadSettings();
    EXPECT_TRUE(AppSettings.MergeMoveRelated);
    EXPECT_FALSE(AppSettings.MergeFillEmpty);
    EXPECT_TRUE(AppSettings.AddrStrictEmail);
    EXPECT_FALSE(AppSettings.NormaliseCompare);
    EXPECT_EQ(Value("MergeMoveRelated") + Value("MergeFillEmpty") + Value("AddrStrictEmail") +
                  Value("NormaliseCompare"),
              "1010");
}

TEST_F(AppSettingsTest, RememberedPasswordRoundTripsInAnOwnerOnlyFile)
{
    AppSettings.SavePassword = true;
    std::strcpy(AppSettings.Password, "secret");
    SaveSettings();
    EXPECT_EQ(Value("Password"), "c2VjcmV0");
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(m_path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
    LoadSettings();
    EXPECT_STREQ(AppSettings.Password, "secret");

    // A shorter password replaces the longer one's encoding exactly.
    std::strcpy(AppSettings.Password, "abc");
    SaveSettings();
    EXPECT_EQ(Value("Password"), "YWJj");
    LoadSettings();
    EXPECT_STREQ(AppSettings.Password, "abc");
}

TEST_F(AppSettingsTest, UntickedSwitchesKeepSecretsOutOfTheFile)
{
    std::strcpy(AppSettings.UserName, "bob");
    std::strcpy(AppSettings.Password, "secret");
    SaveSettings();
    EXPECT_EQ(ReadText(m_path).find("bob"), std::string::npos);
    EXPECT_EQ(Value("UserName") + Value("Password"), "");

    // A password left in the file is not taken while "Remember Password" is off.
    WriteText(m_path, "[Veltrane]\nUserName=bob\nSavePassword=0\nPassword=c2VjcmV0\n");
    LoadSettings();
    EXPECT_STREQ(AppSettings.UserName, "bob");
    EXPECT_STREQ(AppSettings.Password, "");
}

TEST_F(AppSettingsTest, OverlongValuesAreCutToTheirFields)
{
    char szStored[1024];
    std::string accents;
    for (int i = 0; i < 40; ++i)
        accents += "\xC3\xA9";
    ASSERT_TRUE(EncodePassword(accents.data(), accents.size(), szStored, sizeof szStored));
    // 80 bytes of two-byte characters end at 62 bytes, never inside a character; text that is not
    // valid base64 gives its whole groups.
    const std::pair<std::string, std::string> passwords[] = {{szStored, accents.substr(0, 62)},
                                                             {"c2VjcmV0!!", "secret"}};
    for (const auto& [stored, plain] : passwords) {
#ifdef _WIN32
        // The cut keeps whole UTF-8 characters; the ANSI code page on Windows is another one.
        if (plain != "secret")
            continue;
#endif
        WriteText(m_path, "[Veltrane]\nHostName=" + std::string(300, 'h') + "\nUserName=" + std::string(70, 'u') +
                              "\nSavePassword=1\nPassword=" + stored + "\n");
        LoadSettings();
        EXPECT_EQ(std::string(AppSettings.HostName), std::string(255, 'h'));
        EXPECT_EQ(std::string(AppSettings.UserName), std::string(63, 'u'));
        EXPECT_EQ(std::string(AppSettings.Password), plain);
    }
}

TEST_F(AppSettingsTest, AppDataFolderIsCreatedUnderTheRoot)
{
    const std::string sep(1, plat::kPathSeparator);
    const std::string root = m_dir.file("root");
    std::filesystem::create_directory(root);
    plat::SetAppDataRootForTesting(root);
    char szFolder[260];
    ASSERT_TRUE(GetAppDataFolder(szFolder));
    EXPECT_EQ(std::string(szFolder), root + sep + "quorvel" + sep + "Veltrane" + sep);
    EXPECT_TRUE(std::filesystem::is_directory(root + "/quorvel/Veltrane"));
    EXPECT_TRUE(GetAppDataFolder(szFolder));

    // A root that is a file, or one too long for the buffer, fails with the buffer untouched.
    char szUntouched[260];
    std::memset(szUntouched, 'Z', sizeof szUntouched);
    WriteText(m_dir.file("plain"), "x");
    plat::SetAppDataRootForTesting(m_dir.file("plain"));
    EXPECT_FALSE(GetAppDataFolder(szUntouched));
    const std::string deep = m_dir.file(std::string(250 - m_dir.path().size(), 'd'));
    std::filesystem::create_directory(deep);
    plat::SetAppDataRootForTesting(deep);
    EXPECT_FALSE(GetAppDataFolder(szUntouched));
    EXPECT_FALSE(std::filesystem::exists(deep + "/quorvel"));
    EXPECT_EQ(std::string(szUntouched, sizeof szUntouched), std::string(260, 'Z'));
}
