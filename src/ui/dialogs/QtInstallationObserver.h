// QtInstallationObserver: the one progress observer that crosses from the engine's worker thread to the
// dialogs. It forwards every report down its chain, drops reports of an unchanged kind that come within
// 500 ms of the last one it passed on, and hands the rest to the user-interface thread by a queued signal.
#pragma once

#include "install/IInstallationObserver.h"
#include "support/Text.h"

#include <QElapsedTimer>
#include <QObject>

#include <mutex>

class QtInstallationObserver : public QObject, public IGalleryInstallationObserverChain
{
    Q_OBJECT

  public:
    explicit QtInstallationObserver(QObject *parent = nullptr);

    // Called on the worker thread.
    void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                              int percent, int totalPercent) override;

  signals:
    // kind, text (file, identifier or empty), the item's title (empty without an item), percents.
    void ProgressSignal(eGalleryInstallationProgress kind, CAtlString text, CAtlString title, int percent,
                        int totalPercent);

  private:
    std::mutex m_mutex;
    QElapsedTimer m_clock;
    eGalleryInstallationProgress m_lastKind = eGalleryInstallationProgress(0);
};

Q_DECLARE_METATYPE(eGalleryInstallationProgress)
Q_DECLARE_METATYPE(CAtlString)
