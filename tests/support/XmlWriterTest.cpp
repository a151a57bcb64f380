// The XML writer's exact output, its file and compressed forms, and its sticky stream failures.
#include "support/KELDASax.h"
#include "support/XmlWriter.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>
#include <zlib.h>

#include <functional>

namespace
{

CKeldaPtr<IKELDAXMLWriter> StringWriter()
{
    CKeldaPtr<IKELDAXMLWriter> writer;
    EXPECT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(writer.put()), S_OK);
    return writer;
}

CAtlStringA Output(IKELDAXMLWriter *writer)
{
    CAtlStringA text;
    EXPECT_EQ(writer->get_output(&text), S_OK);
    return text;
}

struct WriterCase {
    const char *name;
    std::function<void(IKELDAXMLWriter *)> write;
    const char *expected;
};

class WriterOutput : public testing::TestWithParam<WriterCase>
{
};

TEST_P(WriterOutput, IsByteExact)
{
    auto writer = StringWriter();
    GetParam().write(writer.get());
    EXPECT_EQ(Output(writer.get()), GetParam().expected);
}

const std::vector<CAtlStringA> kParts = {"a", "b&c", "d"};

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterOutput,
    testing::Values(WriterCase{"Header", [](IKELDAXMLWriter *w) { w->OutputXMLHeader(); },
                               R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"},
                    WriterCase{"EmptyElementSelfCloses",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->endElement("a");
                               },
                               "<a/>"},
                    WriterCase{"NestedWithContent",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->WriteTextAttribute("x", "1");
                                   w->startElement("b");
                                   w->endElement("b");
                                   w->WriteElementContents("t");
                                   w->endElement("a");
                               },
                               R"(<a x="1"><b/>t</a>)"},
                    WriterCase{"AttributeEscapesExactlyFive",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->WriteTextAttribute("v", "&'\"<>\t\x01\xC3\xA9]]");
                                   w->endElement("a");
                               },
                               "<a v=\"&amp;&apos;&quot;&lt;&gt;\t\x01\xC3\xA9]]\"/>"},
                    WriterCase{"SingleQuotedAndLongAndWide",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->WriteTextAttributeBySingleQuotation("s", "it's");
                                   w->WriteLongTextAttribute("l", "x<", "y", "&z");
                                   w->WriteTextAttributeW("w", L"\u00e9\u263a");
                                   w->endElement("a");
                               },
                               "<a s='it&apos;s' l=\"x&lt;y&amp;z\" w=\"\xC3\xA9\xE2\x98\xBA\"/>"},
                    WriterCase{"EscapedAndRawContents",
                               [](IKELDAXMLWriter *w) {
                                   w->WriteEscapedSimpleTextElement("e", "a<b");
                                   w->WriteSimpleTextElement("r", "<i/>");
                                   w->WriteEscapedSimpleTextElement("n", "");
                                   w->startElement("v");
                                   w->WriteElementValue("1&2");
                                   w->endElement("v");
                               },
                               "<e>a&lt;b</e><r><i/></r><n/><v>1&amp;2</v>"},
                    WriterCase{"Numbers",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("n");
                                   w->WriteLongAttribute("l", -42);
                                   w->WriteBOOLAttribute("t", true);
                                   w->WriteBOOLAttribute("f", false);
                                   w->WriteFloatAttribute("a", 1.005);
                                   w->WriteFloatAttribute("b", -2.5);
                                   w->WriteFloatAttribute("c", 3);
                                   w->endElement("n");
                               },
                               R"(<n l="-42" t="1" f="0" a="1.00" b="-2.50" c="3.00"/>)"},
                    WriterCase{"Colours",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("c");
                                   w->WriteColorAttribute("rgb", 0x332211);
                                   w->WriteColorAttribute("n1", 0xFFFFFFFF);
                                   w->WriteColorAttribute("n2", 0xFFFFFFFE);
                                   w->WriteColorAttribute("k", 0x00ABCDEF);
                                   w->endElement("c");
                               },
                               R"(<c rgb="#112233" n1="none" n2="none" k="#efcdab"/>)"},
                    WriterCase{"Base64",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("d");
                                   w->WriteBase64Attribute("b", "foob", 4);
                                   w->WriteBase64Attribute("e", "", 0);
                                   w->endElement("d");
                               },
                               R"(<d b="data:;base64,Zm9vYg==" e="data:;base64,"/>)"},
                    WriterCase{"Arrays",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->WriteCommaSeperatedArrayAttribute("c", kParts);
                                   w->WriteSemiColonSeperatedArrayAttribute("s", std::vector<CAtlString>{L"x", L"y'"});
                                   w->WriteCommaSeperatedArrayAttribute("none", std::vector<CAtlStringA>{});
                                   w->WriteSemiColonSeperatedArrayAttribute("none2", std::vector<CAtlStringA>{});
                                   w->endElement("a");
                               },
                               R"(<a c="a,b&amp;c,d" s='x;y&apos;'/>)"},
                    WriterCase{"CData",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->WriteCDATAElement("x<&>y");
                                   w->WriteEscapedCDATAElement("<&>");
                                   w->endElement("a");
                               },
                               "<a><![CDATA[x<&>y]]><![CDATA[&lt;&amp;&gt;]]></a>"},
                    // A "]]>" in the text would end the section early; it is split over two sections.
                    WriterCase{"CDataHoldingItsOwnEnd",
                               [](IKELDAXMLWriter *w) {
                                   w->startElement("a");
                                   w->WriteCDATAElement("1]]>2");
                                   w->endElement("a");
                               },
                               "<a><![CDATA[1]]]]><![CDATA[>2]]></a>"}),
    [](const testing::TestParamInfo<WriterCase> &info) { return std::string(info.param.name); });

// Reads the single element's text back through the streaming reader.
struct TextOf : KELDASaxContentHandler {
    CAtlString text;
    HRESULT startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                         const KELDASaxAttributes &, const KELDASaxString &t, size_t, size_t) override
    {
        text = t.value();
        return S_OK;
    }
};

TEST(XmlWriter, CDataWithItsOwnEndReadsBackUnchanged)
{
    auto writer = StringWriter();
    writer->startElement("a");
    writer->WriteCDATAElement("1]]>2 <x>");
    writer->endElement("a");
    const CAtlStringA xml = Output(writer.get());
    TextOf handler;
    ASSERT_EQ(KELDASax::ReadXml(xml.data(), xml.size(), &handler), S_OK);
    EXPECT_EQ(handler.text, L"1]]>2 <x>");
}

TEST(XmlWriter, FileWriterWritesTheSameBytes)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("out.xml");
    CKeldaPtr<IKELDAXMLWriter> writer;
    ASSERT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriter(writer.put(), Text::FromUtf8(path)), S_OK);
    writer->OutputXMLHeader();
    writer->WriteEscapedSimpleTextElement("t", "a&b");
    CAtlStringA ignored;
    EXPECT_EQ(writer->get_output(&ignored), E_NOTIMPL);
    EXPECT_EQ(writer->Close(), S_OK);
    EXPECT_EQ(writer->startElement("late"), E_FAIL);
    writer.reset();
    EXPECT_EQ(TestEnv::ReadFile(path), R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?><t>a&amp;b</t>)");
}

TEST(XmlWriter, CompressedWriterWritesOneZlibStream)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("out.xml.z");
    std::string expected;
    {
        CKeldaPtr<IKELDAXMLWriter> writer;
        ASSERT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriterCompressed(writer.put(), Text::FromUtf8(path)), S_OK);
        writer->startElement("root");
        for (int i = 0; i < 20000; ++i) {
            writer->WriteEscapedSimpleTextElement("i", std::to_string(i));
            expected += "<i>" + std::to_string(i) + "</i>";
        }
        writer->endElement("root");
        expected = "<root>" + expected + "</root>";
        // released here: the target is produced
    }
    const std::string packed = TestEnv::ReadFile(path);
    std::string plain(expected.size() + 16, '\0');
    uLongf size = plain.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef *>(plain.data()), &size, reinterpret_cast<const Bytef *>(packed.data()),
                         packed.size()),
              Z_OK);
    plain.resize(size);
    EXPECT_EQ(plain, expected);
    // No raw temporary file is left beside the target.
    EXPECT_EQ(TestEnv::ReadFile(path + ".rawstream"), "");
}

TEST(XmlWriter, FactoriesGiveNoWriterWithoutAStream)
{
    const CAtlString bad = L"/nonexistent-dir/sub/out.xml";
    IKELDAXMLWriter *writer = reinterpret_cast<IKELDAXMLWriter *>(1);
    EXPECT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriter(&writer, bad), E_FAIL);
    EXPECT_EQ(writer, nullptr);
    writer = reinterpret_cast<IKELDAXMLWriter *>(1);
    EXPECT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriterCompressed(&writer, bad), E_FAIL);
    EXPECT_EQ(writer, nullptr);
    EXPECT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriterOnString(nullptr), E_INVALIDARG);
}

// A full disk must not pass for a written document: the failure sticks and Close reports it.
TEST(XmlWriter, StreamFailureIsStickyAndReported)
{
    if (!TestEnv::Exists("/dev/full")) GTEST_SKIP() << "/dev/full is absent";
    CKeldaPtr<IKELDAXMLWriter> writer;
    ASSERT_EQ(IKELDAXMLWriter::CreateKELDAXMLWriter(writer.put(), L"/dev/full"), S_OK);
    HRESULT last = S_OK;
    const std::string chunk(1000, 'x');
    for (int i = 0; i < 200 && last == S_OK; ++i)
        last = writer->WriteElementContents(chunk);
    EXPECT_EQ(last, E_FAIL);
    EXPECT_EQ(writer->startElement("a"), E_FAIL);
    EXPECT_EQ(writer->Close(), E_FAIL);
}

TEST(XmlWriter, CopiesFilesAndElements)
{
    TestEnv::TempDir dir;
    std::string big;
    for (int i = 0; i < 3000; ++i)
        big += "<p>" + std::to_string(i) + "</p>";
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("block.xml"), big));

    auto writer = StringWriter();
    writer->startElement("a");
    EXPECT_EQ(writer->CopyFileToXMLWriter(Text::FromUtf8(dir.file("block.xml"))), S_OK);
    EXPECT_EQ(writer->CopyFileToXMLWriter(Text::FromUtf8(dir.file("missing.xml"))), E_FAIL);
    writer->endElement("a");
    EXPECT_EQ(Output(writer.get()), "<a>" + big + "</a>");

    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(R"(<r k="1&amp;2"><e/><t>x &lt; y<![CDATA[<raw>]]></t><!--c--><n><m a='q'/></n></r>)"),
              tinyxml2::XML_SUCCESS);
    auto copy = StringWriter();
    EXPECT_EQ(copy->CopyElementToXMLWriter(doc.RootElement()), S_OK);
    EXPECT_EQ(Output(copy.get()),
              R"(<r k="1&amp;2"><e/><t>x &lt; y<![CDATA[<raw>]]></t><!--c--><n><m a="q"/></n></r>)");
    EXPECT_EQ(copy->CopyElementToXMLWriter(nullptr), E_INVALIDARG);
}

} // namespace
