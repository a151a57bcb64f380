// Language records: code normalisation, the language list file and the known-languages file.
#include "install/LanguageXml.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

using LanguageXml::Language;
using LanguageXml::LanguageList;
using LanguageXml::Languages;

namespace
{

const char kLanguageList[] = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<LanguagePacks>
  <Language Code="EN-us" ID="0409" EnglishName="English (US)" NativeName="English" FileName="en.pak" SupportPage="http://example.org/en"/>
  <Language Code="he_IL" ID="040D" EnglishName="Hebrew" NativeName="&#x5E2;&#x5D1;&#x5E8;&#x5D9;&#x5EA;" RightToLeft="1"/>
  <Pack Code="de-DE" ID="0x0407" EnglishName="German" RightToLeft="true"/>
  <Language Code="en_US" ID="1009" EnglishName="Second en_US"/>
  <Language Code="zh-Hant-TW" ID="0404" EnglishName="Chinese (Traditional)"/>
</LanguagePacks>
)xml";

std::vector<CAtlString> Codes(const Languages &list)
{
    std::vector<CAtlString> codes;
    for (const Language &language : list)
        codes.push_back(language.GetCode());
    return codes;
}

} // namespace

TEST(LanguageXmlTest, NormalizeCode)
{
    const struct {
        const wchar_t *code;
        const wchar_t *expected;
    } cases[] = {
        {L"EN-gb", L"en_GB"},
        {L"en_gb", L"en_GB"},
        {L"en-GB", L"en_GB"},
        {L"en_GB", L"en_GB"},
        {L"zh-Hant-TW", L"zh-Hant-TW"},
        {L"zh_Hans_CN", L"zh_Hans_CN"},
        {L"EN", L"EN"},
        {L"", L""},
        {L"pt-br_x", L"pt_BR_X"},
        {L"-", L"_"},
        {L"de-", L"de_"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Language::NormalizeCode(c.code), c.expected) << std::wstring(c.code);
}

TEST(LanguageXmlTest, ReadsTheLanguageListFromAFile)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("languages.xml"), kLanguageList));
    LanguageList list;
    ASSERT_TRUE(list.Read(Text::FromUtf8(dir.file("languages.xml"))));

    EXPECT_EQ(Codes(list.GetAllLanguages()), (std::vector<CAtlString>{L"de_DE", L"en_US", L"he_IL", L"zh-Hant-TW"}));
    const Language english = list.GetLanguage(L"en-US", true);
    EXPECT_EQ(english.GetIdentifier(), 0x0409) << "the first entry of a code wins";
    EXPECT_EQ(english.GetEnglishName(), L"English (US)");
    EXPECT_EQ(english.GetNativeName(), L"English");
    EXPECT_EQ(english.GetFileName(), L"en.pak");
    EXPECT_EQ(english.GetSupportPage(), L"http://example.org/en");
    EXPECT_FALSE(english.IsRightToLeft());
    EXPECT_FALSE(english.IsStub());

    const Language hebrew = list.GetLanguage(L"he_IL", false);
    EXPECT_TRUE(hebrew.IsRightToLeft());
    EXPECT_EQ(hebrew.GetNativeName(), L"\u05E2\u05D1\u05E8\u05D9\u05EA");
    EXPECT_FALSE(list.GetLanguage(L"de_DE", false).IsRightToLeft()) << "only \"1\" is right to left";
    EXPECT_EQ(list.GetLanguage(L"de_DE", false).GetIdentifier(), 0x0407);

    // A filled list never makes stubs: an unknown code is an invalid language.
    const Language unknown = list.GetLanguage(L"fr_FR", true);
    EXPECT_FALSE(unknown.IsValid());
    EXPECT_TRUE(unknown.GetCode().empty());
}

TEST(LanguageXmlTest, BrokenOrMissingListsAreEmpty)
{
    TestEnv::TempDir dir;
    const struct {
        const char *name;
        const char *content; // nullptr: no file
    } cases[] = {
        {"missing", nullptr},
        {"not xml", "<LanguagePacks><Language Code=\"en_US\" ID=\"0409\">"},
        {"identifier 0", "<L><Language Code=\"en_US\" ID=\"0409\"/><Language Code=\"de_DE\" ID=\"0\"/></L>"},
        {"unparsable identifier", "<L><Language Code=\"en_US\" ID=\"zz\"/></L>"},
        {"identifier beyond 32 bits", "<L><Language Code=\"en_US\" ID=\"100000000\"/></L>"},
        {"no code", "<L><Language ID=\"0409\"/></L>"},
    };
    for (const auto &c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".xml");
        if (c.content) {
            ASSERT_TRUE(TestEnv::WriteFile(path, c.content));
        }
        LanguageList list;
        EXPECT_FALSE(list.Read(Text::FromUtf8(path))) << c.name;
        EXPECT_TRUE(list.GetAllLanguages().empty()) << c.name;
        // An empty list still turns codes into stubs, normalised.
        const Language stub = list.GetLanguage(L"FR-fr", true);
        EXPECT_TRUE(stub.IsStub() && stub.IsValid()) << c.name;
        EXPECT_EQ(stub.GetCode(), L"fr_FR");
        EXPECT_EQ(stub.GetEnglishName(), L"fr_FR");
        EXPECT_FALSE(list.GetLanguage(L"fr_FR", false).IsValid()) << c.name;
    }
}

TEST(LanguageXmlTest, KnownLanguagesAreWrittenByteExactAndReadBackSorted)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("knownlanguages.xml");
    const Languages list = {Language::CreateStubLanguage(L"fr_FR"), Language::CreateStubLanguage(L"de_DE"),
                            Language::CreateStubLanguage(L"a\"&<b")};
    ASSERT_TRUE(TestEnv::WriteFile(path, "old content"));
    ASSERT_TRUE(LanguageList::SaveLanguageList(Text::FromUtf8(path), list));
    EXPECT_EQ(TestEnv::ReadFile(path), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                                       "<KnownLanguages>\n"
                                       "    <language code=\"fr_FR\"/>\n"
                                       "    <language code=\"de_DE\"/>\n"
                                       "    <language code=\"a&quot;&amp;&lt;b\"/>\n"
                                       "</KnownLanguages>\n");

    LanguageList stubs; // empty: every code becomes a stub
    Languages read;
    ASSERT_TRUE(stubs.LoadLanguageList(Text::FromUtf8(path), read));
    EXPECT_EQ(Codes(read), (std::vector<CAtlString>{L"a\"&<b", L"de_DE", L"fr_FR"}));

    ASSERT_TRUE(LanguageList::SaveLanguageList(Text::FromUtf8(path), {}));
    EXPECT_EQ(TestEnv::ReadFile(path),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KnownLanguages/>\n");
    EXPECT_TRUE(stubs.LoadLanguageList(Text::FromUtf8(path), read));
    EXPECT_TRUE(read.empty());

    EXPECT_FALSE(LanguageList::SaveLanguageList(Text::FromUtf8(dir.file("no/such/folder/k.xml")), list));
}

TEST(LanguageXmlTest, KnownLanguagesKeepOnlyCodesOfTheList)
{
    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("languages.xml"), kLanguageList));
    LanguageList list;
    ASSERT_TRUE(list.Read(Text::FromUtf8(dir.file("languages.xml"))));

    const std::string known = dir.file("knownlanguages.xml");
    ASSERT_TRUE(TestEnv::WriteFile(known, "<KnownLanguages><language code=\"he-il\"/><other code=\"de_DE\"/>"
                                          "<language code=\"xx_YY\"/><language code=\"EN_us\"/></KnownLanguages>"));
    Languages read = {Language::CreateStubLanguage(L"stale")};
    ASSERT_TRUE(list.LoadLanguageList(Text::FromUtf8(known), read));
    EXPECT_EQ(Codes(read), (std::vector<CAtlString>{L"en_US", L"he_IL"}));
    EXPECT_EQ(read[1].GetIdentifier(), 0x040D) << "the list's record, not a stub";

    EXPECT_FALSE(list.LoadLanguageList(Text::FromUtf8(dir.file("absent.xml")), read));
    EXPECT_TRUE(read.empty()) << "the list is cleared first";
}
