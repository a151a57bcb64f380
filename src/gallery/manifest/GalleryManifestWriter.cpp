// Writes imsmanifest.xml: the manifest element, string versions, the manifest's metadata, the
// organizations with their activity trees, and the resources, in this order. Every "id%d" value comes
// from one running counter per document, incremented before each use.
#include "gallery/manifest/GalleryManifest.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/manifest/GalleryXmlNames.h"
#include "gallery/manifest/GalleryXmlUtil_p.h"
#include "support/Limits.h"
#include "support/XmlWriter.h"

#include <utility>
#include <vector>

namespace
{

class ManifestWriter
{
  public:
    explicit ManifestWriter(IKELDAXMLWriter *w) : m_w(w) {}

    CAtlStringA NextId() { return "id" + std::to_string(++m_counter); }

    HRESULT WriteMetadata(const CGalleryMetadata *metadata)
    {
        HRESULT hr = m_w->startElement("metadata");
        if (SUCCEEDED(hr)) hr = metadata->Write(m_w, true);
        if (SUCCEEDED(hr)) hr = m_w->endElement("metadata");
        return hr;
    }

    HRESULT WriteTitle(const wchar_t *title)
    {
        return m_w->WriteEscapedSimpleTextElement("title", GalleryXmlUtil::Utf8OrMarker(title));
    }

    HRESULT WriteFile(const CGalleryFile *file)
    {
        HRESULT hr = m_w->startElement("item");
        if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("identifier", NextId());
        const int resource = ++m_counter;
        if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("identifierref", "id" + std::to_string(resource));
        m_resources.emplace_back(file, resource);
        if (SUCCEEDED(hr)) hr = WriteTitle(file->GetTitle());
        if (SUCCEEDED(hr)) hr = WriteMetadata(file->GetMetadata());
        if (SUCCEEDED(hr)) hr = m_w->endElement("item");
        return hr;
    }

    // depth: 1 for the organisation's own activities. Deeper than the model's limit is never written.
    HRESULT WriteActivity(const CGalleryActivity *activity, size_t depth)
    {
        if (depth > Limits::kMaxActivityDepth) return E_FAIL;
        HRESULT hr = m_w->startElement("item");
        if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("identifier", NextId());
        if (SUCCEEDED(hr)) hr = WriteTitle(activity->GetTitle());
        const CGalleryActivityCollection *children = activity->GetActivities();
        for (uint32_t i = 0; SUCCEEDED(hr) && i < children->GetCount(); ++i)
            hr = WriteActivity(children->GetAt(i), depth + 1);
        const CGalleryFileCollection *files = activity->GetFiles();
        for (uint32_t i = 0; SUCCEEDED(hr) && i < files->GetCount(); ++i)
            hr = WriteFile(files->GetAt(i));
        if (SUCCEEDED(hr)) hr = WriteMetadata(activity->GetMetadata());
        if (SUCCEEDED(hr)) hr = m_w->endElement("item");
        return hr;
    }

    HRESULT WriteOrganization(const CGalleryOrganization *organization, const CAtlStringA &identifier)
    {
        HRESULT hr = m_w->startElement("organization");
        if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("identifier", identifier);
        if (SUCCEEDED(hr))
            hr = m_w->WriteTextAttribute("keldagallery:readonly", organization->GetReadOnly() ? "true" : "false");
        if (SUCCEEDED(hr)) hr = WriteTitle(organization->GetTitle());
        const CGalleryActivityCollection *activities = organization->GetActivities();
        for (uint32_t i = 0; SUCCEEDED(hr) && i < activities->GetCount(); ++i)
            hr = WriteActivity(activities->GetAt(i), 1);
        if (SUCCEEDED(hr)) hr = WriteMetadata(organization->GetMetadata());
        if (SUCCEEDED(hr)) hr = m_w->endElement("organization");
        return hr;
    }

    HRESULT WriteResources()
    {
        HRESULT hr = m_w->startElement("resources");
        for (const auto &[file, number] : m_resources) {
            if (FAILED(hr)) break;
            const CAtlStringA href = Text::ToUtf8(file->GetHref());
            hr = m_w->startElement("resource");
            if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("identifier", "id" + std::to_string(number));
            if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("type", "webcontent");
            if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("adlcp:scormType", "asset");
            if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("href", href);
            if (SUCCEEDED(hr)) hr = m_w->startElement("file");
            if (SUCCEEDED(hr)) hr = m_w->WriteTextAttribute("href", href);
            if (SUCCEEDED(hr)) hr = m_w->endElement("file");
            if (SUCCEEDED(hr)) hr = m_w->endElement("resource");
        }
        if (SUCCEEDED(hr)) hr = m_w->endElement("resources");
        return hr;
    }

    IKELDAXMLWriter *m_w;

  private:
    int m_counter = 0;
    // Files in writing order with their resource numbers.
    std::vector<std::pair<const CGalleryFile *, int>> m_resources;
};

} // namespace

HRESULT CGalleryManifest::WriteXml(IKELDAXMLWriter *w) const
{
    if (!w) return E_INVALIDARG;
    ManifestWriter out(w);
    HRESULT hr = w->OutputXMLHeader();
    if (SUCCEEDED(hr)) hr = w->startElement("manifest");
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("identifier", out.NextId());
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("version", GalleryXml::ManifestVersion);
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("keldagallery:filesource", GalleryXml::FileSource);
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("xmlns", GalleryXml::ImsCpNamespace);
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("xmlns:adlcp", GalleryXml::AdlCpNamespace);
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("xmlns:lom", GalleryXml::LomNamespace);
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("xmlns:keldagallery", GalleryXml::GalleryNamespace);

    if (SUCCEEDED(hr) && !m_stringVersions->IsEmpty()) {
        hr = w->startElement("keldagallery:stringversions");
        for (auto e = m_stringVersions->GetEnumerator(); SUCCEEDED(hr) && e.MoveNext();)
            hr = GalleryXmlUtil::WriteLomString(w, e.GetCurrentLanguage(), e.GetCurrentString());
        if (SUCCEEDED(hr)) hr = w->endElement("keldagallery:stringversions");
    }

    if (SUCCEEDED(hr)) hr = w->startElement("metadata");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("schema", "ADL SCORM");
    if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("schemaversion", "CAM 1.3");
    if (SUCCEEDED(hr)) hr = m_object.m_metadata->Write(w, true);
    if (SUCCEEDED(hr)) hr = w->endElement("metadata");

    if (SUCCEEDED(hr)) hr = w->startElement("organizations");
    const CAtlStringA first = out.NextId();
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("default", first);
    for (uint32_t i = 0; SUCCEEDED(hr) && i < m_organizations->GetCount(); ++i)
        hr = out.WriteOrganization(m_organizations->GetAt(i), i == 0 ? first : out.NextId());
    if (SUCCEEDED(hr)) hr = w->endElement("organizations");

    if (SUCCEEDED(hr)) hr = out.WriteResources();
    if (SUCCEEDED(hr)) hr = w->endElement("manifest");
    return hr;
}
