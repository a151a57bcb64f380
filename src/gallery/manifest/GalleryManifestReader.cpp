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
#include "gallery/manifest/GalleryManifestReader.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryKeyedStringCollection.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"

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

} // namespace

KELDASaxOpenXmlHandler::KELDASaxOpenXmlHandler(CGalleryManifest *manifest, IGalleryManifestOpenObserver *observer)
    : m_manifest(manifest), m_observer(observer)
{
    CGalleryLanguageStringCollection::CreateInstance(&m_scratch);
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
    const std::string_view n = name.view();
    if (n == "item") {
        const KELDASaxString reference = attributes.GetValue("identifierref");
        return reference ? StartFile(attributes, reference) : StartActivity(attributes);
    }
    if (n == "title") {
        const CAtlString title = TrimmedValue(text);
        if (m_file)
            m_fileTitle = title;
        else if (m_activity && !m_activityTitles.empty())
            m_activityTitles.back() = title;
        else if (m_organization)
            m_organizationTitle = title;
        return S_OK;
    }
    if (n == "metadata") {
        m_metadata = InnermostMetadata();
        return S_OK;
    }
    if (n == "lom:string") {
        if (!m_strings) return S_OK;
        const KELDASaxString language = attributes.GetValue("language");
        const CAtlString code = language && !language.empty() ? language.value() : CAtlString(L"en");
        return m_strings->Add(code.empty() ? L"en" : code.c_str(), TrimmedValue(text).c_str());
    }
    if (n == "lom:title" || n == "lom:keyword") {
        if (m_strings || !m_metadata) return E_FAIL;
        m_strings = n == "lom:title" ? m_metadata->GetTitle() : m_metadata->GetKeywords();
        return S_OK;
    }
    if (n == "lom:general") {
        m_inGeneral = true;
        return S_OK;
    }
    if (n == "lom:identifier") {
        if (m_inGeneral) m_inIdentifier = true;
        return S_OK;
    }
    if (n == "lom:entry") {
        if (m_inGeneral && m_inIdentifier && m_metadata) return m_metadata->SetIdentifier(TrimmedValue(text).c_str());
        return S_OK;
    }
    if (n == "lom:format") {
        if (m_file) return m_file->GetMetadata()->SetFormat(TrimmedValue(text).c_str());
        return S_OK;
    }
    if (n == "lom:requirement") {
        m_inRequirement = true;
        return S_OK;
    }
    if (n == "lom:orComposite") {
        if (m_inRequirement) m_inOrComposite = true;
        return S_OK;
    }
    if (n == "lom:type") {
        m_inType = m_inOrComposite;
        return S_OK;
    }
    if (n == "lom:name") {
        m_inName = m_inOrComposite;
        return S_OK;
    }
    if (n == "lom:value") {
        if (m_inType && TrimmedValue(text) == L"browser") m_isBrowser = true;
        if (m_inName) m_requirementName = TrimmedValue(text);
        return S_OK;
    }
    if (n == "lom:minimumVersion" || n == "lom:maximumVersion") {
        if (!m_inOrComposite || !m_isBrowser || m_requirementName.empty() || !m_metadata) return S_OK;
        CGalleryKeyedStringCollection *target =
            n == "lom:minimumVersion" ? m_metadata->GetMinimumRequirements() : m_metadata->GetMaximumRequirements();
        return target->Add(m_requirementName.c_str(), TrimmedValue(text).c_str());
    }
    if (n == "keldagallery:sortoverride" || n == "gallery:sortkey" || n == "lom:version") {
        if (m_strings) return E_FAIL;
        m_scratch->RemoveAll();
        m_strings = m_scratch;
        return S_OK;
    }
    if (n == "keldagallery:originalid") {
        if (m_metadata) return m_metadata->SetOriginalId(TrimmedValue(text).c_str());
        return S_OK;
    }
    if (n == "keldagallery:showinlanguages" || n == "keldagallery:hideinlanguages") {
        if (!m_metadata) return S_OK;
        const CAtlString codes = TrimmedValue(text);
        return n == "keldagallery:showinlanguages" ? m_metadata->SetShowInLanguages(codes.c_str())
                                                   : m_metadata->SetHideInLanguages(codes.c_str());
    }
    if (n == "keldagallery:creationdatetime" || n == "keldagallery:creationdate" || n == "gallery:creationdate") {
        if (m_metadata) m_metadata->SetCreationDateTime(CGalleryMetadata::ParseDateTime(TrimmedValue(text).c_str()));
        return S_OK;
    }
    if (n == "keldagallery:stringversions") {
        if (m_strings) return E_FAIL;
        m_strings = m_manifest->GetStringVersions();
        return S_OK;
    }
    if (n == "organization") return StartOrganization(attributes);
    if (n == "resource") {
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
    if (n == "resources") return m_organization ? E_FAIL : S_OK;
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
    const std::string_view n = name.view();
    HRESULT hr = S_OK;
    if (n == "item") {
        hr = EndItem();
    } else if (n == "metadata") {
        if (!m_metadata || m_strings) hr = E_FAIL;
        m_metadata = nullptr;
        m_inIdentifier = false;
    } else if (n == "lom:title") {
        if (m_strings && m_strings->IsEmpty() && m_metadata) {
            const CAtlString *pending = PendingTitleOf(m_metadata);
            hr = m_strings->Add(CGallery::DefaultLanguage, pending ? pending->c_str() : L"");
        }
        m_strings = nullptr;
    } else if (n == "lom:keyword") {
        if (!m_strings) hr = E_FAIL;
        m_strings = nullptr;
    } else if (n == "keldagallery:stringversions") {
        m_strings = nullptr;
    } else if (n == "keldagallery:sortoverride" || n == "gallery:sortkey" || n == "lom:version") {
        if (m_strings == m_scratch) {
            if (m_metadata) {
                const wchar_t *value = m_scratch->GetString(CGallery::DefaultLanguage);
                hr = n == "lom:version" ? m_metadata->SetVersion(value) : m_metadata->SetSortOverride(value);
            }
            m_scratch->RemoveAll();
            m_strings = nullptr;
        }
    } else if (n == "lom:general") {
        m_inGeneral = false;
        m_inIdentifier = false;
    } else if (n == "lom:identifier") {
        m_inIdentifier = false;
    } else if (n == "lom:requirement") {
        m_inRequirement = false;
    } else if (n == "lom:orComposite") {
        m_inOrComposite = m_inType = m_inName = m_isBrowser = false;
        m_requirementName.clear();
    } else if (n == "lom:type") {
        m_inType = false;
    } else if (n == "lom:name") {
        m_inName = false;
    } else if (n == "organization") {
        hr = EndOrganization();
    } else if (n == "organizations") {
        if (m_organization) hr = E_FAIL;
    } else if (n == "resources") {
        if (!m_unresolved.empty()) hr = E_FAIL;
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
