// MainWindow: see MainWindow.h.
#include "ui/MainWindow.h"

#include "configuration/ConfigurationWrapper.h"
#include "install/InstallationController.h"
#include "net/ProxyHandler.h"

MainWindow::MainWindow(std::shared_ptr<CInstallationController> controller,
                       std::shared_ptr<ConfigurationWrapper> configuration, ProxyHandler *proxyHandler, QWidget *parent)
    : QDialog(parent), m_controller(std::move(controller)), m_configuration(std::move(configuration)),
      m_proxyHandler(proxyHandler)
{
}

MainWindow::~MainWindow() = default;

void MainWindow::SetSourceAvailable(bool available)
{
    m_sourceAvailable = available;
}

void MainWindow::OnReadStarted(CGalleryInstallation *) {}
void MainWindow::OnReadFinished(CGalleryInstallation *) {}
void MainWindow::OnReadFailed(CGalleryInstallation *) {}
void MainWindow::OnRunStarted(CGalleryInstallation *) {}
void MainWindow::OnRunFinished(CGalleryInstallation *) {}
void MainWindow::OnRunCanceled(CGalleryInstallation *) {}
void MainWindow::OnRunFailed(CGalleryInstallation *) {}
bool MainWindow::CategoriesWillBeUpdated()
{
    return true;
}
bool MainWindow::LanguagesWillBeRemoved()
{
    return true;
}
bool MainWindow::TooManyLanguages()
{
    return true;
}

void MainWindow::OnOk()
{
    accept();
}
void MainWindow::OnCancel()
{
    reject();
}
void MainWindow::OnProxyOptions() {}
void MainWindow::OnAbout() {}
void MainWindow::OnBrowse() {}
void MainWindow::OnStatusChanged() {}
void MainWindow::OnLanguagesCheckboxChanged(int) {}
