// IDownloader: fetches one URL into a fresh local file. The workflow context of a command carries a
// shared pointer to one; the self-update code fetches its update description and packages through it.
// NTrove::GalleryDownloader (net/GalleryDownloader.h) is the program's implementation.
#pragma once

#include <memory>

#include "support/Text.h"

class ProxyHandlerBase;

class IDownloader
{
  public:
    virtual ~IDownloader() = default;

    // Hands the downloader the proxy handler of the run. The program's own implementation ignores it.
    virtual void SetProxyHandler(std::shared_ptr<ProxyHandlerBase> proxyHandler) = 0;

    // Downloads url into a new temporary file and returns that file's absolute local path, or an
    // empty string on failure. The caller owns the file and deletes it when done. The two numeric
    // arguments carry no meaning; implementations ignore them.
    virtual CAtlString DownloadFile(const CAtlString &url, unsigned long param1, unsigned long param2) = 0;
};
