#include "gallery/online/GalleryWebSite.h"

#include "gallery/facade/Gallery.h"
#include "gallery/online/OnlineDownload.h"
#include "gallery/online/OnlineText.h"
#include "settings/Preferences.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/KeldaPath.h"
#include "support/Limits.h"
#include "support/SaveFile.h"

#include <string>

const wchar_t *const CGalleryWebSite::SettingsKey = L"WebSites";

namespace
{

bool UsableIdentifier(const CAtlString &identifier)
{
    return !identifier.empty() && identifier.find_first_of(L"\\/") == CAtlString::npos && identifier != L"." &&
           identifier != L"..";
}

} // namespace

CAtlString CGalleryWebSite::GetSettingsKey(const CAtlString &identifier)
{
    return CAtlString(CGallery::PreferencesPath) + L"\\" + SettingsKey + L"\\" + identifier;
}

HRESULT CGalleryWebSite::LoadSettings(int scope, const CAtlString &identifier)
{
    if (!UsableIdentifier(identifier)) return E_INVALIDARG;
    const CAtlString key = GetSettingsKey(identifier);
    m_identifier = identifier;
    m_scope = scope;
    m_title = GetPreferenceString(scope, key, L"Title", CAtlString(), nullptr, CGallery::PreferenceFile);
    m_metadataXml = GetPreferenceString(scope, key, L"MetadataXml", CAtlString(), nullptr, CGallery::PreferenceFile);
    m_url = GetPreferenceString(scope, key, L"Url", CAtlString(), nullptr, CGallery::PreferenceFile);
    return m_title.empty() && m_url.empty() ? S_FALSE : S_OK;
}

HRESULT CGalleryWebSite::SaveSettings(bool assignIdentifier)
{
    if (m_identifier.empty() && assignIdentifier) m_identifier = CGallery::NewGuid();
    if (!UsableIdentifier(m_identifier)) return E_INVALIDARG;
    const CAtlString key = GetSettingsKey(m_identifier);
    const bool failed =
        WritePreferenceString(m_scope, key, L"Title", m_title, CGallery::PreferenceFile) != 0 ||
        WritePreferenceString(m_scope, key, L"MetadataXml", m_metadataXml, CGallery::PreferenceFile) != 0 ||
        WritePreferenceString(m_scope, key, L"Url", m_url, CGallery::PreferenceFile) != 0;
    return failed ? E_FAIL : S_OK;
}

HRESULT CGalleryWebSite::DeleteSettings()
{
    if (!UsableIdentifier(m_identifier)) return E_INVALIDARG;
    const CKeldaFilePath icon(GetFaviconPath());
    if (icon.FileExists() && !CFileManipulator::DeleteFile(icon)) return E_FAIL;
    return RecursivePreferenceDelete(m_scope, GetSettingsKey(m_identifier), CGallery::PreferenceFile) == 0 ? S_OK
                                                                                                           : E_FAIL;
}

CAtlString CGalleryWebSite::GetFaviconPath() const
{
    if (!UsableIdentifier(m_identifier)) return CAtlString();
    const CAtlString name = CKeldaFilePath::MakeNameLegal(m_identifier);
    if (name.empty()) return CAtlString();
    return CGallery::GetCacheFolderPath() + L"/WebSites/" + name + L"_favicon.ico";
}

bool CGalleryWebSite::HasFavicon() const
{
    const CAtlString path = GetFaviconPath();
    return !path.empty() && CKeldaFilePath(path).FileExists();
}

CAtlString CGalleryWebSite::GetFavicon() const
{
    return HasFavicon() ? GetFaviconPath() : CAtlString();
}

CAtlString CGalleryWebSite::FaviconUrl(const CAtlString &siteUrl)
{
    static const CAtlString scheme = L"http://";
    if (!Text::StartsWith(siteUrl, scheme, true) || !OnlineText::IsWebUrl(siteUrl)) return CAtlString();
    const size_t end = siteUrl.find_first_of(L"/?#", scheme.size());
    CAtlString authority =
        siteUrl.substr(scheme.size(), end == CAtlString::npos ? CAtlString::npos : end - scheme.size());
    // Credentials in the address are not sent along for the icon.
    const size_t at = authority.rfind(L'@');
    if (at != CAtlString::npos) authority.erase(0, at + 1);
    if (authority.empty()) return CAtlString();
    return scheme + authority + L"/favicon.ico";
}

HRESULT CGalleryWebSite::DownloadFavicon()
{
    const CAtlString url = FaviconUrl(m_url);
    if (url.empty()) return S_FALSE;
    const CKeldaFilePath target(GetFaviconPath());
    if (target.IsEmptyPath() || !CDirectoryManipulator::CreateDirectory(target.GetDirectoryPath())) return E_FAIL;
    // Fetched beside the downloader's own state files, then published in one step.
    std::string bytes;
    bool asked = false;
    const HRESULT hr = OnlineDownload::Fetch(url, L".ico", Limits::kMaxOnlineDocumentBytes, bytes, asked);
    if (FAILED(hr)) return hr;
    return CSaveFile::WriteWholeFile(target, bytes) ? S_OK : E_FAIL;
}
