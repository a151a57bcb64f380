// StatusCollector: an observer in the chain that keeps the text of every failed step (kind 7), so that
// a command can tell a run with failed items from a clean one and list them.
#pragma once

#include "install/IInstallationObserver.h"
#include "support/Text.h"

#include <list>
#include <mutex>

class StatusCollector : public IGalleryInstallationObserverChain
{
  public:
    // Reports arrive on the engine's worker thread.
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override;

    std::list<CAtlString> GetLog() const;
    void Clear();

  private:
    mutable std::mutex m_mutex;
    std::list<CAtlString> m_failures;
};
