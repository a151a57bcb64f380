// The gallery installation's file download.
#include "net/QtGalleryDownload.h"

#include "net/QtDownloader.h"

HRESULT QtGalleryDownload(const CAtlString &url, const CAtlString &fileName, IDownloadObserver *observer)
{
    QtDownloader::QtDownloader downloader;
    return downloader.Download(QUrl(Text::ToQt(url)), Text::ToQt(fileName), observer);
}
