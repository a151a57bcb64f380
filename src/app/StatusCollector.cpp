// The failure list of a run.
#include "app/StatusCollector.h"

void StatusCollector::InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item,
                                           const wchar_t *text, int percent, int overall)
{
    if (kind == eGalleryInstallationProgressFailed) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failures.push_back(text ? text : L"");
    }
    IGalleryInstallationObserverChain::InstallationProgress(kind, item, text, percent, overall);
}

std::list<CAtlString> StatusCollector::GetLog() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

void StatusCollector::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failures.clear();
}
