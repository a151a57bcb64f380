// CXMLElementReader accessors.
#include "support/XMLElementReader.h"

#include "support/Base64.h"
#include "support/XmlNumbers_p.h"

#include <tinyxml2.h>

#include <cstdio>

namespace
{

// The attribute's text, or nullptr.
const char *Attribute(const tinyxml2::XMLElement *element, const char *name)
{
    return name ? element->Attribute(name) : nullptr;
}

const tinyxml2::XMLText *FirstText(const tinyxml2::XMLElement *element, bool cdataOnly)
{
    for (const tinyxml2::XMLNode *n = element->FirstChild(); n; n = n->NextSibling()) {
        const tinyxml2::XMLText *t = n->ToText();
        if (t && (!cdataOnly || t->CData())) return t;
    }
    return nullptr;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

HRESULT CXMLElementReader::GetTextAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                    CAtlStringA *out)
{
    if (!element || !out) return E_INVALIDARG;
    const char *value = Attribute(element, name);
    if (!value) return E_FAIL;
    *out = value;
    return S_OK;
}

HRESULT CXMLElementReader::GetTextAttributeFromNodeW(const tinyxml2::XMLElement *element, const char *name,
                                                     CAtlString *out)
{
    if (!element || !out) return E_INVALIDARG;
    const char *value = Attribute(element, name);
    if (!value) return E_FAIL;
    *out = Text::FromUtf8(value);
    return S_OK;
}

HRESULT CXMLElementReader::GetLongAttributeFromNode(const tinyxml2::XMLElement *element, const char *name, int32_t *out)
{
    if (!element || !out) return E_INVALIDARG;
    const char *value = Attribute(element, name);
    if (!value || !*value) return E_FAIL;
    return XmlNumbers::ParseInt32(value, out) ? S_OK : E_FAIL;
}

HRESULT CXMLElementReader::GetBOOLAttributeFromNode(const tinyxml2::XMLElement *element, const char *name, bool *out)
{
    if (!element || !out) return E_INVALIDARG;
    int32_t value = 0;
    const HRESULT hr = GetLongAttributeFromNode(element, name, &value);
    if (SUCCEEDED(hr)) *out = value != 0;
    return hr;
}

HRESULT CXMLElementReader::GetFloatAttributeFromNode(const tinyxml2::XMLElement *element, const char *name, float *out)
{
    if (!element || !out) return E_INVALIDARG;
    const char *value = Attribute(element, name);
    if (!value || !*value) return E_FAIL;
    return XmlNumbers::ParseFloat(value, out) ? S_OK : E_FAIL;
}

HRESULT CXMLElementReader::GetColorAttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                     uint32_t *out)
{
    if (!element || !out) return E_INVALIDARG;
    const char *value = Attribute(element, name);
    if (!value || !*value) return E_FAIL;
    const std::string_view text(value);
    if (text == "none") {
        *out = 0xFFFFFFFFu;
        return S_OK;
    }
    // "#rrggbb": exactly three two-digit hexadecimal fields.
    if (text.size() < 7 || text[0] != '#') return E_FAIL;
    uint32_t rgb[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = HexDigit(text[1 + 2 * i]), lo = HexDigit(text[2 + 2 * i]);
        if (hi < 0 || lo < 0) return E_FAIL;
        rgb[i] = static_cast<uint32_t>(hi * 16 + lo);
    }
    *out = rgb[0] + rgb[1] * 256 + rgb[2] * 65536;
    return S_OK;
}

HRESULT CXMLElementReader::GetBase64AttributeFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                      std::vector<uint8_t> *out)
{
    if (!element || !out) return E_INVALIDARG;
    const char *value = Attribute(element, name);
    if (!value) return E_FAIL;
    return ConvertBase64StringIntoRawBytes(value, out) ? S_OK : E_FAIL;
}

HRESULT CXMLElementReader::GetBase64FlashDataFromNode(const tinyxml2::XMLElement *element, const char *name,
                                                      std::vector<uint8_t> *out)
{
    return GetBase64AttributeFromNode(element, name, out);
}

HRESULT CXMLElementReader::GetElementValue(const tinyxml2::XMLElement *element, CAtlStringA *out)
{
    if (!element || !out) return E_INVALIDARG;
    const tinyxml2::XMLText *text = FirstText(element, false);
    if (!text) return E_FAIL;
    *out = text->Value();
    return S_OK;
}

HRESULT CXMLElementReader::GetElementValueW(const tinyxml2::XMLElement *element, CAtlString *out)
{
    if (!element || !out) return E_INVALIDARG;
    CAtlStringA utf8;
    const HRESULT hr = GetElementValue(element, &utf8);
    if (SUCCEEDED(hr)) *out = Text::FromUtf8(utf8);
    return hr;
}

HRESULT CXMLElementReader::GetDataElementValue(const tinyxml2::XMLElement *element, CAtlStringA *out)
{
    if (!element || !out) return E_INVALIDARG;
    const tinyxml2::XMLText *text = FirstText(element, true);
    if (!text) text = FirstText(element, false);
    if (!text) return E_FAIL;
    *out = text->Value();
    return S_OK;
}

HRESULT CXMLElementReader::GetNodeName(const tinyxml2::XMLElement *element, CAtlStringA *out)
{
    if (!element || !out) return E_INVALIDARG;
    *out = element->Name();
    return S_OK;
}

HRESULT CXMLElementReader::GetNodeXML(const tinyxml2::XMLElement *element, CAtlStringA *out)
{
    if (!element || !out) return E_INVALIDARG;
    tinyxml2::XMLPrinter printer(nullptr, true);
    element->Accept(&printer);
    *out = CAtlStringA(printer.CStr(), static_cast<size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
    return S_OK;
}

HRESULT CXMLElementReader::GetFirstNonEmptyChild(const tinyxml2::XMLElement *element, tinyxml2::XMLElement **out)
{
    if (!element || !out) return E_INVALIDARG;
    const tinyxml2::XMLElement *child = element->FirstChildElement();
    if (!child) return E_FAIL;
    *out = const_cast<tinyxml2::XMLElement *>(child);
    return S_OK;
}

HRESULT CXMLElementReader::GetNamedChildNode(const tinyxml2::XMLElement *element, const char *name,
                                             tinyxml2::XMLElement **out)
{
    if (!element || !out || !name) return E_INVALIDARG;
    const tinyxml2::XMLElement *child = element->FirstChildElement(name);
    if (!child) return E_FAIL;
    *out = const_cast<tinyxml2::XMLElement *>(child);
    return S_OK;
}

HRESULT CXMLElementReader::GetNamedChildNodes(const tinyxml2::XMLElement *element,
                                              std::vector<tinyxml2::XMLElement *> *out, std::string_view path)
{
    if (!element || !out) return E_INVALIDARG;
    if (!path.empty() && path[0] == '/') path.remove_prefix(1);
    if (path.empty()) return E_FAIL;
    std::vector<const tinyxml2::XMLElement *> level{element}, next;
    while (!path.empty()) {
        const size_t slash = path.find('/');
        const std::string name(path.substr(0, slash));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (name.empty()) return E_FAIL;
        next.clear();
        for (const tinyxml2::XMLElement *e : level)
            for (const tinyxml2::XMLElement *c = e->FirstChildElement(name.c_str()); c;
                 c = c->NextSiblingElement(name.c_str()))
                next.push_back(c);
        level.swap(next);
        if (level.empty()) return E_FAIL;
    }
    for (const tinyxml2::XMLElement *e : level)
        out->push_back(const_cast<tinyxml2::XMLElement *>(e));
    return S_OK;
}
