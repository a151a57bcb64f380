// CGalleryOnlineResources: the online-resources page. Preparing it loads the urlresources document
// once (CUrlResources::loadUrls; the defaults stay when it cannot be had). The team-extensions page in force
// (CGallery::GetKeldaOnlineResourcesURL) is a template; the RSS feed "myresources.rss" in the same
// folder on the server lists the person's resources. The filled page is written (crash-safe) to the
// cache folder and its "file://" URI becomes the portal's URL; the feed's ttl sets the refresh interval.
// A failed download or parse keeps the page written before and shows the error page.
#pragma once

#include "gallery/online/GalleryOnlinePortal.h"

#include <atomic>

class CGalleryOnlineResources : public CGalleryOnlinePortal
{
  public:
    static const wchar_t *const SettingsKey; // "OnlineResources"
    static constexpr int kNameText = 21;

    CGalleryOnlineResources();
    ~CGalleryOnlineResources() override;

    // Downloads template and feed and writes the page; the portal's URL is set either way.
    [[nodiscard]] HRESULT Initialize() { return Start(true); }
    // Seconds until the page should be prepared again (the feed's ttl, 1 minute to 1 day).
    int GetRefreshInterval() const { return m_refreshSeconds.load(); }
    // Where the finished page is written.
    static CAtlString GetPagePath();
    // The feed that belongs to a page address: the page's folder + "myresources.rss".
    static CAtlString FeedUrlOfPage(const CAtlString &pageUrl);

  protected:
    [[nodiscard]] HRESULT Prepare(CAtlString &url) override;

  private:
    std::atomic<int> m_refreshSeconds;
};
