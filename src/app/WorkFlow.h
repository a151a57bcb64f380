// CWorkFlow: one method per command. Each takes the command-line context and the shared gallery
// configuration and returns the exit code (0 success, 1 failure, 666 usage). The commands are split by
// kind: WorkFlowInstall.cpp (install and download), WorkFlowUninstall.cpp, WorkFlowMaintenance.cpp
// (register, my content, team content, repair); the shared set-up is in GallerySetFactory.cpp.
#pragma once

#include "app/CmdLineContext.h"
#include "app/GallerySetFactory.h"
#include "support/KeldaPath.h"

#include <QMessageBox>
#include <QStringList>

#include <functional>
#include <list>
#include <memory>
#include <vector>

class CSelfUpdate;
class IGalleryInstallationObserver;
class MainWindow;
class QWidget;

class CWorkFlow
{
  public:
    static constexpr int UsageExitCode = 666;

    virtual ~CWorkFlow() = default;

    // Prints the parameter messages under "Errors in parameters:" to the error stream; nothing when
    // there are none.
    static void PrintUnrecognized(const NTrove::CAtlStringList &messages);
    // "Trove. Version:  1.4.32.0" and a line break.
    static CAtlStringA GetVersionInformation();
    // The usage text, to the output stream.
    static void PrintUsage();

    // The objects of one command: proxy handler, downloader, installed-categories writer and
    // controller, wired to the context and the configuration.
    static WorkFlowTuple GallerySetFactory(const NTrove::CCmdLineContext &context,
                                           std::shared_ptr<ConfigurationWrapper> configuration);
    // Fetches the categories file at address; prints the check lines. With showGui a failure offers the
    // proxy dialog and tries again when it is confirmed.
    static bool CheckInternetConnection(WorkFlowTuple &tuple, const CAtlString &address, bool showGui);
    // Makes the destination readable and writable for every user when the configuration or the
    // command line forces it.
    static void FixUpPermissionsForForcedUser(const NTrove::CCmdLineContext &context,
                                              const ConfigurationWrapper &configuration);
    // The chmod command text that FixUpPermissionsForForcedUser reports for a directory.
    static CAtlStringA PermissionCommandText(const CAtlString &directory);

    // A folder may receive a gallery when it does not exist, is empty, or already holds
    // "imsmanifest.xml".
    static bool IsGalleryFolder(const CKeldaDirectoryPath &directory);
    // The current user may create files in the folder (or, when it does not exist yet, in its nearest
    // existing parent).
    static bool CheckWritePermissions(const CKeldaDirectoryPath &directory);

    // Console commands of install, download and uninstall.
    int InstallAll(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int InstallSome(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int DownloadAll(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int DownloadSome(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int Uninstall(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int UninstallAll(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    // Removes the installed gallery of the tuple's configuration. False when it could not (a message
    // has been given); the destination manifest, the remaining records and the registration then stay.
    static bool UninstallImpl(WorkFlowTuple &tuple, IGalleryInstallationObserver *observer, bool showGui);

    // The interactive run (WorkFlowInteractive.cpp): the self-update check, the gallery chooser when
    // no configuration is loaded, then NormalImpl.
    int Normal(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    // Waits for the installation medium below the source folder, then runs NormalImpl with the source
    // found there.
    int WaitForCD(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    // First-run licence, configuration copy, source, the window with the state read, the dialog loop.
    static int NormalImpl(WorkFlowTuple &tuple);
    // True when an update was started and the run must end.
    static bool SelfUpdate(WorkFlowTuple &tuple);
    static bool SelfUpdate(WorkFlowTuple &tuple, CSelfUpdate &update);
    // The destination can be written to, or the user picked another one for an empty gallery.
    static bool EnsureWritableDestination(WorkFlowTuple &tuple, MainWindow *window);
    // The same with the gallery-folder check made earlier (before a read prepared the destination).
    static bool EnsureWritableDestination(WorkFlowTuple &tuple, MainWindow *window, bool galleryFolder);
    static bool EmergencySelectGalleryLocation(WorkFlowTuple &tuple, MainWindow *window);
    // The window's uninstall of a gallery, with a modal progress dialog over parent.
    static bool UninstallWrapper(const NTrove::CCmdLineContext &context,
                                 std::shared_ptr<ConfigurationWrapper> configuration, bool showGui, QWidget *parent);
    // The argument list kept across a self-update: the password option and its value are left out.
    static QStringList ArgumentsToKeep(const QStringList &arguments);
    // A message box of the interactive commands; in a run without a GUI application the default button
    // is the answer and nothing is shown.
    using BoxFunction = std::function<QMessageBox::StandardButton(QMessageBox::Icon icon, const QString &text,
                                                                  QMessageBox::StandardButtons buttons,
                                                                  QMessageBox::StandardButton defaultButton)>;
    static QMessageBox::StandardButton Box(QMessageBox::Icon icon, const QString &text,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                           QMessageBox::StandardButton defaultButton = QMessageBox::Ok);
    // Replaces the boxes (tests); null restores them.
    static void SetBoxFunctionForTesting(BoxFunction box);

    // Registration and maintenance.
    int Register(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int MyContent(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int TeamContent(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int Repair(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    // Nothing to do on this platform; 0.
    static int AutomaticRepair(const NTrove::CCmdLineContext &context);
    static int RepairPermissions(const NTrove::CCmdLineContext &context);

    int Version(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);
    int Usage(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration);

    // Stands in for a command that this build does not have: prints the parameter messages (unless the
    // command is one that never prints them) and "<name>: not available in this build." to the error
    // stream, and fails with 1.
    static int NotAvailable(const char *name, const NTrove::CCmdLineContext &context, bool printMessages = true);
    // The same as a command value.
    static NTrove::Command NotAvailableCommand(const char *name, bool printMessages = true);

  private:
    enum class RunKind { InstallAll, InstallSome, DownloadAll, DownloadSome };
    int InstallImpl(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration,
                    RunKind kind);
    int DownloadImpl(const NTrove::CCmdLineContext &context, std::shared_ptr<ConfigurationWrapper> configuration,
                     RunKind kind);
};

// Lists (remove false) or deletes (remove true) the files of directory that match pattern, not those
// of sub-folders, printing "\tRemoving ..." or "\tWill remove ...". When owned is given, only files whose
// names it holds are deleted: files that the gallery never named stay. False when a deletion failed.
bool Cleanup(const CKeldaDirectoryPath &directory, const CAtlString &pattern, bool remove,
             const std::vector<CAtlString> *owned = nullptr);
