// MainWindow: the interactive installer's one window. The user ticks categories and language packs,
// sees a live summary of the changes with their sizes, may change the installation folder and the
// connection settings, and starts the run with "Next >>". The window holds no installation logic: each
// tick becomes an action on the CInstallationController, and the views are rebuilt from its state.
#pragma once

#include "install/IInstallationObserver.h"

#include <QDialog>

#include <memory>

class CInstallationController;
class ConfigurationWrapper;
class ProxyHandler;

class MainWindow : public QDialog, public IInstallationObserver
{
    Q_OBJECT

  public:
    MainWindow(std::shared_ptr<CInstallationController> controller, std::shared_ptr<ConfigurationWrapper> configuration,
               ProxyHandler *proxyHandler, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Whether the gallery source can be reached, so that new content may be added.
    void SetSourceAvailable(bool available);

    // IInstallationObserver
    void OnReadStarted(CGalleryInstallation *installation) override;
    void OnReadFinished(CGalleryInstallation *installation) override;
    void OnReadFailed(CGalleryInstallation *installation) override;
    void OnRunStarted(CGalleryInstallation *installation) override;
    void OnRunFinished(CGalleryInstallation *installation) override;
    void OnRunCanceled(CGalleryInstallation *installation) override;
    void OnRunFailed(CGalleryInstallation *installation) override;
    bool CategoriesWillBeUpdated() override;
    bool LanguagesWillBeRemoved() override;
    bool TooManyLanguages() override;

  public slots:
    void OnOk();
    void OnCancel();
    void OnProxyOptions();
    void OnAbout();
    void OnBrowse();
    void OnStatusChanged();
    void OnLanguagesCheckboxChanged(int state);

  private:
    std::shared_ptr<CInstallationController> m_controller;
    std::shared_ptr<ConfigurationWrapper> m_configuration;
    ProxyHandler *m_proxyHandler = nullptr;
    bool m_sourceAvailable = false;
};
