// SPDX-License-Identifier: MIT
#include "misc/CxFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using Bytes = std::vector<unsigned char>;

TEST(CxFileTest, WritesEveryItemLittleEndian)
{
    TempDir dir;
    const std::string path = dir.file("items.dat");
    CxFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "wb"));
    EXPECT_TRUE(file.WriteString("abc"));
    EXPECT_TRUE(file.WriteString(nullptr));
    EXPECT_TRUE(file.WriteString(""));
    EXPECT_TRUE(file.WriteFlag(1));
    EXPECT_TRUE(file.WriteInt(-2));
    EXPECT_TRUE(file.WriteInt(0x12345678));
    EXPECT_TRUE(file.WriteDouble(1.5));
    EXPECT_TRUE(file.WriteDouble(-0.1));
    EXPECT_TRUE(file.Close());

    const Bytes expected = {0x03, 0x00, 0x00, 0x00, 'a',  'b',  'c',         // "abc"
                            0x00, 0x00, 0x00, 0x00,                          // none
                            0x00, 0x00, 0x00, 0x00,                          // ""
                            0x01, 0x00, 0x00, 0x00,                          // flag 1
                            0xFE, 0xFF, 0xFF, 0xFF,                          // -2
                            0x78, 0x56, 0x34, 0x12,                          // 0x12345678
                            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,  // 1.5
                            0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0xBF}; // -0.1
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(CxFileTest, ReadsEveryItemLittleEndian)
{
    TempDir dir;
    const std::string path = dir.file("items.dat");
    WriteBytes(path, {0x00, 0x01, 0x00, 0x00,                         // flag: only the first byte counts
                      0x05, 0x00, 0x00, 0x00,                         // flag 5
                      0xFE, 0xFF, 0xFF, 0xFF,                         // -2
                      0x78, 0x56, 0x34, 0x12,                         // 0x12345678
                      0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0xBF, // -0.1
                      0x03, 0x00, 0x00, 0x00, 'a',  'b',  'c'});

    CxFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "rb"));
    uint8_t bFlag = 9;
    EXPECT_TRUE(file.ReadFlag(&bFlag));
    EXPECT_EQ(bFlag, 0);
    EXPECT_TRUE(file.ReadFlag(&bFlag));
    EXPECT_EQ(bFlag, 5);
    int32_t nValue = 0;
    EXPECT_TRUE(file.ReadInt(&nValue));
    EXPECT_EQ(nValue, -2);
    EXPECT_TRUE(file.ReadInt(&nValue));
    EXPECT_EQ(nValue, 0x12345678);
    double dValue = 0;
    EXPECT_TRUE(file.ReadDouble(&dValue));
    EXPECT_EQ(dValue, -0.1);
    char szField[16];
    std::memset(szField, 'x', sizeof szField);
    EXPECT_TRUE(file.ReadString(szField, sizeof szField));
    EXPECT_STREQ(szField, "abc");
}

TEST(CxFileTest, EmptyAndNegativeLengthsConsumeOnlyTheLength)
{
    TempDir dir;
    const std::string path = dir.file("lengths.dat");
    WriteBytes(path, {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x07, 0x00, 0x00, 0x00});

    CxFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "rb"));
    char szCleared[8] = "";
    EXPECT_TRUE(file.ReadString(szCleared, sizeof szCleared));
    EXPECT_STREQ(szCleared, "");
    char szKept[8] = "keep";
    EXPECT_TRUE(file.ReadString(szKept, sizeof szKept));
    EXPECT_STREQ(szKept, "keep");
    EXPECT_TRUE(file.ReadString(szKept, sizeof szKept));
    EXPECT_STREQ(szKept, "keep");
    int32_t nNext = 0;
    EXPECT_TRUE(file.ReadInt(&nNext));
    EXPECT_EQ(nNext, 7);
}

TEST(CxFileTest, OverlongTextIsCutAndTheNextItemStaysAligned)
{
    TempDir dir;
    const std::string path = dir.file("long.dat");
    {
        CxFile file;
        ASSERT_TRUE(file.Open(path.c_str(), "wb"));
        file.WriteString("abcdefgh");
        file.WriteInt(42);
        file.WriteString("xyz");
        file.WriteInt(43);
        file.WriteString("pq");
        file.WriteInt(44);
    }

    CxFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "rb"));
    char szField[8];
    std::memset(szField, '#', sizeof szField);
    EXPECT_TRUE(file.ReadString(szField, 4));
    EXPECT_STREQ(szField, "abc");
    EXPECT_EQ(szField[4], '#');
    int32_t nValue = 0;
    file.ReadInt(&nValue);
    EXPECT_EQ(nValue, 42);

    // A capacity of 0 leaves no room even for the terminator: nothing may be written.
    std::memset(szField, '#', sizeof szField);
    EXPECT_TRUE(file.ReadString(szField, 0));
    EXPECT_EQ(szField[0], '#');
    file.ReadInt(&nValue);
    EXPECT_EQ(nValue, 43);

    EXPECT_TRUE(file.ReadString(szField, 1));
    EXPECT_STREQ(szField, "");
    file.ReadInt(&nValue);
    EXPECT_EQ(nValue, 44);
}

TEST(CxFileTest, ReadsAtTheEndLeaveDestinationsUnchanged)
{
    TempDir dir;
    const std::string path = dir.file("short.dat");
    // A text announcing 10 bytes with only 3 present, then nothing.
    WriteBytes(path, {0x0A, 0x00, 0x00, 0x00, 'a', 'b', 'c'});

    CxFile file;
    ASSERT_TRUE(file.Open(path.c_str(), "rb"));
    char szField[16];
    std::memset(szField, 'x', sizeof szField);
    EXPECT_TRUE(file.ReadString(szField, sizeof szField));
    EXPECT_STREQ(szField, "abc");

    int32_t nValue = 11;
    double dValue = 2.5;
    uint8_t bFlag = 3;
    char szKept[8] = "keep";
    EXPECT_TRUE(file.ReadInt(&nValue));
    EXPECT_TRUE(file.ReadDouble(&dValue));
    EXPECT_TRUE(file.ReadFlag(&bFlag));
    EXPECT_TRUE(file.ReadString(szKept, sizeof szKept));
    EXPECT_EQ(nValue, 11);
    EXPECT_EQ(dValue, 2.5);
    EXPECT_EQ(bFlag, 3);
    EXPECT_STREQ(szKept, "keep");

    // Two bytes are not an integer.
    WriteBytes(path, {0x01, 0x02});
    CxFile partial;
    ASSERT_TRUE(partial.Open(path.c_str(), "rb"));
    EXPECT_TRUE(partial.ReadInt(&nValue));
    EXPECT_EQ(nValue, 11);
}

TEST(CxFileTest, MisuseIsRefusedWithoutTouchingFiles)
{
    TempDir dir;
    const std::string path = dir.file("never.dat");
    CxFile file;
    int32_t nValue = 0;
    double dValue = 0;
    uint8_t bFlag = 0;
    char szField[4] = "";
    EXPECT_FALSE(file.ReadInt(&nValue));
    EXPECT_FALSE(file.ReadDouble(&dValue));
    EXPECT_FALSE(file.ReadFlag(&bFlag));
    EXPECT_FALSE(file.ReadString(szField, sizeof szField));
    EXPECT_FALSE(file.WriteInt(1));
    EXPECT_FALSE(file.WriteDouble(1));
    EXPECT_FALSE(file.WriteFlag(1));
    EXPECT_FALSE(file.WriteString("a"));
    EXPECT_FALSE(file.WriteLine("a"));
    EXPECT_TRUE(file.Close());

    EXPECT_FALSE(file.Open(nullptr, "wb"));
    EXPECT_FALSE(file.Open("", "wb"));
    EXPECT_FALSE(file.Open(path.c_str(), nullptr));
    EXPECT_FALSE(file.Open(path.c_str(), ""));
    EXPECT_FALSE(file.Open(path.c_str(), "rb"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(path));

    WriteBytes(path, {0x01, 0x00, 0x00, 0x00});
    ASSERT_TRUE(file.Open(path.c_str(), "rb"));
    EXPECT_FALSE(file.ReadInt(nullptr));
    EXPECT_FALSE(file.ReadDouble(nullptr));
    EXPECT_FALSE(file.ReadFlag(nullptr));
    EXPECT_FALSE(file.ReadString(nullptr, 8));
    // The refused reads consumed nothing.
    EXPECT_TRUE(file.ReadInt(&nValue));
    EXPECT_EQ(nValue, 1);
}

TEST(CxFileTest, LinesAndSizes)
{
    TempDir dir;
    const std::string path = dir.file("lines.txt");
    EXPECT_EQ(CxFile::GetFileSize(path.c_str()), -1);
    EXPECT_EQ(CxFile::GetFileSize(nullptr), -1);
    EXPECT_EQ(CxFile::GetFileSize(""), -1);

    {
        CxFile file;
        ASSERT_TRUE(file.Open(path.c_str(), "wb"));
    }
    EXPECT_EQ(CxFile::GetFileSize(path.c_str()), 0);

    {
        // Left open on purpose: the destructor has to close and flush.
        CxFile file;
        ASSERT_TRUE(file.Open(path.c_str(), "ab"));
        EXPECT_TRUE(file.WriteLine(nullptr));
        EXPECT_TRUE(file.WriteLine("ab"));
    }
    EXPECT_EQ(ReadBytes(path), (Bytes{0x0D, 0x0A, 'a', 'b', 0x0D, 0x0A}));
    EXPECT_EQ(CxFile::GetFileSize(path.c_str()), 6);
}
