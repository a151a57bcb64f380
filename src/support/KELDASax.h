// KELDASax: the small event-based XML reader used for the gallery documents (imsmanifest.xml, i18n.xml,
// uninstall records, online-resource documents).
//
// The reader walks an in-memory buffer once and calls a KELDASaxContentHandler. Names, attribute values
// and element text are handed over as KELDASaxString views into that buffer; nothing is copied and no
// memory is allocated per element or attribute. The views are valid only while the buffer lives, so a
// handler that keeps a value copies it (text() or value()).
//
// The reader does not validate and does not resolve namespaces: a qualified name "lom:string" is passed
// as is, together with its prefix ("lom") as the namespace and "string" as the local name. It does check
// what it needs to stay safe and to reject broken files: a document that ends inside a construct, an end
// tag that does not match the open element, a second root element, text outside the root, or nesting
// deeper than KELDASax::kMaxDepth all fail with E_FAIL.
#pragma once

#include "support/KeldaPath.h"
#include "support/Limits.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <string_view>
#include <vector>

// A view (pointer and length) into the document buffer. A default-constructed string is "absent"
// (operator bool is false); a present value may still be empty (an attribute written a="").
class KELDASaxString
{
  public:
    KELDASaxString() = default;
    KELDASaxString(const char *data, size_t length) : m_data(data), m_length(length) {}

    const char *data() const { return m_data; }
    size_t length() const { return m_length; }
    bool empty() const { return m_length == 0; }
    explicit operator bool() const { return m_data != nullptr; }
    std::string_view view() const { return m_data ? std::string_view(m_data, m_length) : std::string_view(); }

    // The raw bytes, exactly as they stand in the document.
    CAtlStringA text() const { return CAtlStringA(view()); }
    // The character data: comments dropped, CDATA sections copied literally, the five predefined entity
    // references and decimal and hexadecimal character references ("&#233;", "&#x263a;") replaced, line
    // ends (CR LF, a lone CR) read as LF, then decoded from UTF-8 (invalid sequences become U+FFFD). Any
    // other reference (entities of a document type, malformed ones) makes the whole value empty.
    CAtlString value() const;
    // The same character data as UTF-8 bytes (no decoding step).
    CAtlStringA valueA() const;

    bool operator==(std::string_view other) const { return view() == other; }
    bool operator!=(std::string_view other) const { return view() != other; }
    friend bool operator==(std::string_view a, const KELDASaxString &b) { return b == a; }
    friend bool operator!=(std::string_view a, const KELDASaxString &b) { return b != a; }

  private:
    const char *m_data = nullptr;
    size_t m_length = 0;
};

// The attributes of one start tag, in document order. The reader reuses one object for the whole
// document, so its storage is allocated once (room for 20 attributes, growing only for larger tags).
class KELDASaxAttributes
{
  public:
    KELDASaxAttributes() { m_entries.reserve(20); }

    size_t GetLength() const { return m_entries.size(); }
    KELDASaxString GetQName(size_t index) const
    {
        return index < m_entries.size() ? m_entries[index].name : KELDASaxString();
    }
    KELDASaxString GetValue(size_t index) const
    {
        return index < m_entries.size() ? m_entries[index].value : KELDASaxString();
    }

    // Index of the attribute with that qualified name, or -1.
    int IndexOf(std::string_view qualifiedName) const;
    // Index of the attribute "prefix:localName" (just "localName" when the prefix is empty), or -1.
    int IndexOf(std::string_view prefix, std::string_view localName) const;
    // The value, or an absent KELDASaxString.
    KELDASaxString GetValue(std::string_view qualifiedName) const { return GetValue(Index(IndexOf(qualifiedName))); }
    KELDASaxString GetValue(std::string_view prefix, std::string_view localName) const
    {
        return GetValue(Index(IndexOf(prefix, localName)));
    }

    // Used by the reader.
    void Clear() { m_entries.clear(); }
    void Add(KELDASaxString name, KELDASaxString value) { m_entries.push_back({name, value}); }

  private:
    static size_t Index(int i) { return i < 0 ? static_cast<size_t>(-1) : static_cast<size_t>(i); }
    struct Entry {
        KELDASaxString name;
        KELDASaxString value;
    };
    std::vector<Entry> m_entries;
};

// Receives the events of one parse. Every operation returns a status; anything other than S_OK stops the
// parse, and that status becomes the result of KELDASax::ReadXml. The defaults do nothing.
class KELDASaxContentHandler
{
  public:
    virtual ~KELDASaxContentHandler();

    [[nodiscard]] virtual HRESULT startDocument();
    [[nodiscard]] virtual HRESULT endDocument();
    // text: the element's leading character data (see KELDASax::ReadXml); position: the byte offset just
    // after the start tag; length: the size of the whole document.
    [[nodiscard]] virtual HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                               const KELDASaxString &localName, const KELDASaxAttributes &attributes,
                                               const KELDASaxString &text, size_t position, size_t length);
    // position: the byte offset just after the end tag (or after "/>" of an empty-element tag).
    [[nodiscard]] virtual HRESULT endElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                             const KELDASaxString &localName, size_t position, size_t length);
    // A processing instruction other than the XML declaration; data excludes the closing "?>".
    [[nodiscard]] virtual HRESULT processingInstruction(const KELDASaxString &target, const KELDASaxString &data);
};

class KELDASax
{
  public:
    // Deepest element nesting accepted; deeper documents fail rather than grow the element stack.
    static constexpr size_t kMaxDepth = Limits::kMaxXmlDepth;
    // Largest document ReadXmlFile loads (plain or after inflating).
    static constexpr size_t kMaxDocumentBytes = Limits::kMaxXmlDocumentBytes;

    // Parses length bytes at buffer (no terminating zero needed). A document that starts with a UTF-16
    // byte-order mark (either order) is transcoded to UTF-8 once and read as usual; positions then count
    // bytes of the UTF-8 form. Returns S_OK, the first non-zero
    // status of the handler, E_FAIL for a malformed or truncated document, or E_INVALIDARG without a
    // handler. An empty document (no root element) is malformed.
    //
    // Element text: after a start tag, white space is skipped; if a tag follows, the text is empty;
    // otherwise it runs from the first non-white character to the next "<" that does not open a comment
    // or CDATA section (so comments and CDATA sections inside the text are part of it). A text that opens
    // with a comment or CDATA section counts as text, so that <a><![CDATA[x]]></a> delivers "x".
    [[nodiscard]] static HRESULT ReadXml(const char *buffer, size_t length, KELDASaxContentHandler *handler);

    // Reads a whole file and parses it. A name ending in ".gz" (any case) is inflated as a gzip stream
    // (several members are read one after the other) in memory first; a damaged or truncated gzip file
    // gives E_FAIL. A missing or unreadable file, or one that is no regular file (a FIFO, a device),
    // gives E_FAIL without blocking. maxBytes bounds the document, plain or inflated (never above
    // kMaxDocumentBytes); a larger one gives E_FAIL.
    [[nodiscard]] static HRESULT ReadXmlFile(const CAtlString &path, KELDASaxContentHandler *handler,
                                             size_t maxBytes = kMaxDocumentBytes);
    [[nodiscard]] static HRESULT ReadXmlFileUtf8(const CAtlStringA &path, KELDASaxContentHandler *handler,
                                                 size_t maxBytes = kMaxDocumentBytes);
    [[nodiscard]] static HRESULT ReadXmlFile(const CKeldaFilePath &path, KELDASaxContentHandler *handler,
                                             size_t maxBytes = kMaxDocumentBytes)
    {
        return ReadXmlFile(path.GetFilePathString(), handler, maxBytes);
    }

    // The bytes ReadXmlFile would parse: the file itself, or its inflated contents for ".gz".
    [[nodiscard]] static HRESULT LoadDocument(const CAtlStringA &path, std::vector<char> *bytes,
                                              size_t maxBytes = kMaxDocumentBytes);
};
