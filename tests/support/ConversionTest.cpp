// UTF-8 and Base64 conversions at their edges: malformed UTF-8 becomes one U+FFFD per maximal
// ill-formed prefix, values that are not scalar values are written as U+FFFD, and long inputs come out
// the same as short ones (the conversions work in pieces).
#include "support/Base64.h"
#include "support/Text.h"

#include <gtest/gtest.h>

namespace
{

TEST(Utf8, MalformedSequencesBecomeOneReplacementEach)
{
    const struct {
        const char *bytes;
        const wchar_t *text;
        bool valid;
    } cases[] = {
        {"", L"", true},
        {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", L"a\u00e9\u20ac\U0001F600", true},
        {"\xF4\x8F\xBF\xBF", L"\U0010FFFF", true},
        {"\xF0\x9F\x98", L"\uFFFD", false},                       // truncated four-byte sequence: one
        {"\xF0\x9F\x98x", L"\uFFFDx", false},                     // cut short by a plain byte
        {"\xE0\x80\x80", L"\uFFFD\uFFFD\uFFFD", false},           // overlong: the lead byte alone
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD", false},           // an encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD", false}, // above U+10FFFF
        {"\xC0\xAF", L"\uFFFD\uFFFD", false},
        {"\xF5\x80", L"\uFFFD\uFFFD", false},
        {"\x80z\xBF", L"\uFFFDz\uFFFD", false}, // stray continuation bytes
        {"\xFF", L"\uFFFD", false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(Text::FromUtf8(c.bytes), std::wstring(c.text)) << c.bytes;
        EXPECT_EQ(Text::IsValidUtf8(c.bytes), c.valid) << c.bytes;
    }
    EXPECT_EQ(Text::FromUtf8(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Utf8, WideValuesThatAreNoCharactersAreReplaced)
{
    const std::wstring odd{L'a',
                           static_cast<wchar_t>(0xD800),
                           static_cast<wchar_t>(0xDFFF),
                           static_cast<wchar_t>(0x110000),
                           static_cast<wchar_t>(-1),
                           L'\0',
                           L'z'};
    EXPECT_EQ(Text::ToUtf8(odd), std::string("a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\0z", 15));
    // Longer than one piece of the encoder, with four-byte characters across every piece boundary.
    std::wstring wide;
    std::string utf8;
    for (int i = 0; i < 1000; ++i) {
        wide += (i % 3) ? L"\U0001F600" : L"e\u00e9";
        utf8 += (i % 3) ? "\xF0\x9F\x98\x80" : "e\xC3\xA9";
    }
    EXPECT_EQ(Text::ToUtf8(wide), utf8);
    EXPECT_EQ(Text::FromUtf8(utf8), wide);
}

TEST(Base64, LongInputsMatchShortOnes)
{
    // One byte past the encoder's first piece: padding may appear only at the very end.
    const std::string zeros((size_t(3) << 20) + 1, '\0');
    const std::string encoded = std::string(size_t(4) << 20, 'A') + "AA==";
    EXPECT_EQ(ConvertRawBytesIntoBase64String(zeros.data(), zeros.size(), "d:"), "d:" + encoded);
    std::vector<uint8_t> back;
    ASSERT_TRUE(ConvertBase64StringIntoRawBytes("data:;base64,\n" + encoded + "\r\n", &back));
    EXPECT_EQ(back, std::vector<uint8_t>(zeros.begin(), zeros.end()));
    // A bad symbol far beyond the first piece still fails the whole text.
    std::string bad = encoded;
    bad[bad.size() - 8] = '*';
    EXPECT_FALSE(ConvertBase64StringIntoRawBytes(bad, &back));
}

} // namespace
