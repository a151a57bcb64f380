// The LOM block of a record's metadata: writing it (inside imsmanifest.xml or as a standalone
// metadata.xml) and reading it from a parsed document.
#include "gallery/records/GalleryMetadata.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryXmlNames.h"
#include "gallery/manifest/GalleryXmlUtil_p.h"
#include "support/XmlWriter.h"

#include <tinyxml2.h>

#include <cstring>

namespace
{

using GalleryXmlUtil::Utf8OrMarker;

// <name><lom:source>LOMv1.0</lom:source><lom:value>value</lom:value></name>
HRESULT WriteSourceValue(IKELDAXMLWriter *w, const char *name, std::string_view value)
{
    HRESULT hr = w->startElement(name);
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:source", "LOMv1.0");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:value", value);
    if (SUCCEEDED(hr)) hr = w->endElement(name);
    return hr;
}

// <lom:identifier><lom:catalog>URI</lom:catalog><lom:entry>entry</lom:entry></lom:identifier>
HRESULT WriteIdentifier(IKELDAXMLWriter *w, std::string_view entry)
{
    HRESULT hr = w->startElement("lom:identifier");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:catalog", "URI");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:entry", entry);
    if (SUCCEEDED(hr)) hr = w->endElement("lom:identifier");
    return hr;
}

// One lom:string per entry, or one "en" string holding the marker when there are none.
HRESULT WriteStrings(IKELDAXMLWriter *w, const char *name, const CGalleryLanguageStringCollection *strings)
{
    HRESULT hr = w->startElement(name);
    if (strings->IsEmpty()) {
        if (SUCCEEDED(hr)) hr = GalleryXmlUtil::WriteLomString(w, L"en", nullptr);
    } else {
        for (auto e = strings->GetEnumerator(); SUCCEEDED(hr) && e.MoveNext();)
            hr = GalleryXmlUtil::WriteLomString(w, e.GetCurrentLanguage(), e.GetCurrentString());
    }
    if (SUCCEEDED(hr)) hr = w->endElement(name);
    return hr;
}

HRESULT WriteOptionalText(IKELDAXMLWriter *w, const char *name, const wchar_t *text)
{
    if (CGallery::IsEmptyString(text)) return S_OK;
    return w->WriteEscapedSimpleTextElement(name, Text::ToUtf8(text));
}

} // namespace

HRESULT CGalleryMetadata::Write(IKELDAXMLWriter *w, bool embedded) const
{
    if (!w) return E_INVALIDARG;
    HRESULT hr = w->startElement("lom:lom");
    if (SUCCEEDED(hr) && !embedded) hr = w->WriteTextAttribute("xmlns:lom", GalleryXml::LomNamespace);
    if (SUCCEEDED(hr) && !embedded) hr = w->WriteTextAttribute("xmlns:keldagallery", GalleryXml::GalleryNamespace);

    if (SUCCEEDED(hr)) hr = w->startElement("lom:metaMetadata");
    if (SUCCEEDED(hr)) hr = WriteIdentifier(w, GalleryXml::MetadataObjectUri);
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:metadataSchema", "LOMv1.0");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:metadataSchema", "SCORM_CAM_v1.3");
    if (SUCCEEDED(hr)) hr = w->endElement("lom:metaMetadata");

    if (SUCCEEDED(hr)) hr = w->startElement("lom:general");
    if (SUCCEEDED(hr)) hr = WriteIdentifier(w, Text::ToUtf8(m_identifier));
    if (SUCCEEDED(hr)) hr = WriteStrings(w, "lom:title", m_title);
    if (SUCCEEDED(hr)) hr = WriteStrings(w, "lom:description", m_title);
    if (m_keywords->IsEmpty()) {
        if (SUCCEEDED(hr)) hr = WriteStrings(w, "lom:keyword", m_keywords);
    } else {
        for (auto e = m_keywords->GetEnumerator(); SUCCEEDED(hr) && e.MoveNext();) {
            hr = w->startElement("lom:keyword");
            if (SUCCEEDED(hr)) hr = GalleryXmlUtil::WriteLomString(w, e.GetCurrentLanguage(), e.GetCurrentString());
            if (SUCCEEDED(hr)) hr = w->endElement("lom:keyword");
        }
    }
    if (SUCCEEDED(hr) && !CGallery::IsEmptyString(m_sortOverride)) {
        hr = w->startElement("keldagallery:sortoverride");
        if (SUCCEEDED(hr)) hr = GalleryXmlUtil::WriteLomString(w, L"en", m_sortOverride);
        if (SUCCEEDED(hr)) hr = w->endElement("keldagallery:sortoverride");
    }
    if (SUCCEEDED(hr)) hr = WriteOptionalText(w, "keldagallery:originalid", m_originalId);
    if (SUCCEEDED(hr)) hr = WriteOptionalText(w, "keldagallery:showinlanguages", m_showInLanguages);
    if (SUCCEEDED(hr)) hr = WriteOptionalText(w, "keldagallery:hideinlanguages", m_hideInLanguages);
    if (SUCCEEDED(hr)) hr = w->endElement("lom:general");

    if (SUCCEEDED(hr)) hr = w->startElement("lom:technical");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("lom:format", Utf8OrMarker(m_format));
    std::vector<CAtlString> names;
    GetDefinedRequirements(names);
    for (const CAtlString &name : names) {
        if (FAILED(hr)) break;
        hr = w->startElement("lom:requirement");
        if (SUCCEEDED(hr)) hr = w->startElement("lom:orComposite");
        if (SUCCEEDED(hr)) hr = WriteSourceValue(w, "lom:type", "browser");
        if (SUCCEEDED(hr)) hr = WriteSourceValue(w, "lom:name", Text::ToUtf8(name));
        if (SUCCEEDED(hr))
            hr = WriteOptionalText(w, "lom:minimumVersion", m_minimumRequirements->GetString(name.c_str()));
        if (SUCCEEDED(hr))
            hr = WriteOptionalText(w, "lom:maximumVersion", m_maximumRequirements->GetString(name.c_str()));
        if (SUCCEEDED(hr)) hr = w->endElement("lom:orComposite");
        if (SUCCEEDED(hr)) hr = w->endElement("lom:requirement");
    }
    if (SUCCEEDED(hr)) hr = w->endElement("lom:technical");

    if (SUCCEEDED(hr)) hr = w->startElement("lom:rights");
    if (SUCCEEDED(hr)) hr = WriteSourceValue(w, "lom:cost", "no");
    if (SUCCEEDED(hr)) hr = WriteSourceValue(w, "lom:copyrightAndOtherRestrictions", "yes");
    if (SUCCEEDED(hr)) hr = w->startElement("lom:description");
    if (SUCCEEDED(hr)) hr = GalleryXmlUtil::WriteLomString(w, L"en", nullptr);
    if (SUCCEEDED(hr)) hr = w->endElement("lom:description");
    if (SUCCEEDED(hr)) hr = w->endElement("lom:rights");

    if (SUCCEEDED(hr)) hr = w->startElement("lom:lifeCycle");
    if (SUCCEEDED(hr) && m_creationDateTime != 0)
        hr = w->WriteEscapedSimpleTextElement("keldagallery:creationdate",
                                              Text::ToUtf8(FormatDateTime(m_creationDateTime, true)));
    if (SUCCEEDED(hr)) hr = w->startElement("lom:version");
    if (SUCCEEDED(hr)) hr = GalleryXmlUtil::WriteLomString(w, L"en", m_version);
    if (SUCCEEDED(hr)) hr = w->endElement("lom:version");
    if (SUCCEEDED(hr)) hr = WriteSourceValue(w, "lom:status", "final");
    if (SUCCEEDED(hr)) hr = w->endElement("lom:lifeCycle");

    if (SUCCEEDED(hr)) hr = w->endElement("lom:lom");
    return hr;
}

namespace
{

using tinyxml2::XMLElement;

CAtlString ElementText(const XMLElement *element)
{
    if (!element || !element->GetText()) return CAtlString();
    CAtlString text;
    CGallery::Trim(Text::FromUtf8(element->GetText()).c_str(), text);
    return text;
}

const XMLElement *Child(const XMLElement *element, std::initializer_list<const char *> path)
{
    for (const char *name : path) {
        if (!element) return nullptr;
        element = element->FirstChildElement(name);
    }
    return element;
}

// The first element of that name anywhere below element, depth first.
const XMLElement *Descendant(const XMLElement *element, const char *name)
{
    for (const XMLElement *child = element ? element->FirstChildElement() : nullptr; child;
         child = child->NextSiblingElement()) {
        if (std::strcmp(child->Name(), name) == 0) return child;
        if (const XMLElement *found = Descendant(child, name)) return found;
    }
    return nullptr;
}

// The first failure to store a string, after adding all that could be stored.
HRESULT AddStrings(const XMLElement *parent, CGalleryLanguageStringCollection *target)
{
    HRESULT hr = S_OK;
    for (const XMLElement *s = parent ? parent->FirstChildElement("lom:string") : nullptr; s;
         s = s->NextSiblingElement("lom:string")) {
        const char *language = s->Attribute("language");
        const CAtlString code = language && *language ? Text::FromUtf8(language) : CAtlString(L"en");
        const HRESULT added = target->Add(code.c_str(), ElementText(s).c_str());
        if (SUCCEEDED(hr) && FAILED(added)) hr = added;
    }
    return hr;
}

// The "en" text of a string list (with the display fallback).
CAtlString EnglishString(const XMLElement *parent)
{
    CGalleryLanguageStringCollection *scratch = nullptr;
    if (FAILED(CGalleryLanguageStringCollection::CreateInstance(&scratch))) return CAtlString();
    (void)AddStrings(parent, scratch); // what could be stored is searched
    CAtlString text = scratch->GetString(L"en");
    CGalleryLanguageStringCollection::DeleteInstance(&scratch);
    return text;
}

} // namespace

HRESULT CGalleryMetadata::Load(const tinyxml2::XMLElement *lom)
{
    if (!lom) return E_INVALIDARG;
    // Every field that is there is read; the first field that cannot be stored (out of memory) is the
    // result.
    HRESULT hr = S_OK;
    const auto keep = [&hr](HRESULT step) {
        if (SUCCEEDED(hr) && FAILED(step)) hr = step;
    };
    const XMLElement *general = lom->FirstChildElement("lom:general");
    if (const XMLElement *entry = Child(general, {"lom:identifier", "lom:entry"}))
        keep(SetIdentifier(GalleryXmlUtil::StoredText(ElementText(entry)).c_str()));
    if (const XMLElement *title = Child(general, {"lom:title"})) {
        m_title->RemoveAll();
        keep(AddStrings(title, m_title));
    }
    if (general && general->FirstChildElement("lom:keyword")) {
        m_keywords->RemoveAll();
        for (const XMLElement *k = general->FirstChildElement("lom:keyword"); k;
             k = k->NextSiblingElement("lom:keyword"))
            keep(AddStrings(k, m_keywords));
    }
    if (const XMLElement *version = Child(lom, {"lom:lifeCycle", "lom:version"}))
        keep(SetVersion(GalleryXmlUtil::StoredText(EnglishString(version)).c_str()));
    if (const XMLElement *format = Child(lom, {"lom:technical", "lom:format"}))
        keep(SetFormat(GalleryXmlUtil::StoredText(ElementText(format)).c_str()));
    const XMLElement *technical = lom->FirstChildElement("lom:technical");
    for (const XMLElement *r = technical ? technical->FirstChildElement("lom:requirement") : nullptr; r;
         r = r->NextSiblingElement("lom:requirement")) {
        for (const XMLElement *c = r->FirstChildElement("lom:orComposite"); c;
             c = c->NextSiblingElement("lom:orComposite")) {
            const CAtlString type = ElementText(Child(c, {"lom:type", "lom:value"}));
            if (type != L"browser" && type != L"x-keldalabs-vellum") continue;
            const CAtlString name = ElementText(Child(c, {"lom:name", "lom:value"}));
            if (name.empty()) continue;
            if (const XMLElement *minimum = c->FirstChildElement("lom:minimumVersion"))
                keep(m_minimumRequirements->Add(name.c_str(), ElementText(minimum).c_str()));
            if (const XMLElement *maximum = c->FirstChildElement("lom:maximumVersion"))
                keep(m_maximumRequirements->Add(name.c_str(), ElementText(maximum).c_str()));
        }
    }
    if (const XMLElement *sort = Descendant(lom, "keldagallery:sortoverride"))
        keep(SetSortOverride(GalleryXmlUtil::StoredText(EnglishString(sort)).c_str()));
    // The writer stores the date as creationdate, the in-place update as creationdatetime; the latter
    // is the more recent one when both are present.
    const XMLElement *date = Descendant(lom, "keldagallery:creationdatetime");
    if (!date) date = Descendant(lom, "keldagallery:creationdate");
    if (date) m_creationDateTime = ParseDateTime(ElementText(date).c_str());
    if (const XMLElement *original = Descendant(lom, "keldagallery:originalid"))
        keep(SetOriginalId(ElementText(original).c_str()));
    if (const XMLElement *show = Child(general, {"keldagallery:showinlanguages"}))
        keep(SetShowInLanguages(ElementText(show).c_str()));
    if (const XMLElement *hide = Child(general, {"keldagallery:hideinlanguages"}))
        keep(SetHideInLanguages(ElementText(hide).c_str()));
    return hr;
}

HRESULT CGalleryMetadata::WriteStandalone(CAtlStringA &out) const
{
    IKELDAXMLWriter *w = nullptr;
    HRESULT hr = IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&w);
    if (FAILED(hr)) return hr;
    hr = w->OutputXMLHeader();
    if (SUCCEEDED(hr)) hr = Write(w, false);
    if (SUCCEEDED(hr)) hr = w->get_output(&out);
    w->Release();
    return FAILED(hr) ? hr : S_OK;
}
