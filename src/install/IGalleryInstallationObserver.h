// The vocabulary between the installation engine and whoever shows its progress: the action chosen for
// each item, the kinds of progress a run reports, the two sequencings of fetching and installing, and
// the observer that receives the reports (on the engine's worker thread).
#pragma once

#include <cstdint>

class CGalleryInstallationItem;

// What Run does with an item.
enum eGalleryInstallationAction : int32_t {
    eGalleryInstallationActionNone = 0,      // nothing; status 1, finished
    eGalleryInstallationActionInstall = 1,   // every file, then the language packs of the target languages
    eGalleryInstallationActionReinstall = 2, // as Install, installed or not
    eGalleryInstallationActionUpdate = 3,    // files not installed or with an update, then language packs
    eGalleryInstallationActionRemove = 4,    // uninstall every installed file
};

// The kinds of progress report. The engine itself sends 1, 2, 3, 4, 7, 8, 9 and 10.
enum eGalleryInstallationProgress : int32_t {
    eGalleryInstallationProgressDownloading = 1,
    eGalleryInstallationProgressInstalling = 2,
    eGalleryInstallationProgressUninstalling = 3,
    eGalleryInstallationProgressReading = 4,
    eGalleryInstallationProgressCanceled = 5,
    eGalleryInstallationProgressComplete = 6,
    eGalleryInstallationProgressFailed = 7,
    eGalleryInstallationProgressImportingLanguages = 8,
    eGalleryInstallationProgressInstallingLanguages = 9,
    eGalleryInstallationProgressProcessing = 10,
};

// Whether each file is fetched and installed before the next is fetched (0), or, with a URL base,
// every file and language pack of every selected item is fetched first (1).
enum eGalleryInstallationSequencing : int32_t {
    eGalleryInstallationSequencingInterleaved = 0,
    eGalleryInstallationSequencingDownloadFirst = 1,
};

class IGalleryInstallationObserver
{
  public:
    virtual ~IGalleryInstallationObserver() = default;
    // item may be null; text is a file name, a gallery identifier or empty (never null); percent is the
    // progress of the current step (0 to 100), overall that of the whole run.
    virtual void InstallationProgress(eGalleryInstallationProgress kind, CGalleryInstallationItem *item,
                                      const wchar_t *text, int percent, int overall) = 0;
};
