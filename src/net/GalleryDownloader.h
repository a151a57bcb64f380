// NTrove::GalleryDownloader: the program's IDownloader. Each call downloads into a new temporary file
// with the URL's extension and hands that file to the caller.
#pragma once

#include "net/IDownloader.h"

#include <memory>

class IProxyObserver;

namespace NTrove
{

class GalleryDownloader : public IDownloader
{
  public:
    // proxyObserver answers proxy credential requests of the downloads; may be null.
    explicit GalleryDownloader(std::shared_ptr<IProxyObserver> proxyObserver = {});

    // Ignored: proxy settings come from the application-wide proxy.
    void SetProxyHandler(std::shared_ptr<ProxyHandlerBase> proxyHandler) override;
    // The path of the new file, or "" on failure (no file is left behind then).
    CAtlString DownloadFile(const CAtlString &url, unsigned long param1, unsigned long param2) override;

  private:
    std::shared_ptr<IProxyObserver> m_proxyObserver;
};

} // namespace NTrove
