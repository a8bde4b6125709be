// SPDX-License-Identifier: MIT
// What a bridge makes of a helper that never got to do its work: a load that cannot show stale
// records, a submission that cannot pass for done, and texts that say which program failed how.
#include "StandinSupport.h"
#include "TempDir.h"

#include "SugarCRM/CxSGDataReader.h"
#include "SugarCRM/CxSGTask.h"
#include "records/CommStores.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;

// The tasks bridge with another helper program in place of its own.
class TaskBridge : public CxSGTaskUtil
{
public:
    void SetProgram(const std::string& program) { m_program = program; }

protected:
    const char* HelperProgram() const override
    {
        return m_program.empty() ? CxSGTaskUtil::HelperProgram() : m_program.c_str();
    }

private:
    std::string m_program;
};

// Three tasks with the ids a, b and c and every other item empty or zero, as hex.
std::string ThreeTasksHex()
{
    const std::string zeroInt = "00000000";
    const std::string zeroDouble = zeroInt + zeroInt;
    std::string hex = "03000000";
    for (const char* szId : {"61", "62", "63"}) {
        // nStatus, nAux, the id, subject and description, two dates, two flags, four texts, two dates.
        hex += zeroInt + zeroInt + "01000000" + szId + zeroInt + zeroInt + zeroDouble + zeroDouble + zeroInt + zeroInt +
               zeroInt + zeroInt + zeroInt + zeroInt + zeroDouble + zeroDouble;
    }
    return hex;
}

class HelperOutcomeTest : public ::testing::Test
{
protected:
    HelperOutcomeTest() : m_log(m_dir.path()) { m_bridge.SetWorkFolder(m_dir.path().c_str()); }
    ~HelperOutcomeTest() override { CxSGDataReader::SetAllWaitLimitsForTesting(0); }

    std::string File(const std::string& name) const { return m_dir.path() + name; }

    bool Logged(const std::string& message, const std::string& mark) const
    {
        for (const auto& line : m_log.Lines()) {
            if (line.message == message)
                return line.mark == mark;
        }
        return false;
    }

    // Loads three tasks through the stand-in and marks the first and the last.
    void LoadAndMarkTwo()
    {
        WriteStandinScript(m_dir.path(), "Task", "write-data-hex " + ThreeTasksHex() + "\n");
        ASSERT_TRUE(m_bridge.Load());
        ASSERT_EQ(m_bridge.GetRecordCount(), 3u);
        ASSERT_TRUE(m_bridge.MarkDeleted(m_bridge.GetRecord(0)->pCommEntry, false));
        ASSERT_TRUE(m_bridge.MarkDeleted(m_bridge.GetRecord(2)->pCommEntry, false));
    }

    uint32_t NotDeletedMask()
    {
        uint32_t nMask = 0;
        for (uint32_t i = 0; i < m_bridge.GetRecordCount(); ++i) {
            if ((m_bridge.GetRecord(i)->dwFlags & REC_NOT_DELETED) != 0)
                nMask |= 1u << i;
        }
        return nMask;
    }

    TempDir m_dir;
    ScopedTestLog m_log;
    TaskBridge m_bridge;
};

TEST_F(HelperOutcomeTest, AHelperThatNeverDidItsWorkFailsTheLoadWhateverDataFileWasLeft)
{
    const std::string notProgram = File("not a program");
    WriteText(notProgram, "text");
    fs::permissions(notProgram, fs::perms::owner_read | fs::perms::owner_write);
    struct Case
    {
        std::string program;
        std::string script;
        std::string error;
    };
    const Case cases[] = {
#ifdef _WIN32
        // The system's own words follow, and Windows and Wine word it differently.
        {"Quorvel.SGMissingUtil.exe", "", "Quorvel.SGMissingUtil.exe could not be started: "},
#else
        {"Quorvel.SGMissingUtil.exe", "", "Quorvel.SGMissingUtil.exe could not be started: No such file or directory"},
        // Under Wine a crash would call up its debugger; the Windows status text is checked there
        // by hand only.
        {notProgram, "", notProgram + " could not be started: Permission denied"},
        {"", "crash\n", "Quorvel.SGTaskUtil.exe ended abnormally: Segmentation fault"},
#endif
        {"", "sleep 3000\n", "Quorvel.SGTaskUtil.exe did not finish within 300 milliseconds"},
    };
    CxSGDataReader::SetAllWaitLimitsForTesting(300);
    for (const Case& test : cases) {
        // The records of an earlier load are still on disk.
        WriteBytes(File("SGTask.dat"), {0, 0, 0, 0});
        WriteStandinScript(m_dir.path(), "Task", test.script);
        m_bridge.SetProgram(test.program);
        EXPECT_FALSE(m_bridge.Load()) << test.error;
        EXPECT_TRUE(m_bridge.HasError());
        const std::string error = m_bridge.GetError();
        if (test.error.back() == ' ') {
            EXPECT_EQ(error.substr(0, test.error.size()), test.error) << error;
        }
        else {
            EXPECT_EQ(error, test.error);
        }
        EXPECT_FALSE(fs::exists(File("SGTask.dat")));
        // The password is not left behind, whatever became of the helper.
        EXPECT_FALSE(fs::exists(File("SGTaskParam.dat")));
    }
    // Nor does a data file from a helper that is still at work: it may not be whole.
    m_bridge.SetProgram("");
    WriteStandinScript(m_dir.path(), "Task", "write-data-hex 00000000\nsleep 3000\n");
    EXPECT_FALSE(m_bridge.Load());
    EXPECT_STREQ(m_bridge.GetError(), "Quorvel.SGTaskUtil.exe did not finish within 300 milliseconds");
    CxSGDataReader::SetAllWaitLimitsForTesting(0);
#ifndef _WIN32
    EXPECT_TRUE(Logged("Helper utility program ended abnormally: Segmentation fault", "!!!"));
#endif
}

TEST_F(HelperOutcomeTest, ADamagedDataFileFailsTheLoad)
{
    const std::string whole = ThreeTasksHex();
    // A forged count, a record cut short, and a file of nothing but noise.
    for (const std::string& hex : {"09" + whole.substr(2), whole.substr(0, whole.size() - 6), std::string("ff7f")}) {
        WriteStandinScript(m_dir.path(), "Task", "write-data-hex " + hex + "\n");
        EXPECT_FALSE(m_bridge.Load()) << hex.size();
        EXPECT_STREQ(m_bridge.GetError(), "The data file SGTask.dat that Quorvel.SGTaskUtil.exe wrote is damaged.");
    }
    WriteStandinScript(m_dir.path(), "Task", "write-data-hex " + whole + "\n");
    EXPECT_TRUE(m_bridge.Load());
    EXPECT_FALSE(m_bridge.HasError());
}

TEST_F(HelperOutcomeTest, AnExitCodeAloneIsLoggedButIsNoError)
{
    WriteStandinScript(m_dir.path(), "Task", "write-data-hex 00000000\nexit 4\n");
    EXPECT_TRUE(m_bridge.Load());
    EXPECT_FALSE(m_bridge.HasError());
    EXPECT_TRUE(Logged("Helper utility program exited successfully.", "   "));
    EXPECT_TRUE(Logged("Helper utility program ended with exit code 4.", "!!!"));
}

TEST_F(HelperOutcomeTest, ASubmissionTheHelperNeverFinishedConfirmsNoDeletion)
{
    LoadAndMarkTwo();
    CxSGDataReader::SetAllWaitLimitsForTesting(300);
    WriteStandinScript(m_dir.path(), "Task", "sleep 3000\n");
    EXPECT_TRUE(m_bridge.Submit());
    EXPECT_TRUE(m_bridge.HasError());
    EXPECT_STREQ(m_bridge.GetError(), "Quorvel.SGTaskUtil.exe did not finish within 300 milliseconds");
    EXPECT_FALSE(m_bridge.IsSubmitOutcomeKnown());
    EXPECT_EQ(NotDeletedMask(), 0b101u);
}

TEST_F(HelperOutcomeTest, ASubmissionNamesTheRecordsTheServerKept)
{
    LoadAndMarkTwo();
    // Positions count every record of the data file, marked or not.
    WriteStandinScript(m_dir.path(), "Task", "error Could not delete c\nnot-deleted 2\n");
    EXPECT_TRUE(m_bridge.Submit());
    EXPECT_TRUE(m_bridge.HasError());
    EXPECT_STREQ(m_bridge.GetError(), "Could not delete c");
    EXPECT_TRUE(m_bridge.IsSubmitOutcomeKnown());
    EXPECT_EQ(NotDeletedMask(), 0b100u);

    // A list that cannot be read proves nothing: no record counts as deleted.
    for (const char* szList : {"2,x", "2,,0", "99999999999"}) {
        LoadAndMarkTwo();
        WriteStandinScript(m_dir.path(), "Task", "error failed\nnot-deleted " + std::string(szList) + "\n");
        EXPECT_TRUE(m_bridge.Submit());
        EXPECT_FALSE(m_bridge.IsSubmitOutcomeKnown()) << szList;
        EXPECT_EQ(NotDeletedMask(), 0b101u) << szList;
    }

    // An error without the list: the helper did not say, so nothing is confirmed.
    LoadAndMarkTwo();
    WriteStandinScript(m_dir.path(), "Task", "error failed\n");
    EXPECT_TRUE(m_bridge.Submit());
    EXPECT_FALSE(m_bridge.IsSubmitOutcomeKnown());
    EXPECT_EQ(NotDeletedMask(), 0b101u);

    // Success leaves every record unflagged.
    LoadAndMarkTwo();
    WriteStandinScript(m_dir.path(), "Task", "");
    EXPECT_TRUE(m_bridge.Submit());
    EXPECT_FALSE(m_bridge.HasError());
    EXPECT_EQ(NotDeletedMask(), 0u);
}

TEST_F(HelperOutcomeTest, SubmittingAtOnceKeepsARecordTheServerMayStillHold)
{
    WriteStandinScript(m_dir.path(), "Task", "write-data-hex " + ThreeTasksHex() + "\n");
    ASSERT_TRUE(m_bridge.Load());
    CxSGDataReader::SetAllWaitLimitsForTesting(300);
    WriteStandinScript(m_dir.path(), "Task", "sleep 3000\n");
    EXPECT_FALSE(m_bridge.MarkDeleted(m_bridge.GetRecord(1)->pCommEntry, true));
    EXPECT_EQ(m_bridge.GetRecordCount(), 3u);
    CxSGDataReader::SetAllWaitLimitsForTesting(0);
    WriteStandinScript(m_dir.path(), "Task", "");
    EXPECT_TRUE(m_bridge.MarkDeleted(m_bridge.GetRecord(1)->pCommEntry, true));
    EXPECT_EQ(m_bridge.GetRecordCount(), 2u);
}

} // namespace
