// CGalleryWebSite: a web site the person added to the gallery. Kept in the preference store under the
// gallery preferences + "\WebSites\" + identifier, with the values "Title", "MetadataXml" (the site's
// metadata file) and "Url", in the scope it was read from or given. Its icon is the host's
// "/favicon.ico", fetched for "http://" sites only into the cache folder as <identifier>_favicon.ico.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

class CGalleryWebSite
{
  public:
    static const wchar_t *const SettingsKey; // "WebSites"

    CGalleryWebSite() = default;
    CGalleryWebSite(const CAtlString &identifier, const CAtlString &title, const CAtlString &url, int scope)
        : m_identifier(identifier), m_title(title), m_url(url), m_scope(scope)
    {
    }

    const CAtlString &GetIdentifier() const { return m_identifier; }
    const CAtlString &GetTitle() const { return m_title; }
    void SetTitle(const CAtlString &title) { m_title = title; }
    const CAtlString &GetUrl() const { return m_url; }
    void SetUrl(const CAtlString &url) { m_url = url; }
    const CAtlString &GetMetadataXml() const { return m_metadataXml; }
    void SetMetadataXml(const CAtlString &path) { m_metadataXml = path; }
    int GetScope() const { return m_scope; }

    // The preference key of a site: PreferencesPath\WebSites\identifier.
    static CAtlString GetSettingsKey(const CAtlString &identifier);
    // Reads the site; S_OK when it is stored (it has a title or URL), S_FALSE when not, E_INVALIDARG
    // for an identifier that is empty or holds a key separator.
    [[nodiscard]] HRESULT LoadSettings(int scope, const CAtlString &identifier);
    // Writes the values; a site without identifier gets a new GUID when assignIdentifier is true
    // (E_INVALIDARG otherwise). E_FAIL when a write fails.
    [[nodiscard]] HRESULT SaveSettings(bool assignIdentifier);
    // Removes the site's key and its icon file.
    [[nodiscard]] HRESULT DeleteSettings();

    // Where the icon is kept; empty for an identifier that cannot name a file.
    CAtlString GetFaviconPath() const;
    bool HasFavicon() const;
    // The icon file's path when there is one, else empty.
    CAtlString GetFavicon() const;
    // "http://host[:port]/favicon.ico" for an "http://" URL, else empty.
    static CAtlString FaviconUrl(const CAtlString &siteUrl);
    // Fetches the icon; S_FALSE (nothing fetched) for a site that is not "http://", E_ABORT when the
    // fetch failed.
    [[nodiscard]] HRESULT DownloadFavicon();

  private:
    CAtlString m_identifier;
    CAtlString m_title;
    CAtlString m_url;
    CAtlString m_metadataXml;
    int m_scope = 1;
};
