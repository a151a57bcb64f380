// CUrlResources: the addresses of the online entries of the gallery (team-extension pages, the
// online-marketplace document, the content-exchange search) and the trusted handwriting checksums.
// Built-in defaults on the hosts of OnlineHosts, replaced by the values of the urlresources document
// that loadUrls downloads. One process-wide instance; every member may be called from any thread.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <mutex>
#include <set>

struct UrlResourcesDocument;

class CUrlResources
{
  public:
    static const wchar_t *const MarketplaceOverridePreference; // "OnlineMarketplaceUrlOverride"
    static const wchar_t *const MarketplaceSettingsKey;        // "OnlineMarketplace"
    static const wchar_t *const BuiltInChecksum;

    static CUrlResources &instance();

    // The downloaded value when there is one, else the default.
    CAtlString getTeamExtensionsUrlCorporate() const;
    CAtlString getTeamExtensionsUrlEducation() const;
    CAtlString getTeamExtensionsTitleCorporate() const;
    CAtlString getTeamExtensionsTitleEducation() const;
    CAtlString getOnlineMarketplaceUrl() const;
    // The title of the team-extensions page in force (UseCorporatePages).
    CAtlString getOnlineResourcesTitle() const;
    // The search template with "%SEARCH%", "%LANG%" and "%VER%" replaced by the percent-encoded search
    // text, current language and program version.
    CAtlString getKDEXSearchUrl(const CAtlString &text) const;
    std::set<CAtlString> getTrustedChecksums() const;
    bool isTrustedChecksum(const CAtlString &checksum) const;

    // Where loadUrls fetches the document: the preference OnlineMarketplaceUrlOverride when set, else
    // the default marketplace document address.
    CAtlString getUrlResourcesUrl() const;
    // Downloads and reads the document once (again with force). S_OK when its values are in force,
    // S_FALSE when loaded before, E_ABORT when the download failed or was refused, E_INVALIDARG for a
    // wrong version, E_FAIL for a broken or oversized document; a failure keeps the values in force.
    [[nodiscard]] HRESULT loadUrls(bool force);
    bool isLoaded() const;
    // Whether the last download was asked for credentials.
    bool didAskForAuthentication() const;
    // Back to the built-in values (the exchange service's addresses too).
    void reset();

    // The corporate pages serve a person with a personal team-content registration, the education
    // pages everyone else.
    static bool UseCorporatePages();

  private:
    CUrlResources() = default;
    void Apply(const UrlResourcesDocument &document);

    mutable std::mutex m_mutex;
    std::mutex m_loadMutex;
    bool m_loaded = false;
    bool m_askedForAuthentication = false;
    CAtlString m_corporate, m_corporateTitle, m_education, m_educationTitle, m_marketplace, m_kdexSearch;
    std::set<CAtlString> m_extraChecksums;
};
