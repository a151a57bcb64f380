// The console commands that remove installed galleries: uninstall (the configuration's gallery) and
// uninstallall (every gallery registered on this machine).
//
// An uninstall that could not remove every item keeps what still describes the remaining items (the
// destination manifest, the uninstall records, the cached categories) and the registration, lists the
// failed items and fails, so that a later run can finish the job.
#include "app/WorkFlow.h"

#include "app/WorkFlowRun_p.h"
#include "configuration/ConfigurationWrapper.h"
#include "configuration/Defaults.h"
#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "install/InstallationController.h"
#include "settings/Preferences.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "ui/dialogs/ProgressDlg.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

bool CWorkFlow::UninstallImpl(WorkFlowTuple &tuple, IGalleryInstallationObserver *observer, bool showGui)
{
    ConfigurationWrapper &configuration = *tuple.configuration;
    if (!configuration.ReadGalleryPreferences()) {
        Output::Error(Output::eStringsCouldNotLoadConfiguration, showGui);
        return false;
    }
    // The data of a gallery installed for other machines is removed only on request.
    if (!configuration.IsRemote() || tuple.context.remote) {
        const CKeldaDirectoryPath destination = configuration.GetDestination();
        if (!CheckWritePermissions(destination)) {
            Output::Error(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA(), showGui);
            return false;
        }
        StatusCollector collector;
        collector.Attach(observer);
        tuple.controller->RunUninstall(&collector);
        if (tuple.outcome->runFailed || !collector.GetLog().empty()) {
            WorkFlowRun::PrintFailures(collector);
            return false;
        }
        CKeldaDirectoryPath uninstall = destination;
        uninstall.AddDirectoryToPath(L"Uninstall");
        const CAtlString manifest = CGallery::ImsManifestXml;
        // What is left is removed as far as it goes; a file that stays does not undo the uninstall.
        (void)CFileManipulator::DeleteFile(destination.CreateFilePath(manifest));
        (void)CFileManipulator::DeleteFile(destination.CreateFilePath(manifest + L".gz"));
        (void)CDirectoryManipulator::RemoveFilesFromDirectory(uninstall, L"imsmanifest*.xml.gz");
        (void)CFileManipulator::DeleteFile(uninstall.CreateFilePath(L"gallery_categories.xml"));
        (void)CFileManipulator::DeleteFile(uninstall.CreateFilePath(Defaults::KNOWN_LANGUAGES_FILE));
        // The emptied chain from "Uninstall" up to the destination itself, never above it.
        QDir().rmdir(Text::ToQt(uninstall.GetDirectoryPathString()));
        QDir().rmdir(Text::ToQt(destination.GetDirectoryPathString()));
    }
    if (!tuple.context.keepConfigs) configuration.Uninstall();
    std::fputs((Output::GetString(Output::eStringsUninstallComplete) + "\n").c_str(), stdout);
    std::fflush(stdout);
    return true;
}

int CWorkFlow::Uninstall(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    PrintUnrecognized(context.parameterErrors);
    if (!configuration->IsLoaded()) {
        Output::Error(Output::eStringsCouldNotLoadConfiguration, false);
        return 1;
    }
    WorkFlowTuple tuple = GallerySetFactory(context, configuration);
    CLIProgress progress;
    progress.verbose = context.verbose;
    const std::shared_ptr<ProgressDlg> window = context.ui ? CreateFloatingProgress(tuple.controller) : nullptr;
    IGalleryInstallationObserver *observer = &progress;
    if (window) observer = window->GetObserver();
    return UninstallImpl(tuple, observer, false) ? 0 : 1;
}

int CWorkFlow::UninstallAll(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper>)
{
    PrintUnrecognized(context.parameterErrors);
    std::vector<CGalleryExtensionInfo> registered;
    (void)CGalleryExtensionInfo::GetExtensions(CGalleryExtensionInfo::TeamContentExtensionType, registered);
    bool everyRunSucceeded = true;
    bool confirmed = !registered.empty();
    // A console run has no box to ask with: the command itself was the answer.
    if (confirmed && context.ui && qobject_cast<QApplication *>(QCoreApplication::instance()))
        confirmed = QMessageBox::question(nullptr, Output::GetTranslatedString(Output::eStringsTitle),
                                          QObject::tr("Do you want to remove all the installed Galleries?"),
                                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    if (confirmed) {
        for (const CGalleryExtensionInfo &info : registered) {
            auto configuration = std::make_shared<ConfigurationWrapper>();
            if (!configuration->ReadFromPreferences(info.id)) continue;
            WorkFlowTuple tuple = GallerySetFactory(context, configuration);
            CLIProgress progress;
            progress.verbose = context.verbose;
            const std::shared_ptr<ProgressDlg> window = context.ui ? CreateFloatingProgress(tuple.controller) : nullptr;
            IGalleryInstallationObserver *observer = &progress;
            if (window) observer = window->GetObserver();
            if (!UninstallImpl(tuple, observer, context.ui)) everyRunSucceeded = false;
        }
        // Only an emptied folder of configurations goes.
        if (everyRunSucceeded) QDir().rmdir(Text::ToQt(Defaults::GetConfigurationPath().GetDirectoryPathString()));
    }
    const CAtlString key =
        CAtlString(CGallery::PreferencesPath) + L"\\" + CGalleryExtensionInfo::TeamContentExtensionType;
    DeletePreference(PreferenceScopeMachine, key, L"deinclified", CGallery::PreferenceFile);
    DeletePreference(PreferenceScopeMachine, key, L"OnlineMarketplace", CGallery::PreferenceFile);
    if (!FileAssociation::Remove()) return 1;
    return everyRunSucceeded ? 0 : 1;
}
