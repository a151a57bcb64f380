// CGalleryOnlineMarketplace: the online marketplace. Preparing it loads the urlresources document
// (CUrlResources::loadUrls, again each time) and shows the marketplace address it gives; a failed load
// shows the error page. The marketplace can be switched off with the integer "Enabled" (0) under its
// settings key.
#pragma once

#include "gallery/online/GalleryOnlinePortal.h"

class CGalleryOnlineMarketplace : public CGalleryOnlinePortal
{
  public:
    static const wchar_t *const SettingsKey; // "OnlineMarketplace"
    static constexpr int kNameText = 36;

    CGalleryOnlineMarketplace();
    ~CGalleryOnlineMarketplace() override;

    bool IsEnabled() const;

  protected:
    [[nodiscard]] HRESULT Prepare(CAtlString &url) override;
};
