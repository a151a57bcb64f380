// ReadProgressDlg: the splash-like dialog shown while the gallery state is read: the configuration's
// logo, name and description, the current step and an indeterminate bar.
#pragma once

#include "ui/dialogs/QtInstallationObserver.h"

#include <QDialog>

#include <memory>

class ConfigurationWrapper;
class QLabel;

class ReadProgressDlg : public QDialog
{
    Q_OBJECT

  public:
    ReadProgressDlg(std::shared_ptr<ConfigurationWrapper> configuration, QWidget *parent = nullptr);

    QtInstallationObserver *GetObserver() { return &m_observer; }
    // The observer as the controller's read takes it.
    operator IGalleryInstallationObserver *() { return &m_observer; }

    // Centred on the available desktop area, then shown.
    void show();
    // Re-applies the translated texts.
    void Translate();

    // The action text of a kind, empty for kinds the reading dialog does not show.
    static QString StatusText(eGalleryInstallationProgress kind);

  public slots:
    void ProgressSlot(eGalleryInstallationProgress kind, CAtlString text, CAtlString title, int percent,
                      int totalPercent);

  protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override {}

  private:
    std::shared_ptr<ConfigurationWrapper> m_configuration;
    QtInstallationObserver m_observer;
    QLabel *m_action = nullptr;
    QLabel *m_text = nullptr;
    QLabel *m_splash = nullptr;
};
