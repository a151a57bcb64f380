// The interactive commands: Normal (the window), WaitForCD (the window once the medium is in), the
// self-update check before the window opens, the rescue of a destination that cannot be written, and the
// window's uninstall. They run in GUI runs only (the factory refuses them otherwise), and every box goes
// through Box, which answers with the default in a run without widgets.
#include "app/WorkFlow.h"

#include "app/Output.h"
#include "configuration/ConfigurationWrapper.h"
#include "configuration/SelfUpdate.h"
#include "install/InstallationController.h"
#include "net/GalleryDownloader.h"
#include "net/ProxyHandler.h"
#include "support/WaitWithQtEvents.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/About.h"
#include "ui/dialogs/GalleryChooser.h"
#include "ui/dialogs/PathSelector.h"
#include "ui/dialogs/ProgressDlg.h"
#include "ui/dialogs/ReadProgressDlg.h"
#include "ui/dialogs/WaitForCDDlg.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace
{
CWorkFlow::BoxFunction &BoxOverride()
{
    static CWorkFlow::BoxFunction box;
    return box;
}

bool HaveWidgets()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

// An update is started only when it came over https or from a local file.
bool IsTrustedUpdateLocation(const CAtlString &location)
{
    const QUrl url(Text::ToQt(location));
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("https") || scheme == QLatin1String("file") || scheme.isEmpty();
}

void WarnUpdateFailed()
{
    CWorkFlow::Box(QMessageBox::Warning, Output::GetTranslatedString(Output::eStringsCouldNotDownloadUpdate));
}

// The kept argument list goes when no update starts (nothing should replay it).
void ForgetKeptArguments()
{
    QStringList discarded;
    (void)NTrove::CCmdLineContext::PopArguments(discarded);
}
} // namespace

QMessageBox::StandardButton CWorkFlow::Box(QMessageBox::Icon icon, const QString &text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton)
{
    if (BoxOverride()) return BoxOverride()(icon, text, buttons, defaultButton);
    if (!HaveWidgets()) return defaultButton;
    QMessageBox box(icon, Output::GetTranslatedString(Output::eStringsTitle), text, buttons);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CWorkFlow::SetBoxFunctionForTesting(BoxFunction box)
{
    BoxOverride() = std::move(box);
}

QStringList CWorkFlow::ArgumentsToKeep(const QStringList &arguments)
{
    // The parser takes "-password", "--password" and "\password" followed by the value, and
    // "-password:value"; none of them is kept.
    QStringList kept;
    for (int i = 0; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        if (option.startsWith(QLatin1String("--")))
            option.remove(0, 2);
        else if (option.startsWith(QLatin1Char('-')) || option.startsWith(QLatin1Char('\\')))
            option.remove(0, 1);
        else {
            kept << arguments.at(i);
            continue;
        }
        if (option == QLatin1String("password")) {
            ++i; // its value
            continue;
        }
        if (option.startsWith(QLatin1String("password:"))) continue;
        kept << arguments.at(i);
    }
    return kept;
}

bool CWorkFlow::SelfUpdate(WorkFlowTuple &tuple)
{
    CSelfUpdate update(L"Trove.xml", tuple.downloader);
    return SelfUpdate(tuple, update);
}

bool CWorkFlow::SelfUpdate(WorkFlowTuple &tuple, CSelfUpdate &update)
{
    if (!CUpdateXmlReader::ShouldAccessInternet(1)) return false;
    if (!update.ReadLocalXml() || update.IsNoUpdates()) return false;
    if (!update.ReadRemoteXml() || !update.IsUpdateAvailable()) return false;

    if (Box(QMessageBox::Question, Output::GetTranslatedString(Output::eStringsUpdateAvailable),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) != QMessageBox::Ok)
        return false;

    const CompatibilityElement &offer = update.GetCompatibility();
    // A program fetched over plain http could have been replaced on the way: it is not run.
    if (!IsTrustedUpdateLocation(offer.GetNewUrl()) || !update.DownloadUpdate()) {
        WarnUpdateFailed();
        return false;
    }

    (void)NTrove::CCmdLineContext::PushArguments(ArgumentsToKeep(tuple.context.GetArguments()));
    const QString program = Text::ToQt(update.GetDownloadedFile());
    if (program.isEmpty()) {
        ForgetKeptArguments();
        return false;
    }
    QFile file(program);
    const bool executable = file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ReadOwner);
    const QString argument = Text::ToQt(offer.GetArguments());
    const QStringList arguments = argument.isEmpty() ? QStringList() : QStringList{argument};
    if (!executable || !QProcess::startDetached(program, arguments)) {
        ForgetKeptArguments();
        WarnUpdateFailed();
        return false;
    }
    // The run ends here: Normal returns 0, and main ends the event loop with it.
    return true;
}

int CWorkFlow::Normal(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    PrintUnrecognized(context.parameterErrors);
    WorkFlowTuple tuple = GallerySetFactory(context, configuration);
    if (SelfUpdate(tuple)) return 0;
    AutomaticRepair(context);

    if (!configuration->IsLoaded()) {
        // A collection file given on the command line (the desktop opens them with this program).
        if (!context.freeArguments.empty() &&
            !configuration->ReadFromFile(CKeldaFilePath(context.freeArguments.front())))
            Output::Error(Output::eStringsCouldNotLoadConfiguration, true);
        if (!configuration->IsLoaded()) {
            GalleryChooser chooser(configuration);
            chooser.SetUninstallCallback([&context](std::shared_ptr<ConfigurationWrapper> chosen, QWidget *parent) {
                return UninstallWrapper(context, std::move(chosen), true, parent);
            });
            chooser.exec();
        }
    }
    if (!configuration->IsLoaded()) {
        Output::Error(Output::eStringsCouldNotLoadConfiguration, true);
        return 1;
    }
    // The tuple was built before the configuration was there; the controller needs it.
    WorkFlowTuple loaded = GallerySetFactory(context, configuration);
    return NormalImpl(loaded);
}

int CWorkFlow::NormalImpl(WorkFlowTuple &tuple)
{
    const NTrove::CCmdLineContext &context = tuple.context;
    ConfigurationWrapper &configuration = *tuple.configuration;
    CInstallationController &controller = *tuple.controller;
    if (!configuration.IsLoaded()) return 1;

    if (!configuration.ReadGalleryPreferences()) {
        About license(tuple.configuration);
        if (!license.ShowLicense()) return 0;
        configuration.InitializeDefaultGalleryPreferences();
    }
    if (!configuration.Install(context.remote, context.forceUser)) {
        Output::Error(Output::eStringsCouldNotCopyConfiguration, true);
        return 1;
    }

    bool sourceAvailable = false;
    if (!context.source.empty()) {
        if (!controller.SetSource(context.source)) {
            Output::Error(Output::eStringsCannotFindSource, true);
            return 1;
        }
        sourceAvailable = true;
    } else {
        sourceAvailable = controller.SetSource(configuration.GetSource().GetDirectoryPathString());
    }
    if (!sourceAvailable) {
        if (!CUpdateXmlReader::ShouldAccessInternet(1))
            Box(QMessageBox::Warning, QObject::tr("Internet access is disabled by administrator."));
        const CAtlString defaultSource = configuration.GetDefaultSource();
        if (!defaultSource.empty() && CheckInternetConnection(tuple, defaultSource, true)) {
            controller.SetSourceAddress(defaultSource);
            sourceAvailable = true;
        } else if (!controller.CanWorkOffline()) {
            Output::Error(Output::eStringsCannotFindSource, true);
            return 1;
        }
    }

    MainWindow window(tuple.controller, tuple.configuration, tuple.proxyHandler.get());
    window.SetSourceAvailable(sourceAvailable);
    // Whether the destination can take a gallery is decided before the read, which prepares the folder
    // (its "Uninstall" folder) and so would make a fresh destination look taken. A folder that cannot
    // take one is not read at all: nothing is written into a person's folder.
    const bool galleryFolder = IsGalleryFolder(controller.GetDestination());
    if (galleryFolder) {
        // The reading dialog stays up for at least a second, so that it can be read.
        WaitWithQtEvents atLeast(1000);
        ReadProgressDlg *reading = window.GetReadProgressDialog();
        reading->show();
        (void)controller.ReadGalleryState(*reading);
        atLeast.Wait();
        reading->hide();
    }
    if (!EnsureWritableDestination(tuple, &window, galleryFolder)) return 1;

    window.exec();
    (void)controller.SaveKnownLanguages();
    FixUpPermissionsForForcedUser(context, configuration);
    return 0;
}

bool CWorkFlow::EnsureWritableDestination(WorkFlowTuple &tuple, MainWindow *window)
{
    return EnsureWritableDestination(tuple, window, IsGalleryFolder(tuple.controller->GetDestination()));
}

bool CWorkFlow::EnsureWritableDestination(WorkFlowTuple &tuple, MainWindow *window, bool galleryFolder)
{
    const CKeldaDirectoryPath destination = tuple.controller->GetDestination();
    if (galleryFolder && CheckWritePermissions(destination)) return true;
    const QString refused =
        Output::GetTranslatedString(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA());
    if (tuple.controller->IsGalleryEmpty()) {
        const QString text =
            refused + QLatin1Char('\n') + Output::GetTranslatedString(Output::eStringsSelectAnotherDirectory);
        if (Box(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) !=
            QMessageBox::Ok)
            return false;
        return EmergencySelectGalleryLocation(tuple, window);
    }
    Box(QMessageBox::Critical, refused);
    return false;
}

bool CWorkFlow::EmergencySelectGalleryLocation(WorkFlowTuple &tuple, MainWindow *window)
{
    PathSelector selector;
    selector.SetPath(Text::ToQt(tuple.controller->GetDestination().GetDirectoryPathString()));
    for (;;) {
        if (!selector.SelectNewPath(QObject::tr("Select a folder for new gallery location"), window)) return false;
        const CKeldaDirectoryPath chosen(Text::FromQt(selector.GetPath()));
        // Only a gallery folder takes a gallery: a folder with other files is refused, and asked again.
        if (IsGalleryFolder(chosen)) {
            tuple.configuration->SetDestination(chosen);
            break;
        }
        Box(QMessageBox::Critical,
            Output::GetTranslatedString(Output::eStringsNoWritePermissions, chosen.GetDirectoryPathStringA()));
    }
    if (window)
        (void)window->ReadGalleryState();
    else
        (void)tuple.controller->ReadGalleryState(nullptr);
    return true;
}

int CWorkFlow::WaitForCD(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    PrintUnrecognized(context.parameterErrors);
    if (context.source.empty()) {
        Box(QMessageBox::Critical, QObject::tr("Invalid argument."));
        return 1;
    }
    if (!configuration->IsLoaded()) {
        Output::Error(Output::eStringsCouldNotLoadConfiguration, true);
        return 1;
    }
    CKeldaDirectoryPath found =
        CInstallationController::FindSourcePath(CKeldaDirectoryPath(context.source), configuration->GetGalleryName());
    if (found.IsEmptyPath()) {
        WaitForCDDlg dialog(configuration, Text::ToQt(context.source));
        if (dialog.exec() != QDialog::Accepted) return 0;
        // Without a found folder a collection file was chosen: its own source is used.
        found = dialog.GetFoundPath().isEmpty() ? configuration->GetSource()
                                                : CKeldaDirectoryPath(Text::FromQt(dialog.GetFoundPath()));
    }
    NTrove::CCmdLineContext withSource = context;
    withSource.source = found.GetDirectoryPathString();
    WorkFlowTuple tuple = GallerySetFactory(withSource, configuration);
    return NormalImpl(tuple);
}

bool CWorkFlow::UninstallWrapper(const NTrove::CCmdLineContext &context,
                                 std::shared_ptr<ConfigurationWrapper> configuration, bool showGui, QWidget *parent)
{
    WorkFlowTuple tuple = GallerySetFactory(context, std::move(configuration));
    ProgressDlg progress(tuple.controller, parent);
    progress.setModal(true);
    progress.SetIndeterminate();
    progress.show();
    const bool removed = UninstallImpl(tuple, progress.GetObserver(), showGui);
    progress.hide();
    return removed;
}
