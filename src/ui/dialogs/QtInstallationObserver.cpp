#include "ui/dialogs/QtInstallationObserver.h"

#include "install/GalleryInstallationItem.h"

#include <QMetaType>

QtInstallationObserver::QtInstallationObserver(QObject *parent) : QObject(parent)
{
    // Once per process, so that the signal can be queued across threads.
    static const bool registered = [] {
        qRegisterMetaType<eGalleryInstallationProgress>("eGalleryInstallationProgress");
        qRegisterMetaType<CAtlString>("CAtlString");
        return true;
    }();
    (void)registered;
}

void QtInstallationObserver::InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item,
                                                  const wchar_t *text, int percent, int totalPercent)
{
    IGalleryInstallationObserverChain::InstallationProgress(kind, item, text, percent, totalPercent);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_clock.isValid() && m_clock.elapsed() < 500 && kind == m_lastKind) return;
        m_clock.start();
        m_lastKind = kind;
    }
    const CAtlString title = item ? item->GetTitle(nullptr) : CAtlString();
    emit ProgressSignal(kind, text ? CAtlString(text) : CAtlString(), title, percent, totalPercent);
}
