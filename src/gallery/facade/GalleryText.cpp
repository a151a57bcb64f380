// Text conversions of the gallery: UTF-8 for files and the system, and UTF-8 escaped for XML.
#include "gallery/facade/Gallery.h"
#include "support/XmlWriter.h"

namespace
{

// The characters an XML 1.0 document may hold.
bool IsXmlChar(wchar_t c)
{
    const auto u = static_cast<uint32_t>(c);
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD) ||
           (u >= 0x10000 && u <= 0x10FFFF);
}

} // namespace

CAtlStringA CGallery::ConvertUTF8(const wchar_t *text)
{
    return text ? Text::ToUtf8(text) : CAtlStringA();
}

CAtlString CGallery::ConvertUTF8(const char *utf8)
{
    return utf8 ? Text::FromUtf8(utf8) : CAtlString();
}

CAtlStringA CGallery::UTF8XML(const wchar_t *text)
{
    if (!text) return CAtlStringA();
    // Characters XML 1.0 cannot hold are dropped, so that the result always parses.
    CAtlString kept;
    for (const wchar_t *p = text; *p; ++p)
        if (IsXmlChar(*p)) kept += *p;
    CAtlStringA escaped;
    KeldaXmlEscape(Text::ToUtf8(kept), escaped);
    return escaped;
}
