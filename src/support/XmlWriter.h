// IKELDAXMLWriter: the streaming XML writer that fixes the exact bytes of imsmanifest.xml, metadata.xml
// and i18n.xml.
//
// Output rules: UTF-8 throughout, no white space of the writer's own. startElement leaves the start tag
// open for attributes; the first content (or the next startElement) closes it with ">"; endElement
// writes "/>" while the tag is still open, else "</name>". Escaping replaces exactly & ' " < > with
// their five entity references and copies every other byte unchanged.
//
// Stream failures are sticky: once a write to the stream has failed, every later operation returns
// E_FAIL, and Close() reports it, so that a caller never takes a truncated document for a good one.
// The writer buffers its output; Close() (or the last Release) hands the rest to the stream and
// finishes it (for the compressing writer, that produces the target file).
#pragma once

#include "support/KeldaPath.h"
#include "support/Result.h"
#include "support/StreamFactory.h"
#include "support/Text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tinyxml2
{
class XMLElement;
}

enum eKeldaInterface {
    eKeldaInterfaceUnknown = 0,
    eKeldaInterfaceXMLWriter = 1,
};

class IKELDAXMLWriter
{
  protected:
    virtual ~IKELDAXMLWriter() = default; // released through Release()

  public:
    // Colour values written as "none".
    static constexpr uint32_t kColorNone = 0xFFFFFFFFu;
    static constexpr uint32_t kColorTransparent = 0xFFFFFFFEu;

    // A writer on a plain file (created or truncated). E_FAIL and no writer when the file cannot be
    // opened; E_INVALIDARG without an out-pointer.
    [[nodiscard]] static HRESULT CreateKELDAXMLWriter(IKELDAXMLWriter **out, const CAtlString &path);
    // A writer whose bytes are compressed as one zlib stream into the file (CreateWritableCompressedFileStream).
    [[nodiscard]] static HRESULT CreateKELDAXMLWriterCompressed(IKELDAXMLWriter **out, const CAtlString &path);
    [[nodiscard]] static HRESULT CreateKELDAXMLWriter(IKELDAXMLWriter **out, const CKeldaFilePath &path)
    {
        return CreateKELDAXMLWriter(out, path.GetFilePathString());
    }
    [[nodiscard]] static HRESULT CreateKELDAXMLWriterCompressed(IKELDAXMLWriter **out, const CKeldaFilePath &path)
    {
        return CreateKELDAXMLWriterCompressed(out, path.GetFilePathString());
    }
    // A writer into memory; get_output returns the text.
    [[nodiscard]] static HRESULT CreateKELDAXMLWriterOnString(IKELDAXMLWriter **out);
    // A writer on any stream (takes its own reference).
    [[nodiscard]] static HRESULT CreateKELDAXMLWriterOnStream(IKELDAXMLWriter **out, IKELDAStream *stream);

    [[nodiscard]] virtual HRESULT QueryInterface(eKeldaInterface iid, void **object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

    // The writing operations need no check one by one: the writer keeps its first failure and every
    // later operation and Close() report it, so callers look at Close() (or at the last step).

    // <?xml version="1.0" encoding="UTF-8" standalone="yes"?> with no line break.
    virtual HRESULT OutputXMLHeader() = 0;
    // A block of ready-made markup, written raw as content.
    virtual HRESULT OutputSVGBlockForExport(std::string_view text) = 0;
    virtual HRESULT startElement(std::string_view name) = 0;
    virtual HRESULT endElement(std::string_view name) = 0;
    // The text written so far (string writers only; E_NOTIMPL for the others).
    [[nodiscard]] virtual HRESULT get_output(CAtlStringA *out) = 0;
    // name="escaped value"
    virtual HRESULT WriteTextAttribute(std::string_view name, std::string_view value) = 0;
    // name="part1part2part3", each part escaped.
    virtual HRESULT WriteLongTextAttribute(std::string_view name, std::string_view part1, std::string_view part2 = {},
                                           std::string_view part3 = {}) = 0;
    virtual HRESULT WriteTextAttributeW(std::string_view name, std::wstring_view value) = 0;
    // name='escaped value'
    virtual HRESULT WriteTextAttributeBySingleQuotation(std::string_view name, std::string_view value) = 0;
    virtual HRESULT WriteEscapedElementContents(std::string_view text) = 0;
    virtual HRESULT WriteElementContents(std::string_view text) = 0;

    // Writes what is buffered and finishes the stream; S_OK only when every byte reached it. Later
    // operations fail.
    [[nodiscard]] virtual HRESULT Close() = 0;

    // Built on the operations above.
    HRESULT WriteSimpleTextElement(std::string_view name, std::string_view text);
    HRESULT WriteEscapedSimpleTextElement(std::string_view name, std::string_view text);
    // <![CDATA[text]]> as content; a "]]>" inside the text is split over two sections so that the
    // document stays intact.
    HRESULT WriteCDATAElement(std::string_view text);
    HRESULT WriteEscapedCDATAElement(std::string_view text);
    // Escaped content.
    HRESULT WriteElementValue(std::string_view text);
    HRESULT WriteLongAttribute(std::string_view name, int32_t value);
    HRESULT WriteBOOLAttribute(std::string_view name, bool value);
    // Two decimals, always with a '.', whatever the process locale.
    HRESULT WriteFloatAttribute(std::string_view name, double value);
    // value: red in the low byte, then green, then blue; "#rrggbb", or "none" for kColorNone and
    // kColorTransparent.
    HRESULT WriteColorAttribute(std::string_view name, uint32_t value);
    // "data:;base64," and the Base64 text of the bytes.
    HRESULT WriteBase64Attribute(std::string_view name, const void *bytes, size_t count);
    // The strings joined with "," (double-quoted) or ";" (single-quoted); nothing for an empty list.
    HRESULT WriteCommaSeperatedArrayAttribute(std::string_view name, const std::vector<CAtlStringA> &strings);
    HRESULT WriteCommaSeperatedArrayAttribute(std::string_view name, const std::vector<CAtlString> &strings);
    HRESULT WriteSemiColonSeperatedArrayAttribute(std::string_view name, const std::vector<CAtlStringA> &strings);
    HRESULT WriteSemiColonSeperatedArrayAttribute(std::string_view name, const std::vector<CAtlString> &strings);
    // The file's bytes as raw content, in blocks of 4096 bytes; E_FAIL when it cannot be read.
    [[nodiscard]] HRESULT CopyFileToXMLWriter(const CAtlString &path);
    // The element again, with its attributes and children (text escaped, CDATA kept, comments kept).
    [[nodiscard]] HRESULT CopyElementToXMLWriter(const tinyxml2::XMLElement *element);
};

// Escapes exactly the five XML special characters.
void KeldaXmlEscape(std::string_view text, CAtlStringA &out);
