// SPDX-License-Identifier: MIT
#include "SugarCRM/CxSGParamParser.h"
#include "SugarCRM/ParamFileReader.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<unsigned char>;

// Little-endian integers, then optionally a length-prefixed text.
Bytes Items(std::initializer_list<int32_t> ints, const std::string* pText = nullptr)
{
    Bytes bytes;
    auto add = [&](int32_t n) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(n) >> (8 * i)));
    };
    for (int32_t n : ints)
        add(n);
    if (pText != nullptr) {
        add(static_cast<int32_t>(pText->size()));
        bytes.insert(bytes.end(), pText->begin(), pText->end());
    }
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Saved(CxSGParamParser& parser)
{
    TempDir dir;
    EXPECT_TRUE(parser.SaveToFile(dir.file("param.dat").c_str()));
    return ReadBytes(dir.file("param.dat"));
}

} // namespace

TEST(CxSGParamParser, WritesEachTypeCodeExactly)
{
    CxSGParamParser parser;
    EXPECT_EQ(Saved(parser), (Bytes{0, 0, 0, 0}));

    ASSERT_EQ(parser.SetParam(1005, "1"), 1);
    EXPECT_EQ(Saved(parser), (Bytes{0x01, 0, 0, 0, 0xED, 0x03, 0, 0, 0x08, 0, 0, 0, 0x01, 0, 0, 0, 0x31}));

    const int32_t nInt = -5;
    const unsigned char bHigh = 0x80;
    const unsigned char bOff = 0;
    ASSERT_EQ(parser.SetParam(1, SGPARAM_I4, &nInt), 1);
    ASSERT_EQ(parser.SetParam(2, SGPARAM_BOOL, &bHigh), 1);
    ASSERT_EQ(parser.SetParam(3, SGPARAM_BOOL, &bOff), 1);
    ASSERT_EQ(parser.SetParam(4, 99, &nInt), 1);
    // Reals are truncated toward zero; NaN and values beyond the int32_t range are pinned.
    const double reals[] = {2.9, -2.9, std::nan(""), 1e300, -1e300};
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(parser.SetParam(10 + i, SGPARAM_R8, &reals[i]), 1);

    const std::string one = "1";
    EXPECT_EQ(Saved(parser), Items({10, 1005, 8}, &one) + Items({1, 3, -5, 2, 11, 1, 3, 11, 0, 4, 99}) +
                                 Items({10, 5, 2, 11, 5, -2, 12, 5, 0, 13, 5, INT32_MAX, 14, 5, INT32_MIN}));
}

TEST(CxSGParamParser, SetParamReplacesInPlaceAndRefusesTypeChanges)
{
    CxSGParamParser parser;
    ASSERT_EQ(parser.SetParam(1005, "1"), 1);
    ASSERT_EQ(parser.SetParam(1006, "SGAddrErr.dat"), 1);
    ASSERT_EQ(parser.SetParam(1005, "2"), 1);

    const int32_t nValue = 3;
    EXPECT_EQ(parser.SetParam(1005, SGPARAM_I4, &nValue), 0);
    EXPECT_EQ(parser.SetParam(1005, nullptr), 0);
    EXPECT_EQ(parser.SetParam(1007, SGPARAM_I4, nullptr), 0);

    const std::string two = "2";
    const std::string err = "SGAddrErr.dat";
    EXPECT_EQ(Saved(parser), Items({2, 1005, 8}, &two) + Items({1006, 8}, &err));
}

TEST(CxSGParamParser, LongTextIsCutAt1023)
{
    CxSGParamParser parser;
    ASSERT_EQ(parser.SetParam(1, std::string(2000, 'a').c_str()), 1);
    EXPECT_EQ(std::get<std::u16string>(parser.FindParam(1)->value).size(), 1023u);
#ifndef _WIN32
    // 600 two-byte characters fit 1023 units but not 1023 bytes: the file keeps whole characters.
    std::string accents;
    for (int i = 0; i < 600; ++i)
        accents += "\xC3\xA9";
    ASSERT_EQ(parser.SetParam(2, accents.c_str()), 1);

    const std::string cutA(1023, 'a');
    const std::string cutAccents = accents.substr(0, 1022);
    EXPECT_EQ(Saved(parser), Items({2, 1, 8}, &cutA) + Items({2, 8}, &cutAccents));
#endif
}

TEST(CxSGParamParser, PathHandling)
{
    TempDir dir;
    CxSGParamParser parser(dir.file("first.dat").c_str());
    EXPECT_TRUE(parser.SaveToFile(nullptr));
    EXPECT_EQ(ReadBytes(dir.file("first.dat")), (Bytes{0, 0, 0, 0}));
    EXPECT_FALSE(parser.SaveToFile(dir.file("missing/param.dat").c_str()));
    EXPECT_FALSE(CxSGParamParser().SaveToFile(""));
#ifndef _WIN32
    // A full disk takes the open and refuses the bytes: that is no written file.
    EXPECT_FALSE(parser.SaveToFile("/dev/full"));
#endif
    EXPECT_EQ(std::string(CxSGParamParser(std::string(300, 'p').c_str()).GetPath()), std::string(259, 'p'));
}

TEST(ParamFileReader, ReadsBackABridgeFile)
{
    TempDir dir;
    const std::vector<std::string> values = {"http://crm.example.com/",
                                             "admin",
                                             "p\xC3\xA4ss w=rd",
                                             "SGAddr.dat",
                                             dir.path(),
                                             "1",
                                             "SGAddrErr.dat",
                                             "SGAddrStatus.dat",
                                             dir.path(),
                                             "",
                                             "3",
                                             "1"};
    CxSGParamParser parser;
    for (std::size_t i = 0; i < 12; ++i)
        ASSERT_EQ(parser.SetParam(1000 + static_cast<int32_t>(i), values[i].c_str()), 1);
    const int32_t nInt = -7;
    const double dReal = 9.75;
    const unsigned char bFlag = 2;
    ASSERT_EQ(parser.SetParam(1, SGPARAM_I4, &nInt), 1);
    ASSERT_EQ(parser.SetParam(2, SGPARAM_R8, &dReal), 1);
    ASSERT_EQ(parser.SetParam(3, SGPARAM_BOOL, &bFlag), 1);
    ASSERT_EQ(parser.SetParam(4, 42, &nInt), 1);
    ASSERT_TRUE(parser.SaveToFile(dir.file("SGAddrParam.dat").c_str()));

    ParamFileReader reader;
    ASSERT_TRUE(reader.Load(dir.file("SGAddrParam.dat").c_str()));
    ASSERT_EQ(reader.GetEntries().size(), 16u);
    std::string text;
    for (std::size_t i = 0; i < 12; ++i) {
        const int32_t nTag = 1000 + static_cast<int32_t>(i);
        EXPECT_EQ(reader.GetEntries()[i].nTag, nTag);
        EXPECT_TRUE(reader.GetText(nTag, text));
        EXPECT_EQ(text, values[i]);
    }
    const std::pair<int32_t, const char*> numbers[] = {{1, "-7"}, {2, "9"}, {3, "1"}};
    for (const auto& [tag, expected] : numbers) {
        EXPECT_TRUE(reader.GetText(tag, text));
        EXPECT_EQ(text, expected);
    }
    EXPECT_EQ(reader.Find(4)->nType, 42);
    EXPECT_FALSE(reader.GetText(4, text));
    EXPECT_FALSE(reader.GetText(1012, text));
}

TEST(ParamFileReader, RefusesDamagedFiles)
{
    const std::string host = "host";
    const Bytes good = Items({2, 1000, 8}, &host) + Items({1005, 3, 1});
    ParamFileReader reader;
    ASSERT_TRUE(reader.Parse(good.data(), good.size()));

    // Every cut of the file is noticed, and nothing of it is kept.
    for (std::size_t n = 0; n < good.size(); ++n) {
        EXPECT_FALSE(reader.Parse(good.data(), n)) << n;
        EXPECT_TRUE(reader.GetEntries().empty());
    }
    const Bytes bad[] = {
        good + Bytes{0},         Items({0x7FFFFFFF, 1, 99}),         Items({-1}),
        Items({1, 1000, 8, -1}), Items({1, 1000, 8, 0x7FFFFFFF, 0}), Items({1, 1000, 8, 1024}) + Bytes(1024, 'x')};
    for (const Bytes& bytes : bad)
        EXPECT_FALSE(reader.Parse(bytes.data(), bytes.size()));

    TempDir dir;
    EXPECT_FALSE(reader.Load(dir.file("none.dat").c_str()));
    WriteBytes(dir.file("big.dat"), Bytes(ParamFileReader::kMaxFileSize + 1, 0));
    EXPECT_FALSE(reader.Load(dir.file("big.dat").c_str()));
}
