// SPDX-License-Identifier: MIT
#include "misc/TextUtil.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(CopyText, CutsAtCapacityLessOneAndTerminates)
{
    char field[4];
    std::memset(field, 'x', sizeof field);
    EXPECT_EQ(CopyText(field, "abcdef"), 3u);
    EXPECT_STREQ(field, "abc");
    EXPECT_EQ(CopyText(field, nullptr), 0u);
    EXPECT_STREQ(field, "");
    EXPECT_EQ(CopyText(field, "ab"), 2u);
    EXPECT_STREQ(field, "ab");
}

// Not on Windows: UTF-8 text: the ANSI code page on Windows is another one.
#ifndef _WIN32
TEST(CopyText, NeverCutsInsideAMultiByteCharacter)
{
    // "aé" is 61 C3 A9: a field of 3 bytes holds two bytes of text, which would split the é.
    char field[3];
    EXPECT_EQ(CopyText(field, "a\xC3\xA9"), 1u);
    EXPECT_STREQ(field, "a");
    // A four-byte character (U+1F600) does not fit a field of four bytes.
    char emoji[4];
    EXPECT_EQ(CopyText(emoji, "\xF0\x9F\x98\x80"), 0u);
    EXPECT_STREQ(emoji, "");
    char exact[5];
    EXPECT_EQ(CopyText(exact, "\xF0\x9F\x98\x80"), 4u);
}
#endif

TEST(CopyText, ZeroCapacityWritesNothing)
{
    char c = 'x';
    EXPECT_EQ(CopyText(&c, 0, "abc"), 0u);
    EXPECT_EQ(c, 'x');
}

// Not on Windows: UTF-8 text: the ANSI code page on Windows is another one.
#ifndef _WIN32
TEST(WideText, RoundTripsEveryPlane)
{
    const char* text = "O'Brien \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";
    const std::u16string wide = plat::AnsiToWide(text, 1023);
    EXPECT_EQ(wide, u"O'Brien été € \U0001F600");
    EXPECT_EQ(plat::WideToAnsi(wide, 1023), text);
}
#endif

// Not on Windows: UTF-8 text: the ANSI code page on Windows is another one.
#ifndef _WIN32
TEST(WideText, CutsAtTheLimitOnCharacterBoundaries)
{
    EXPECT_EQ(plat::AnsiToWide("abcdef", 4), u"abcd");
    // The surrogate pair would need units 2 and 3 of a limit of 2: it is left out whole.
    EXPECT_EQ(plat::AnsiToWide("a\xF0\x9F\x98\x80", 2), u"a");
    EXPECT_EQ(plat::WideToAnsi(u"a€", 3), "a");
    EXPECT_EQ(plat::WideToAnsi(u"a€", 4), "a\xE2\x82\xAC");
}
#endif

// Not on Windows: UTF-8 text: the ANSI code page on Windows is another one.
#ifndef _WIN32
TEST(WideText, InvalidInputBecomesReplacementCharacters)
{
    EXPECT_EQ(plat::AnsiToWide("a\xFF"
                               "b",
                               10),
              u"a\uFFFDb");
    EXPECT_EQ(plat::AnsiToWide("a\xC3", 10), u"a\uFFFD");
    EXPECT_EQ(plat::WideToAnsi(std::u16string(1, u'\xD800'), 10), "\xEF\xBF\xBD");
    EXPECT_EQ(plat::AnsiToWide(nullptr, 10), u"");
}
#endif
