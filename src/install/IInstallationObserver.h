// IInstallationObserver: what the installation controller tells the window, the console and the
// installed-categories writer about its phases, and the questions it asks before a change the user may
// refuse. Operations in the order of CInstallationController::Event (0 ... 9).
//
// Notifications pass the controller's current installation, which may be null; every observer
// implements them. The questions default to yes; the controller stops at the first observer that
// answers no. All calls arrive on the controller's calling thread.
#pragma once

#include "install/IGalleryInstallationObserver.h"

class CGalleryInstallation;

class IInstallationObserver
{
  public:
    virtual ~IInstallationObserver() = default;

    virtual void OnReadStarted(CGalleryInstallation *installation) = 0;  // 0
    virtual void OnReadFinished(CGalleryInstallation *installation) = 0; // 1
    virtual void OnReadFailed(CGalleryInstallation *installation) = 0;   // 2
    virtual void OnRunStarted(CGalleryInstallation *installation) = 0;   // 3
    virtual void OnRunFinished(CGalleryInstallation *installation) = 0;  // 4
    virtual void OnRunCanceled(CGalleryInstallation *installation) = 0;  // 5
    virtual void OnRunFailed(CGalleryInstallation *installation) = 0;    // 6
    virtual bool CategoriesWillBeUpdated() { return true; }              // 7
    virtual bool LanguagesWillBeRemoved() { return true; }               // 8
    virtual bool TooManyLanguages() { return true; }                     // 9
};

// IGalleryInstallationObserverChain: a progress observer that passes every report on to the next one,
// so that observers (the console progress, the failure collector) can be stacked:
// first.Attach(second.Attach(&last)) sends each report through first, then second, then last.
class IGalleryInstallationObserverChain : public IGalleryInstallationObserver
{
  public:
    // Sets the next observer (may be null) and returns this chain.
    IGalleryInstallationObserverChain *Attach(IGalleryInstallationObserver *next)
    {
        m_next = next;
        return this;
    }
    IGalleryInstallationObserver *GetNext() const { return m_next; }

    // Forwards the report unchanged to the next observer, when there is one.
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int overall) override
    {
        if (m_next) m_next->InstallationProgress(kind, item, text, percent, overall);
    }

  private:
    IGalleryInstallationObserver *m_next = nullptr;
};
