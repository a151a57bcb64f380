// CXMLElementReader: accessors for TinyXML-2 elements of the configuration, categories, language,
// update-description and item-metadata documents.
//
// Common rules: a null element gives E_INVALIDARG; a missing attribute or element (and, for numbers and
// colours, an empty or unreadable value) gives E_FAIL; on any failure the output is left unchanged.
// Numbers are read without regard to the process locale.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tinyxml2
{
class XMLElement;
}

class CXMLElementReader
{
  public:
    [[nodiscard]] static HRESULT GetTextAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                          CAtlStringA *out);
    [[nodiscard]] static HRESULT GetTextAttributeFromNodeW(const tinyxml2::XMLElement *element, const char *name,
                                                           CAtlString *out);
    // Decimal; a value outside the 32-bit range fails.
    [[nodiscard]] static HRESULT GetLongAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                          int32_t *out);
    // A long; true when non-zero.
    [[nodiscard]] static HRESULT GetBOOLAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                          bool *out);
    [[nodiscard]] static HRESULT GetFloatAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                           float *out);
    // "none" gives 0xFFFFFFFF; "#rrggbb" gives red + green * 256 + blue * 65536.
    [[nodiscard]] static HRESULT GetColorAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                           uint32_t *out);
    // The attribute's Base64 text (after an optional "data:...;base64," prefix) decoded.
    [[nodiscard]] static HRESULT GetBase64AttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                            std::vector<uint8_t> *out);
    [[nodiscard]] static HRESULT GetBase64FlashDataFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                            std::vector<uint8_t> *out);

    // The UTF-8 text of the first text child (CDATA included); E_FAIL when there is none.
    [[nodiscard]] static HRESULT GetElementValue(const tinyxml2::XMLElement *element, CAtlStringA *out);
    [[nodiscard]] static HRESULT GetElementValueW(const tinyxml2::XMLElement *element, CAtlString *out);
    // The text of the first CDATA child, else of the first text child.
    [[nodiscard]] static HRESULT GetDataElementValue(const tinyxml2::XMLElement *element, CAtlStringA *out);
    [[nodiscard]] static HRESULT GetNodeName(const tinyxml2::XMLElement *element, CAtlStringA *out);
    // The element serialised compactly (no indentation, attributes in double quotes).
    [[nodiscard]] static HRESULT GetNodeXML(const tinyxml2::XMLElement *element, CAtlStringA *out);
    // The first child element.
    [[nodiscard]] static HRESULT GetFirstNonEmptyChild(const tinyxml2::XMLElement *element, tinyxml2::XMLElement **out);
    // The first child element with that name.
    [[nodiscard]] static HRESULT GetNamedChildNode(const tinyxml2::XMLElement *element, const char *name,
                                                   tinyxml2::XMLElement **out);
    // Every element reached by the "/"-separated path of names below element ("a/b" is each b child of
    // each a child; a leading "/" changes nothing). The elements are appended in document order;
    // E_FAIL when there is none.
    [[nodiscard]] static HRESULT GetNamedChildNodes(const tinyxml2::XMLElement *element,
                                                    std::vector<tinyxml2::XMLElement *> *out, std::string_view path);
};
