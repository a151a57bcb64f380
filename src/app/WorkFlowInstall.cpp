// The console commands that install from a source and that download a source for later offline
// installation: installall, installsome, downloadall, downloadsome.
//
// Bad input ends a command before anything is written: the destination is checked (a gallery folder
// the user may write), the aliases resolved and the source found first; only then are the
// configuration copied, the destination created and the run started.
#include "app/WorkFlow.h"

#include "app/WorkFlowRun_p.h"
#include "configuration/ConfigurationWrapper.h"
#include "install/GalleryInstallation.h"
#include "install/InstallationController.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace
{

void ErrLine(const CAtlStringA &text)
{
    std::fputs((text + "\n").c_str(), stderr);
    std::fflush(stderr);
}

CKeldaDirectoryPath AbsoluteDirectory(const CAtlString &path)
{
    return CKeldaDirectoryPath(Text::FromQt(QDir::cleanPath(QFileInfo(Text::ToQt(path)).absoluteFilePath())));
}

bool IsUrl(const CAtlString &text)
{
    return !text.empty() && CGalleryInstallation::IsBaseUrl(text.c_str());
}

// Removes the folders that this command made for its destination when the command ends before its
// run; folders that were there before stay.
class CreatedFolder
{
  public:
    bool Create(const CKeldaDirectoryPath &path)
    {
        QString existing = QFileInfo(Text::ToQt(path.GetDirectoryPathString())).absoluteFilePath();
        m_made.clear();
        while (!QFileInfo::exists(existing)) {
            m_made << existing;
            const QString parent = QFileInfo(existing).absolutePath();
            if (parent == existing) break;
            existing = parent;
        }
        if (CDirectoryManipulator::CreateDirectory(path)) return true;
        Remove();
        return false;
    }
    void Keep() { m_made.clear(); }
    ~CreatedFolder() { Remove(); }

  private:
    void Remove()
    {
        for (const QString &made : m_made)
            if (!QDir().rmdir(made)) break;
        m_made.clear();
    }
    QStringList m_made; // the deepest first
};

// The category GUIDs of the aliases; unknown aliases print prefix + alias on the error stream.
std::vector<CAtlString> ResolveAliases(const NTrove::CCmdLineContext &context,
                                       const ConfigurationWrapper &configuration, const char *prefix)
{
    const auto categories = configuration.GetCategories();
    std::vector<CAtlString> guids;
    for (const CAtlString &alias : context.collectionAliases) {
        const auto it = categories.find(alias);
        if (it == categories.end()) {
            ErrLine(prefix + Text::ToUtf8(alias));
            continue;
        }
        guids.push_back(it->second.guid);
    }
    return guids;
}

// Chooses the source of an install; 0 when one was found, else the exit code (a message was given).
int SelectInstallSource(WorkFlowTuple &tuple)
{
    const NTrove::CCmdLineContext &context = tuple.context;
    CInstallationController &controller = *tuple.controller;
    if (context.allowDownload) {
        controller.SetSource(L"");
        if (controller.IsOnCD()) {
            controller.SetSource(CGalleryInstallation::GetDefaultBase(1));
            return 0;
        }
        return CWorkFlow::CheckInternetConnection(tuple, tuple.configuration->GetDefaultSource(), context.ui) ? 0 : 1;
    }
    if (IsUrl(context.source)) {
        if (!CWorkFlow::CheckInternetConnection(tuple, context.source, context.ui)) return 1;
        controller.SetSourceAddress(context.source);
        return 0;
    }
    if (controller.SetSource(context.source)) return 0;
    if (controller.SetSource(tuple.configuration->GetSource().GetDirectoryPathString())) return 0;
    Output::Error(Output::eStringsCannotFindSource, context.ui);
    return 1;
}

} // namespace

int CWorkFlow::InstallAll(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    return InstallImpl(context, std::move(configuration), RunKind::InstallAll);
}

int CWorkFlow::InstallSome(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    return InstallImpl(context, std::move(configuration), RunKind::InstallSome);
}

int CWorkFlow::DownloadAll(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    return DownloadImpl(context, std::move(configuration), RunKind::DownloadAll);
}

int CWorkFlow::DownloadSome(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration)
{
    return DownloadImpl(context, std::move(configuration), RunKind::DownloadSome);
}

int CWorkFlow::InstallImpl(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration,
                           RunKind kind)
{
    const bool box = context.ui;
    PrintUnrecognized(context.parameterErrors);
    WorkFlowRun::Observers observers(context.verbose);
    WorkFlowTuple tuple = GallerySetFactory(context, configuration);
    if (!configuration->IsLoaded()) {
        Output::Error(Output::eStringsCouldNotLoadConfiguration, box);
        return 1;
    }

    std::vector<CAtlString> guids;
    if (kind == RunKind::InstallSome) {
        guids = ResolveAliases(context, *configuration, "Alias not found: ");
        if (guids.empty() && tuple.controller->GetAddedLanguages().empty()) {
            std::fputs("Nothing to install\n", stdout);
            std::fflush(stdout);
            // Aliases that all failed are an error; asking for nothing is not.
            return context.collectionAliases.empty() ? 0 : 1;
        }
    }

    const bool registered = configuration->ReadGalleryPreferences();
    if (!registered) configuration->InitializeDefaultGalleryPreferences();
    const CKeldaDirectoryPath destination =
        context.destination.empty() ? configuration->GetDestination() : AbsoluteDirectory(context.destination);
    // The folder this gallery is registered with is its own whatever else it holds: a repair's clean-up
    // leaves a person's files and the compressed copies there, and then asks for a new install.
    const bool ownFolder = registered && AbsoluteDirectory(configuration->GetDestination().GetDirectoryPathString()) ==
                                             AbsoluteDirectory(destination.GetDirectoryPathString());
    if ((!ownFolder && !IsGalleryFolder(destination)) || !CheckWritePermissions(destination)) {
        Output::Error(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA(), box);
        return 1;
    }
    configuration->SetDestination(destination);
    if (const int failed = SelectInstallSource(tuple)) return failed;

    if (!configuration->Install(context.remote, context.forceUser)) {
        Output::Error(Output::eStringsCouldNotCopyConfiguration, box);
        return 1;
    }
    CreatedFolder created;
    if (!created.Create(destination)) {
        Output::Error(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA(), box);
        return 1;
    }
    configuration->SetDestination(destination);
    if (context.remote) configuration->SetInstalledPath(L"");
    if (!configuration->SaveGalleryPreferences(context.remote, context.forceUser)) {
        Output::Error(Output::eStringsCouldNotSavePreferences, box);
        return 1;
    }
    created.Keep();

    observers.ShowWindow(context.ui, tuple.controller);
    const bool ran = kind == RunKind::InstallAll ? tuple.controller->RunInstallAll(observers.Head())
                                                 : tuple.controller->RunInstallSome(guids, observers.Head());
    FixUpPermissionsForForcedUser(context, *configuration);
    return WorkFlowRun::Finish(observers, *tuple.outcome, ran);
}

int CWorkFlow::DownloadImpl(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration,
                            RunKind kind)
{
    PrintUnrecognized(context.parameterErrors);
    if (!configuration->IsLoaded()) {
        Output::Error(Output::eStringsCouldNotLoadConfiguration, false);
        return 1;
    }
    WorkFlowRun::Observers observers(context.verbose);
    WorkFlowTuple tuple = GallerySetFactory(context, configuration);
    if (context.destination.empty()) {
        ErrLine("-destination not specified");
        return 1;
    }
    if (!context.source.empty() && !IsUrl(context.source)) {
        ErrLine("-source is local path");
        return 1;
    }
    std::vector<CAtlString> guids;
    if (kind == RunKind::DownloadSome) {
        if (!context.collectionAliases.empty()) guids = ResolveAliases(context, *configuration, "alias not found: ");
        if (guids.empty()) {
            std::fputs("nothing to download\n", stdout);
            std::fflush(stdout);
            return 1;
        }
    }

    // A download folder is empty, new, or an earlier download (or a gallery) of which it is a copy.
    const CKeldaDirectoryPath destination = AbsoluteDirectory(context.destination);
    const QDir folder(Text::ToQt(destination.GetDirectoryPathString()));
    const bool earlierCopy = folder.exists(QStringLiteral("gallery_categories.xml"));
    if (QFileInfo(folder.path()).exists() && !QFileInfo(folder.path()).isDir()) {
        ErrLine("Could not create destination directory " + destination.GetDirectoryPathStringA());
        return 1;
    }
    if ((!earlierCopy && !IsGalleryFolder(destination)) || !CheckWritePermissions(destination)) {
        Output::Error(Output::eStringsNoWritePermissions, destination.GetDirectoryPathStringA(), false);
        return 1;
    }
    CreatedFolder created;
    if (!created.Create(destination)) {
        ErrLine("Could not create destination directory " + destination.GetDirectoryPathStringA());
        return 1;
    }
    configuration->SetDestination(destination);

    CInstallationController &controller = *tuple.controller;
    if (IsUrl(context.source)) {
        if (!CheckInternetConnection(tuple, context.source, false)) return 1;
        controller.SetSourceAddress(context.source);
    } else {
        controller.SetSource(context.source);
        if (!controller.IsOnCD() && !CheckInternetConnection(tuple, configuration->GetDefaultSource(), false)) return 1;
    }
    created.Keep();

    observers.ShowWindow(context.ui, tuple.controller);
    bool ran = false;
    if (kind == RunKind::DownloadAll) {
        controller.ForceAllLanguages();
        ran = controller.RunDownloadAll(observers.Head());
    } else {
        ran = controller.RunDownloadSome(guids, observers.Head());
    }

    // The categories file belongs next to the packages; the folder it was kept in goes when empty.
    const CKeldaFilePath kept = destination.CreateFilePath(L"Uninstall/gallery_categories.xml");
    if (kept.FileExists() && CFileManipulator::MoveFileTo(kept, destination.CreateFilePath(L"gallery_categories.xml")))
        QDir().rmdir(folder.filePath(QStringLiteral("Uninstall")));
    return WorkFlowRun::Finish(observers, *tuple.outcome, ran);
}
