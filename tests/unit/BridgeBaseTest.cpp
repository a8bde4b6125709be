// SPDX-License-Identifier: MIT
#include "StandinSupport.h"
#include "TempDir.h"

#include "SugarCRM/CxSGBaseUtil.h"
#include "SugarCRM/CxSGDataReader.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// A tasks bridge with no records of its own: it opens the base's protected parts to the tests and
// borrows a runner, so that the runner can outlive it as the real ones do.
class TestBridge : public CxSGBaseUtil
{
public:
    explicit TestBridge(CxSGDataReader& runner) : m_runner(runner)
    {
        SetDataFileName("SGTask.dat");
        SetErrorFileName("SGTaskErr.dat");
        SetStatusFileName("SGTaskStatus.dat");
        SetParamFileName("SGTaskParam.dat");
    }
    ~TestBridge() override { RequestStop("%sSGTask.ini"); }

    using CxSGBaseUtil::MakePath;
    using CxSGBaseUtil::ReadErrorFile;
    using CxSGBaseUtil::RunHelper;

    const char* HostName() const { return m_szHostName; }
    const char* LogLocation() const { return m_szLogLocation; }
    int LogLevel() const { return m_nLogLevel; }
    bool LogEnabled() const { return m_bLogEnabled; }

protected:
    const char* HelperProgram() const override { return "Quorvel.SGTaskUtil.exe"; }
    CxSGDataReader& Runner() override { return m_runner; }

private:
    CxSGDataReader& m_runner;
};

class BridgeBaseTest : public ::testing::Test
{
protected:
    BridgeBaseTest() : m_log(m_tmp.path()), m_bridge(new TestBridge(m_runner))
    {
        m_bridge->SetWorkFolder(m_folder.c_str());
    }

    std::string File(const std::string& name) const { return m_folder + name; }

    TempDir m_tmp;
    ScopedTestLog m_log;
    std::string m_folder = m_tmp.path();
    CxSGDataReader m_runner;
    std::unique_ptr<TestBridge> m_bridge;
};

void AppendInt(std::vector<unsigned char>& bytes, uint32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(nValue >> (8 * i)));
}

void AppendTextParam(std::vector<unsigned char>& bytes, uint32_t nTag, const std::string& text)
{
    AppendInt(bytes, nTag);
    AppendInt(bytes, 8);
    AppendInt(bytes, static_cast<uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

TEST(BridgeBaseFields, NewBridgeStartsChangedWithDefaultLogSettingsInTheProgramFolder)
{
    CxSGDataReader runner;
    TestBridge bridge(runner);
    char szModuleFolder[260];
    ASSERT_TRUE(GetModuleFolder(nullptr, szModuleFolder));
    EXPECT_STREQ(bridge.GetWorkFolder(), szModuleFolder);
    EXPECT_TRUE(bridge.IsChanged());
    EXPECT_FALSE(bridge.HasError());
    EXPECT_EQ(bridge.GetOperation(), 0);
    EXPECT_STREQ(bridge.LogLocation(), "appdebug.log");
    EXPECT_EQ(bridge.LogLevel(), 3);
    EXPECT_FALSE(bridge.LogEnabled());
}

TEST_F(BridgeBaseTest, SettersEmptyOnNoTextAndCutAt255WithoutSplittingACharacter)
{
    m_bridge->SetHostName("https://crm.example.com");
    m_bridge->SetHostName(nullptr);
    EXPECT_STREQ(m_bridge->HostName(), "");
    m_bridge->SetHostName("x");
    m_bridge->SetHostName("");
    EXPECT_STREQ(m_bridge->HostName(), "");

    m_bridge->SetHostName(std::string(300, 'h').c_str());
    EXPECT_EQ(std::string(m_bridge->HostName()), std::string(255, 'h'));
#ifndef _WIN32
    // "é" takes two bytes and would end at byte 256: it is left out whole.
    m_bridge->SetHostName((std::string(254, 'h') + "\xC3\xA9").c_str());
    EXPECT_EQ(std::string(m_bridge->HostName()), std::string(254, 'h'));
#endif
}

TEST_F(BridgeBaseTest, RunHelperWritesTheTwelveTextParametersOwnerOnly)
{
    m_bridge->SetUserName("anna");
    m_bridge->SetPassword("p\xC3\xA4ss word");
    m_bridge->SetHostName("https://crm.example.com");
    m_bridge->SetHelperLogLocation(m_folder.c_str());
    m_bridge->SetHelperLogEnabled(true);
    m_bridge->SetHelperLogLevel(2);
    // A file left readable by others from an earlier run must not keep that mode.
    WriteText(File("SGTaskParam.dat"), "old");
    fs::permissions(File("SGTaskParam.dat"),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    WriteStandinScript(m_folder, "Task", "record\n");
    m_bridge->RunHelper(2);

    std::vector<unsigned char> expected;
    AppendInt(expected, 12);
    AppendTextParam(expected, 1000, "https://crm.example.com");
    AppendTextParam(expected, 1001, "anna");
    AppendTextParam(expected, 1002, "p\xC3\xA4ss word");
    AppendTextParam(expected, 1003, "SGTask.dat");
    AppendTextParam(expected, 1004, m_folder);
    AppendTextParam(expected, 1005, "2");
    AppendTextParam(expected, 1006, "SGTaskErr.dat");
    AppendTextParam(expected, 1007, "SGTaskStatus.dat");
    AppendTextParam(expected, 1008, m_folder);
    AppendTextParam(expected, 1009, "");
    AppendTextParam(expected, 1010, "2");
    AppendTextParam(expected, 1011, "1");
    // What the helper found when it ran, not only what is on disk now.
    EXPECT_EQ(ReadBytes(File("SGTaskParamCopy.dat")), expected);
    auto record = ReadStandinRecord(m_folder, "Task");
    EXPECT_EQ(record["arg1"], File("SGTaskParam.dat"));
#ifndef _WIN32
    EXPECT_EQ(record["parammode"], std::to_string(0600));
#endif
    EXPECT_EQ(m_bridge->GetOperation(), 2);
    // The password waits on disk only while the helper runs.
    EXPECT_FALSE(fs::exists(File("SGTaskParam.dat")));
}

// Not on Windows: needs a symbolic link, which Windows gives only to administrators.
#ifndef _WIN32
TEST_F(BridgeBaseTest, UnwritableParameterFileLeavesNoEarlierJobForTheHelper)
{
    // A link into a folder that does not exist cannot be opened for writing; it stands for the
    // parameter file of an earlier run that can no longer be replaced.
    fs::create_symlink(m_folder + "missing/SGTaskParam.dat", File("SGTaskParam.dat"));
    m_bridge->RunHelper(1);
    EXPECT_FALSE(fs::exists(fs::symlink_status(File("SGTaskParam.dat"))));
    const auto messages = m_log.Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Command executed successfully."), messages.end());
}
#endif

TEST_F(BridgeBaseTest, ErrorFileReportsOnlyItsLastEntry)
{
    WriteStandinScript(m_folder, "Task", "error first failure\nerror second failure\n");
    m_bridge->RunHelper(1);
    EXPECT_TRUE(m_bridge->HasError());
    EXPECT_STREQ(m_bridge->GetError(), "second failure");

    WriteText(File("SGTaskErr.dat"), "[Error]\r\nError.Count=2\r\nError.1=x\r\nError.2=y\r\n");
    m_bridge->ReadErrorFile();
    EXPECT_TRUE(m_bridge->HasError());
    EXPECT_STREQ(m_bridge->GetError(), "y");

    // A count whose entry is missing still means an error, with no text.
    WriteText(File("SGTaskErr.dat"), "[Error]\r\nError.Count=3\r\nError.1=x\r\n");
    m_bridge->ReadErrorFile();
    EXPECT_TRUE(m_bridge->HasError());
    EXPECT_STREQ(m_bridge->GetError(), "");

    WriteText(File("SGTaskErr.dat"), "[Error]\r\nError.Count=0\r\nError.0=x\r\nError.1=y\r\n");
    m_bridge->ReadErrorFile();
    EXPECT_FALSE(m_bridge->HasError());
    EXPECT_STREQ(m_bridge->GetError(), "");

    WriteText(File("SGTaskErr.dat"), "[Error]\r\nError.Count=1\r\nError.1=x\r\n");
    m_bridge->ReadErrorFile();
    fs::remove(File("SGTaskErr.dat"));
    m_bridge->ReadErrorFile();
    EXPECT_FALSE(m_bridge->HasError());
    EXPECT_STREQ(m_bridge->GetError(), "");
}

TEST_F(BridgeBaseTest, AnErrorOfAnEarlierRunIsNotReadBackAsThisRunsFailure)
{
    WriteText(File("SGTaskErr.dat"), "[Error]\r\nError.Count=1\r\nError.1=the load failed\r\n");
    WriteStandinScript(m_folder, "Task", "record\n");
    m_bridge->RunHelper(2);
    EXPECT_FALSE(m_bridge->HasError());
    EXPECT_STREQ(m_bridge->GetError(), "");
}

TEST_F(BridgeBaseTest, DestroyedBridgeAsksARunningHelperToStopAndLeavesOtherFilesAlone)
{
    const std::string running = "[Status]\r\nRunning=1\r\n";
    WriteText(File("SGTask.ini"), running);
    m_bridge.reset();
    char szStop[8] = "";
    plat::GetPrivateProfileString("Status", "Stop", "", szStop, sizeof szStop, File("SGTask.ini").c_str());
    EXPECT_STREQ(szStop, "1");
    char szRunning[8] = "";
    plat::GetPrivateProfileString("Status", "Running", "", szRunning, sizeof szRunning, File("SGTask.ini").c_str());
    EXPECT_STREQ(szRunning, "1");

    // Not running, or no such key: the file is left byte for byte as it was.
    for (const std::string& idle : {std::string("[Status]\r\nRunning=0\r\n"), std::string("[Status]\r\nOther=1\r\n"),
                                    std::string("[Status]\r\nRunning=no\r\n")}) {
        WriteText(File("SGTask.ini"), idle);
        TestBridge(m_runner).SetWorkFolder(m_folder.c_str());
        EXPECT_EQ(ReadText(File("SGTask.ini")), idle);
    }

    fs::remove(File("SGTask.ini"));
    TestBridge(m_runner).SetWorkFolder(m_folder.c_str());
    EXPECT_FALSE(fs::exists(File("SGTask.ini")));
}

TEST_F(BridgeBaseTest, DestroyedBridgeDeletesStatusAndErrorFilesButTheRunnerKeepsItsOwn)
{
    WriteStandinScript(m_folder, "Task", "write-data-hex 00000000\nprogress step 1\nerror failed\n");
    m_bridge->RunHelper(1);
    ASSERT_EQ(ReadText(File("SGTaskStatus.dat")), "step 1\r\n");
    ASSERT_TRUE(fs::exists(File("SGTaskErr.dat")));

    m_bridge.reset();
    EXPECT_FALSE(fs::exists(File("SGTaskStatus.dat")));
    EXPECT_FALSE(fs::exists(File("SGTaskErr.dat")));
    EXPECT_TRUE(fs::exists(File("SGTask.dat")));
}

TEST_F(BridgeBaseTest, PathsThatDoNotFit260BytesAreRefusedAndNoHelperStarts)
{
    char szPath[260];
    // 249 + "SGTask.dat" is 259 characters and fits with its terminator; one more does not.
    const std::string fits = "/" + std::string(247, 'f') + "/";
    m_bridge->SetWorkFolder(fits.c_str());
    ASSERT_TRUE(m_bridge->MakePath("SGTask.dat", szPath));
    EXPECT_EQ(std::string(szPath), fits + "SGTask.dat");

    const std::string tooLong = "/" + std::string(248, 'f') + "/";
    m_bridge->SetWorkFolder(tooLong.c_str());
    EXPECT_FALSE(m_bridge->MakePath("SGTask.dat", szPath));
    EXPECT_STREQ(szPath, "");

    m_bridge->SetWorkFolder(tooLong.c_str());
    m_bridge->RunHelper(1);
    const auto lines = m_log.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().mark, "!!!");
    EXPECT_EQ(lines.back().message, "Helper utility program Quorvel.SGTaskUtil.exe not started: exchange file path "
                                    "too long.");
    for (const auto& line : lines)
        EXPECT_EQ(line.message.find("Executing command"), std::string::npos);
}

} // namespace
