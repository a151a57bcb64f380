// IDownloadObserver: what a blocking download tells its caller, and asks it. The installation engine
// adapts its installation observer to this interface; net knows nothing of the engine.
#pragma once

#include "support/Text.h"

class IProxyObserver;

class IDownloadObserver
{
  public:
    virtual ~IDownloadObserver() = default;
    // Bytes received so far and expected in total (-1 when unknown), the third value is always 0 and
    // the text empty here.
    virtual void OnProgress(int done, int total, int reserved, const CAtlString &text) = 0;
    // Polled as data arrives; true aborts the download (its partial file stays for a later resume).
    virtual bool IsCancelled() { return false; }
    // The run's proxy observer, asked for proxy credentials when no stored ones exist; may be null.
    virtual IProxyObserver *ProxyObserver() { return nullptr; }
};
