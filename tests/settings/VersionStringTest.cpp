// Program versions: the parse forms, the comparisons between parsed and unparsed values, and ranges.
#include <gtest/gtest.h>

#include "settings/VersionString.h"

namespace
{

struct ParseCase {
    const wchar_t *text;
    bool parsed;
    const wchar_t *shown; // text form
};

TEST(VersionString, ParseForms)
{
    const ParseCase cases[] = {
        {L"1.4.32.0", true, L"1.4.32.0"},
        {L"010.0.1.2", true, L"10.0.1.2"},
        {L"1.2.3.4.5", true, L"1.2.3.4"},      // the rest after the third '.' is the revision
        {L"12345678", true, L"1.23.456.78"},   // 2-2-3-2
        {L"1234567", true, L"1.23.67.45"},     // build before revision in the 7-character form
        {L"00100200030004", true, L"1.2.3.4"}, // 3-3-4-4, major from the last three left
        {L"9900100200030004", true, L"1.2.3.4"},
        {L"00000000", true, L"0.0.0.0"},
        {L"1.2", false, L"1.2"},
        {L"1..2.3", false, L"1..2.3"},
        {L"123456", false, L"123456"},
        {L"", false, L""},
        {L"1.99999999999.0.0", false, L"1.99999999999.0.0"}, // overflow is not a version
    };
    for (const ParseCase &c : cases) {
        const CVersionString v{CAtlString(c.text)};
        EXPECT_EQ(v.IsParsed(), c.parsed) << Text::ToUtf8(c.text);
        EXPECT_EQ(v.ToString(), c.shown) << Text::ToUtf8(c.text);
    }
}

TEST(VersionString, ReadInt)
{
    int value = 7;
    EXPECT_FALSE(CVersionString::ReadInt(L"", &value));
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(CVersionString::ReadInt(L"000", &value));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(CVersionString::ReadInt(L"0042", &value));
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(CVersionString::ReadInt(L"4294967296", &value));
}

struct CompareCase {
    const wchar_t *a;
    const wchar_t *b;
    int expected; // -1 a<b, 0 equal, 1 a>b
};

TEST(VersionString, Comparisons)
{
    const CompareCase cases[] = {
        {L"10.0.1.2", L"9.9.9.9", 1},
        {L"010.0.1.2", L"10.0.1.2", 0},
        {L"1.4.32.0", L"1.4.32.1", -1},
        {L"1.4.32.0", L"010403200", 0}, // dotted and compact forms of the same version
        {L"1.2", L"0.0.0.0", -1},       // unparsed sorts below every parsed version
        {L"1.2", L"1.1", 1},            // two unparsed compare as text
        {L"abc", L"abc", 0},
        {L"1.2", L"1.2.0.0", -1},
    };
    for (const CompareCase &c : cases) {
        const CVersionString a{CAtlString(c.a)}, b{CAtlString(c.b)};
        const std::string label = Text::ToUtf8(c.a) + " vs " + Text::ToUtf8(c.b);
        EXPECT_EQ(a < b, c.expected < 0) << label;
        EXPECT_EQ(a > b, c.expected > 0) << label;
        EXPECT_EQ(a == b, c.expected == 0) << label;
        EXPECT_EQ(b<a, c.expected> 0) << label;
    }
}

TEST(VersionStringRange, EndsAreInclusiveAndSwapped)
{
    const CVersionStringRange range(CVersionString(CAtlString(L"2.0.0.0")), CVersionString(CAtlString(L"1.0.0.0")));
    EXPECT_EQ(range.Low().ToString(), L"1.0.0.0");
    EXPECT_TRUE(range.IsInRange(CVersionString(CAtlString(L"1.0.0.0"))));
    EXPECT_TRUE(range.IsInRange(CVersionString(CAtlString(L"2.0.0.0"))));
    EXPECT_FALSE(range.IsInRange(CVersionString(CAtlString(L"2.0.0.1"))));
    EXPECT_TRUE(range < CVersionString(CAtlString(L"2.0.0.1")));
    EXPECT_TRUE(range > CVersionString(CAtlString(L"0.9.0.0")));
    EXPECT_TRUE(range == CVersionString(CAtlString(L"1.5.0.0")));
}

} // namespace
