// The XML writer: CMyWriter formats into a buffer that it hands to its stream in large blocks;
// CMyFileWriter and CMyStringWriter only differ in the stream they write to.
#include "support/XmlWriter.h"

#include "support/Base64.h"

#include <tinyxml2.h>

#include <atomic>
#include <charconv>
#include <cstdio>

namespace
{

constexpr size_t kFlushThreshold = 64 * 1024;

struct EscapeTable {
    bool special[256] = {};
    constexpr EscapeTable()
    {
        for (unsigned char c : {'&', '\'', '"', '<', '>'})
            special[c] = true;
    }
};
constexpr EscapeTable kEscape;

class CMyWriter : public IKELDAXMLWriter
{
  public:
    explicit CMyWriter(IKELDAStream *stream) : m_stream(stream) { m_buffer.reserve(kFlushThreshold * 2); }
    ~CMyWriter() override { Close(); }

    HRESULT QueryInterface(eKeldaInterface iid, void **object) override
    {
        if (!object) return E_INVALIDARG;
        *object = nullptr;
        if (iid != eKeldaInterfaceUnknown && iid != eKeldaInterfaceXMLWriter) return E_NOTIMPL;
        AddRef();
        *object = static_cast<IKELDAXMLWriter *>(this);
        return S_OK;
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override
    {
        const uint32_t left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    HRESULT OutputXMLHeader() override
    {
        m_buffer += R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)";
        return Done();
    }
    HRESULT OutputSVGBlockForExport(std::string_view text) override { return WriteElementContents(text); }
    HRESULT startElement(std::string_view name) override
    {
        CloseStartTag();
        m_buffer += '<';
        m_buffer += name;
        m_tagOpen = true;
        return Done();
    }
    HRESULT endElement(std::string_view name) override
    {
        if (m_tagOpen) {
            m_buffer += "/>";
            m_tagOpen = false;
        } else {
            m_buffer += "</";
            m_buffer += name;
            m_buffer += '>';
        }
        return Done();
    }
    HRESULT get_output(CAtlStringA *) override { return E_NOTIMPL; }
    HRESULT WriteTextAttribute(std::string_view name, std::string_view value) override
    {
        return Attribute(name, '"', value, {}, {});
    }
    HRESULT WriteLongTextAttribute(std::string_view name, std::string_view part1, std::string_view part2,
                                   std::string_view part3) override
    {
        return Attribute(name, '"', part1, part2, part3);
    }
    HRESULT WriteTextAttributeW(std::string_view name, std::wstring_view value) override
    {
        return Attribute(name, '"', Text::ToUtf8(value), {}, {});
    }
    HRESULT WriteTextAttributeBySingleQuotation(std::string_view name, std::string_view value) override
    {
        return Attribute(name, '\'', value, {}, {});
    }
    HRESULT WriteEscapedElementContents(std::string_view text) override
    {
        CloseStartTag();
        KeldaXmlEscape(text, m_buffer);
        return Done();
    }
    HRESULT WriteElementContents(std::string_view text) override
    {
        CloseStartTag();
        m_buffer += text;
        return Done();
    }
    HRESULT Close() override
    {
        if (m_stream) {
            Flush();
            if (FAILED(m_stream->Commit())) m_failed = true;
            m_stream->Release();
            m_stream = nullptr;
            m_closed = true;
        }
        return m_failed ? E_FAIL : S_OK;
    }

  protected:
    // Hands the buffer to the stream.
    void Flush()
    {
        if (!m_buffer.empty() && m_stream && !m_failed) {
            if (FAILED(m_stream->Write(m_buffer.data(), m_buffer.size(), nullptr))) m_failed = true;
        }
        m_buffer.clear();
    }
    IKELDAStream *Stream() const { return m_stream; }

  private:
    void CloseStartTag()
    {
        if (m_tagOpen) {
            m_buffer += '>';
            m_tagOpen = false;
        }
    }
    HRESULT Attribute(std::string_view name, char quote, std::string_view a, std::string_view b, std::string_view c)
    {
        m_buffer += ' ';
        m_buffer += name;
        m_buffer += '=';
        m_buffer += quote;
        KeldaXmlEscape(a, m_buffer);
        KeldaXmlEscape(b, m_buffer);
        KeldaXmlEscape(c, m_buffer);
        m_buffer += quote;
        return Done();
    }
    HRESULT Done()
    {
        if (m_closed) {
            m_buffer.clear();
            return E_FAIL;
        }
        if (m_buffer.size() >= kFlushThreshold) Flush();
        return m_failed ? E_FAIL : S_OK;
    }

    std::atomic<uint32_t> m_refs{1};
    IKELDAStream *m_stream;
    std::string m_buffer;
    bool m_tagOpen = false;
    bool m_failed = false;
    bool m_closed = false;
};

class CMyFileWriter : public CMyWriter
{
  public:
    using CMyWriter::CMyWriter;
};

class CMyStringWriter : public CMyWriter
{
  public:
    CMyStringWriter(IKELDABufferStream *buffer) : CMyWriter(buffer), m_bufferStream(buffer) {}
    HRESULT get_output(CAtlStringA *out) override
    {
        if (!out) return E_INVALIDARG;
        if (!Stream()) return E_FAIL;
        Flush();
        *out = CAtlStringA(m_bufferStream->Peek());
        return S_OK;
    }

  private:
    IKELDABufferStream *m_bufferStream; // the same object as the stream, kept for Peek
};

template <class Strings> CAtlStringA Join(const Strings &strings, char separator)
{
    CAtlStringA joined;
    for (size_t i = 0; i < strings.size(); ++i) {
        if (i) joined += separator;
        if constexpr (std::is_same_v<typename Strings::value_type, CAtlString>)
            joined += Text::ToUtf8(strings[i]);
        else
            joined += strings[i];
    }
    return joined;
}

} // namespace

void KeldaXmlEscape(std::string_view text, CAtlStringA &out)
{
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
        const char *run = p;
        while (p < end && !kEscape.special[static_cast<unsigned char>(*p)])
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (p == end) break;
        switch (*p++) {
        case '&':
            out += "&amp;";
            break;
        case '\'':
            out += "&apos;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        default:
            out += "&gt;";
            break;
        }
    }
}

HRESULT IKELDAXMLWriter::CreateKELDAXMLWriterOnStream(IKELDAXMLWriter **out, IKELDAStream *stream)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!stream) return E_INVALIDARG;
    stream->AddRef();
    *out = new CMyFileWriter(stream);
    return S_OK;
}

HRESULT IKELDAXMLWriter::CreateKELDAXMLWriter(IKELDAXMLWriter **out, const CAtlString &path)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    IKELDAStream *stream = nullptr;
    if (FAILED(CStreamFactory::CreateWritableFileStream(&stream, path)) || !stream) return E_FAIL;
    *out = new CMyFileWriter(stream);
    return S_OK;
}

HRESULT IKELDAXMLWriter::CreateKELDAXMLWriterCompressed(IKELDAXMLWriter **out, const CAtlString &path)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    IKELDAStream *stream = nullptr;
    if (FAILED(CStreamFactory::CreateWritableCompressedFileStream(&stream, path)) || !stream) return E_FAIL;
    *out = new CMyFileWriter(stream);
    return S_OK;
}

HRESULT IKELDAXMLWriter::CreateKELDAXMLWriterOnString(IKELDAXMLWriter **out)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    IKELDABufferStream *buffer = nullptr;
    if (FAILED(CStreamFactory::CreateWritableBufferStream(&buffer)) || !buffer) return E_FAIL;
    *out = new CMyStringWriter(buffer);
    return S_OK;
}

HRESULT IKELDAXMLWriter::WriteSimpleTextElement(std::string_view name, std::string_view text)
{
    startElement(name);
    if (!text.empty()) WriteElementContents(text);
    return endElement(name);
}

HRESULT IKELDAXMLWriter::WriteEscapedSimpleTextElement(std::string_view name, std::string_view text)
{
    startElement(name);
    if (!text.empty()) WriteEscapedElementContents(text);
    return endElement(name);
}

HRESULT IKELDAXMLWriter::WriteCDATAElement(std::string_view text)
{
    // "]]>" would end the section early: close the section after "]]" and open a new one for ">".
    CAtlStringA out = "<![CDATA[";
    size_t from = 0;
    for (size_t at; (at = text.find("]]>", from)) != std::string_view::npos; from = at + 2) {
        out.append(text.data() + from, at + 2 - from);
        out += "]]><![CDATA[";
    }
    out.append(text.data() + from, text.size() - from);
    out += "]]>";
    return WriteElementContents(out);
}

HRESULT IKELDAXMLWriter::WriteEscapedCDATAElement(std::string_view text)
{
    CAtlStringA out = "<![CDATA[";
    KeldaXmlEscape(text, out);
    out += "]]>";
    return WriteElementContents(out);
}

HRESULT IKELDAXMLWriter::WriteElementValue(std::string_view text)
{
    return WriteEscapedElementContents(text);
}

HRESULT IKELDAXMLWriter::WriteLongAttribute(std::string_view name, int32_t value)
{
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%i", static_cast<int>(value));
    return WriteTextAttribute(name, std::string_view(text, static_cast<size_t>(n)));
}

HRESULT IKELDAXMLWriter::WriteBOOLAttribute(std::string_view name, bool value)
{
    return WriteTextAttribute(name, value ? "1" : "0");
}

HRESULT IKELDAXMLWriter::WriteFloatAttribute(std::string_view name, double value)
{
    // to_chars never looks at the locale, unlike "%.2f" under a Qt application.
    char text[512];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) return WriteTextAttribute(name, "0.00");
    return WriteTextAttribute(name, std::string_view(text, static_cast<size_t>(result.ptr - text)));
}

HRESULT IKELDAXMLWriter::WriteColorAttribute(std::string_view name, uint32_t value)
{
    if (value == kColorNone || value == kColorTransparent) return WriteTextAttribute(name, "none");
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
    return WriteTextAttribute(name, std::string_view(text, 7));
}

HRESULT IKELDAXMLWriter::WriteBase64Attribute(std::string_view name, const void *bytes, size_t count)
{
    return WriteTextAttribute(name, ConvertRawBytesIntoBase64String(bytes, count, "data:;base64,"));
}

HRESULT IKELDAXMLWriter::WriteCommaSeperatedArrayAttribute(std::string_view name,
                                                           const std::vector<CAtlStringA> &strings)
{
    if (strings.empty()) return S_OK;
    return WriteTextAttribute(name, Join(strings, ','));
}

HRESULT IKELDAXMLWriter::WriteCommaSeperatedArrayAttribute(std::string_view name,
                                                           const std::vector<CAtlString> &strings)
{
    if (strings.empty()) return S_OK;
    return WriteTextAttribute(name, Join(strings, ','));
}

HRESULT IKELDAXMLWriter::WriteSemiColonSeperatedArrayAttribute(std::string_view name,
                                                               const std::vector<CAtlStringA> &strings)
{
    if (strings.empty()) return S_OK;
    return WriteTextAttributeBySingleQuotation(name, Join(strings, ';'));
}

HRESULT IKELDAXMLWriter::WriteSemiColonSeperatedArrayAttribute(std::string_view name,
                                                               const std::vector<CAtlString> &strings)
{
    if (strings.empty()) return S_OK;
    return WriteTextAttributeBySingleQuotation(name, Join(strings, ';'));
}

HRESULT IKELDAXMLWriter::CopyFileToXMLWriter(const CAtlString &path)
{
    FILE *file = std::fopen(Text::ToUtf8(path).c_str(), "rb");
    if (!file) return E_FAIL;
    char block[4096];
    HRESULT hr = S_OK;
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, file);
        if (n > 0 && FAILED(WriteElementContents(std::string_view(block, n)))) hr = E_FAIL;
        if (n < sizeof block) {
            if (std::ferror(file)) hr = E_FAIL;
            break;
        }
    }
    std::fclose(file);
    return hr;
}

HRESULT IKELDAXMLWriter::CopyElementToXMLWriter(const tinyxml2::XMLElement *element)
{
    if (!element) return E_INVALIDARG;
    // Depth-first without recursion: a node is entered, its children written, then it is left.
    const tinyxml2::XMLNode *node = element;
    HRESULT hr = S_OK;
    // Text and comments are leaves; elements are opened here and closed once their children are done.
    // The writer keeps its first failure, so the steps in between need no check: the closing
    // endElement of the copied element reports it.
    auto enter = [&](const tinyxml2::XMLNode *n) {
        if (const tinyxml2::XMLElement *e = n->ToElement()) {
            startElement(e->Name());
            for (const tinyxml2::XMLAttribute *a = e->FirstAttribute(); a; a = a->Next())
                WriteTextAttribute(a->Name(), a->Value());
        } else if (const tinyxml2::XMLText *t = n->ToText()) {
            if (t->CData())
                WriteCDATAElement(t->Value());
            else
                WriteEscapedElementContents(t->Value());
        } else if (const tinyxml2::XMLComment *c = n->ToComment()) {
            CAtlStringA text = "<!--";
            text += c->Value();
            text += "-->";
            WriteElementContents(text);
        }
    };
    enter(node);
    const tinyxml2::XMLNode *parent = node;
    const tinyxml2::XMLNode *child = node->FirstChild();
    for (;;) {
        if (child) {
            enter(child);
            if (child->ToElement() && child->FirstChild()) {
                parent = child;
                child = child->FirstChild();
                continue;
            }
            if (const tinyxml2::XMLElement *e = child->ToElement()) endElement(e->Name());
            child = child->NextSibling();
            continue;
        }
        // Every child of parent is written.
        hr = endElement(parent->ToElement()->Name());
        if (parent == node) break;
        child = parent->NextSibling();
        parent = parent->Parent();
    }
    return hr;
}
