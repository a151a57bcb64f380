// The KELDASax scanner: one pass over the buffer, a 256-entry class table for names and white space,
// memchr for the next '<' and for the closing quotation mark of attribute values. Every read is bounded
// by the end pointer; the buffer needs no terminating zero.
#include "support/KELDASax.h"

#include "support/RegularFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace
{

enum : uint8_t {
    kSpace = 1,       // space, tab, line feed, carriage return
    kNameEnd = 2,     // ends an element name: white space, '/', '>', '<'
    kAttrNameEnd = 4, // ends an attribute name: white space, '=', '/', '>', '<', quotation marks
};

struct CharTable {
    uint8_t c[256] = {};
    constexpr CharTable()
    {
        for (unsigned char ch : {' ', '\t', '\n', '\r'})
            c[ch] = kSpace | kNameEnd | kAttrNameEnd;
        for (unsigned char ch : {'/', '>', '<'})
            c[ch] = kNameEnd | kAttrNameEnd;
        for (unsigned char ch : {'=', '"', '\''})
            c[ch] = kAttrNameEnd;
    }
};
constexpr CharTable kTable;

inline bool Is(char ch, uint8_t cls)
{
    return kTable.c[static_cast<unsigned char>(ch)] & cls;
}

inline const char *SkipSpace(const char *p, const char *end)
{
    while (p < end && Is(*p, kSpace))
        ++p;
    return p;
}

inline bool StartsWith(const char *p, const char *end, std::string_view prefix)
{
    return static_cast<size_t>(end - p) >= prefix.size() && std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

// The first occurrence of needle in [p, end), or nullptr.
inline const char *Find(const char *p, const char *end, std::string_view needle)
{
    const char first = needle[0];
    while (p < end) {
        p = static_cast<const char *>(std::memchr(p, first, static_cast<size_t>(end - p)));
        if (!p) return nullptr;
        if (StartsWith(p, end, needle)) return p;
        ++p;
    }
    return nullptr;
}

constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";
constexpr std::string_view kCDataOpen = "<![CDATA[";
constexpr std::string_view kCDataClose = "]]>";

// At a '<' that may open a comment or CDATA section: the position after its end, p itself when it
// opens neither, nullptr when it is unterminated.
inline const char *SkipCommentOrCData(const char *p, const char *end)
{
    if (p + 1 >= end || p[1] != '!') return p;
    if (StartsWith(p, end, kCommentOpen)) {
        const char *close = Find(p + kCommentOpen.size(), end, kCommentClose);
        return close ? close + kCommentClose.size() : nullptr;
    }
    if (StartsWith(p, end, kCDataOpen)) {
        const char *close = Find(p + kCDataOpen.size(), end, kCDataClose);
        return close ? close + kCDataClose.size() : nullptr;
    }
    return p;
}

class Parser
{
  public:
    Parser(const char *buffer, size_t length, KELDASaxContentHandler *handler)
        : m_begin(buffer), m_end(buffer + length), m_length(length), m_handler(handler)
    {
    }

    HRESULT Run();

  private:
    HRESULT StartTag(const char *&p);
    HRESULT EndTag(const char *&p);
    HRESULT Markup(const char *&p); // "<!" at top level or in content
    HRESULT ProcessingInstruction(const char *&p);
    size_t Offset(const char *p) const { return static_cast<size_t>(p - m_begin); }

    static void SplitName(KELDASaxString name, KELDASaxString *prefix, KELDASaxString *local)
    {
        const char *colon = static_cast<const char *>(std::memchr(name.data(), ':', name.length()));
        if (colon) {
            *prefix = KELDASaxString(name.data(), static_cast<size_t>(colon - name.data()));
            *local = KELDASaxString(colon + 1, name.length() - prefix->length() - 1);
        } else {
            *prefix = KELDASaxString();
            *local = name;
        }
    }

    const char *m_begin;
    const char *m_end;
    size_t m_length;
    KELDASaxContentHandler *m_handler;
    KELDASaxAttributes m_attributes;
    std::vector<KELDASaxString> m_open; // names of the open elements, innermost last
    bool m_sawRoot = false;
};

HRESULT Parser::Run()
{
    HRESULT hr = m_handler->startDocument();
    if (hr != S_OK) return hr;
    m_open.reserve(64);

    const char *p = m_begin;
    if (StartsWith(p, m_end, "\xEF\xBB\xBF")) p += 3; // UTF-8 byte-order mark

    for (;;) {
        if (m_open.empty()) {
            // Between top-level constructs only white space may stand.
            p = SkipSpace(p, m_end);
            if (p == m_end) break;
            if (*p != '<') return E_FAIL;
        } else {
            p = static_cast<const char *>(std::memchr(p, '<', static_cast<size_t>(m_end - p)));
            if (!p) return E_FAIL; // ends inside an element
        }
        if (p + 1 >= m_end) return E_FAIL;
        switch (p[1]) {
        case '/':
            hr = EndTag(p);
            break;
        case '?':
            hr = ProcessingInstruction(p);
            break;
        case '!':
            hr = Markup(p);
            break;
        default:
            hr = StartTag(p);
            break;
        }
        if (hr != S_OK) return hr;
    }
    if (!m_sawRoot) return E_FAIL;
    return m_handler->endDocument();
}

HRESULT Parser::StartTag(const char *&p)
{
    const char *q = p + 1;
    const char *nameStart = q;
    while (q < m_end && !Is(*q, kNameEnd))
        ++q;
    if (q == m_end || q == nameStart) return E_FAIL;
    const KELDASaxString name(nameStart, static_cast<size_t>(q - nameStart));

    if (m_open.empty()) {
        if (m_sawRoot) return E_FAIL; // a second root element
        m_sawRoot = true;
    }
    if (m_open.size() >= KELDASax::kMaxDepth) return E_FAIL;

    m_attributes.Clear();
    bool empty = false;
    for (;;) {
        q = SkipSpace(q, m_end);
        if (q == m_end) return E_FAIL;
        if (*q == '>') {
            ++q;
            break;
        }
        if (*q == '/') {
            if (q + 1 < m_end && q[1] == '>') {
                q += 2;
                empty = true;
                break;
            }
            return E_FAIL;
        }
        const char *attrStart = q;
        while (q < m_end && !Is(*q, kAttrNameEnd))
            ++q;
        if (q == m_end || q == attrStart) return E_FAIL;
        const KELDASaxString attrName(attrStart, static_cast<size_t>(q - attrStart));
        q = SkipSpace(q, m_end);
        if (q == m_end || *q != '=') return E_FAIL;
        q = SkipSpace(q + 1, m_end);
        if (q == m_end || (*q != '"' && *q != '\'')) return E_FAIL;
        const char quote = *q++;
        const char *close = static_cast<const char *>(std::memchr(q, quote, static_cast<size_t>(m_end - q)));
        if (!close) return E_FAIL; // unterminated attribute value
        m_attributes.Add(attrName, KELDASaxString(q, static_cast<size_t>(close - q)));
        q = close + 1;
    }

    // The leading text of the element; the scan stops at the next tag, where the main loop resumes.
    KELDASaxString text(q, 0);
    const char *next = q;
    if (!empty) {
        const char *t = SkipSpace(q, m_end);
        next = t;
        bool hasText = t < m_end && (*t != '<' || SkipCommentOrCData(t, m_end) != t);
        if (hasText) {
            const char *r = t;
            for (;;) {
                r = static_cast<const char *>(std::memchr(r, '<', static_cast<size_t>(m_end - r)));
                if (!r) return E_FAIL;
                const char *after = SkipCommentOrCData(r, m_end);
                if (!after) return E_FAIL; // unterminated comment or CDATA section
                if (after == r) break;
                r = after;
            }
            text = KELDASaxString(t, static_cast<size_t>(r - t));
            next = r;
        }
    }

    KELDASaxString prefix, local;
    SplitName(name, &prefix, &local);
    HRESULT hr = m_handler->startElement(name, prefix, local, m_attributes, text, Offset(q), m_length);
    if (hr != S_OK) return hr;
    if (empty) {
        hr = m_handler->endElement(name, prefix, local, Offset(q), m_length);
        if (hr != S_OK) return hr;
    } else {
        m_open.push_back(name);
    }
    p = next;
    return S_OK;
}

HRESULT Parser::EndTag(const char *&p)
{
    const char *q = p + 2;
    const char *nameStart = q;
    while (q < m_end && !Is(*q, kNameEnd))
        ++q;
    const KELDASaxString name(nameStart, static_cast<size_t>(q - nameStart));
    q = SkipSpace(q, m_end);
    if (q == m_end || *q != '>') return E_FAIL;
    ++q;
    if (m_open.empty() || m_open.back() != name.view()) return E_FAIL;
    m_open.pop_back();

    KELDASaxString prefix, local;
    SplitName(name, &prefix, &local);
    HRESULT hr = m_handler->endElement(name, prefix, local, Offset(q), m_length);
    p = q;
    return hr;
}

HRESULT Parser::Markup(const char *&p)
{
    if (StartsWith(p, m_end, kCommentOpen) || (!m_open.empty() && StartsWith(p, m_end, kCDataOpen))) {
        const char *after = SkipCommentOrCData(p, m_end);
        if (!after) return E_FAIL;
        p = after;
        return S_OK;
    }
    if (m_open.empty() && !m_sawRoot && StartsWith(p, m_end, "<!DOCTYPE")) {
        // Up to the '>' outside the internal subset; quoted literals, comments and processing
        // instructions may hold any bracket or quotation mark.
        int depth = 0;
        const char *q = p + 9;
        while (q < m_end) {
            const char c = *q;
            if (c == '"' || c == '\'') {
                const char *close =
                    static_cast<const char *>(std::memchr(q + 1, c, static_cast<size_t>(m_end - q - 1)));
                if (!close) return E_FAIL;
                q = close + 1;
                continue;
            }
            if (c == '<' && StartsWith(q, m_end, kCommentOpen)) {
                const char *after = SkipCommentOrCData(q, m_end);
                if (!after) return E_FAIL;
                q = after;
                continue;
            }
            if (c == '<' && StartsWith(q, m_end, "<?")) {
                // A processing instruction may hold a lone quotation mark: it is no literal.
                const char *close = Find(q + 2, m_end, "?>");
                if (!close) return E_FAIL;
                q = close + 2;
                continue;
            }
            if (c == '[') {
                ++depth;
            } else if (c == ']') {
                if (depth > 0) --depth;
            } else if (c == '>' && depth == 0) {
                p = q + 1;
                return S_OK;
            }
            ++q;
        }
        return E_FAIL;
    }
    return E_FAIL;
}

HRESULT Parser::ProcessingInstruction(const char *&p)
{
    const char *targetStart = p + 2;
    const char *close = Find(targetStart, m_end, "?>");
    if (!close) return E_FAIL;
    const char *q = targetStart;
    while (q < close && !Is(*q, kSpace))
        ++q;
    const KELDASaxString target(targetStart, static_cast<size_t>(q - targetStart));
    p = close + 2;
    if (target.empty()) return E_FAIL;
    if (target.length() == 3 && Text::EqualsNoCaseAscii(target.view(), "xml")) return S_OK; // the declaration
    q = SkipSpace(q, close);
    return m_handler->processingInstruction(target, KELDASaxString(q, static_cast<size_t>(close - q)));
}

// Appends the UTF-8 form of a code point; false for values that are not Unicode scalar values.
bool AppendUtf8(uint32_t cp, CAtlStringA &out)
{
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return true;
}

// Decodes one reference starting at '&'; advances p past it. False for anything but the five
// predefined entities and a valid decimal or hexadecimal character reference.
bool DecodeReference(const char *&p, const char *end, CAtlStringA &out)
{
    static constexpr struct {
        std::string_view name;
        char ch;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto &e : kEntities) {
        if (StartsWith(p, end, e.name)) {
            out += e.ch;
            p += e.name.size();
            return true;
        }
    }
    if (!StartsWith(p, end, "&#")) return false;
    const bool hex = StartsWith(p, end, "&#x");
    const uint32_t base = hex ? 16 : 10;
    const char *q = p + (hex ? 3 : 2);
    uint32_t cp = 0;
    const char *digits = q;
    while (q < end) {
        const char c = *q;
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else
            break;
        if (cp > 0x10FFFF) return false; // stop before the value can wrap
        cp = cp * base + d;
        ++q;
    }
    if (q == digits || q == end || *q != ';') return false;
    if (!AppendUtf8(cp, out)) return false;
    p = q + 1;
    return true;
}

bool DecodeCharacterData(std::string_view raw, CAtlStringA &out)
{
    out.clear();
    out.reserve(raw.size());
    const char *p = raw.data();
    const char *end = p + raw.size();
    while (p < end) {
        // Copy the run up to the next markup character in one go.
        const char *run = p;
        while (p < end && *p != '&' && *p != '<' && *p != '\r')
            ++p;
        out.append(run, static_cast<size_t>(p - run));
        if (p == end) break;
        if (*p == '\r') {
            // Line ends read as one line feed, as every XML reader hands them over ("&#13;" stays).
            out += '\n';
            ++p;
            if (p < end && *p == '\n') ++p;
        } else if (*p == '&') {
            if (!DecodeReference(p, end, out)) {
                out.clear();
                return false;
            }
        } else if (StartsWith(p, end, kCommentOpen)) {
            const char *close = Find(p + kCommentOpen.size(), end, kCommentClose);
            p = close ? close + kCommentClose.size() : end;
        } else if (StartsWith(p, end, kCDataOpen)) {
            const char *body = p + kCDataOpen.size();
            const char *close = Find(body, end, kCDataClose);
            out.append(body, static_cast<size_t>((close ? close : end) - body));
            p = close ? close + kCDataClose.size() : end;
        } else {
            out += *p++;
        }
    }
    return true;
}

bool ReadWholeFile(const CAtlStringA &path, size_t maxBytes, std::vector<char> *bytes)
{
    return RegularFile::ReadAll(path, maxBytes, *bytes);
}

// Inflates every gzip member of the input, in blocks of 131072 bytes; more than maxBytes fails.
bool Gunzip(const std::vector<char> &in, size_t maxBytes, std::vector<char> *out)
{
    constexpr size_t kBlock = Limits::kXmlInflateBlock;
    out->clear();
    if (in.empty()) return false;
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) return false;
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    bool ok = false;
    for (;;) {
        if (out->size() >= maxBytes + 1) break; // one byte past the limit is proof enough
        const size_t have = out->size();
        const size_t step = std::min(kBlock, maxBytes + 1 - have);
        out->resize(have + step);
        zs.next_out = reinterpret_cast<Bytef *>(out->data() + have);
        zs.avail_out = static_cast<uInt>(step);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        out->resize(have + (step - zs.avail_out));
        if (out->size() > maxBytes) break;
        if (rc == Z_STREAM_END) {
            if (zs.avail_in == 0) {
                ok = true;
                break;
            }
            if (inflateReset(&zs) != Z_OK) break; // another member follows
            continue;
        }
        if (rc != Z_OK) break;                            // damaged data
        if (zs.avail_in == 0 && zs.avail_out != 0) break; // truncated: input used up, stream not ended
    }
    inflateEnd(&zs);
    if (!ok) out->clear();
    return ok;
}

bool HasGzExtension(const CAtlStringA &path)
{
    return path.size() >= 3 && Text::EqualsNoCaseAscii(std::string_view(path).substr(path.size() - 3), ".gz");
}

bool IsUtf16ByteOrderMark(const char *p)
{
    const auto a = static_cast<unsigned char>(p[0]), b = static_cast<unsigned char>(p[1]);
    return (a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF);
}

// UTF-16 (byte order from the mark, which is dropped) to UTF-8. A lone surrogate becomes U+FFFD; an odd
// length or U+0000, which no XML document may hold, fails.
bool TranscodeUtf16(const char *data, size_t length, std::string &out)
{
    if (length % 2 != 0) return false;
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    const bool little = p[0] == 0xFF;
    const size_t units = length / 2;
    auto unit = [p, little](size_t i) -> uint32_t {
        return little ? (p[2 * i] | (p[2 * i + 1] << 8)) : ((p[2 * i] << 8) | p[2 * i + 1]);
    };
    out.clear();
    out.reserve(length + length / 2);
    for (size_t i = 1; i < units; ++i) {
        uint32_t cp = unit(i);
        if (cp == 0) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (!AppendUtf8(cp, out)) return false;
    }
    return true;
}

// A document that came with a UTF-16 mark may not call itself something else in its declaration.
bool DeclaresUtf16OrNothing(std::string_view document)
{
    if (document.substr(0, 5) != "<?xml") return true;
    const size_t close = document.find("?>");
    const std::string_view declaration = document.substr(0, close);
    const size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return true;
    size_t q = declaration.find_first_of("\"'", at);
    if (q == std::string_view::npos) return false;
    const size_t end = declaration.find(declaration[q], q + 1);
    if (end == std::string_view::npos) return false;
    const std::string_view name = declaration.substr(q + 1, end - q - 1);
    return Text::EqualsNoCaseAscii(name, "UTF-16") || Text::EqualsNoCaseAscii(name, "UTF-16LE") ||
           Text::EqualsNoCaseAscii(name, "UTF-16BE");
}

} // namespace

CAtlString KELDASaxString::value() const
{
    return Text::FromUtf8(valueA());
}

CAtlStringA KELDASaxString::valueA() const
{
    CAtlStringA out;
    DecodeCharacterData(view(), out);
    return out;
}

int KELDASaxAttributes::IndexOf(std::string_view qualifiedName) const
{
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name == qualifiedName) return static_cast<int>(i);
    return -1;
}

int KELDASaxAttributes::IndexOf(std::string_view prefix, std::string_view localName) const
{
    if (prefix.empty()) return IndexOf(localName);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const std::string_view n = m_entries[i].name.view();
        if (n.size() == prefix.size() + 1 + localName.size() && n.compare(0, prefix.size(), prefix) == 0 &&
            n[prefix.size()] == ':' && n.compare(prefix.size() + 1, localName.size(), localName) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

KELDASaxContentHandler::~KELDASaxContentHandler() = default;
HRESULT KELDASaxContentHandler::startDocument()
{
    return S_OK;
}
HRESULT KELDASaxContentHandler::endDocument()
{
    return S_OK;
}
HRESULT KELDASaxContentHandler::startElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                                             const KELDASaxAttributes &, const KELDASaxString &, size_t, size_t)
{
    return S_OK;
}
HRESULT KELDASaxContentHandler::endElement(const KELDASaxString &, const KELDASaxString &, const KELDASaxString &,
                                           size_t, size_t)
{
    return S_OK;
}
HRESULT KELDASaxContentHandler::processingInstruction(const KELDASaxString &, const KELDASaxString &)
{
    return S_OK;
}

HRESULT KELDASax::ReadXml(const char *buffer, size_t length, KELDASaxContentHandler *handler)
{
    if (!handler || (!buffer && length > 0)) return E_INVALIDARG;
    if (!buffer) buffer = "";
    if (length >= 2 && IsUtf16ByteOrderMark(buffer)) {
        // Transcoded once; the views the handler sees point into the UTF-8 copy.
        std::string utf8;
        if (!TranscodeUtf16(buffer, length, utf8) || !DeclaresUtf16OrNothing(utf8)) return E_FAIL;
        Parser parser(utf8.data(), utf8.size(), handler);
        return parser.Run();
    }
    Parser parser(buffer, length, handler);
    return parser.Run();
}

HRESULT KELDASax::LoadDocument(const CAtlStringA &path, std::vector<char> *bytes, size_t maxBytes)
{
    if (!bytes) return E_INVALIDARG;
    maxBytes = std::min(maxBytes, kMaxDocumentBytes);
    std::vector<char> raw;
    const bool gz = HasGzExtension(path);
    // The compressed file itself is never larger than what it inflates to, give or take its header.
    if (!ReadWholeFile(path, gz ? kMaxDocumentBytes : maxBytes, &raw)) return E_FAIL;
    if (!gz) {
        *bytes = std::move(raw);
        return S_OK;
    }
    std::vector<char> inflated;
    if (!Gunzip(raw, maxBytes, &inflated)) return E_FAIL;
    inflated.shrink_to_fit();
    *bytes = std::move(inflated);
    return S_OK;
}

HRESULT KELDASax::ReadXmlFileUtf8(const CAtlStringA &path, KELDASaxContentHandler *handler, size_t maxBytes)
{
    if (!handler) return E_INVALIDARG;
    std::vector<char> bytes;
    const HRESULT hr = LoadDocument(path, &bytes, maxBytes);
    if (FAILED(hr)) return hr;
    return ReadXml(bytes.data(), bytes.size(), handler);
}

HRESULT KELDASax::ReadXmlFile(const CAtlString &path, KELDASaxContentHandler *handler, size_t maxBytes)
{
    return ReadXmlFileUtf8(Text::ToUtf8(path), handler, maxBytes);
}
