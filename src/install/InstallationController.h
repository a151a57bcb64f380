// CInstallationController: the one object through which the commands and the window use the
// installation engine. It owns at most one CGalleryInstallation, finds the source, reads the gallery
// state and runs the installation on a worker thread while the calling thread keeps processing events,
// chooses the items' actions for each command, keeps the language selection consistent with them, and
// tells its IInstallationObserver objects about every phase. Before a change the user may refuse, the
// observers are asked; the controller never shows anything itself.
//
// Every method, event and question runs on the calling thread; progress reports arrive on the worker.
// One operation at a time: the controller is not re-entered while a worker runs.
//
// The method bodies are spread by purpose: reading and running (InstallationController.cpp),
// selection (InstallationControllerSelection.cpp), source search (InstallationControllerSource.cpp)
// and languages (InstallationControllerLanguages.cpp).
#pragma once

#include "install/GalleryInstallationItem.h"
#include "install/IGalleryInstallationObserver.h"
#include "install/IInstallationObserver.h"
#include "install/InstallationState.h"
#include "install/LanguageXml.h"
#include "support/KeldaPath.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <algorithm>
#include <vector>

class CGalleryInstallation;
class ConfigurationWrapper;
class IProxyObserver;

class CInstallationController
{
  public:
    // The events, in the order of IInstallationObserver's operations.
    enum Event : int32_t {
        EventReadStarted = 0,
        EventReadFinished = 1,
        EventReadFailed = 2,
        EventRunStarted = 3,
        EventRunFinished = 4,
        EventRunCanceled = 5,
        EventRunFailed = 6,
        // Questions.
        EventCategoriesWillBeUpdated = 7,
        EventLanguagesWillBeRemoved = 8,
        EventTooManyLanguages = 9,
    };

    CInstallationController();
    virtual ~CInstallationController();
    CInstallationController(const CInstallationController &) = delete;
    CInstallationController &operator=(const CInstallationController &) = delete;

    // The gallery configuration: GUID, name, default source, destination, locale list, user mode. The
    // language list of the configuration is read here.
    void SetConfiguration(std::shared_ptr<ConfigurationWrapper> configuration);
    std::shared_ptr<ConfigurationWrapper> GetConfiguration() const { return m_configuration; }
    // Replaces the language list read from the configuration's place.
    void SetLanguageList(const LanguageXml::LanguageList &list) { m_languageList = list; }
    const LanguageXml::LanguageList &GetLanguageList() const { return m_languageList; }
    // Handed to every installation and probe so that the downloader can ask for proxy credentials.
    void SetProxyObserver(IProxyObserver *observer) { m_proxyObserver = observer; }
    IProxyObserver *GetProxyObserver() const { return m_proxyObserver; }

    // --- Reading the gallery state (events 0, then 1 or 2)
    // The configured destination and the current source; refresh when the source is set.
    bool ReadGalleryState(IGalleryInstallationObserver *observer);
    // Replaces the current installation with a new one opened on destination and source (on a worker).
    // A failed read keeps the new installation with whatever items it loaded.
    bool ReadGalleryState(const CKeldaDirectoryPath &destination, const CAtlString &source,
                          IGalleryInstallationObserver *observer, bool downloadOnly, bool refresh);
    // Rebuilds the items of the current installation from its categories file.
    void RefreshGalleryState(IGalleryInstallationObserver *observer);

    // --- Running (events 4, 5 or 6; 3 first through RunEverything and RunUpdates)
    // Runs the current installation for the installed and added languages. True when the run succeeded
    // or was cancelled.
    bool Run(IGalleryInstallationObserver *observer);
    bool RunEverything(IGalleryInstallationObserver *observer);
    // Only the available updates; the actions are restored afterwards. Nothing (no event) without updates.
    bool RunUpdates(IGalleryInstallationObserver *observer);
    // The one-shot commands: read, select, run, delete the installation.
    bool RunInstallAll(IGalleryInstallationObserver *observer);
    bool RunInstallSome(const std::vector<CAtlString> &identifiers, IGalleryInstallationObserver *observer);
    bool RunDownloadAll(IGalleryInstallationObserver *observer);
    bool RunDownloadSome(const std::vector<CAtlString> &identifiers, IGalleryInstallationObserver *observer);
    // Removes every installed item; returns the configured destination.
    CKeldaDirectoryPath RunUninstall(IGalleryInstallationObserver *observer);
    // Asks the running installation to stop (any thread).
    void Cancel();
    // The engine's result of the last Run (S_FALSE before any).
    HRESULT GetLastRunResult() const { return m_lastRunResult; }

    // --- Selection
    // Install what is not installed, update what has an update, leave the rest.
    void SelectEverything();
    void ClearSelection();
    // Sets the action, turned by the language selection where languages are being added; false when
    // the item is null or an observer refused.
    bool SetNewAction(CGalleryInstallationItem *item, eGalleryInstallationAction action);
    bool UpdatesAvailable() const;
    bool IsGalleryEmpty() const;
    InstallationState GetInstallationState();

    // --- Source and destination
    // The installation's content directory while one exists, else the configured destination.
    CKeldaDirectoryPath GetDestination() const;
    const CAtlString &GetSource() const { return m_source; }
    CAtlString GetGuid() const;
    CAtlString GetGalleryName() const;
    CAtlString GetDefaultSource() const;
    CGalleryInstallation *GetInstallation() const { return m_installation; }
    // Searches path for the gallery; an acceptable source becomes the source (true), otherwise the
    // configured default source does (false).
    bool SetSource(const CAtlString &path);
    // An http or https base address given on the command line is taken as it is (the commands check
    // it with CheckRemoteGalleryProvider first).
    void SetSourceAddress(const CAtlString &address) { m_source = address; }
    // The folder holding "gallery_categories.xml": the directory itself, its "Gallery Data Files", or
    // "Gallery Data Files" of a sub-folder named after the gallery (any case). Empty when none.
    static CKeldaDirectoryPath FindSourcePath(const CKeldaDirectoryPath &directory, CAtlString galleryName);
    // Whether the categories file belongs to the gallery: by the "id" of "categories", else by the
    // domain of the first category's "id".
    static bool CheckSource(const CKeldaFilePath &categoriesFile, const CAtlString &guid);
    // "gallery_categories.xml" in "Gallery Data Files" of the application directory.
    bool IsOnCD() const;
    // A cached categories file in the destination's "Uninstall".
    bool CanWorkOffline() const;
    // The source is not a URL.
    bool IsWorkingOffline() const;
    // Whether "gallery_categories.xml" can be fetched below the URL.
    bool CheckRemoteGalleryProvider(CAtlString url);
    bool CheckRemoteGalleryProvider();
    // The process-wide prompt flag of download credentials.
    void AllowAuthorizationDialog(bool allow);

    // --- Languages
    void SyncLanguages();
    void ExtractLanguages(LanguageXml::Languages &available, LanguageXml::Languages &updated) const;
    void SelectDefaults();
    bool AddLanguageToUserList(const LanguageXml::Language &language);
    bool RemoveLanguageFromUserList(const LanguageXml::Language &language);
    bool RemoveAllLanguagesFromUserList();
    bool SetAddedLanguages(const LanguageXml::Languages &list);
    void ForceAllLanguages();
    void ForceAddedLanguages(const std::vector<CAtlString> &codes);
    void SetLanguageAdded();
    bool SetLanguagesRemoved();
    bool SetDontUpdateLanguages();
    bool SetUpdateLanguages();
    bool IsLanguageBeingUpdated();
    bool IsLanguageSelected(const LanguageXml::Language &language) const;
    bool SaveKnownLanguages();
    LanguageXml::Languages GetInstalledLanguages() const { return m_installedLanguages; }
    LanguageXml::Languages GetAvailableLanguages() const { return m_availableLanguages; }
    LanguageXml::Languages GetAddedLanguages() const { return m_addedLanguages; }
    LanguageXml::Languages GetUpdatedLanguages() const { return m_updatedLanguages; }
    LanguageXml::Languages GetKnownLanguages() const { return m_knownLanguages; }
    bool GetUpdateLanguages() const { return m_updateLanguages; }
    // The codes of the installed languages followed by those of the added ones.
    std::vector<CAtlString> GetTargetLanguages() const;
    // "knownlanguages.xml" in "Uninstall" of the configured destination.
    CAtlString GetKnownLanguagesPath() const;

    // --- Observers (not owned; duplicates are not checked)
    void AddInstallationObserver(IInstallationObserver *observer) { m_observers.push_back(observer); }
    // An observer that goes away before the controller (a window) takes itself off the list.
    void RemoveInstallationObserver(IInstallationObserver *observer)
    {
        m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
    }
    void NotifyObservers(Event event);
    // Asks every observer in order; the first no is the answer. Yes with no observers.
    bool AskObservers(Event event);

    // Deletes the installation.
    void Dispose();

  private:
    // Runs work on a QThreadWithLoop worker and waits for it while processing events.
    static HRESULT RunOnWorker(const std::function<HRESULT()> &work);
    void DeleteInstallation();
    void ForEachItem(const std::function<void(CGalleryInstallationItem *)> &action) const;
    // Install when not installed, update when an update is available, otherwise nothing.
    static void SelectWhatItNeeds(CGalleryInstallationItem *item);
    // The configuration's destination (empty without a configuration).
    CKeldaDirectoryPath ConfiguredDestination() const;
    // Marks the installed items for update while languages are being added (the one-shot installs).
    void ApplyAddedLanguages();

    std::shared_ptr<ConfigurationWrapper> m_configuration;
    CGalleryInstallation *m_installation = nullptr;
    IProxyObserver *m_proxyObserver = nullptr;
    std::vector<IInstallationObserver *> m_observers;
    CAtlString m_source;
    InstallationState m_state;
    HRESULT m_lastRunResult = S_FALSE;

    LanguageXml::LanguageList m_languageList;
    LanguageXml::Languages m_knownLanguages;
    LanguageXml::Languages m_installedLanguages;
    LanguageXml::Languages m_availableLanguages;
    LanguageXml::Languages m_addedLanguages;
    LanguageXml::Languages m_updatedLanguages;
    bool m_updateLanguages = false;
};
