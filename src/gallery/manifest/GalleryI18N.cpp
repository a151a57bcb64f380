// Reading, writing, applying and extracting "i18n.xml" translation tables.
#include "gallery/manifest/GalleryI18N.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/manifest/GalleryXmlNames.h"
#include "support/XmlWriter.h"

const wchar_t *const CGalleryI18N::EntryName = L"i18n.xml";

HRESULT CGalleryI18N::startElement(const KELDASaxString &qualifiedName, const KELDASaxString &, const KELDASaxString &,
                                   const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t, size_t)
{
    if (qualifiedName == "i18n2" || qualifiedName == "i18n") {
        m_language = attributes.GetValue("language").value();
    } else if (qualifiedName == "manifest") {
        auto entry = std::make_shared<ManifestMetadata>();
        entry->id = attributes.GetValue("id").value();
        entry->languageStringVersion = attributes.GetValue("languagestringversion").value();
        m_manifests.push_back(entry);
        m_currentManifest = entry.get();
        m_currentItem = nullptr;
    } else if (qualifiedName == "item") {
        // An item outside any manifest has nothing to belong to.
        if (!m_currentManifest) return S_OK;
        auto item = std::make_shared<ItemMetadata>();
        item->id = attributes.GetValue("id").value();
        m_currentManifest->items.push_back(item);
        m_currentItem = item.get();
    } else if (qualifiedName == "title") {
        if (m_currentItem) m_currentItem->title = text.value();
    } else if (qualifiedName == "keyword") {
        if (m_currentItem) m_currentItem->keywords.push_back(text.value());
    }
    return S_OK;
}

HRESULT CGalleryI18N::Read(const CKeldaFilePath &path)
{
    m_currentManifest = nullptr;
    m_currentItem = nullptr;
    const CAtlString extension = path.GetFileExtension();
    if (Text::EqualsNoCase(extension, L".xml")) return KELDASax::ReadXmlFile(path.GetFilePathString(), this);
    if (Text::EqualsNoCase(extension, L".zip")) {
        std::string document;
        if (!GalleryArchive::UnzipToMemory(path, EntryName, document)) return E_FAIL;
        return KELDASax::ReadXml(document.data(), document.size(), this);
    }
    return E_FAIL;
}

HRESULT CGalleryI18N::WriteDocument(IKELDAXMLWriter *w) const
{
    HRESULT hr = w->OutputXMLHeader();
    if (SUCCEEDED(hr)) hr = w->startElement("i18n2");
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("xmlns", GalleryXml::GalleryNamespace);
    if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("language", Text::ToUtf8(m_language));
    for (const auto &entry : m_manifests) {
        if (SUCCEEDED(hr)) hr = w->startElement("manifest");
        if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("id", Text::ToUtf8(entry->id));
        if (SUCCEEDED(hr))
            hr = w->WriteTextAttribute("languagestringversion", Text::ToUtf8(entry->languageStringVersion));
        for (const auto &item : entry->items) {
            if (SUCCEEDED(hr)) hr = w->startElement("item");
            if (SUCCEEDED(hr)) hr = w->WriteTextAttribute("id", Text::ToUtf8(item->id));
            if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("title", Text::ToUtf8(item->title));
            for (const CAtlString &keyword : item->keywords)
                if (SUCCEEDED(hr)) hr = w->WriteEscapedSimpleTextElement("keyword", Text::ToUtf8(keyword));
            if (SUCCEEDED(hr)) hr = w->endElement("item");
        }
        if (SUCCEEDED(hr)) hr = w->endElement("manifest");
    }
    if (SUCCEEDED(hr)) hr = w->endElement("i18n2");
    return hr;
}

HRESULT CGalleryI18N::WriteToString(CAtlStringA &out) const
{
    IKELDAXMLWriter *writer = nullptr;
    HRESULT hr = IKELDAXMLWriter::CreateKELDAXMLWriterOnString(&writer);
    if (FAILED(hr)) return hr;
    hr = WriteDocument(writer);
    if (SUCCEEDED(hr)) hr = writer->get_output(&out);
    writer->Release();
    return hr;
}

HRESULT CGalleryI18N::Write(const CKeldaFilePath &path) const
{
    const CAtlString extension = path.GetFileExtension();
    const bool zip = Text::EqualsNoCase(extension, L".zip");
    if (!zip && !Text::EqualsNoCase(extension, L".xml")) return E_FAIL;
    CKeldaFilePath target = path;
    CKeldaDirectoryPath folder;
    if (zip) {
        // The entry is written to a private temporary folder first.
        folder = GalleryFileOps::MakeUniqueTempDirectory(L"i18n");
        if (folder.IsEmptyPath()) return E_FAIL;
        target = folder.CreateFilePath(EntryName);
    }
    IKELDAXMLWriter *writer = nullptr;
    HRESULT hr = IKELDAXMLWriter::CreateKELDAXMLWriter(&writer, target);
    if (SUCCEEDED(hr)) {
        hr = WriteDocument(writer);
        const HRESULT closed = writer->Close();
        if (SUCCEEDED(hr)) hr = closed;
        writer->Release();
    }
    if (zip) {
        if (SUCCEEDED(hr)) {
            const bool done = path.FileExists() ? GalleryArchive::ReplaceFileInArchive(path, EntryName, target)
                                                : GalleryArchive::ZipFolderToFile(folder, path);
            if (!done) hr = E_FAIL;
        }
        (void)GalleryFileOps::RemoveTree(folder); // a left-over temporary folder changes nothing
    }
    return hr;
}

// ----- extracting -----

HRESULT CGalleryI18N::Add(CGalleryMetadata *metadata, ManifestMetadata &entry)
{
    if (!metadata) return E_INVALIDARG;
    auto item = std::make_shared<ItemMetadata>();
    item->id = metadata->GetIdentifier();
    const CGalleryLanguageStringCollection *title = metadata->GetTitle();
    for (uint32_t i = 0; i < title->GetCount(); ++i)
        if (CGallery::MatchLanguages(title->GetLanguageAt(i), m_language.c_str()) == 3)
            item->title = title->GetStringAt(i);
    const CGalleryLanguageStringCollection *keywords = metadata->GetKeywords();
    for (uint32_t i = 0; i < keywords->GetCount(); ++i) {
        const wchar_t *keyword = keywords->GetStringAt(i);
        if (!CGallery::IsEmptyString(keyword) &&
            CGallery::MatchLanguages(keywords->GetLanguageAt(i), m_language.c_str()) == 3)
            item->keywords.emplace_back(keyword);
    }
    entry.items.push_back(item);
    return S_OK;
}

HRESULT CGalleryI18N::Add(CGalleryActivity *activity, ManifestMetadata &entry)
{
    if (!activity) return E_INVALIDARG;
    HRESULT hr = Add(activity->GetMetadata(), entry);
    for (uint32_t i = 0; SUCCEEDED(hr) && i < activity->GetActivities()->GetCount(); ++i)
        hr = Add(activity->GetActivities()->GetAt(i), entry);
    for (uint32_t i = 0; SUCCEEDED(hr) && i < activity->GetFiles()->GetCount(); ++i)
        hr = Add(activity->GetFiles()->GetAt(i)->GetMetadata(), entry);
    return hr;
}

HRESULT CGalleryI18N::Add(CGalleryManifest *manifest)
{
    if (!manifest) return E_INVALIDARG;
    auto entry = std::make_shared<ManifestMetadata>();
    entry->id = manifest->GetIdentifier();
    const CGalleryLanguageStringCollection *versions = manifest->GetStringVersions();
    const uint32_t index = versions->IndexOf(m_language.c_str(), 3);
    entry->languageStringVersion =
        index != CGallery::MaxIndex ? versions->GetStringAt(index) : manifest->GetMetadata()->GetVersion();
    HRESULT hr = S_OK;
    const CGalleryOrganizationCollection *organizations = manifest->GetOrganizations();
    for (uint32_t o = 0; SUCCEEDED(hr) && o < organizations->GetCount(); ++o) {
        const CGalleryActivityCollection *activities = organizations->GetAt(o)->GetActivities();
        for (uint32_t a = 0; SUCCEEDED(hr) && a < activities->GetCount(); ++a)
            hr = Add(activities->GetAt(a), *entry);
    }
    if (SUCCEEDED(hr)) m_manifests.push_back(entry);
    return hr;
}

// ----- applying -----

CGalleryI18N::ItemIndex CGalleryI18N::MakeIndex(const ManifestMetadata &entry)
{
    ItemIndex index;
    index.reserve(entry.items.size());
    for (const auto &item : entry.items)
        index.emplace(item->id, item.get());
    return index;
}

HRESULT CGalleryI18N::Update(CGalleryMetadata *metadata, const ItemIndex &index)
{
    if (!metadata) return E_INVALIDARG;
    const auto found = index.find(metadata->GetIdentifier());
    if (found == index.end()) return S_FALSE;
    const ItemMetadata *item = found->second;
    HRESULT hr = metadata->GetTitle()->ReplaceString(m_language.c_str(), item->title.c_str());
    if (SUCCEEDED(hr)) hr = metadata->GetKeywords()->ReplaceStrings(m_language.c_str(), item->keywords);
    return hr;
}

HRESULT CGalleryI18N::Update(CGalleryActivity *activity, const ItemIndex &index)
{
    if (!activity) return E_INVALIDARG;
    HRESULT hr = Update(activity->GetMetadata(), index);
    for (uint32_t i = 0; SUCCEEDED(hr) && i < activity->GetActivities()->GetCount(); ++i)
        hr = Update(activity->GetActivities()->GetAt(i), index);
    for (uint32_t i = 0; SUCCEEDED(hr) && i < activity->GetFiles()->GetCount(); ++i)
        hr = Update(activity->GetFiles()->GetAt(i)->GetMetadata(), index);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CGalleryI18N::Update(CGalleryMetadata *metadata, const ManifestMetadata &entry)
{
    return Update(metadata, MakeIndex(entry));
}

HRESULT CGalleryI18N::Update(CGalleryActivity *activity, const ManifestMetadata &entry)
{
    return Update(activity, MakeIndex(entry));
}

HRESULT CGalleryI18N::Update(CGalleryManifest *manifest)
{
    if (!manifest || m_language.empty()) return E_INVALIDARG;
    const CAtlString identifier = manifest->GetIdentifier();
    // S_FALSE: no entry of the table is this manifest's, nothing changed.
    HRESULT hr = S_FALSE;
    for (const auto &entry : m_manifests) {
        if (entry->id != identifier) continue;
        const ItemIndex index = MakeIndex(*entry);
        hr = manifest->GetStringVersions()->ReplaceString(m_language.c_str(), entry->languageStringVersion.c_str());
        const CGalleryOrganizationCollection *organizations = manifest->GetOrganizations();
        for (uint32_t o = 0; SUCCEEDED(hr) && o < organizations->GetCount(); ++o) {
            const CGalleryActivityCollection *activities = organizations->GetAt(o)->GetActivities();
            for (uint32_t a = 0; SUCCEEDED(hr) && a < activities->GetCount(); ++a)
                hr = Update(activities->GetAt(a), index);
        }
        if (FAILED(hr)) return hr;
    }
    return hr == S_FALSE ? S_FALSE : S_OK;
}
