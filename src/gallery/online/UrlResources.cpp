#include "gallery/online/UrlResources.h"

#include "gallery/facade/Gallery.h"
#include "gallery/online/KDEXIntegration.h"
#include "gallery/online/OnlineDownload.h"
#include "gallery/online/OnlineHosts.h"
#include "gallery/online/OnlineText.h"
#include "gallery/online/UrlResourcesReader.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "settings/Preferences.h"
#include "support/Limits.h"

#include <string>
#include <vector>

const wchar_t *const CUrlResources::MarketplaceOverridePreference = L"OnlineMarketplaceUrlOverride";
const wchar_t *const CUrlResources::MarketplaceSettingsKey = L"OnlineMarketplace";
const wchar_t *const CUrlResources::BuiltInChecksum = L"6a1f0c3e9b7d4e25a8c1f0b3d2e4a697";

namespace
{

CAtlString PagesBase()
{
    return OnlineHosts::Base(OnlineHosts::eRole::WebServices) + L"/NOSSL/products/onlineresources/" +
           OnlineHosts::ProductWord;
}

} // namespace

CUrlResources &CUrlResources::instance()
{
    static CUrlResources resources;
    return resources;
}

CAtlString CUrlResources::getTeamExtensionsUrlCorporate() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_corporate.empty() ? PagesBase() + L"/corporate/index.htm" : m_corporate;
}

CAtlString CUrlResources::getTeamExtensionsUrlEducation() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_education.empty() ? PagesBase() + L"/education/index.htm" : m_education;
}

CAtlString CUrlResources::getTeamExtensionsTitleCorporate() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_corporateTitle.empty() ? CAtlString(L"Resources for Business") : m_corporateTitle;
}

CAtlString CUrlResources::getTeamExtensionsTitleEducation() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_educationTitle.empty() ? CAtlString(L"Resources for Education") : m_educationTitle;
}

CAtlString CUrlResources::getOnlineMarketplaceUrl() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_marketplace.empty() ? OnlineHosts::Base(OnlineHosts::eRole::Marketplace) + L"/onlinemarketplace.xml"
                                 : m_marketplace;
}

CAtlString CUrlResources::getOnlineResourcesTitle() const
{
    return UseCorporatePages() ? getTeamExtensionsTitleCorporate() : getTeamExtensionsTitleEducation();
}

CAtlString CUrlResources::getKDEXSearchUrl(const CAtlString &text) const
{
    CAtlString templ;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        templ = m_kdexSearch.empty()
                    ? OnlineHosts::Base(OnlineHosts::eRole::Exchange) + L"/search.html?q=%SEARCH%&lang=%LANG%"
                    : m_kdexSearch;
    }
    return OnlineText::ExpandUrlTemplate(templ, text, CGallery::GetCurrentLanguage(), OnlineText::ProgramVersion());
}

std::set<CAtlString> CUrlResources::getTrustedChecksums() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    std::set<CAtlString> all = m_extraChecksums;
    all.insert(BuiltInChecksum);
    return all;
}

bool CUrlResources::isTrustedChecksum(const CAtlString &checksum) const
{
    const CAtlString lower = Text::ToLower(checksum);
    std::lock_guard<std::mutex> guard(m_mutex);
    return lower == BuiltInChecksum || m_extraChecksums.count(lower) != 0;
}

CAtlString CUrlResources::getUrlResourcesUrl() const
{
    const CAtlString overridden = CGallery::GetGalleryPreference(MarketplaceOverridePreference);
    if (!overridden.empty()) return overridden;
    return OnlineHosts::Base(OnlineHosts::eRole::Marketplace) + L"/onlinemarketplace.xml";
}

bool CUrlResources::isLoaded() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_loaded;
}

bool CUrlResources::didAskForAuthentication() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_askedForAuthentication;
}

void CUrlResources::reset()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_loaded = m_askedForAuthentication = false;
        m_corporate.clear();
        m_corporateTitle.clear();
        m_education.clear();
        m_educationTitle.clear();
        m_marketplace.clear();
        m_kdexSearch.clear();
        m_extraChecksums.clear();
    }
    CKDEXIntegration::instance().SetUrls(CKDEXIntegration::Urls());
    CKDEXIntegration::instance().SetTimeOuts(CKDEXIntegration::TimeOuts());
}

HRESULT CUrlResources::loadUrls(bool force)
{
    // One load at a time; a second caller finds the first one's result.
    std::lock_guard<std::mutex> loading(m_loadMutex);
    if (!force && isLoaded()) return S_FALSE;

    std::string bytes;
    bool asked = false;
    HRESULT hr = OnlineDownload::Fetch(getUrlResourcesUrl(), L".xml", Limits::kMaxOnlineDocumentBytes, bytes, asked);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_askedForAuthentication = asked;
    }
    if (FAILED(hr)) return hr;

    UrlResourcesDocument document;
    hr = ReadUrlResources(bytes.data(), bytes.size(), document);
    if (FAILED(hr)) return hr;
    Apply(document);
    // Remembered for the marketplace entry of a later start that cannot reach the server.
    (void)WritePreferenceString(PreferenceScopeUser,
                                CAtlString(CGallery::PreferencesPath) + L"\\" + MarketplaceSettingsKey, L"Url",
                                getOnlineMarketplaceUrl(), CGallery::PreferenceFile);
    return S_OK;
}

void CUrlResources::Apply(const UrlResourcesDocument &document)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_loaded = true;
        m_corporate = document.corporate;
        m_corporateTitle = document.corporateTitle;
        m_education = document.education;
        m_educationTitle = document.educationTitle;
        m_marketplace = document.onlineMarketplace;
        m_kdexSearch = document.kdexSearch;
        m_extraChecksums = document.checksums;
    }
    if (document.hasKdex) CKDEXIntegration::instance().SetUrls(document.kdexUrls);
    CKDEXIntegration::instance().SetTimeOuts(document.timeOuts);
}

bool CUrlResources::UseCorporatePages()
{
    std::vector<CGalleryExtensionInfo> personal;
    if (FAILED(CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::PersonalTeamContentExtensionType, personal)))
        return false;
    for (const CGalleryExtensionInfo &extension : personal)
        if (extension.enabled) return true;
    return false;
}

bool CGallery::DidUrlDownloadAskForAuthentication()
{
    return CUrlResources::instance().didAskForAuthentication();
}
