#include "gallery/online/GalleryOnlineMarketplace.h"

#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/online/UrlResources.h"
#include "settings/Preferences.h"

const wchar_t *const CGalleryOnlineMarketplace::SettingsKey = L"OnlineMarketplace";

CGalleryOnlineMarketplace::CGalleryOnlineMarketplace()
    : CGalleryOnlinePortal(eGalleryObjectTypeOnlineMarketplace, eGalleryNotificationOnlineMarketplace, SettingsKey,
                           kNameText)
{
}

CGalleryOnlineMarketplace::~CGalleryOnlineMarketplace()
{
    Join();
}

bool CGalleryOnlineMarketplace::IsEnabled() const
{
    const CAtlString key = CAtlString(CGallery::PreferencesPath) + L"\\" + SettingsKey;
    for (int scope : {PreferenceScopeUser, PreferenceScopeMachine}) {
        unsigned int error = 0;
        const int enabled = GetPreferenceInt(scope, key, L"Enabled", 1, &error, CGallery::PreferenceFile);
        if (error == 0) return enabled != 0;
    }
    return true;
}

HRESULT CGalleryOnlineMarketplace::Prepare(CAtlString &url)
{
    if (!IsEnabled()) return E_ABORT;
    const HRESULT hr = LoadUrls(true);
    if (FAILED(hr)) return hr;
    url = CUrlResources::instance().getOnlineMarketplaceUrl();
    return S_OK;
}
