// SPDX-License-Identifier: MIT
// The keep file and the merge report, each written and read back, and each damaged shape refused
// whole.
#include "TempDir.h"

#include "SugarCRM/MergeFiles.h"
#include "misc/CxFile.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

void Cut(const std::string& path, std::size_t nBytes)
{
    fs::resize_file(path, fs::file_size(path) - nBytes);
}

void AppendByte(const std::string& path)
{
    std::vector<unsigned char> bytes = ReadBytes(path);
    bytes.push_back(0);
    WriteBytes(path, bytes);
}

} // namespace

TEST(MergeFiles, KeepFileReadsBackWhatWasWrittenAndRefusesADamagedFileWhole)
{
    TempDir dir;
    const std::string path = dir.file("SGAddrKeep.dat");
    const auto write = [&path](const char* szKept) {
        ASSERT_TRUE(WriteKeepFile(path.c_str(), MERGE_MOVE_RELATED | MERGE_FILL_EMPTY,
                                  {{"dup-1", szKept}, {"d\xC3\xA9-2", "kept-1"}}));
    };
    KeepList keep;
    std::string error;
    write("kept-1");
    ASSERT_TRUE(ReadKeepFile(path.c_str(), keep, error)) << error;
    EXPECT_EQ(keep.nOptions, 3);
    EXPECT_EQ(keep.keptFor, (std::map<std::string, std::string>{{"dup-1", "kept-1"}, {"d\xC3\xA9-2", "kept-1"}}));

    // Half an id or a missing pair would merge into a record nobody chose.
    for (std::size_t nCut : {3u, 10u, 26u}) {
        write("kept-1");
        Cut(path, nCut);
        EXPECT_FALSE(ReadKeepFile(path.c_str(), keep, error)) << nCut;
        EXPECT_TRUE(keep.keptFor.empty());
        EXPECT_EQ(error, "The keep file SGAddrKeep.dat is damaged");
    }
    write("kept-1");
    AppendByte(path);
    EXPECT_FALSE(ReadKeepFile(path.c_str(), keep, error));
    // A record merged into itself would be deleted with everything it holds; an empty id names no
    // record at all.
    for (const char* szKept : {"dup-1", ""}) {
        write(szKept);
        EXPECT_FALSE(ReadKeepFile(path.c_str(), keep, error)) << szKept;
    }
    // An id longer than any server's was cut on the way.
    write(std::string(300, 'k').c_str());
    EXPECT_FALSE(ReadKeepFile(path.c_str(), keep, error));
    EXPECT_FALSE(ReadKeepFile(dir.file("missing.dat").c_str(), keep, error));
    EXPECT_EQ(error, "The keep file missing.dat cannot be read");
}

TEST(MergeFiles, MergeReportReadsBackWhatWasWrittenAndRefusesADamagedReportWhole)
{
    TempDir dir;
    const std::string path = dir.file("SGAddrMerged.dat");
    const std::vector<MergedRecord> written = {{"dup-1", 7}, {"d\xC3\xA9-2", 0}};
    std::vector<MergedRecord> merged;
    WriteText(path, "an earlier report");
    ASSERT_TRUE(WriteMergeReport(path.c_str(), written));
    EXPECT_FALSE(fs::exists(path + ".tmp"));
    ASSERT_TRUE(ReadMergeReport(path.c_str(), merged));
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[0].duplicateId, "dup-1");
    EXPECT_EQ(merged[0].nMovedItems, 7);
    EXPECT_EQ(merged[1].duplicateId, "d\xC3\xA9-2");
    EXPECT_EQ(merged[1].nMovedItems, 0);

    ASSERT_TRUE(WriteMergeReport(path.c_str(), {}));
    EXPECT_TRUE(ReadMergeReport(path.c_str(), merged));
    EXPECT_TRUE(merged.empty());

    // A report cut short or with bytes left over is not the one the helper wrote.
    for (std::size_t nCut : {2u, 4u, 13u}) {
        ASSERT_TRUE(WriteMergeReport(path.c_str(), written));
        Cut(path, nCut);
        EXPECT_FALSE(ReadMergeReport(path.c_str(), merged)) << nCut;
        EXPECT_TRUE(merged.empty());
    }
    ASSERT_TRUE(WriteMergeReport(path.c_str(), written));
    AppendByte(path);
    EXPECT_FALSE(ReadMergeReport(path.c_str(), merged));
    ASSERT_TRUE(WriteMergeReport(path.c_str(), {{"", 3}}));
    EXPECT_FALSE(ReadMergeReport(path.c_str(), merged));
    EXPECT_FALSE(ReadMergeReport(dir.file("missing.dat").c_str(), merged));

    // No half-written report is left when the folder is gone.
    EXPECT_FALSE(WriteMergeReport(dir.file("gone/SGAddrMerged.dat").c_str(), written));
}
