// The gallery's UTF-8 conversions, plain and escaped for XML.
#include "gallery/facade/Gallery.h"

#include <gtest/gtest.h>

#include <tinyxml2.h>

TEST(GalleryText, ConvertUTF8BothWays)
{
    const wchar_t *wide = L"Gr\u00fc\u00dfe \u4e16\U0001F600";
    const CAtlStringA utf8 = CGallery::ConvertUTF8(wide);
    EXPECT_EQ(utf8, "Gr\xc3\xbc\xc3\x9f"
                    "e \xe4\xb8\x96\xf0\x9f\x98\x80");
    EXPECT_EQ(CGallery::ConvertUTF8(utf8.c_str()), wide);
    EXPECT_EQ(CGallery::ConvertUTF8(static_cast<const wchar_t *>(nullptr)), "");
    EXPECT_EQ(CGallery::ConvertUTF8(static_cast<const char *>(nullptr)), L"");
}

TEST(GalleryText, UTF8XMLEscapesAndKeepsTheDocumentWellFormed)
{
    for (const auto &[text, expected] : std::vector<std::pair<const wchar_t *, std::string>>{
             {L"", ""},
             {L"a<b>&\"c\"'d'", "a&lt;b&gt;&amp;&quot;c&quot;&apos;d&apos;"},
             {L"&amp;", "&amp;amp;"},
             {L"tab\tline\nend\r", "tab\tline\nend\r"},
             {L"bell\x07 nul-free\x1f \xfffe", "bell nul-free "},
             {L"\u00e9", "\xc3\xa9"},
         })
        EXPECT_EQ(CGallery::UTF8XML(text), expected);
    EXPECT_EQ(CGallery::UTF8XML(nullptr), "");

    // Whatever the text, it reads back from an attribute as itself without the dropped characters.
    const std::string document = "<r a=\"" + CGallery::UTF8XML(L"<\"x\x01'&\u00e9>") + "\"/>";
    tinyxml2::XMLDocument parsed;
    ASSERT_EQ(parsed.Parse(document.c_str()), tinyxml2::XML_SUCCESS) << document;
    EXPECT_STREQ(parsed.RootElement()->Attribute("a"), "<\"x'&\xc3\xa9>");
}
