// SPDX-License-Identifier: MIT
// A submission with a merge job: the keep file, the two extra parameters and the merge report.
#include "StandinSupport.h"
#include "TempDir.h"

#include "SugarCRM/CxSGDate.h"
#include "SugarCRM/CxSGTask.h"
#include "SugarCRM/ParamFileReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

std::string Hex(const std::vector<unsigned char>& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += kDigits[c >> 4];
        text += kDigits[c & 15];
    }
    return text;
}

void Int(std::vector<unsigned char>& bytes, int32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(nValue) >> (8 * i)));
}

void Str(std::vector<unsigned char>& bytes, const std::string& text)
{
    Int(bytes, static_cast<int32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

class BridgeMerge : public ::testing::Test
{
protected:
    template <class Bridge> void Point(Bridge& bridge) { bridge.SetWorkFolder(dir.path().c_str()); }

    std::vector<ParamFileEntry> SentParams(const std::string& kind)
    {
        ParamFileReader params;
        EXPECT_TRUE(params.Load(dir.file("SG" + kind + "ParamCopy.dat").c_str()));
        return params.GetEntries();
    }

    TempDir dir;
    ScopedTestLog log{dir.path()};
};

} // namespace

TEST_F(BridgeMerge, MergeRunWritesTheKeepFileNamesItLastAndReadsTheReport)
{
    CxSGDateUtil bridge;
    Point(bridge);
    bridge.SetMergeJob(3, {{"dup-1", "keep-1"}, {"d\xC3\xA9-2", "keep-2"}});
    std::vector<unsigned char> report;
    Int(report, 2);
    Str(report, "dup-1");
    Int(report, 7);
    Str(report, "d\xC3\xA9-2");
    Int(report, 0);
    // A report of an earlier run must be gone before the helper starts.
    WriteText(dir.file("SGDateMerged.dat"), "stale");
    WriteStandinScript(dir.path(), "Date", "record\nwrite-file-hex SGDateMerged.dat " + Hex(report) + "\n");
    ASSERT_TRUE(bridge.Submit());
    EXPECT_FALSE(bridge.HasError());

    std::vector<unsigned char> keep;
    Int(keep, 3);
    Int(keep, 2);
    Str(keep, "dup-1");
    Str(keep, "keep-1");
    Str(keep, "d\xC3\xA9-2");
    Str(keep, "keep-2");
    EXPECT_EQ(ReadBytes(dir.file("SGDateKeep.dat")), keep);
#ifndef _WIN32
    EXPECT_EQ(fs::status(dir.file("SGDateKeep.dat")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif

    // After the calendar's own four, as type 8 like every other.
    const std::vector<ParamFileEntry> entries = SentParams("Date");
    ASSERT_EQ(entries.size(), 18u);
    EXPECT_EQ(entries[15].nTag, 1204);
    EXPECT_EQ(entries[16].nTag, 1012);
    EXPECT_EQ(entries[17].nTag, 1013);
    EXPECT_EQ(entries[16].nType, 8);
    ParamFileReader params;
    ASSERT_TRUE(params.Load(dir.file("SGDateParamCopy.dat").c_str()));
    std::string text;
    EXPECT_TRUE(params.GetText(1012, text));
    EXPECT_EQ(text, "SGDateKeep.dat");
    EXPECT_TRUE(params.GetText(1013, text));
    EXPECT_EQ(text, "SGDateMerged.dat");

    ASSERT_EQ(bridge.GetMergedRecords().size(), 2u);
    EXPECT_EQ(bridge.GetMergedRecords()[0].duplicateId, "dup-1");
    EXPECT_EQ(bridge.GetMergedRecords()[0].nMovedItems, 7);
    EXPECT_EQ(bridge.GetMergedRecords()[1].duplicateId, "d\xC3\xA9-2");
    EXPECT_EQ(bridge.GetMergedRecords()[1].nMovedItems, 0);
}

TEST_F(BridgeMerge, WithoutAMergeJobNothingOfTheMergeIsWrittenOrRead)
{
    CxSGTaskUtil bridge;
    Point(bridge);
    WriteText(dir.file("SGTaskMerged.dat"), std::string("\x01\x00\x00\x00\x01\x00\x00\x00x\x05\x00\x00\x00", 13));
    WriteStandinScript(dir.path(), "Task", "record\n");
    ASSERT_TRUE(bridge.Submit());
    EXPECT_EQ(SentParams("Task").size(), 12u);
    EXPECT_EQ(SentParams("Task").back().nTag, 1011);
    EXPECT_FALSE(fs::exists(dir.file("SGTaskKeep.dat")));
    EXPECT_TRUE(bridge.GetMergedRecords().empty());

    // A helper that leaves no report, or a damaged one, merged nothing that can be named.
    for (const std::string script : {"record", "write-file-hex SGTaskMerged.dat 0200000001000000"}) {
        WriteStandinScript(dir.path(), "Task", script + "\n");
        CxSGTaskUtil fresh;
        Point(fresh);
        fresh.SetMergeJob(1, {{"a", "b"}});
        ASSERT_TRUE(fresh.Submit());
        EXPECT_TRUE(fresh.GetMergedRecords().empty()) << script;
    }
}

TEST_F(BridgeMerge, UnwritableKeepFileStopsTheSubmissionBeforeTheHelper)
{
    CxSGTaskUtil bridge;
    Point(bridge);
    // A folder in the keep file's place cannot be opened as a file.
    fs::create_directory(dir.file("SGTaskKeep.dat"));
    bridge.SetMergeJob(2, {{"a", "b"}});
    WriteStandinScript(dir.path(), "Task", "record\n");
    EXPECT_TRUE(bridge.Submit());
    EXPECT_TRUE(bridge.HasError());
    EXPECT_STREQ(bridge.GetError(), "The list of records to merge could not be written to SGTaskKeep.dat.");
    EXPECT_FALSE(fs::exists(dir.file("SGTaskParamCopy.dat")));
    EXPECT_TRUE(bridge.IsSubmitOutcomeKnown());
    EXPECT_TRUE(bridge.IsChanged());
}
