// The meta observer: records and forwards progress, and turns the downloader's byte counts into the
// percentage of the download being reported.
#include "install/GalleryInstallationMetaObserver.h"

#include <algorithm>

void CGalleryInstallationMetaObserver::InstallationProgress(eGalleryInstallationProgress kind,
                                                            CGalleryInstallationItem *item, const wchar_t *text,
                                                            int percent, int overall)
{
    m_lastKind = kind;
    if (kind == eGalleryInstallationProgressDownloading) {
        m_lastItem = item;
        m_lastText = text ? text : L"";
        m_lastOverall = overall;
    }
    if (m_observer) m_observer->InstallationProgress(kind, item, text ? text : L"", percent, overall);
}

int CGalleryInstallationMetaObserver::OnProgress(unsigned received, unsigned total, unsigned, const wchar_t *)
{
    int percent = total ? static_cast<int>(static_cast<float>(received) / static_cast<float>(total) * 100.0f) : 0;
    // The end of a download is the engine's own report at 100; the byte count stops just before it, so
    // that a finished download is reported once.
    percent = std::clamp(percent, 0, 99);
    if (m_observer)
        m_observer->InstallationProgress(m_lastKind, m_lastItem, m_lastText.c_str(), percent, m_lastOverall);
    return 0;
}

bool CGalleryInstallationMetaObserver::ShouldAuthenticate()
{
    return true;
}

void CGalleryInstallationMetaObserver::OnProgress(int done, int total, int reserved, const CAtlString &text)
{
    OnProgress(done > 0 ? static_cast<unsigned>(done) : 0u, total > 0 ? static_cast<unsigned>(total) : 0u,
               static_cast<unsigned>(reserved), text.c_str());
}

bool CGalleryInstallationMetaObserver::IsCancelled()
{
    return m_cancel && m_cancel->load();
}
