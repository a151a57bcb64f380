#include "gallery/online/GalleryOnlineResources.h"

#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/online/OnlineDownload.h"
#include "gallery/online/OnlineText.h"
#include "gallery/online/ResourcesPage.h"
#include "gallery/online/RssFeed.h"
#include "gallery/online/UrlResources.h"
#include "support/DirectoryManipulator.h"
#include "support/KeldaPath.h"
#include "support/Limits.h"
#include "support/SaveFile.h"

#include <string>

const wchar_t *const CGalleryOnlineResources::SettingsKey = L"OnlineResources";

CGalleryOnlineResources::CGalleryOnlineResources()
    : CGalleryOnlinePortal(eGalleryObjectTypeOnlineResources, eGalleryNotificationOnlineResources, SettingsKey,
                           kNameText),
      m_refreshSeconds(RssFeed::kDefaultRefreshSeconds)
{
}

CGalleryOnlineResources::~CGalleryOnlineResources()
{
    // The thread calls Prepare of this class: it must end before this part goes.
    Join();
}

CAtlString CGalleryOnlineResources::GetPagePath()
{
    return CGallery::GetCacheFolderPath() + L"/Online/onlineresources.html";
}

CAtlString CGalleryOnlineResources::FeedUrlOfPage(const CAtlString &pageUrl)
{
    CAtlString base = pageUrl.substr(0, pageUrl.find_first_of(L"?#"));
    const size_t hostStart = base.find(L"://");
    const size_t slash = base.rfind(L'/');
    if (slash == CAtlString::npos || (hostStart != CAtlString::npos && slash < hostStart + 3))
        base += L'/';
    else
        base.erase(slash + 1);
    return base + L"myresources.rss";
}

HRESULT CGalleryOnlineResources::Prepare(CAtlString &url)
{
    // The addresses of the urlresources document when it can be had, else the defaults.
    (void)LoadUrls(false);
    const CAtlString pageUrl = CGallery::GetKeldaOnlineResourcesURL();
    std::string templ, feedBytes;
    bool asked = false;
    HRESULT hr = OnlineDownload::Fetch(pageUrl, L".html", Limits::kMaxOnlineFeedBytes, templ, asked);
    if (SUCCEEDED(hr))
        hr = OnlineDownload::Fetch(FeedUrlOfPage(pageUrl), L".xml", Limits::kMaxOnlineFeedBytes, feedBytes, asked);
    RssFeed feed;
    if (SUCCEEDED(hr)) hr = ReadRssFeed(feedBytes.data(), feedBytes.size(), feed);
    if (FAILED(hr)) return hr;

    const std::string page =
        ResourcesPage::Fill(templ, CUrlResources::instance().getOnlineResourcesTitle(), feed.entries);
    const CKeldaFilePath path(GetPagePath());
    if (!CDirectoryManipulator::CreateDirectory(path.GetDirectoryPath()) || !CSaveFile::WriteWholeFile(path, page))
        return E_FAIL;
    m_refreshSeconds = feed.refreshSeconds;
    url = CGallery::EncodeFileURI(path.GetFilePathString().c_str());
    StoreSetting(L"Url", url);
    return S_OK;
}

CAtlString CGallery::GetKeldaOnlineResourcesURL()
{
    const CUrlResources &resources = CUrlResources::instance();
    const CAtlString page = CUrlResources::UseCorporatePages() ? resources.getTeamExtensionsUrlCorporate()
                                                               : resources.getTeamExtensionsUrlEducation();
    return OnlineText::ExpandUrlTemplate(page, CAtlString(), GetCurrentLanguage(), OnlineText::ProgramVersion());
}
