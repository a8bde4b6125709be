// SPDX-License-Identifier: MIT
#include "KindData.h"
#include "TempDir.h"
#include "misc/TextUtil.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

void AppendInt(std::vector<unsigned char>& bytes, int32_t nValue)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(nValue) >> (8 * i)));
}

// Three contacts written as the fetch writes them; the second is marked for deletion.
std::string WriteThreeContacts(const TempDir& dir)
{
    const std::string path = dir.file("SGAddr.dat");
    DataFileWriter<SGAddrKind> writer(path);
    EXPECT_TRUE(writer.Open());
    const char* const names[] = {"Ann", "Bob", "Cyd"};
    for (int i = 0; i < 3; ++i) {
        auto pRecord = std::make_unique<SGAddrRecord>();
        pRecord->nType = i + 1;
        CopyText(pRecord->szId, (std::string("id-") + names[i]).c_str());
        CopyText(pRecord->szFirstName, names[i]);
        CopyText(pRecord->szLastName, "Smith");
        pRecord->nStatus = i == 1 ? SGSTATUS_DELETE : 0;
        writer.Add(*pRecord);
    }
    EXPECT_TRUE(writer.Commit());
    return path;
}

} // namespace

TEST(DataFile, WriterPatchesTheCountAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const std::string path = dir.file("SGAddr.dat");
    {
        DataFileWriter<SGAddrKind> writer(path);
        ASSERT_TRUE(writer.Open());
        auto pRecord = std::make_unique<SGAddrRecord>();
        writer.Add(*pRecord);
        writer.Add(*pRecord);
        ASSERT_TRUE(writer.Commit());
    }
    const std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 4u + 2 * 156u);
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 4), (std::vector<unsigned char>{2, 0, 0, 0}));
    EXPECT_FALSE(plat::PathExists((path + ".tmp").c_str()));
}

TEST(DataFile, AnUncommittedWriteLeavesNoFile)
{
    TempDir dir;
    const std::string path = dir.file("SGTask.dat");
    {
        DataFileWriter<SGTaskKind> writer(path);
        ASSERT_TRUE(writer.Open());
        writer.Add(SGTaskRecord());
    }
    EXPECT_FALSE(plat::PathExists(path.c_str()));
    EXPECT_FALSE(plat::PathExists((path + ".tmp").c_str()));
}

TEST(DataFile, OnlyMarkedRecordsAreCollected)
{
    TempDir dir;
    const std::string path = WriteThreeContacts(dir);
    std::vector<MarkedRecord> marked;
    uint32_t nTotal = 0;
    QString error;
    ASSERT_TRUE(ReadMarkedRecords<SGAddrKind>(path, marked, nTotal, error)) << error.toStdString();
    EXPECT_EQ(nTotal, 3u);
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(marked[0].id, "id-Bob");
    EXPECT_EQ(marked[0].nType, 2);
    EXPECT_EQ(marked[0].label, QStringLiteral("Bob Smith"));
    EXPECT_FALSE(plat::PathExists((path + ".check").c_str()));
}

TEST(DataFile, NotesAsTheProgramWritesThem)
{
    TempDir dir;
    const std::string path = dir.file("SGNote.dat");
    WriteBytes(path, {2, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0, 9, 0, 0, 0});
    std::vector<MarkedRecord> marked;
    uint32_t nTotal = 0;
    QString error;
    ASSERT_TRUE(ReadMarkedRecords<SGNoteKind>(path, marked, nTotal, error));
    EXPECT_EQ(nTotal, 2u);
    ASSERT_EQ(marked.size(), 1u);
    EXPECT_EQ(marked[0].nAux, 9);
}

TEST(DataFile, ADamagedFileMarksNothing)
{
    TempDir dir;
    const std::string path = WriteThreeContacts(dir);
    const std::vector<unsigned char> good = ReadBytes(path);
    std::vector<MarkedRecord> marked;
    uint32_t nTotal = 0;
    QString error;

    // Cut inside the last record, so its items would be read past the end.
    WriteBytes(path, std::vector<unsigned char>(good.begin(), good.end() - 10));
    EXPECT_FALSE(ReadMarkedRecords<SGAddrKind>(path, marked, nTotal, error));
    EXPECT_TRUE(marked.empty());
    EXPECT_TRUE(error.contains(QStringLiteral("damaged")));

    // Bytes after the last record.
    std::vector<unsigned char> longer = good;
    longer.push_back(0);
    WriteBytes(path, longer);
    EXPECT_FALSE(ReadMarkedRecords<SGAddrKind>(path, marked, nTotal, error));

    // A count beyond the records that are there.
    std::vector<unsigned char> counted = good;
    counted[0] = 0xFF;
    counted[1] = 0xFF;
    WriteBytes(path, counted);
    EXPECT_FALSE(ReadMarkedRecords<SGAddrKind>(path, marked, nTotal, error));

    // A negative string length in the first record's id shifts every item after it.
    std::vector<unsigned char> shifted(good.begin(), good.begin() + 16);
    AppendInt(shifted, -1);
    shifted.insert(shifted.end(), good.begin() + 20, good.end());
    WriteBytes(path, shifted);
    EXPECT_FALSE(ReadMarkedRecords<SGAddrKind>(path, marked, nTotal, error));
    EXPECT_TRUE(marked.empty());

    // A flag with non-zero upper bytes is not what either side writes.
    std::vector<unsigned char> task(80, 0);
    task[0] = 1;
    task[4] = SGSTATUS_DELETE;
    WriteBytes(path, task);
    EXPECT_TRUE(ReadMarkedRecords<SGTaskKind>(path, marked, nTotal, error));
    task[41] = 1; // the second byte of byAux1
    WriteBytes(path, task);
    EXPECT_FALSE(ReadMarkedRecords<SGTaskKind>(path, marked, nTotal, error));

    WriteBytes(path, {1, 0});
    EXPECT_FALSE(ReadMarkedRecords<SGAddrKind>(path, marked, nTotal, error));
    EXPECT_FALSE(ReadMarkedRecords<SGAddrKind>(dir.file("missing.dat"), marked, nTotal, error));
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be read")));
}

TEST(DataFile, AnEmptyListIsAWholeFile)
{
    TempDir dir;
    const std::string path = dir.file("SGDate.dat");
    WriteBytes(path, {0, 0, 0, 0});
    std::vector<MarkedRecord> marked;
    uint32_t nTotal = 7;
    QString error;
    EXPECT_TRUE(ReadMarkedRecords<SGDateKind>(path, marked, nTotal, error));
    EXPECT_EQ(nTotal, 0u);
    EXPECT_TRUE(marked.empty());
}
