// SPDX-License-Identifier: MIT
#include "StandinSupport.h"
#include "TempDir.h"

#include "SugarCRM/CxSGDataReader.h"
#include "SugarCRM/CxSGParamParser.h"
#include "misc/WinUtil.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

std::string ModuleFolder()
{
    char szFolder[260];
    return GetModuleFolder(nullptr, szFolder) ? szFolder : "";
}

// Each test starts in a current directory of its own, exchanges files in a folder whose name holds
// a blank, and logs into the temporary folder.
class RunnerTest : public ::testing::Test
{
protected:
    RunnerTest() : m_log(m_tmp.path())
    {
        fs::create_directories(m_workDir);
        fs::create_directories(m_exchange);
        fs::current_path(m_workDir);
    }
    ~RunnerTest() override { fs::current_path(m_savedDir); }

    // The parameters the stand-in needs to find its exchange files.
    void WriteTaskParams() const
    {
        CxSGParamParser params;
        params.SetParam(1003, "SGTask.dat");
        params.SetParam(1004, m_exchange.c_str());
        params.SetParam(1006, "SGTaskErr.dat");
        params.SetParam(1007, "SGTaskStatus.dat");
        ASSERT_TRUE(params.SaveToFile((m_exchange + "SGTaskParam.dat").c_str()));
    }

    void SetUpTaskRunner(CxSGDataReader& runner) const
    {
        runner.SetFolder(m_exchange.c_str());
        runner.SetProgram("Quorvel.SGTaskUtil.exe");
        runner.SetParamFile("SGTaskParam.dat");
        runner.SetDataFile("SGTask.dat");
    }

    fs::path m_savedDir = fs::current_path();
    TempDir m_tmp;
    ScopedTestLog m_log;
    std::string m_workDir = m_tmp.path() + "work";
    std::string m_exchange = m_tmp.path() + "ex change/";
};

TEST_F(RunnerTest, MissingHelperLogsTheSystemTextAlwaysAndRestoresTheDirectory)
{
    // Level 1 hides the progress lines; the failure line is written all the same.
    DebugLog.SetLogLevel(LOG_HIGH);
    CxSGDataReader runner;
    runner.SetFolder(m_exchange.c_str());
    runner.SetProgram("Quorvel.SGMissingUtil.exe");
    runner.SetParamFile("SGTaskParam.dat");
    runner.Run();

    const auto lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].mark, "!!!");
#ifdef _WIN32
    // The system's own wording, which differs between Windows and Wine.
    EXPECT_EQ(lines[0].message.rfind("CreateProcess Error: ", 0), 0u);
    EXPECT_GT(lines[0].message.size(), 21u);
#else
    EXPECT_EQ(lines[0].message, "CreateProcess Error: No such file or directory");
#endif
    EXPECT_EQ(fs::current_path(), fs::path(m_workDir));
}

TEST_F(RunnerTest, TasksHelperGetsTheQuotedCommandLineInTheProgramFolder)
{
    WriteTaskParams();
    WriteStandinScript(m_exchange, "Task", "record\n");
    CxSGDataReader runner;
    SetUpTaskRunner(runner);
    runner.Run();

    const std::string paramPath = m_exchange + "SGTaskParam.dat";
    const std::vector<std::string> expected = {
        "Original current directory: " + fs::path(m_workDir).make_preferred().string(),
        "Set current directory: " + ModuleFolder(),
        "Executing command: \"Quorvel.SGTaskUtil.exe\" \"" + paramPath + "\"",
        "Command executed successfully.",
        "Helper utility program exited successfully.",
    };
    EXPECT_EQ(m_log.Messages(), expected);
    for (const auto& line : m_log.Lines())
        EXPECT_EQ(line.mark, "   ") << line.message;

    auto record = ReadStandinRecord(m_exchange, "Task");
    EXPECT_EQ(record["argc"], "2");
    EXPECT_EQ(record["arg0"], "Quorvel.SGTaskUtil.exe");
    EXPECT_EQ(record["arg1"], paramPath);
    EXPECT_EQ(record["arg1"].find("//"), std::string::npos);
    EXPECT_EQ(fs::path(record["cwd"]), fs::path(ModuleFolder()).parent_path());
    EXPECT_EQ(fs::current_path(), fs::path(m_workDir));
}

TEST_F(RunnerTest, HelperThatOutlivesTheLimitIsLeftRunning)
{
    WriteTaskParams();
    WriteStandinScript(m_exchange, "Task", "running\nwait-stop 20000\nmark SGTaskDone.txt\n");
    CxSGDataReader runner;
    EXPECT_EQ(runner.GetWaitLimit(), 1800000u);
    runner.SetWaitLimitForTesting(200);
    SetUpTaskRunner(runner);
    runner.Run();

    const auto messages = m_log.Messages();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[3], "Command executed successfully.");
    EXPECT_EQ(messages[4], "The helper utility program has no response. Got timeout event.");
    EXPECT_EQ(fs::current_path(), fs::path(m_workDir));

    // Still alive: it keeps Running = 1 and has not reached its last line; told to stop, it ends.
    const std::string statusIni = m_exchange + "SGTask.ini";
    char szRunning[8] = "";
    EXPECT_TRUE(WaitUntil(
        [&] {
            return plat::GetPrivateProfileString("Status", "Running", "", szRunning, sizeof szRunning,
                                                 statusIni.c_str()) == 1 &&
                   szRunning[0] == '1';
        },
        10000));
    EXPECT_FALSE(fs::exists(m_exchange + "SGTaskDone.txt"));
    ASSERT_TRUE(plat::WritePrivateProfileString("Status", "Stop", "1", statusIni.c_str()));
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(m_exchange + "SGTaskDone.txt"); }, 20000));
}

TEST_F(RunnerTest, DestroyedRunnerDeletesTheParameterAndDataFilesOfItsLastRun)
{
    WriteTaskParams();
    WriteStandinScript(m_exchange, "Task", "write-data-hex 00000000\n");
    WriteText(m_exchange + "SGTaskErr.dat", "[Error]\r\nError.Count=0\r\n");
    {
        CxSGDataReader runner("SGTaskIds.dat");
        SetUpTaskRunner(runner);
        EXPECT_EQ(runner.Run().state, HelperOutcome::State::Exited);
        EXPECT_EQ(ReadBytes(m_exchange + "SGTask.dat"), (std::vector<unsigned char>{0, 0, 0, 0}));
        EXPECT_TRUE(fs::exists(m_exchange + "SGTaskParam.dat"));
        WriteText(m_exchange + "SGTaskIds.dat", "ids");
    }
    EXPECT_FALSE(fs::exists(m_exchange + "SGTaskParam.dat"));
    EXPECT_FALSE(fs::exists(m_exchange + "SGTask.dat"));
    EXPECT_FALSE(fs::exists(m_exchange + "SGTaskIds.dat"));
    EXPECT_TRUE(fs::exists(m_exchange + "SGTaskErr.dat"));
    EXPECT_TRUE(fs::exists(m_exchange + "SGTaskScript.txt"));
}

// Not on Windows: POSIX programs and permission bits.
#ifndef _WIN32
TEST_F(RunnerTest, ProcessStartSearchesPathAndReportsTheSystemText)
{
    std::string errorText;
    plat::ProcessHandle* process = plat::StartProcess("\"true\" \"\" \"a b\"", errorText);
    ASSERT_NE(process, nullptr) << errorText;
    long nRaw = 0;
    EXPECT_EQ(plat::WaitForProcess(process, 10000, nRaw), plat::WaitResult::Exited);
    plat::CloseProcess(process);

    // A name with a slash is taken as it stands, and a file that is not a program is refused.
    const std::string notProgram = m_tmp.path() + "plain.txt";
    WriteText(notProgram, "text");
    fs::permissions(notProgram, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(plat::StartProcess("\"" + notProgram + "\"", errorText), nullptr);
    EXPECT_EQ(errorText, "Permission denied");
    EXPECT_EQ(plat::StartProcess("\"\"", errorText), nullptr);
    EXPECT_EQ(errorText, "No such file or directory");
}
#endif

} // namespace
