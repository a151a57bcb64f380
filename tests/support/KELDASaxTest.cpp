// The streaming reader: events and element text on valid input, failure on every kind of broken input
// (each document is parsed from an exactly sized heap copy, so a read past the end shows under the
// address sanitizer), character data decoding, handler results, files and gzip files.
#include "support/KELDASax.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <memory>

namespace
{

// Records every event as text: "<name a=v|text>" for a start, "</name>" for an end, "?target data" for
// a processing instruction.
struct Recorder : KELDASaxContentHandler {
    std::string log;
    size_t lastEndPosition = 0;
    HRESULT startElement(const KELDASaxString &qname, const KELDASaxString &ns, const KELDASaxString &local,
                         const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t) override
    {
        log += "<" + qname.text();
        if (ns) log += "{" + ns.text() + ":" + local.text() + "}";
        for (size_t i = 0; i < attributes.GetLength(); ++i)
            log += " " + attributes.GetQName(i).text() + "=" + attributes.GetValue(i).text();
        if (!text.empty()) log += "|" + text.text();
        log += ">";
        return S_OK;
    }
    HRESULT endElement(const KELDASaxString &qname, const KELDASaxString &, const KELDASaxString &, size_t position,
                       size_t) override
    {
        log += "</" + qname.text() + ">";
        lastEndPosition = position;
        return S_OK;
    }
    HRESULT processingInstruction(const KELDASaxString &target, const KELDASaxString &data) override
    {
        log += "?" + target.text() + " " + data.text();
        return S_OK;
    }
};

// Parses an exact-size copy (no terminating zero behind the last byte).
HRESULT Parse(const std::string &xml, KELDASaxContentHandler *handler)
{
    std::unique_ptr<char[]> copy(new char[xml.size() ? xml.size() : 1]);
    std::copy(xml.begin(), xml.end(), copy.get());
    return KELDASax::ReadXml(copy.get(), xml.size(), handler);
}

struct EventCase {
    std::string xml;
    const char *events;
};

// A literal with its NUL bytes (UTF-16 documents hold many).
template <size_t N> std::string Bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

class ReaderEvents : public testing::TestWithParam<EventCase>
{
};

TEST_P(ReaderEvents, AreReported)
{
    Recorder r;
    ASSERT_EQ(Parse(GetParam().xml, &r), S_OK) << GetParam().xml;
    EXPECT_EQ(r.log, GetParam().events) << GetParam().xml;
}

INSTANTIATE_TEST_SUITE_P(
    Valid, ReaderEvents,
    testing::Values(
        EventCase{"<a/>", "<a></a>"},
        EventCase{"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<a x=\"1\" y='2'\t z = \"a>b\" ></a>\n",
                  "<a x=1 y=2 z=a>b></a>"},
        EventCase{
            "<lom:lom xmlns:lom='u'><lom:string language=\"en\">  Hi there \n</lom:string></lom:lom>",
            "<lom:lom{lom:lom} xmlns:lom=u><lom:string{lom:string} language=en|Hi there \n></lom:string></lom:lom>"},
        // Text is empty when a tag follows the white space; it stops at the next tag.
        EventCase{"<a>\n  <b>x</b>tail</a>", "<a><b|x></b></a>"},
        // Comments and CDATA sections belong to the text, also at its start.
        EventCase{"<a>x<!-- < -->y<![CDATA[<z>]]>w<b/></a>", "<a|x<!-- < -->y<![CDATA[<z>]]>w><b></b></a>"},
        EventCase{"<a><![CDATA[only]]></a>", "<a|<![CDATA[only]]>></a>"},
        EventCase{"<a> <!--c-->t</a>", "<a|<!--c-->t></a>"},
        // Declarations, document types with an internal subset, comments and instructions around the root.
        EventCase{"<?xml version='1.0'?><!--c--><!DOCTYPE a [<!ENTITY e \"]>\"><!-- ] > -->]><?pi data "
                  "here?><a/><!--end--><?z?>",
                  "?pi data here<a></a>?z "},
        EventCase{"<a><?inner x?></a >", "<a>?inner x</a>"},
        // A processing instruction or comment in the internal subset may hold a lone quotation mark.
        EventCase{"<!DOCTYPE a [<?pi it's?><!-- don't --><!ENTITY e \"x\">]><a/>", "<a></a>"},
        // UTF-16 in both byte orders (a surrogate pair for U+1F600) reads like its UTF-8 form.
        EventCase{Bytes("\xFF\xFE<\0a\0 \0x\0=\0'\0\xE9\0'\0>\0=\xD8\0\xDE<\0/\0a\0>\0"),
                  "<a x=\xC3\xA9|\xF0\x9F\x98\x80></a>"},
        EventCase{Bytes("\xFE\xFF\0<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0\"\0U\0T\0F\0-\0\x31\0\x36\0\"\0?\0>"
                        "\0<\0a\0/\0>"),
                  "<a></a>"}));

struct FailCase {
    const char *name;
    std::string xml;
};

class ReaderRejects : public testing::TestWithParam<FailCase>
{
};

TEST_P(ReaderRejects, WithFailure)
{
    Recorder r;
    EXPECT_EQ(Parse(GetParam().xml, &r), E_FAIL) << GetParam().xml;
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, ReaderRejects,
    testing::Values(
        FailCase{"Empty", ""}, FailCase{"OnlySpace", " \n"}, FailCase{"OnlyDeclaration", "<?xml version='1.0'?>"},
        FailCase{"UnclosedRoot", "<a>"}, FailCase{"UnclosedChild", "<a><b></a>"}, FailCase{"MismatchedEnd", "<a></b>"},
        FailCase{"StrayEnd", "</a>"}, FailCase{"StrayLessThan", "<a>1 < 2</a>"}, FailCase{"LoneLessThan", "<"},
        FailCase{"LessThanAtEnd", "<a><"}, FailCase{"UnterminatedComment", "<a><!-- x </a>"},
        FailCase{"UnterminatedTopComment", "<!-- x"}, FailCase{"UnterminatedCData", "<a><![CDATA[x</a>"},
        FailCase{"UnterminatedTextCData", "<a>t<![CDATA[x</a>"}, FailCase{"UnterminatedAttribute", "<a x=\"1></a>"},
        FailCase{"AttributeWithoutValue", "<a x></a>"}, FailCase{"AttributeUnquoted", "<a x=1></a>"},
        FailCase{"AttributeWithoutName", "<a =\"1\"></a>"}, FailCase{"UnterminatedTag", "<a x=\"1\""},
        FailCase{"SlashWithoutGreater", "<a/ >"}, FailCase{"UnterminatedPI", "<a><?pi </a>"},
        FailCase{"UnterminatedDoctype", "<!DOCTYPE a [ <a/>"}, FailCase{"DoctypeInsideRoot", "<a><!DOCTYPE a></a>"},
        FailCase{"TwoRoots", "<a/><b/>"}, FailCase{"TextBeforeRoot", "x<a/>"}, FailCase{"TextAfterRoot", "<a/>x"},
        FailCase{"NulInName", std::string("<a\0", 3)},
        // UTF-16: an odd length, U+0000, a declaration that names another encoding.
        FailCase{"Utf16OddLength", std::string("\xFF\xFE<\0a\0/\0>\0\0", 11)},
        FailCase{"Utf16Nul", std::string("\xFF\xFE<\0a\0>\0\0\0<\0/\0a\0>\0", 18)},
        FailCase{"Utf16DeclaresUtf8", std::string("\xFE\xFF\0<\0?\0x\0m\0l\0 \0e\0n\0c\0o\0d\0i\0n\0g\0=\0'"
                                                  "\0u\0t\0f\0-\08\0'\0?\0>\0<\0a\0/\0>",
                                                  58)},
        // A quotation mark inside a processing instruction of the internal subset opens no literal.
        FailCase{"DoctypePIThenUnterminated", "<!DOCTYPE a [<?pi it's?>"}),
    [](const testing::TestParamInfo<FailCase> &info) { return std::string(info.param.name); });

// Every proper prefix of a document ends inside a construct or with open elements.
TEST(KELDASax, EveryTruncationFails)
{
    const std::string xml =
        "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY e 'v'>]><m a=\"1\" b='2'><!-- c --><i>t&amp;<![CDATA[d]]></i>"
        "<?p q?><e/></m>";
    Recorder whole;
    ASSERT_EQ(Parse(xml, &whole), S_OK);
    for (size_t n = 0; n < xml.size(); ++n) {
        Recorder r;
        EXPECT_EQ(Parse(xml.substr(0, n), &r), E_FAIL) << n;
    }
}

TEST(KELDASax, DeepNestingIsBounded)
{
    auto nested = [](size_t depth) {
        std::string xml;
        for (size_t i = 0; i < depth; ++i)
            xml += "<d>";
        for (size_t i = 0; i < depth; ++i)
            xml += "</d>";
        return xml;
    };
    KELDASaxContentHandler plain;
    EXPECT_EQ(Parse(nested(KELDASax::kMaxDepth), &plain), S_OK);
    EXPECT_EQ(Parse(nested(KELDASax::kMaxDepth + 1), &plain), E_FAIL);
}

TEST(KELDASax, ArgumentsAndEmptyBuffer)
{
    KELDASaxContentHandler plain;
    EXPECT_EQ(KELDASax::ReadXml("<a/>", 4, nullptr), E_INVALIDARG);
    EXPECT_EQ(KELDASax::ReadXml(nullptr, 4, &plain), E_INVALIDARG);
    EXPECT_EQ(KELDASax::ReadXml(nullptr, 0, &plain), E_FAIL);
}

TEST(KELDASax, HandlerResultStopsTheParse)
{
    struct Stopper : Recorder {
        HRESULT result;
        explicit Stopper(HRESULT hr) : result(hr) {}
        HRESULT endElement(const KELDASaxString &q, const KELDASaxString &n, const KELDASaxString &l, size_t p,
                           size_t len) override
        {
            Recorder::endElement(q, n, l, p, len);
            return q == "b" ? result : S_OK;
        }
    };
    for (HRESULT hr : {S_FALSE, E_ABORT, E_OUTOFMEMORY}) {
        Stopper s(hr);
        EXPECT_EQ(Parse("<a><b/><c/></a>", &s), hr);
        EXPECT_EQ(s.log, "<a><b></b>");
    }
}

TEST(KELDASax, PositionsEndAtTheDocumentLength)
{
    struct Positions : KELDASaxContentHandler {
        std::vector<size_t> starts, ends;
        size_t total = 0;
        HRESULT startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                             const KELDASaxAttributes &, const KELDASaxString &, size_t position,
                             size_t length) override
        {
            starts.push_back(position);
            total = length;
            return S_OK;
        }
        HRESULT endElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &, size_t position,
                           size_t) override
        {
            ends.push_back(position);
            return S_OK;
        }
    } p;
    const std::string xml = "<a><b/></a>";
    ASSERT_EQ(Parse(xml, &p), S_OK);
    EXPECT_EQ(p.starts, (std::vector<size_t>{3, 7}));
    EXPECT_EQ(p.ends, (std::vector<size_t>{7, 11}));
    EXPECT_EQ(p.total, xml.size());
}

TEST(KELDASax, AttributeLookup)
{
    struct Lookup : KELDASaxContentHandler {
        std::vector<std::string> seen;
        HRESULT startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                             const KELDASaxAttributes &a, const KELDASaxString &, size_t, size_t) override
        {
            seen.push_back(
                std::to_string(a.IndexOf("identifier")) + std::to_string(a.IndexOf("keldagallery", "readonly")) +
                std::to_string(a.IndexOf("missing")) + "|" + a.GetValue("keldagallery:readonly").text() + "|" +
                (a.GetValue("empty") ? "present" : "absent") + "|" + (a.GetValue("missing") ? "present" : "absent"));
            return S_OK;
        }
    } l;
    std::string xml = "<o identifier=\"id1\" keldagallery:readonly=\"true\" empty=\"\"";
    for (int i = 0; i < 30; ++i)
        xml += " x" + std::to_string(i) + "='" + std::to_string(i) + "'";
    xml += "/>";
    ASSERT_EQ(Parse(xml, &l), S_OK);
    EXPECT_EQ(l.seen, (std::vector<std::string>{"01-1|true|present|absent"}));
}

struct ValueCase {
    const char *raw;
    const wchar_t *value;
};

class CharacterData : public testing::TestWithParam<ValueCase>
{
};

TEST_P(CharacterData, Decodes)
{
    const std::string raw = GetParam().raw;
    EXPECT_EQ(KELDASaxString(raw.data(), raw.size()).value(), GetParam().value) << raw;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CharacterData,
    testing::Values(ValueCase{"plain", L"plain"}, ValueCase{"&amp;&lt;&gt;&quot;&apos;", L"&<>\"'"},
                    ValueCase{"a<!-- dropped -->b", L"ab"}, ValueCase{"<![CDATA[&amp;<x>]]>", L"&amp;<x>"},
                    ValueCase{"&#x41;&#x263a;&#x1F600;", L"A\u263a\U0001F600"}, ValueCase{"\xC3\xA9", L"\u00e9"},
                    ValueCase{"bad \xFF utf8", L"bad \ufffd utf8"},
                    // Decimal references, and line ends read as LF (a referenced CR stays).
                    ValueCase{"x&#65;y", L"xAy"}, ValueCase{"caf&#233;&#10;&#128512;", L"caf\u00e9\n\U0001F600"},
                    ValueCase{"a\r\nb\rc\n&#13;", L"a\nb\nc\n\r"},
                    // Unknown and malformed references make the whole value empty.
                    ValueCase{"&#;", L""}, ValueCase{"&#0;", L""}, ValueCase{"&#1114112;", L""},
                    ValueCase{"&#99999999999999999999;", L""}, ValueCase{"&#6a;", L""}, ValueCase{"&#65", L""},
                    ValueCase{"x&nbsp;y", L""}, ValueCase{"a & b", L""}, ValueCase{"&#x;", L""},
                    ValueCase{"&#x41", L""}, ValueCase{"&#X41;", L""}, ValueCase{"&#x0;", L""},
                    ValueCase{"&#xD800;", L""}, ValueCase{"&#x110000;", L""}, ValueCase{"&#xFFFFFFFFFFFFFFFF41;", L""},
                    ValueCase{"&am", L""},
                    // Unterminated markup inside an attribute value never reads past the view.
                    ValueCase{"a<!-- open", L"a"}, ValueCase{"<![CDATA[open", L"open"}, ValueCase{"1 < 2", L"1 < 2"}));

TEST(KELDASax, StringComparesAsView)
{
    const char *buffer = "lom:stringX";
    const KELDASaxString s(buffer, 10);
    EXPECT_TRUE(s == "lom:string");
    EXPECT_TRUE("lom:string" == s);
    EXPECT_TRUE(s != "lom:strin");
    EXPECT_FALSE(KELDASaxString());
    EXPECT_TRUE(KELDASaxString(buffer, 0));
    EXPECT_EQ(s.text(), "lom:string");
}

std::string Gzip(const std::string &data)
{
    z_stream zs{};
    EXPECT_EQ(deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&zs, data.size()) + 32, '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

TEST(KELDASax, ReadsFilesPlainAndGzip)
{
    TestEnv::TempDir dir;
    std::string big = "<m>";
    for (int i = 0; i < 30000; ++i)
        big += "<i n=\"" + std::to_string(i) + "\"/>"; // inflates past one block
    big += "</m>";
    const std::string gz = Gzip(big);
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("m.xml"), big));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("m.xml.GZ"), gz));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("two.gz"), Gzip("<m>") + Gzip("<i/></m>")));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("cut.gz"), gz.substr(0, gz.size() / 2)));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("plain.gz"), big));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("empty.xml"), ""));
    ASSERT_TRUE(TestEnv::WriteFile(dir.file("empty.gz"), ""));

    struct Counter : KELDASaxContentHandler {
        int elements = 0;
        HRESULT endElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &, size_t,
                           size_t) override
        {
            ++elements;
            return S_OK;
        }
    };
    const struct {
        const char *file;
        HRESULT result;
        int elements;
    } cases[] = {{"m.xml", S_OK, 30001},  {"m.xml.GZ", S_OK, 30001}, {"two.gz", S_OK, 2},
                 {"cut.gz", E_FAIL, 0},   {"plain.gz", E_FAIL, 0},   {"empty.xml", E_FAIL, 0},
                 {"empty.gz", E_FAIL, 0}, {"missing.xml", E_FAIL, 0}};
    for (const auto &c : cases) {
        Counter counter;
        EXPECT_EQ(KELDASax::ReadXmlFile(Text::FromUtf8(dir.file(c.file)), &counter), c.result) << c.file;
        EXPECT_EQ(counter.elements, c.elements) << c.file;
    }
    Counter counter;
    EXPECT_EQ(KELDASax::ReadXmlFile(Text::FromUtf8(dir.path()), &counter), E_FAIL); // a directory
}

// The conformance files: never a crash; the cases this reader is meant to catch are rejected and the
// valid ones accepted. Not detected (the reader does not validate): "]]>" in content, duplicate
// attributes, references to non-characters.
TEST(KELDASax, ConformanceSamples)
{
    TROVE_SKIP_WITHOUT_SAMPLES("xml");
    const std::string root = TestEnv::SamplesDir("xml") + "/xmlconf/";
    const struct {
        const char *file;
        bool detected;
        HRESULT result;
    } known[] = {{"oasis/p01pass2.xml", true, S_OK},   {"oasis/p43pass1.xml", true, S_OK},
                 {"oasis/p68pass1.xml", true, S_OK},   {"oasis/p22pass4.xml", true, S_OK},
                 {"oasis/p01fail3.xml", true, E_FAIL}, {"oasis/p39fail1.xml", true, E_FAIL},
                 {"oasis/p02fail1.xml", true, E_FAIL}, {"eduni/misc/008.xml", true, E_FAIL},
                 {"oasis/p14fail3.xml", false, S_OK},  {"oasis/p44fail5.xml", false, S_OK},
                 {"oasis/p66fail5.xml", false, S_OK}};
    size_t checked = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = TestEnv::ReadFile(entry.path().string());
        Recorder r;
        const HRESULT hr = Parse(bytes, &r);
        EXPECT_TRUE(hr == S_OK || hr == E_FAIL) << entry.path();
        const std::string rel = entry.path().string().substr(root.size());
        for (const auto &k : known) {
            if (rel != k.file) continue;
            ++checked;
            if (k.detected) {
                EXPECT_EQ(hr, k.result) << rel;
            }
        }
    }
    EXPECT_EQ(checked, std::size(known));
}

} // namespace
