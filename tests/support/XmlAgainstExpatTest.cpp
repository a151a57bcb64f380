// The streaming reader's element text and attribute values against expat's on small real-world
// shapes: character references, CR LF line ends, UTF-16 in both byte orders, an internal subset whose
// comments and processing instructions hold quotation marks.
#include "support/KELDASax.h"

#include <gtest/gtest.h>

#ifdef TROVE_HAVE_EXPAT
#include <expat.h>
#endif

#include <string>
#include <vector>

namespace
{

// Each <v> of the document: its text and its attribute "a", as UTF-8.
struct Values {
    std::vector<std::string> texts, attributes;
};

struct OurValues : KELDASaxContentHandler {
    Values values;
    HRESULT startElement(const KELDASaxString &name, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        if (name != "v") return S_OK;
        values.texts.push_back(text.valueA());
        values.attributes.push_back(attributes.GetValue("a").valueA());
        return S_OK;
    }
};

std::string Utf16(const std::string &utf8, bool little)
{
    std::u16string units;
    for (const wchar_t c : Text::FromUtf8(utf8)) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(cp);
        }
    }
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t u : units) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += little ? lo : hi;
        bytes += little ? hi : lo;
    }
    return bytes;
}

#ifdef TROVE_HAVE_EXPAT
struct ExpatState {
    Values values;
    bool inValue = false;
};

Values ExpatValues(const std::string &document, bool *ok)
{
    ExpatState state;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &state);
    XML_SetElementHandler(
        parser,
        [](void *data, const XML_Char *name, const XML_Char **attributes) {
            auto *s = static_cast<ExpatState *>(data);
            if (std::string(name) != "v") return;
            s->inValue = true;
            s->values.texts.emplace_back();
            s->values.attributes.emplace_back();
            for (int i = 0; attributes[i]; i += 2)
                if (std::string(attributes[i]) == "a") s->values.attributes.back() = attributes[i + 1];
        },
        [](void *data, const XML_Char *) { static_cast<ExpatState *>(data)->inValue = false; });
    XML_SetCharacterDataHandler(parser, [](void *data, const XML_Char *text, int length) {
        auto *s = static_cast<ExpatState *>(data);
        if (s->inValue) s->values.texts.back().append(text, static_cast<size_t>(length));
    });
    *ok = XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return state.values;
}
#endif

TEST(KELDASaxAgainstExpat, SameValues)
{
#ifndef TROVE_HAVE_EXPAT
    GTEST_SKIP() << "expat is not installed (scripts/setup --test)";
#else
    const std::string references = "<r><v a='caf&#233;'>caf&#233; &#x263A; &#128512; &#38;amp;</v></r>";
    const std::string lineEnds =
        "<?xml version='1.0'?>\r\n<r>\r\n<v a='x&#13;&#10;y'>one\r\ntwo\rthree\r\n</v>\r\n</r>\r\n";
    const std::string subset = "<!DOCTYPE r [\r\n<?pi it's?>\r\n<!-- a \" quote -->\r\n<!ELEMENT r ANY>\r\n]>"
                               "<r><v a='1'>after &amp; the subset</v></r>";
    const std::string markup = "<r><v a='&lt;&gt;&quot;'>x<!-- c -->y<![CDATA[<&>]]>z</v><v a=''>\xC3\xA9</v></r>";
    const struct {
        const char *name;
        std::string document;
    } cases[] = {{"references", references},
                 {"line ends", lineEnds},
                 {"internal subset", subset},
                 {"markup", markup},
                 {"UTF-16LE", Utf16(references, true)},
                 {"UTF-16BE", Utf16(lineEnds, false)},
                 {"UTF-16LE subset", Utf16(subset, true)},
                 {"UTF-16BE markup", Utf16(markup, false)}};
    for (const auto &c : cases) {
        bool expatOk = false;
        const Values expected = ExpatValues(c.document, &expatOk);
        ASSERT_TRUE(expatOk) << c.name;
        OurValues ours;
        ASSERT_EQ(KELDASax::ReadXml(c.document.data(), c.document.size(), &ours), S_OK) << c.name;
        EXPECT_EQ(ours.values.texts, expected.texts) << c.name;
        EXPECT_EQ(ours.values.attributes, expected.attributes) << c.name;
        EXPECT_FALSE(expected.texts.empty()) << c.name;
    }
#endif
}

} // namespace
