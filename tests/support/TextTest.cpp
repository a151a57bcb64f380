// UTF-8 conversion and the text helpers.
#include "support/Text.h"

#include <gtest/gtest.h>

TEST(Text, Utf8RoundTripAndReplacement)
{
    EXPECT_EQ(Text::FromUtf8("a\xC3\xA9\xF0\x9F\x98\x80"), std::wstring(L"a\u00e9\U0001F600"));
    EXPECT_EQ(Text::ToUtf8(L"a\u00e9\U0001F600"), "a\xC3\xA9\xF0\x9F\x98\x80");
    // Truncated sequence, overlong form and a lone surrogate all decode to U+FFFD.
    EXPECT_EQ(Text::FromUtf8("x\xE2\x82"), std::wstring(L"x\uFFFD"));
    EXPECT_EQ(Text::FromUtf8("\xC0\xAF"), std::wstring(L"\uFFFD\uFFFD"));
    EXPECT_FALSE(Text::IsValidUtf8("\xED\xA0\x80"));
    EXPECT_TRUE(Text::IsValidUtf8("plain \xC3\xA9"));
}

TEST(Text, CaseTrimSplitFormat)
{
    EXPECT_EQ(Text::CompareNoCase(L"\u00C9cole", L"\u00e9COLE"), 0);
    EXPECT_LT(Text::CompareNoCase(L"abc", L"abd"), 0);
    EXPECT_EQ(Text::Trim(L" \t x y \n"), L"x y");
    EXPECT_EQ(Text::Split(L"a,,b", L','), (std::vector<std::wstring>{L"a", L"", L"b"}));
    EXPECT_EQ(Text::Format(L"%ls-%d-%hs", L"w", 7, "n"), L"w-7-n");
    EXPECT_EQ(Text::FormatA("%s=%04x", "k", 255), "k=00ff");
    EXPECT_EQ(Text::ReplaceAll(L"a&b&", L"&", L"&amp;"), L"a&amp;b&amp;");
}
