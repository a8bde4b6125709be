// SPDX-License-Identifier: MIT
#include "misc/CxDebugUtil.h"

#include "TempDir.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

plat::SystemTime MakeTime()
{
    plat::SystemTime st;
    st.wYear = 2009;
    st.wMonth = 3;
    st.wDay = 5;
    st.wHour = 14;
    st.wMinute = 2;
    st.wSecond = 9;
    return st;
}

std::string Line(int nLevel, const char* szSource, int nLine = 7, unsigned long nThreadId = 60)
{
    return CxDebugUtil::FormatLogLine(nLevel, szSource, nLine, MakeTime(), nThreadId, "msg");
}

class CxDebugUtilFileTest : public ::testing::Test
{
protected:
    void SetUp() override { log.SetLogFolder(dir.path().c_str()); }

    std::string LogText() const { return ReadText(dir.file("appdebug.log")); }

    // Lines of the log, each checked for the CR LF ending, which is dropped.
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        const std::string text = LogText();
        std::size_t nStart = 0;
        while (nStart < text.size()) {
            const std::size_t nEnd = text.find("\r\n", nStart);
            EXPECT_NE(nEnd, std::string::npos) << "line without CR LF";
            if (nEnd == std::string::npos)
                break;
            lines.push_back(text.substr(nStart, nEnd - nStart));
            nStart = nEnd + 2;
        }
        return lines;
    }

    TempDir dir;
    CxDebugUtil log;
};

} // namespace

TEST(CxDebugUtilTest, LineFormat)
{
    EXPECT_EQ(CxDebugUtil::FormatLogLine(LOG_CRITICAL, "C:\\src\\SugarCRM\\CxSGCommon.cpp", 537, MakeTime(), 420,
                                         "Cannot open file"),
              "[2009/03/05 14:02:09][CxSGCommon.cpp      (537 )][001a4][!!!] - Cannot open file");
    EXPECT_EQ(Line(LOG_MEDIUM, "Abcd.cpp"), "[2009/03/05 14:02:09][Abcd.cpp            (7   )][0003c][   ] - msg");
    EXPECT_EQ(CxDebugUtil::FormatLogLine(LOG_LOW, "x.cpp", 12345, MakeTime(), 0x123456, nullptr),
              "[2009/03/05 14:02:09][x.cpp               (12345)][123456][   ] - ");
}

TEST(CxDebugUtilTest, SourceNameLosesItsFolders)
{
    const std::string expected = "[Abcd.cpp            (7   )]";
    EXPECT_NE(Line(1, "C:\\work\\misc\\Abcd.cpp").find(expected), std::string::npos);
    EXPECT_NE(Line(1, "/work/main/common/misc/Abcd.cpp").find(expected), std::string::npos);
    EXPECT_NE(Line(1, "C:\\work/misc\\Abcd.cpp").find(expected), std::string::npos);
    EXPECT_NE(Line(1, "misc/").find("[                    (7   )]"), std::string::npos);
    EXPECT_NE(Line(1, nullptr).find("[<null>              (7   )]"), std::string::npos);

    const std::string longName(30, 'n');
    EXPECT_NE(Line(1, ("dir/" + longName).c_str()).find("[" + longName + "(7   )]"), std::string::npos);

    const std::string hugeName(300, 'h');
    EXPECT_NE(Line(1, hugeName.c_str()).find("[" + std::string(255, 'h') + "(7   )]"), std::string::npos);
}

TEST(CxDebugUtilTest, Settings)
{
    CxDebugUtil log;
    EXPECT_STREQ(log.GetLogFile(), "appdebug.log");
    EXPECT_STREQ(log.GetLogFolder(), "./");
    EXPECT_EQ(log.GetLogLevel(), 0);
    EXPECT_FALSE(log.IsEnabled());

    log.SetLogFolder(nullptr);
    EXPECT_STREQ(log.GetLogFolder(), "./");
    log.SetLogFolder("/var/log/");
    log.SetLogFolder(nullptr);
    EXPECT_STREQ(log.GetLogFolder(), "/var/log/");
    log.SetLogFolder(std::string(400, 'f').c_str());
    EXPECT_EQ(std::string(log.GetLogFolder()), std::string(259, 'f'));

    log.SetLogLevel(7);
    EXPECT_EQ(log.GetLogLevel(), 3);
    log.SetLogLevel(-2);
    EXPECT_EQ(log.GetLogLevel(), 0);
    log.SetLogLevel(2);
    EXPECT_EQ(log.GetLogLevel(), 2);
}

TEST_F(CxDebugUtilFileTest, LevelsDecideWhatIsWritten)
{
    log.Log(LOG_CRITICAL, "a.cpp", 1, "off %d", 0);
    log.Log(LOG_MEDIUM, "a.cpp", 2, "off %d", 2);
    log.Log(-1, "a.cpp", 3, "off negative");
    log.EnableLog(true);
    log.SetLogLevel(LOG_HIGH);
    log.Log(LOG_MEDIUM, "a.cpp", 4, "high %d", 2);
    log.Log(LOG_HIGH, "a.cpp", 5, "high %d", 1);
    log.Log(-1, "a.cpp", 6, "high negative");
    log.SetLogLevel(LOG_LOW);
    log.Log(LOG_MEDIUM, "a.cpp", 7, "low %d", 2);
    log.Log(4, "a.cpp", 8, "low %d", 4);

    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_NE(lines[0].find("[!!!] - off 0"), std::string::npos);
    EXPECT_NE(lines[1].find("[   ] - high 1"), std::string::npos);
    EXPECT_NE(lines[2].find("[   ] - high negative"), std::string::npos);
    EXPECT_NE(lines[3].find("[   ] - low 2"), std::string::npos);
}

TEST_F(CxDebugUtilFileTest, WritesTheCallersFileAndTheCurrentTime)
{
    const std::string savedFolder = DebugLog.GetLogFolder();
    DebugLog.SetLogFolder(dir.path().c_str());
    DEBUG_LOG(LOG_CRITICAL, "%s %d", "hello", 5);
    DebugLog.SetLogFolder(savedFolder.c_str());

    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    const std::regex pattern(R"(\[\d{4}/\d\d/\d\d \d\d:\d\d:\d\d\]\[CxDebugUtilTest\.cpp *\(\d+ *\)\]\[[0-9a-f]{5,}\])"
                             R"(\[!!!\] - hello 5)");
    EXPECT_TRUE(std::regex_match(lines[0], pattern)) << lines[0];
}

TEST_F(CxDebugUtilFileTest, LongMessagesAreCut)
{
    const std::string message(50000, 'm');
    log.Log(LOG_CRITICAL, "a.cpp", 1, "%s", message.c_str());
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    const std::size_t nStart = lines[0].find(" - ") + 3;
    EXPECT_EQ(lines[0].size() - nStart, 40959u);
}

TEST_F(CxDebugUtilFileTest, TheLogRestartsOnlyBeyondTheLimit)
{
    const std::string path = dir.file("appdebug.log");
    const std::string oldPath = path + ".old.log";
    const std::string full(static_cast<std::size_t>(MAX_LOG_SIZE), 'x');

    WriteText(path, full);
    log.Log(LOG_CRITICAL, "a.cpp", 1, "appended");
    EXPECT_FALSE(std::filesystem::exists(oldPath));
    const std::string text = LogText();
    ASSERT_GT(text.size(), full.size());
    EXPECT_EQ(text.compare(0, full.size(), full), 0);
    EXPECT_NE(text.find("[!!!] - appended\r\n", full.size()), std::string::npos);

    WriteText(path, full + "y");
    log.Log(LOG_CRITICAL, "a.cpp", 2, "restarted");
    EXPECT_EQ(ReadText(oldPath), full + "y");
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("[!!!] - restarted"), std::string::npos);
}

TEST_F(CxDebugUtilFileTest, ADeletedLogIsCreatedAgain)
{
    log.Log(LOG_CRITICAL, "a.cpp", 1, "first");
    ASSERT_TRUE(std::filesystem::remove(dir.file("appdebug.log")));
    log.Log(LOG_CRITICAL, "a.cpp", 2, "second");
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("- second"), std::string::npos);

    // A folder that does not exist drops the line quietly.
    log.SetLogFolder(dir.file("missing/").c_str());
    log.Log(LOG_CRITICAL, "a.cpp", 3, "lost");
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}
