// Translation tables: the ".strings" tokenizer in both byte orders and the lookups built on it.
#include <gtest/gtest.h>

#include <QDir>

#include "common/TestEnv.h"
#include "settings/ResourceManager.h"
#include "settings/StringsFile.h"

namespace
{

// UTF-16 bytes with a byte-order mark in the chosen order.
std::string Utf16(const std::u16string &text, bool bigEndian)
{
    std::string bytes;
    auto put = [&](char16_t unit) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes.push_back(bigEndian ? high : low);
        bytes.push_back(bigEndian ? low : high);
    };
    put(0xFEFF);
    for (char16_t unit : text)
        put(unit);
    return bytes;
}

std::string Swap(const std::string &bytes)
{
    std::string swapped = bytes;
    for (size_t i = 0; i + 1 < swapped.size(); i += 2)
        std::swap(swapped[i], swapped[i + 1]);
    return swapped;
}

using Pairs = std::vector<std::pair<CAtlString, CAtlString>>;

TEST(StringsFile, TokenizerRules)
{
    const std::u16string content = u"/* header comment with \"quotes\" = ; */\n"
                                   u"\"Open\" = \"Öffnen\";\n"
                                   u"// a line comment \"Skip\" = \"me\";\n"
                                   u"\"a=b;c d\" = \"x/*not a comment*/y\";\n"
                                   u"plain=token;\n"
                                   u"\"esc\" = \"q\\\" b\\\\ n\\n t\\t r\\r u\\u00e9 other\\x\";\n"
                                   u"\"&quot;Hi&quot; &lt;b&gt;\" = \"tagged\";\n"
                                   u"\"Empty\" = \"\";\n"
                                   u"\"Open\" = \"Aufmachen\";\n"
                                   u"\"dangling\"";
    const Pairs pairs = StringsFile::ReadPairs(Utf16(content, false));
    const Pairs expected = {
        {L"Open", L"Öffnen"},       {L"a=b;c d", L"x/*not a comment*/y"},
        {L"plain", L"token"},       {L"esc", L"q\" b\\ n\n t\t r\r u\u00e9 other\\x"},
        {L"\"Hi\" <b>", L"tagged"}, {L"Open", L"Aufmachen"},
    };
    EXPECT_EQ(pairs, expected);
}

TEST(StringsFile, BigEndianReadsLikeLittleEndian)
{
    const std::u16string content = u"\"Cancel\" = \"Abbrechen\"; \"\U0001F600\" = \"smile\";";
    const std::string little = Utf16(content, false);
    const std::string big = Utf16(content, true);
    ASSERT_EQ(Swap(little), big);
    const Pairs pairs = StringsFile::ReadPairs(big);
    EXPECT_EQ(pairs, StringsFile::ReadPairs(little));
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].first, L"\U0001F600");
}

TEST(StringsFile, LongTokensAreCut)
{
    const std::u16string longText(StringsFile::MaxTokenLength + 50, u'a');
    const auto tokens = StringsFile::Tokenize(Utf16(u"\"" + longText + u"\" next", false));
    ASSERT_EQ(tokens.size(), 2u);
    EXPECT_EQ(tokens[0].size(), StringsFile::MaxTokenLength);
    EXPECT_EQ(tokens[1], L"next");
    EXPECT_TRUE(StringsFile::Tokenize(std::string("\xFF")).empty()); // a lone byte, no content
}

TEST(StringsFile, RealFilesRead)
{
    TROVE_SKIP_WITHOUT_SAMPLES("strings");
    const QDir folder(QString::fromStdString(TestEnv::SamplesDir("strings")));
    const QStringList names = folder.entryList({QStringLiteral("*.strings")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString &name : names) {
        CResourceManagerLinux manager;
        EXPECT_TRUE(manager.LoadFile(Text::FromQt(folder.filePath(name)))) << name.toStdString();
    }
    // The two UTF-16 samples, one in each byte order, give real pairs.
    for (const char *name : {"sparkle_he.lproj_Sparkle.strings", "vienna-rss_ja.lproj_Localizable.strings"}) {
        const std::string bytes = TestEnv::ReadFile(TestEnv::SamplesDir("strings") + "/" + name);
        const Pairs pairs = StringsFile::ReadPairs(bytes);
        EXPECT_GT(pairs.size(), 5u) << name;
        EXPECT_EQ(StringsFile::ReadPairs(Swap(bytes)), pairs) << name; // its twin in the other byte order
    }
}

TEST(ResourceManager, LookupsAndEntityFallback)
{
    TestEnv::TempDir dir;
    const std::u16string content = u"\"Open\" = \"Öffnen\"; \"say \\\"hi\\\"\" = \"sag hallo\"; \"Blank\" = \"\";";
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("Trove.strings"), Utf16(content, true)));
    CResourceManagerLinux manager;
    ASSERT_TRUE(manager.LoadFile(Text::FromUtf8(dir.file("Trove.strings"))));
    EXPECT_EQ(manager.GetTranslatedString(L"Open"), L"Öffnen");
    EXPECT_EQ(manager.GetTranslatedString(L"say &quot;hi&quot;"), L"sag hallo"); // entity form of the key
    EXPECT_EQ(manager.GetTranslatedString(L"Blank"), L"Blank");                  // empty translation ignored
    EXPECT_EQ(manager.GetTranslatedString(L"Unknown"), L"Unknown");
    EXPECT_EQ(manager.GetTranslatedString("QObject", "Open"), L"Öffnen");
    EXPECT_EQ(manager.GetUnTranslatedString(L"Öffnen"), L"Open");
    EXPECT_FALSE(manager.LoadFile(Text::FromUtf8(dir.file("missing.strings"))));
}

} // namespace
