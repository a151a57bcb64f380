// Small helpers shared by the writers of the gallery documents.
#pragma once

#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryXmlNames.h"
#include "support/XmlWriter.h"

namespace GalleryXmlUtil
{

// The text as UTF-8, or the empty-text marker when it is empty.
inline CAtlStringA Utf8OrMarker(const wchar_t *text)
{
    return CGallery::IsEmptyString(text) ? CAtlStringA(GalleryXml::EmptyMarker) : Text::ToUtf8(text);
}

// A text as stored in a record: the marker alone stands for empty.
inline CAtlString StoredText(const CAtlString &text)
{
    return CGallery::IsEmptyString(text.c_str()) ? CAtlString() : text;
}

// <lom:string language="...">text or marker</lom:string>
[[nodiscard]] inline HRESULT WriteLomString(IKELDAXMLWriter *w, const wchar_t *language, const wchar_t *text)
{
    HRESULT hr = w->startElement("lom:string");
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("language", Text::ToUtf8(language ? language : L"en"));
    if (SUCCEEDED(hr)) hr = w->WriteEscapedElementContents(Utf8OrMarker(text));
    if (SUCCEEDED(hr)) hr = w->endElement("lom:string");
    return hr;
}

} // namespace GalleryXmlUtil
