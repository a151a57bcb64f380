// The hooks of the lower layers and what this program gives them:
// - gallery, CGalleryHooks::SetCredentialProxyHooks: the downloader's credential prompt proxy, which
//   the library creates on the starting thread by its first Initialize and destroys by its last
//   Uninitialize.
// - gallery, CGalleryHooks::SetDownloadHook: the installation engine's download
//   (CGalleryInstallation::Download), through which the online resources fetch their documents. The
//   downloader does not tell whether credentials were asked for, so that is reported as not asked.
// - gallery, CGalleryHooks::SetBoardLanguageSource: not registered; the program is its own host, so the
//   library takes the language from the locale settings.
// - net, ProxyHandlerBase::SetDialogHook, CAuthentication::SetHooks and the signal proxy's prompt:
//   the dialogs of ui/dialogs/DialogHooks, registered by RegisterDialogs in GUI runs; a console run
//   has none, so its prompts get empty credentials and sudo's password question ends the attempt.
// - support, CGalleryZipArchiveOEMCPHelper::RegisterHelper: not registered; entry names that are not
//   UTF-8 decode as code page 850.
// Per-object callbacks (the factory's ConfigurationWrapper::SetLoadedCallback) and test hooks
// (CGalleryInstallation::SetStepHook) are not process-wide services and are set where they are used.
#include "app/StartupHooks.h"

#include "gallery/facade/GalleryHooks.h"
#include "install/GalleryInstallation.h"
#include "net/QtDownloaderSignalProxy.h"
#include "ui/dialogs/DialogHooks.h"

#include <QApplication>

void StartupHooks::Register()
{
    CGalleryHooks::SetCredentialProxyHooks(
        [] {
            QtDownloader::QtDownloaderSignalProxy *proxy = QtDownloader::QtDownloaderSignalProxy::Create();
            if (proxy && qobject_cast<QApplication *>(QCoreApplication::instance()))
                proxy->SetPrompt(&DialogHooks::AskServerCredentials);
        },
        [] { QtDownloader::QtDownloaderSignalProxy::Destroy(); });
    CGalleryHooks::SetDownloadHook(&CGalleryInstallation::DownloadForGallery);
}

void StartupHooks::RegisterDialogs()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) DialogHooks::Register();
}
