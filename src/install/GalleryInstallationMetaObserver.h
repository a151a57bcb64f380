// CGalleryInstallationMetaObserver: the one path of every progress report of an installation. It
// forwards reports to the run's observer and remembers the last one, so that the byte progress of a
// download (it is the downloader's observer) becomes a percentage of the download being reported.
#pragma once

#include "install/IGalleryInstallationObserver.h"
#include "net/IDownloadObserver.h"
#include "support/Text.h"

#include <atomic>

class IProxyObserver;

class CGalleryInstallationMetaObserver : public IGalleryInstallationObserver, public IDownloadObserver
{
  public:
    CGalleryInstallationMetaObserver() = default;
    ~CGalleryInstallationMetaObserver() override = default;

    // Byte progress of the current download: forwards the last report with percent = received / total
    // * 100, truncated, at most 99 (0 when total is 0). Returns 0.
    virtual int OnProgress(unsigned received, unsigned total, unsigned reserved, const wchar_t *text);
    // Whether the downloader may ask for credentials: always.
    virtual bool ShouldAuthenticate();

    // Records the report (for downloads also item, text and overall) and forwards it.
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override;

    // IDownloadObserver: a negative total (unknown length) counts as 0.
    void OnProgress(int done, int total, int reserved, const CAtlString &text) override;
    bool IsCancelled() override;
    IProxyObserver *ProxyObserver() override { return m_proxyObserver; }

    void SetObserver(IGalleryInstallationObserver *observer) { m_observer = observer; }
    IGalleryInstallationObserver *GetObserver() const { return m_observer; }
    void SetProxyObserver(IProxyObserver *observer) { m_proxyObserver = observer; }
    IProxyObserver *GetProxyObserver() const { return m_proxyObserver; }
    // The run's cancel flag: a download in progress stops as soon as it is set. May be null.
    void SetCancelFlag(const std::atomic<bool> *cancel) { m_cancel = cancel; }

    eGalleryInstallationProgress GetLastKind() const { return m_lastKind; }

  private:
    IGalleryInstallationObserver *m_observer = nullptr;
    IProxyObserver *m_proxyObserver = nullptr;
    const std::atomic<bool> *m_cancel = nullptr;
    eGalleryInstallationProgress m_lastKind = eGalleryInstallationProgressReading;
    CGalleryInstallationItem *m_lastItem = nullptr;
    CAtlString m_lastText;
    int m_lastOverall = 0;
};
