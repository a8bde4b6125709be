// SPDX-License-Identifier: MIT
#include "core/PasswordCodec.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// Both run on a buffer with a guard behind it, which must come through untouched.
std::string Encode(const std::string& plain, std::size_t nOutSize = 256)
{
    std::string out(nOutSize + 8, '#');
    EncodePassword(plain.data(), plain.size(), out.data(), nOutSize);
    EXPECT_EQ(out.substr(nOutSize), "########");
    return out.c_str();
}

std::string Decode(const char* szStored, std::size_t nOutSize = 64)
{
    std::string out(nOutSize + 8, '#');
    const std::size_t nKept = DecodePassword(szStored, out.data(), nOutSize);
    EXPECT_EQ(out.substr(nOutSize), "########");
    EXPECT_EQ(out[nKept], '\0');
    return out.substr(0, nKept);
}

} // namespace

TEST(PasswordCodec, Rfc4648Vectors)
{
    const char* vectors[][2] = {{"", ""},
                                {"f", "Zg=="},
                                {"fo", "Zm8="},
                                {"foo", "Zm9v"},
                                {"foob", "Zm9vYg=="},
                                {"fooba", "Zm9vYmE="},
                                {"foobar", "Zm9vYmFy"},
                                {"\xFB\xFF\xBF", "+/+/"}};
    for (const auto& vec : vectors) {
        EXPECT_EQ(Encode(vec[0]), vec[1]);
        EXPECT_EQ(Decode(vec[1]), vec[0]);
    }
    std::string longest;
    for (int i = 0; i < 63; ++i)
        longest += static_cast<char>('!' + i);
    EXPECT_EQ(Encode(longest).size(), 84u);
    EXPECT_EQ(Decode(Encode(longest).c_str()), longest);
}

TEST(PasswordCodec, NothingIsWrittenPastTheBuffer)
{
    // An encoding that does not fit is refused whole rather than cut.
    EXPECT_EQ(Encode("foobar", 9), "Zm9vYmFy");
    EXPECT_EQ(Encode("foobar", 8), "");
    EXPECT_EQ(Decode(Encode(std::string(100, 'x')).c_str()), std::string(63, 'x'));
    EXPECT_EQ(Decode("Zm9vYmFy", 5), "foob");
    EXPECT_EQ(Decode(nullptr), "");
}

TEST(PasswordCodec, DecodingGroupRules)
{
    // '=' as the first or second character: the group yields nothing, the next one still counts.
    EXPECT_EQ(Decode("=m9vZm9v"), "foo");
    EXPECT_EQ(Decode("Z=9vZm9v"), "foo");
    // '=' or any other character outside the alphabet ends its group where it stands.
    EXPECT_EQ(Decode("Zm=vZm9v"), "ffoo");
    EXPECT_EQ(Decode("Zm9*Zm9v"), "fofoo");
    EXPECT_EQ(Decode("Z m9Zm9v"), "foo");
    // A started last group gives what it can.
    EXPECT_EQ(Decode("Zm9vZm9"), "foofo");
    EXPECT_EQ(Decode("Zm9vZ"), "foo");
}
