// The TinyXML-2 accessors (CXMLElementReader, TiXmlHelper), Base64 and the text conversions.
#include "support/Base64.h"
#include "support/TextConversion.h"
#include "support/TiXmlHelper.h"
#include "support/XMLElementReader.h"
#include "support/XmlWriter.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <clocale>

namespace
{

class DomFixture : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(doc.Parse(R"(<r n="42" neg="-7" big="99999999999" word="abc" empty="" lead=" 12x"
                 f="1.25" c="#112233" cu="#AABBCC" none="none" short="#12" bad="#11zz33"
                 b64="data:;base64,Zm9vYg==" raw64="Zm9v" bad64="Zm9v!" t="true" fl="false" other="yes">
                 <a id="1"><b id="1b"/><b id="1c"/></a><a id="2"><b id="2b"/></a>
                 <v>text &amp; more<x/>tail</v><d>lead<![CDATA[<data>]]></d><e/></r>)"),
                  tinyxml2::XML_SUCCESS);
        root = doc.RootElement();
    }
    tinyxml2::XMLDocument doc;
    tinyxml2::XMLElement *root = nullptr;
};

TEST_F(DomFixture, NumberAttributes)
{
    const struct {
        const char *name;
        HRESULT hr;
        int32_t value;
    } cases[] = {{"n", S_OK, 42},   {"neg", S_OK, -7},    {"lead", S_OK, 12},    {"big", E_FAIL, 5},
                 {"word", S_OK, 0}, {"empty", E_FAIL, 5}, {"missing", E_FAIL, 5}}; // "abc" reads as 0, like strtol
    for (const auto &c : cases) {
        int32_t value = 5;
        EXPECT_EQ(CXMLElementReader::GetLongAttributeFromNode(root, c.name, &value), c.hr) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
    bool flag = false;
    EXPECT_EQ(CXMLElementReader::GetBOOLAttributeFromNode(root, "neg", &flag), S_OK);
    EXPECT_TRUE(flag);
    float f = 0;
    EXPECT_EQ(CXMLElementReader::GetFloatAttributeFromNode(root, "f", &f), S_OK);
    EXPECT_FLOAT_EQ(f, 1.25f);
    f = 9;
    EXPECT_EQ(CXMLElementReader::GetFloatAttributeFromNode(root, "empty", &f), E_FAIL);
    EXPECT_EQ(f, 9);
    EXPECT_EQ(CXMLElementReader::GetFloatAttributeFromNode(root, "word", &f), S_OK);
    EXPECT_EQ(f, 0);
    int32_t unchanged = 3;
    EXPECT_EQ(CXMLElementReader::GetLongAttributeFromNode(nullptr, "n", &unchanged), E_INVALIDARG);
    EXPECT_EQ(unchanged, 3);
}

// Written colours read back unchanged; "none" reads as 0xFFFFFFFF.
TEST_F(DomFixture, ColourAttributes)
{
    const struct {
        const char *name;
        HRESULT hr;
        uint32_t value;
    } cases[] = {{"c", S_OK, 0x332211}, {"cu", S_OK, 0xCCBBAA}, {"none", S_OK, 0xFFFFFFFF}, {"empty", E_FAIL, 7},
                 {"short", E_FAIL, 7},  {"bad", E_FAIL, 7},     {"missing", E_FAIL, 7}};
    for (const auto &c : cases) {
        uint32_t value = 7;
        EXPECT_EQ(CXMLElementReader::GetColorAttributeFromNode(root, c.name, &value), c.hr) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }

    CKeldaPtr<IKELDAXMLWriter> w;
    ASSERT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(w.put()), S_OK);
    w->startElement("c");
    for (uint32_t v : {0x00000000u, 0x00332211u, 0x00FFFFFFu, 0x00010203u})
        w->WriteColorAttribute("v" + std::to_string(v), v);
    w->endElement("c");
    CAtlStringA xml;
    w->get_output(&xml);
    tinyxml2::XMLDocument back;
    ASSERT_EQ(back.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
    for (uint32_t v : {0x00000000u, 0x00332211u, 0x00FFFFFFu, 0x00010203u}) {
        uint32_t read = 1;
        EXPECT_EQ(
            CXMLElementReader::GetColorAttributeFromNode(back.RootElement(), ("v" + std::to_string(v)).c_str(), &read),
            S_OK);
        EXPECT_EQ(read, v);
    }
}

TEST_F(DomFixture, TextAndBase64Attributes)
{
    CAtlStringA text = "unchanged";
    EXPECT_EQ(CXMLElementReader::GetTextAttributeFromNode(root, "word", &text), S_OK);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(CXMLElementReader::GetTextAttributeFromNode(root, "missing", &text), E_FAIL);
    EXPECT_EQ(text, "abc");
    CAtlString wide;
    EXPECT_EQ(CXMLElementReader::GetTextAttributeFromNodeW(root, "word", &wide), S_OK);
    EXPECT_EQ(wide, L"abc");

    std::vector<uint8_t> bytes{9};
    EXPECT_EQ(CXMLElementReader::GetBase64AttributeFromNode(root, "b64", &bytes), S_OK);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "foob");
    EXPECT_EQ(CXMLElementReader::GetBase64FlashDataFromNode(root, "raw64", &bytes), S_OK);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "foo");
    EXPECT_EQ(CXMLElementReader::GetBase64AttributeFromNode(root, "bad64", &bytes), E_FAIL);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "foo");
}

TEST_F(DomFixture, ElementsAndPaths)
{
    tinyxml2::XMLElement *v = root->FirstChildElement("v");
    CAtlStringA text;
    EXPECT_EQ(CXMLElementReader::GetElementValue(v, &text), S_OK);
    EXPECT_EQ(text, "text & more");
    EXPECT_EQ(CXMLElementReader::GetDataElementValue(root->FirstChildElement("d"), &text), S_OK);
    EXPECT_EQ(text, "<data>");
    EXPECT_EQ(CXMLElementReader::GetElementValue(root->FirstChildElement("e"), &text), E_FAIL);
    EXPECT_EQ(CXMLElementReader::GetNodeXML(root->FirstChildElement("a"), &text), S_OK);
    EXPECT_EQ(text, R"(<a id="1"><b id="1b"/><b id="1c"/></a>)");
    EXPECT_EQ(CXMLElementReader::GetNodeName(v, &text), S_OK);
    EXPECT_EQ(text, "v");

    tinyxml2::XMLElement *child = nullptr;
    EXPECT_EQ(CXMLElementReader::GetFirstNonEmptyChild(root, &child), S_OK);
    EXPECT_STREQ(child->Attribute("id"), "1");
    EXPECT_EQ(CXMLElementReader::GetNamedChildNode(root, "v", &child), S_OK);
    EXPECT_EQ(child, v);
    EXPECT_EQ(CXMLElementReader::GetNamedChildNode(root, "zz", &child), E_FAIL);
    EXPECT_EQ(child, v);

    for (const char *path : {"a/b", "/a/b"}) {
        std::vector<tinyxml2::XMLElement *> found;
        EXPECT_EQ(CXMLElementReader::GetNamedChildNodes(root, &found, path), S_OK) << path;
        std::string ids;
        for (auto *e : found)
            ids += std::string(e->Attribute("id")) + " ";
        EXPECT_EQ(ids, "1b 1c 2b ") << path;
    }
    std::vector<tinyxml2::XMLElement *> none;
    EXPECT_EQ(CXMLElementReader::GetNamedChildNodes(root, &none, "a/zz"), E_FAIL);
    EXPECT_EQ(CXMLElementReader::GetNamedChildNodes(root, &none, ""), E_FAIL);
    EXPECT_TRUE(none.empty());
}

TEST_F(DomFixture, TiXmlHelperDefaults)
{
    using namespace TiXmlHelper;
    bool found = false;
    EXPECT_EQ(LoadStringAttributeFromXmlElement(root, "empty", &found), "");
    EXPECT_TRUE(found);
    EXPECT_EQ(LoadStringAttributeFromXmlElement(root, "missing", &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(LoadStringAttributeFromXmlElementWithDefault(root, "missing", "d"), "d");
    EXPECT_EQ(LoadStringAttributeFromXmlElementWithDefault(root, "word", "d"), "abc");
    EXPECT_TRUE(LoadBoolAttributeFromXmlElementWithDefault(root, "t", false));
    EXPECT_FALSE(LoadBoolAttributeFromXmlElementWithDefault(root, "fl", true));
    EXPECT_TRUE(LoadBoolAttributeFromXmlElementWithDefault(root, "other", true));
    EXPECT_FALSE(LoadBoolAttributeFromXmlElementWithDefault(root, "missing", false));
    EXPECT_EQ(LoadIntAttributeFromXmlElementWithDefault(root, "n", 1), 42);
    EXPECT_EQ(LoadIntAttributeFromXmlElementWithDefault(root, "big", 1), 1);
    EXPECT_EQ(LoadIntAttributeFromXmlElementWithDefault(root, "word", 1), 0);
    EXPECT_EQ(LoadIntAttributeFromXmlElementWithDefault(root, "empty", 1), 1);
    EXPECT_EQ(LoadIntAttributeFromXmlElementWithDefault(nullptr, "n", 1), 1);
    EXPECT_FLOAT_EQ(LoadFloatAttributeFromXmlElementWithDefault(root, "f", 0), 1.25f);
    EXPECT_FLOAT_EQ(LoadFloatAttributeFromXmlElementWithDefault(root, "word", 2.5f), 0);
    EXPECT_FLOAT_EQ(LoadFloatAttributeFromXmlElementWithDefault(root, "empty", 2.5f), 2.5f);
    EXPECT_STREQ(TRUE_STRING, "true");
    EXPECT_STREQ(FALSE_STRING, "false");

    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("ok.xml"), "<cfg a='1'/>"));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("bad.xml"), "<cfg a='1'>"));
    tinyxml2::XMLDocument loaded;
    EXPECT_TRUE(InitializeTiXmlDocumentFromFile(loaded, Text::FromUtf8(dir.file("ok.xml"))));
    EXPECT_STREQ(loaded.RootElement()->Name(), "cfg");
    EXPECT_FALSE(InitializeTiXmlDocumentFromFile(loaded, Text::FromUtf8(dir.file("bad.xml"))));
    EXPECT_FALSE(InitializeTiXmlDocumentFromFile(loaded, Text::FromUtf8(dir.file("missing.xml"))));
}

// Numbers in documents must not follow the user's locale (a Qt application runs with LC_NUMERIC set).
TEST_F(DomFixture, NumbersIgnoreTheLocale)
{
    const char *german = nullptr;
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name)) {
            german = name;
            break;
        }
    if (!german) GTEST_SKIP() << "no locale with a decimal comma is installed";
    float f = 0;
    EXPECT_EQ(CXMLElementReader::GetFloatAttributeFromNode(root, "f", &f), S_OK);
    CKeldaPtr<IKELDAXMLWriter> w;
    ASSERT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(w.put()), S_OK);
    w->startElement("n");
    w->WriteFloatAttribute("f", 1.5);
    w->endElement("n");
    CAtlStringA xml;
    w->get_output(&xml);
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_FLOAT_EQ(f, 1.25f);
    EXPECT_EQ(xml, R"(<n f="1.50"/>)");
}

TEST(Base64, EncodesAndDecodes)
{
    const struct {
        std::string plain;
        const char *encoded;
    } cases[] = {{"", ""},
                 {"f", "Zg=="},
                 {"fo", "Zm8="},
                 {"foo", "Zm9v"},
                 {"foob", "Zm9vYg=="},
                 {"fooba", "Zm9vYmE="},
                 {"foobar", "Zm9vYmFy"},
                 {std::string("\xff\xfe\x00", 3), "//4A"}};
    for (const auto &c : cases) {
        const std::string &plain = c.plain;
        EXPECT_EQ(ConvertRawBytesIntoBase64String(plain.data(), plain.size(), "p:"), std::string("p:") + c.encoded);
        std::vector<uint8_t> back;
        EXPECT_TRUE(ConvertBase64StringIntoRawBytes(c.encoded, &back)) << c.encoded;
        EXPECT_EQ(std::string(back.begin(), back.end()), plain);
    }
    std::vector<uint8_t> out{1};
    for (const char *bad : {"Zg=", "Zm9", "Z===", "Zg==Zg==", "Zm9v*", "data:no-comma"})
        EXPECT_FALSE(ConvertBase64StringIntoRawBytes(bad, &out)) << bad;
    EXPECT_EQ(out, std::vector<uint8_t>{1});
    EXPECT_TRUE(ConvertBase64StringIntoRawBytes("Zm9v\r\nYg==", &out));
    EXPECT_EQ(std::string(out.begin(), out.end()), "foob");

    TestEnv::TempDir dir;
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("b.bin"), "foobar"));
    CAtlStringA text = "x";
    EXPECT_EQ(ConvertBinaryFileToBase64String(Text::FromUtf8(dir.file("b.bin")), &text, "data:;base64,"), S_OK);
    EXPECT_EQ(text, "data:;base64,Zm9vYmFy");
    EXPECT_EQ(ConvertBinaryFileToBase64String(Text::FromUtf8(dir.file("none")), &text), E_FAIL);
    EXPECT_EQ(text, "data:;base64,Zm9vYmFy");
}

TEST(TextConversion, Conversions)
{
    EXPECT_EQ(MakeUTF8StringFromUnicodeString(L"\u00e9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(MakeWideStringFromUTF8String("\xC3\xA9"), L"\u00e9");
    EXPECT_EQ(MakeWideStringFromASCIIString("ab\xE9"), L"ab\u00e9");
}

} // namespace
