// SPDX-License-Identifier: MIT
#include "ExchangeFiles.h"
#include "HelperJob.h"
#include "HelpersTestSupport.h"
#include "NoteIds.h"
#include "TempDir.h"
#include "misc/CxIniUtil.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace
{

std::string IniValue(const std::string& path, const char* szSection, const char* szKey)
{
    char szValue[1100] = {};
    plat::GetPrivateProfileString(szSection, szKey, "<missing>", szValue, sizeof szValue, path.c_str());
    return szValue;
}

} // namespace

TEST(ErrorFile, EntriesAreNumberedAndCountedOnOneLineEach)
{
    TempDir dir;
    const std::string path = dir.file("SGAddrErr.dat");
    ErrorFile errors(path);
    errors.Reset();
    ASSERT_TRUE(errors.Add(QStringLiteral("The server refused the login: Login attempt failed")));
    ASSERT_TRUE(errors.Add(QString::fromUtf8("Could not delete \"Jürgen\":\r\nline two")));
    EXPECT_EQ(errors.Count(), 2);
    EXPECT_EQ(IniValue(path, "Error", "Error.Count"), "2");
    EXPECT_EQ(IniValue(path, "Error", "Error.1"), "The server refused the login: Login attempt failed");
    EXPECT_EQ(IniValue(path, "Error", "Error.2"), Ansi("Could not delete \"J\xC3\xBCrgen\":  line two"));
}

TEST(ErrorFile, ARunStartsWithoutTheEntriesOfAnEarlierRun)
{
    TempDir dir;
    const std::string path = dir.file("SGTaskErr.dat");
    WriteText(path, "[Error]\r\nError.Count=3\r\nError.3=old failure\r\n");
    ErrorFile errors(path);
    errors.Reset();
    EXPECT_FALSE(plat::PathExists(path.c_str()));
    ASSERT_TRUE(errors.Add(QStringLiteral("new failure")));
    EXPECT_EQ(IniValue(path, "Error", "Error.Count"), "1");
    EXPECT_EQ(IniValue(path, "Error", "Error.3"), "<missing>");
}

TEST(ErrorFile, LongTextsAreCutToWhatTheProgramReads)
{
    TempDir dir;
    const std::string path = dir.file("SGNoteErr.dat");
    ErrorFile errors(path);
    // 1022 ASCII bytes, then a letter that is two bytes in UTF-8 and would end at byte 1024; in
    // cp1252 it is one byte and ends the text at 1023.
    ASSERT_TRUE(errors.Add(QString(1022, QLatin1Char('a')) + QString::fromUtf8("\xC3\xBC") + QStringLiteral("tail")));
#ifdef _WIN32
    EXPECT_EQ(IniValue(path, "Error", "Error.1"), std::string(1022, 'a') + "\xFC");
#else
    EXPECT_EQ(IniValue(path, "Error", "Error.1"), std::string(1022, 'a'));
#endif
}

TEST(ProgressFile, EachUpdateReplacesTheWholeFile)
{
    TempDir dir;
    const std::string path = dir.file("SGAddrStatus.dat");
    ProgressFile progress(path);
    ASSERT_TRUE(progress.Set(QStringLiteral("Loading Contacts: 100 of 1234")));
    ASSERT_TRUE(progress.Set(QStringLiteral("Loading Contacts: 200 of 1234")));
    EXPECT_EQ(ReadText(path), "Loading Contacts: 200 of 1234\r\n");
    EXPECT_FALSE(plat::PathExists((path + ".tmp").c_str()));

    char szLine[256];
    ASSERT_TRUE(plat::ReadFirstLineShared(path.c_str(), szLine, sizeof szLine));
    EXPECT_EQ(std::string(szLine).rfind("Loading Contacts: 200 of 1234", 0), 0u);
}

TEST(RunState, RunningStopAndAnOldStopRequest)
{
    TempDir dir;
    const std::string path = dir.file("SGAddr.ini");
    WriteText(path, "[Status]\r\nRunning=0\r\nStop=1\r\n");
    RunState state(path);
    state.Begin();
    EXPECT_FALSE(state.StopRequested());
    EXPECT_EQ(IniValue(path, "Status", "Running"), "1");

    // What the program's bridge writes when it is destroyed while the helper runs.
    CxIniUtil(dir.path().c_str(), "SGAddr.ini").WriteIniString("Status", "Stop", "1");
    EXPECT_TRUE(state.StopRequested());
    state.End();
    EXPECT_EQ(IniValue(path, "Status", "Running"), "0");
}

TEST(NoteIds, RoundTripAndDamage)
{
    TempDir dir;
    const std::string path = dir.file(NoteIds::kFileName);
    const std::vector<std::string> ids = {"6929c8c7-36db-5c76-6d50-6b190b0c50bb", "seed_note_2"};
    ASSERT_TRUE(NoteIds::Save(path, ids));
    std::vector<std::string> loaded;
    ASSERT_TRUE(NoteIds::Load(path, loaded));
    EXPECT_EQ(loaded, ids);

    std::vector<unsigned char> bytes = ReadBytes(path);
    WriteBytes(path, std::vector<unsigned char>(bytes.begin(), bytes.end() - 1));
    EXPECT_FALSE(NoteIds::Load(path, loaded));
    bytes.push_back(0);
    WriteBytes(path, bytes);
    EXPECT_FALSE(NoteIds::Load(path, loaded));
    WriteBytes(path, {0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_FALSE(NoteIds::Load(path, loaded));
    EXPECT_FALSE(NoteIds::Load(dir.file("missing.dat"), loaded));
}

TEST(HelperJob, LogFolderFromTheLocationTheProgramSends)
{
    TempDir dir;
    const std::string exchange = dir.path();
    EXPECT_EQ(LogFolderOf("appdebug.log", exchange), exchange);
    EXPECT_EQ(LogFolderOf("", exchange), exchange);
    EXPECT_EQ(LogFolderOf("/var/log/app/", exchange), "/var/log/app/");
    const std::string folder = exchange.substr(0, exchange.size() - 1);
    EXPECT_EQ(LogFolderOf(folder, exchange), folder + plat::kPathSeparator);
    EXPECT_EQ(LogFolderOf("/somewhere/else/appdebug.log", exchange), "/somewhere/else/");
}
