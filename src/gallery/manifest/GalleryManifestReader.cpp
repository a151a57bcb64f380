// The imsmanifest.xml reader. Element and attribute names are matched as literal qualified names.
//
// Structure rules (each broken rule stops the parse with E_FAIL):
// - `organization` only when no organization, activity or file is open; it needs an identifier.
// - `item` with `identifierref` is a file and needs an open activity and no open file; without it, an
//   activity that needs an open organization and no open file. Every item needs an identifier, and its
//   `metadata` must be closed when the item ends.
// - `lom:title`/`lom:keyword` need current metadata and no open string collection; `metadata` may not
//   end inside one.
// - `resources` may not start inside an organization, and every file must be resolved by a `resource`
//   when `resources` (or the document) ends.
//
// Requirements: this reader makes a requirement only of a `lom:orComposite` whose `lom:type` value is
// "browser", while CGalleryMetadata::Load, which reads the "metadata.xml" inside an item file, also takes
// "x-keldalabs-vellum". A manifest is always written by the gallery writer, which records every
// requirement as LOM's own "browser" type; an item file is also made by the host application, which names
// itself (its program key "x-keldalabs-vellum") as the type. Any other type in a manifest is not one of
// ours and is skipped rather than turned into a requirement that MeetsRequirements would check.
// Likewise `lom:format` is kept here only while a file is open, since only file records carry a format,
// while an item's "metadata.xml" always describes a file and is read for it whole.
#include "gallery/manifest/GalleryManifestReader.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/Limits.h"

namespace
{

CAtlString TrimmedValue(const KELDASaxString &text)
{
    CAtlString value;
    if (text) CGallery::Trim(text.value().c_str(), value);
    return value;
}

CAtlString AttributeValue(const KELDASaxAttributes &attributes, std::string_view name)
{
    const KELDASaxString value = attributes.GetValue(name);
    return value ? value.value() : CAtlString();
}

// The elements this reader acts on. Several names share one meaning: the `gallery:` names of older
// manifests and the `keldagallery:` names of later ones.
enum eElement {
    eElementOther,
    eElementItem,
    eElementTitle,
    eElementMetadata,
    eElementOrganization,
    eElementOrganizations,
    eElementResource,
    eElementResources,
    eElementLomString,
    eElementLomTitle,
    eElementLomKeyword,
    eElementLomGeneral,
    eElementLomIdentifier,
    eElementLomEntry,
    eElementLomFormat,
    eElementLomRequirement,
    eElementLomOrComposite,
    eElementLomType,
    eElementLomName,
    eElementLomValue,
    eElementLomMinimumVersion,
    eElementLomMaximumVersion,
    eElementLomVersion,
    eElementSortOverride,
    eElementOriginalId,
    eElementShowInLanguages,
    eElementHideInLanguages,
    eElementCreationDate,
    eElementStringVersions,
};

struct ElementName {
    std::string_view name;
    eElement element;
};

// Qualified names as they stand in the document, the most frequent first (the strings of every LOM
// block, then the records).
constexpr ElementName kElements[] = {
    {"lom:string", eElementLomString},
    {"lom:value", eElementLomValue},
    {"lom:source", eElementOther},
    {"lom:title", eElementLomTitle},
    {"lom:keyword", eElementLomKeyword},
    {"lom:entry", eElementLomEntry},
    {"lom:identifier", eElementLomIdentifier},
    {"lom:general", eElementLomGeneral},
    {"lom:format", eElementLomFormat},
    {"lom:version", eElementLomVersion},
    {"item", eElementItem},
    {"title", eElementTitle},
    {"metadata", eElementMetadata},
    {"resource", eElementResource},
    {"lom:requirement", eElementLomRequirement},
    {"lom:orComposite", eElementLomOrComposite},
    {"lom:type", eElementLomType},
    {"lom:name", eElementLomName},
    {"lom:minimumVersion", eElementLomMinimumVersion},
    {"lom:maximumVersion", eElementLomMaximumVersion},
    {"keldagallery:sortoverride", eElementSortOverride},
    {"gallery:sortkey", eElementSortOverride},
    {"keldagallery:originalid", eElementOriginalId},
    {"keldagallery:showinlanguages", eElementShowInLanguages},
    {"keldagallery:hideinlanguages", eElementHideInLanguages},
    {"keldagallery:creationdatetime", eElementCreationDate},
    {"keldagallery:creationdate", eElementCreationDate},
    {"gallery:creationdate", eElementCreationDate},
    {"keldagallery:stringversions", eElementStringVersions},
    {"organization", eElementOrganization},
    {"organizations", eElementOrganizations},
    {"resources", eElementResources},
};

eElement ElementOf(std::string_view name)
{
    for (const ElementName &entry : kElements)
        if (entry.name == name) return entry.element;
    return eElementOther;
}

} // namespace

KELDASaxOpenXmlHandler::KELDASaxOpenXmlHandler(CGalleryManifest *manifest, IGalleryManifestOpenObserver *observer)
    : m_manifest(manifest), m_observer(observer)
{
    // Null when out of memory: the first element that needs it then fails the parse.
    (void)CGalleryLanguageStringCollection::CreateInstance(&m_scratch);
}

KELDASaxOpenXmlHandler::~KELDASaxOpenXmlHandler()
{
    CGalleryLanguageStringCollection::DeleteInstance(&m_scratch);
}

CGalleryMetadata *KELDASaxOpenXmlHandler::InnermostMetadata() const
{
    if (m_file) return m_file->GetMetadata();
    if (m_activity) return m_activity->GetMetadata();
    if (m_organization) return m_organization->GetMetadata();
    return m_manifest->GetMetadata();
}

CAtlString *KELDASaxOpenXmlHandler::PendingTitleOf(const CGalleryMetadata *metadata)
{
    if (m_file && m_file->GetMetadata() == metadata) return &m_fileTitle;
    if (m_activity && m_activity->GetMetadata() == metadata && !m_activityTitles.empty())
        return &m_activityTitles.back();
    if (m_organization && m_organization->GetMetadata() == metadata) return &m_organizationTitle;
    return nullptr;
}

HRESULT KELDASaxOpenXmlHandler::StartOrganization(const KELDASaxAttributes &attributes)
{
    if (m_organization || m_activity || m_file) return E_FAIL;
    CGalleryOrganization *organization = nullptr;
    HRESULT hr = CGalleryOrganization::CreateInstance(&organization);
    if (FAILED(hr)) return hr;
    organization->SetManifest(m_manifest);
    organization->SetReadOnly(attributes.GetValue("keldagallery:readonly") == "true");
    hr = organization->GetMetadata()->SetIdentifier(AttributeValue(attributes, "identifier").c_str());
    if (SUCCEEDED(hr)) hr = m_manifest->GetOrganizations()->Add(organization);
    if (FAILED(hr)) {
        CGalleryOrganization::DeleteInstance(&organization);
        return hr;
    }
    m_organization = organization;
    m_metadata = organization->GetMetadata();
    m_organizationTitle.clear();
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::StartFile(const KELDASaxAttributes &attributes, const KELDASaxString &reference)
{
    if (!m_activity || m_file) return E_FAIL;
    CGalleryFile *file = nullptr;
    HRESULT hr = CGalleryFile::CreateInstance(&file);
    if (FAILED(hr)) return hr;
    file->SetParent(m_activity);
    hr = file->SetHref(reference.value().c_str());
    if (SUCCEEDED(hr)) hr = file->GetMetadata()->SetIdentifier(AttributeValue(attributes, "identifier").c_str());
    if (SUCCEEDED(hr)) hr = m_activity->GetFiles()->Add(file);
    if (FAILED(hr)) {
        CGalleryFile::DeleteInstance(&file);
        return hr;
    }
    m_file = file;
    m_metadata = file->GetMetadata();
    m_fileTitle.clear();
    m_unresolved.emplace(reference.text(), file);
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::StartActivity(const KELDASaxAttributes &attributes)
{
    if (m_file || !m_organization) return E_FAIL;
    // Every recursive walk of the model stops at this depth: a deeper document is refused here.
    if (m_activityStack.size() >= Limits::kMaxActivityDepth) return E_FAIL;
    CGalleryActivity *activity = nullptr;
    HRESULT hr = CGalleryActivity::CreateInstance(&activity);
    if (FAILED(hr)) return hr;
    activity->SetParent(m_activity);
    activity->SetOrganization(m_organization);
    hr = activity->GetMetadata()->SetIdentifier(AttributeValue(attributes, "identifier").c_str());
    CGalleryActivityCollection *siblings = m_activity ? m_activity->GetActivities() : m_organization->GetActivities();
    if (SUCCEEDED(hr)) hr = siblings->Add(activity);
    if (FAILED(hr)) {
        CGalleryActivity::DeleteInstance(&activity);
        return hr;
    }
    m_activityStack.push_back(m_activity);
    m_activityTitles.emplace_back();
    m_activity = activity;
    m_metadata = activity->GetMetadata();
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::startElement(const KELDASaxString &name, const KELDASaxString &, const KELDASaxString &,
                                             const KELDASaxAttributes &attributes, const KELDASaxString &text, size_t,
                                             size_t)
{
    const eElement element = ElementOf(name.view());
    switch (element) {
    case eElementOther:
        return S_OK;
    case eElementItem: {
        const KELDASaxString reference = attributes.GetValue("identifierref");
        return reference ? StartFile(attributes, reference) : StartActivity(attributes);
    }
    case eElementTitle: {
        const CAtlString title = TrimmedValue(text);
        if (m_file)
            m_fileTitle = title;
        else if (m_activity && !m_activityTitles.empty())
            m_activityTitles.back() = title;
        else if (m_organization)
            m_organizationTitle = title;
        return S_OK;
    }
    case eElementMetadata:
        m_metadata = InnermostMetadata();
        return S_OK;
    case eElementLomString: {
        if (!m_strings) return S_OK;
        const KELDASaxString language = attributes.GetValue("language");
        const CAtlString code = language && !language.empty() ? language.value() : CAtlString(L"en");
        return m_strings->Add(code.empty() ? L"en" : code.c_str(), TrimmedValue(text).c_str());
    }
    case eElementLomTitle:
    case eElementLomKeyword:
        if (m_strings || !m_metadata) return E_FAIL;
        m_strings = element == eElementLomTitle ? m_metadata->GetTitle() : m_metadata->GetKeywords();
        return S_OK;
    case eElementLomGeneral:
        m_inGeneral = true;
        return S_OK;
    case eElementLomIdentifier:
        if (m_inGeneral) m_inIdentifier = true;
        return S_OK;
    case eElementLomEntry:
        if (m_inGeneral && m_inIdentifier && m_metadata) return m_metadata->SetIdentifier(TrimmedValue(text).c_str());
        return S_OK;
    case eElementLomFormat:
        if (m_file) return m_file->GetMetadata()->SetFormat(TrimmedValue(text).c_str());
        return S_OK;
    case eElementLomRequirement:
        m_inRequirement = true;
        return S_OK;
    case eElementLomOrComposite:
        if (m_inRequirement) m_inOrComposite = true;
        return S_OK;
    case eElementLomType:
        m_inType = m_inOrComposite;
        return S_OK;
    case eElementLomName:
        m_inName = m_inOrComposite;
        return S_OK;
    case eElementLomValue:
        // See the top of the file for why only "browser" makes a requirement here.
        if (m_inType && TrimmedValue(text) == L"browser") m_isBrowser = true;
        if (m_inName) m_requirementName = TrimmedValue(text);
        return S_OK;
    case eElementLomMinimumVersion:
    case eElementLomMaximumVersion: {
        if (!m_inOrComposite || !m_isBrowser || m_requirementName.empty() || !m_metadata) return S_OK;
        CGalleryKeyedStringCollection *target = element == eElementLomMinimumVersion
                                                    ? m_metadata->GetMinimumRequirements()
                                                    : m_metadata->GetMaximumRequirements();
        return target->Add(m_requirementName.c_str(), TrimmedValue(text).c_str());
    }
    case eElementSortOverride:
    case eElementLomVersion:
        if (!m_scratch) return E_OUTOFMEMORY;
        if (m_strings) return E_FAIL;
        m_scratch->RemoveAll();
        m_strings = m_scratch;
        return S_OK;
    case eElementOriginalId:
        if (m_metadata) return m_metadata->SetOriginalId(TrimmedValue(text).c_str());
        return S_OK;
    case eElementShowInLanguages:
    case eElementHideInLanguages: {
        if (!m_metadata) return S_OK;
        const CAtlString codes = TrimmedValue(text);
        return element == eElementShowInLanguages ? m_metadata->SetShowInLanguages(codes.c_str())
                                                  : m_metadata->SetHideInLanguages(codes.c_str());
    }
    case eElementCreationDate:
        if (m_metadata) m_metadata->SetCreationDateTime(CGalleryMetadata::ParseDateTime(TrimmedValue(text).c_str()));
        return S_OK;
    case eElementStringVersions:
        if (m_strings) return E_FAIL;
        m_strings = m_manifest->GetStringVersions();
        return S_OK;
    case eElementOrganization:
        return StartOrganization(attributes);
    case eElementOrganizations:
        return S_OK;
    case eElementResource: {
        const KELDASaxString identifier = attributes.GetValue("identifier");
        if (!identifier) return S_OK;
        const auto range = m_unresolved.equal_range(std::string(identifier.view()));
        if (range.first == range.second) return S_OK;
        const CAtlString href = AttributeValue(attributes, "href");
        for (auto it = range.first; it != range.second; ++it) {
            const HRESULT hr = it->second->SetHref(href.c_str());
            if (FAILED(hr)) return hr;
        }
        m_unresolved.erase(range.first, range.second);
        return S_OK;
    }
    case eElementResources:
        return m_organization ? E_FAIL : S_OK;
    }
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::EndItem()
{
    if (m_metadata) return E_FAIL;
    if (m_file) {
        if (!m_activity) return E_FAIL;
        if (m_file->GetMetadata()->GetTitle()->IsEmpty()) {
            const HRESULT hr = m_file->GetMetadata()->GetTitle()->Add(CGallery::DefaultLanguage, m_fileTitle.c_str());
            if (FAILED(hr)) return hr;
        }
        if (CGallery::IsEmptyString(m_file->GetIdentifier())) return E_FAIL;
        m_file = nullptr;
        return S_OK;
    }
    if (!m_activity || m_activityStack.empty()) return E_FAIL;
    if (CGallery::IsEmptyString(m_activity->GetIdentifier())) return E_FAIL;
    m_activity = m_activityStack.back();
    m_activityStack.pop_back();
    m_activityTitles.pop_back();
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::EndOrganization()
{
    if (m_metadata || !m_organization || m_activity) return E_FAIL;
    if (CGallery::IsEmptyString(m_organization->GetIdentifier())) return E_FAIL;
    m_organization = nullptr;
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::endElement(const KELDASaxString &name, const KELDASaxString &, const KELDASaxString &,
                                           size_t position, size_t length)
{
    const eElement element = ElementOf(name.view());
    HRESULT hr = S_OK;
    switch (element) {
    case eElementItem:
        hr = EndItem();
        break;
    case eElementMetadata:
        if (!m_metadata || m_strings) hr = E_FAIL;
        m_metadata = nullptr;
        m_inIdentifier = false;
        break;
    case eElementLomTitle:
        if (m_strings && m_strings->IsEmpty() && m_metadata) {
            const CAtlString *pending = PendingTitleOf(m_metadata);
            hr = m_strings->Add(CGallery::DefaultLanguage, pending ? pending->c_str() : L"");
        }
        m_strings = nullptr;
        break;
    case eElementLomKeyword:
        if (!m_strings) hr = E_FAIL;
        m_strings = nullptr;
        break;
    case eElementStringVersions:
        m_strings = nullptr;
        break;
    case eElementSortOverride:
    case eElementLomVersion:
        if (m_strings == m_scratch) {
            if (m_metadata) {
                const wchar_t *value = m_scratch->GetString(CGallery::DefaultLanguage);
                hr = element == eElementLomVersion ? m_metadata->SetVersion(value) : m_metadata->SetSortOverride(value);
            }
            m_scratch->RemoveAll();
            m_strings = nullptr;
        }
        break;
    case eElementLomGeneral:
        m_inGeneral = false;
        m_inIdentifier = false;
        break;
    case eElementLomIdentifier:
        m_inIdentifier = false;
        break;
    case eElementLomRequirement:
        m_inRequirement = false;
        break;
    case eElementLomOrComposite:
        m_inOrComposite = m_inType = m_inName = m_isBrowser = false;
        m_requirementName.clear();
        break;
    case eElementLomType:
        m_inType = false;
        break;
    case eElementLomName:
        m_inName = false;
        break;
    case eElementOrganization:
        hr = EndOrganization();
        break;
    case eElementOrganizations:
        if (m_organization) hr = E_FAIL;
        break;
    case eElementResources:
        if (!m_unresolved.empty()) hr = E_FAIL;
        break;
    default:
        break;
    }
    if (FAILED(hr)) return hr;
    if (m_observer && length) {
        const HRESULT progress = m_observer->NotifyOpenProgress(
            static_cast<float>(static_cast<double>(position) / static_cast<double>(length)));
        if (progress < 0) {
            m_cancelled = true;
            return progress;
        }
    }
    return S_OK;
}

HRESULT KELDASaxOpenXmlHandler::endDocument()
{
    // A file whose identifierref no resource resolved is a broken document even without `resources`.
    return m_unresolved.empty() && !m_organization && !m_file && !m_activity ? S_OK : E_FAIL;
}
