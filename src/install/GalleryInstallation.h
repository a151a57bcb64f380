// CGalleryInstallation: the installation engine of one gallery destination (a content directory
// holding "imsmanifest.xml") and one source base (a local directory or an http/https base URL). Open
// reads the source's "gallery_categories.xml" into one CGalleryInstallationItem per category; the
// caller sets an action on each item; Run fetches, installs, updates and removes gallery packages,
// imports and applies language packs, and saves or repairs the destination manifest, reporting every
// step to an IGalleryInstallationObserver.
//
// Open and Run belong on a worker thread with an event loop (the downloader needs one); Cancel may be
// called from any thread at any time.
#pragma once

#include "install/GalleryInstallationMetaObserver.h"
#include "install/IGalleryInstallationObserver.h"
#include "support/KeldaPath.h"
#include "support/Result.h"
#include "support/Text.h"

#include <atomic>
#include <functional>
#include <map>
#include <vector>

class CGalleryInstallationItem;
class CGalleryManifest;
class CQtGalleryThreadBase;
class IProxyObserver;

class CGalleryInstallation
{
  public:
    // The categories file at the source and in the destination's uninstall directory.
    static const wchar_t *const CategoriesFileName; // "gallery_categories.xml"
    // The local data directory's name inside the application directory.
    static const wchar_t *const DataDirectoryName; // "Gallery Data Files"

    // E_INVALIDARG when out is null or already set. Creates the private temporary directory.
    static HRESULT CreateInstance(CGalleryInstallation **out);
    // Deletes the items, the temporary directory (unless download-only) and the destination manifest.
    static void DeleteInstance(CGalleryInstallation **inOut);

    // Opens the destination manifest and reads the categories file: the cached copy unless refresh is
    // set, else a fresh copy from the base (kept in the destination's uninstall directory). E_FAIL when
    // a destination is already open.
    HRESULT Open(const CKeldaDirectoryPath &destination, const CAtlString &base, bool refresh);
    // Rebuilds the items from the categories file against the galleries installed now.
    HRESULT Reopen();
    // Carries out the actions of the items. 0: something done and nothing failed; 1: nothing done, or
    // some items done and some failed; E_FAIL: only failures; E_ABORT: cancelled.
    HRESULT Run();
    void Cancel() { m_cancel = true; }
    bool IsCancelled() const { return m_cancel.load(); }

    size_t GetCount() const { return m_items.size(); }
    // Null beyond the end.
    CGalleryInstallationItem *GetAt(size_t index) const;
    // Exact, case-sensitive identifier; null when absent.
    CGalleryInstallationItem *GetByIdentifier(const wchar_t *identifier) const;
    const std::vector<CGalleryInstallationItem *> &GetItems() const { return m_items; }
    const std::vector<CAtlString> &GetMandatoryRemovals() const { return m_mandatoryRemovals; }

    void SetObserver(IGalleryInstallationObserver *observer) { m_metaObserver.SetObserver(observer); }
    void SetProxyObserver(IProxyObserver *observer) { m_metaObserver.SetProxyObserver(observer); }
    void NotifyObserver(eGalleryInstallationProgress kind, CGalleryInstallationItem *item, const wchar_t *text,
                        int percent, int overall);
    CGalleryInstallationMetaObserver *GetMetaObserver() { return &m_metaObserver; }

    // Download-only: packages and language packs are fetched into the directory and kept there;
    // nothing is installed, removed or repaired.
    void SetDownloadOnly(const CKeldaDirectoryPath &directory);
    void ClearDownloadOnly(const CAtlString &directory);
    bool GetIsDownloadOnly() const { return m_downloadOnly; }
    const CKeldaDirectoryPath &GetTempDir() const { return m_tempDir; }
    const CAtlString &GetBase() const { return m_base; }
    CGalleryManifest *GetManifest() const { return m_manifest; }
    // The categories file the items were read from.
    const CKeldaFilePath &GetCategoriesPath() const { return m_categoriesPath; }

    void SetSequencing(eGalleryInstallationSequencing sequencing) { m_sequencing = sequencing; }
    eGalleryInstallationSequencing GetSequencing() const { return m_sequencing; }

    // Fetching one file. Each gives the local path of the file and whether it is a downloaded copy that
    // the caller deletes. With a directory base the file is used in place (nothing copied, result 0,
    // the caller checks that it exists); with a URL base it is fetched into the directory. A null or
    // empty file name, base or directory gives E_INVALIDARG, a name that is not a plain relative name
    // E_FAIL.
    // By file name, with the installation's own base, temporary directory and meta observer.
    HRESULT Download(const CAtlString &fileName, CAtlString &localPath, bool &downloaded,
                     CGalleryInstallationItem *item = nullptr, int overall = 0);
    static HRESULT Download(const CAtlString &base, const CAtlString &fileName, const CKeldaDirectoryPath &directory,
                            IGalleryInstallationObserver *observer, CGalleryInstallationItem *item, int overall,
                            CAtlString &localPath, bool &downloaded);
    static HRESULT Download(const CAtlString &base, const CAtlString &fileName, const CKeldaDirectoryPath &directory,
                            CGalleryInstallationMetaObserver *observer, CGalleryInstallationItem *item, int overall,
                            CAtlString &localPath, bool &downloaded);
    // The innermost fetch of url into target, reported as kind 1 with text at 0 and at 100; downloaded
    // is set exactly when the fetch succeeded.
    static HRESULT Download(const CAtlString &url, const CKeldaFilePath &target, const CAtlString &text,
                            CGalleryInstallationMetaObserver *observer, CGalleryInstallationItem *item, int overall,
                            CAtlString &localPath, bool &downloaded);
    // The gallery library's download of an online document (its download hook): url into targetPath,
    // with no observer; credentials are never asked for here.
    static HRESULT DownloadForGallery(const CAtlString &url, const CAtlString &targetPath,
                                      bool &askedForAuthentication);

    // Static helpers.
    // True for null; false for ""; else whether a scheme ("[0-9A-Za-z+-.]*") is followed by "://".
    static bool IsBaseUrl(const wchar_t *text);
    // Ordinal comparison of the texts (null is empty): "10" sorts before "9".
    static int CompareVersions(const wchar_t *a, const wchar_t *b);
    static CAtlString GetSizeString(unsigned long size);
    // 3: "Gallery Data Files"; 1: the local data directory; 2: the default download base; otherwise the
    // local data directory when it holds a categories file, else the download base.
    static CAtlString GetDefaultBase(int kind);
    // The manifest a gallery of that identifier belongs to: the team-content manifest registered for
    // its domain, else "My Content".
    static CGalleryManifest *GetDefaultInstallationManifest(const wchar_t *identifier);
    // A POST with an empty body; E_FAIL on any network error.
    static HRESULT GalleryDownloadHttpPost(const CAtlString &url, unsigned r, unsigned l);
    static HRESULT SetDownloadAuthenticationInformation(const CAtlString &user, const CAtlString &password);
    static HRESULT GetDownloadAuthenticationInformation(CAtlString &user, CAtlString &password);
    static void ClearDownloadAuthenticationInformation();
    static bool GetPromptForDownloadAuthenticationInformation();
    static void SetPromptForDownloadAuthenticationInformation(bool prompt);
    // Not available on this platform: E_NOTIMPL.
    static HRESULT RemoveOnReboot(const CAtlString &path);
    static HRESULT RemoveOnReboot(const CKeldaFilePath &path);
    static HRESULT RemoveOnReboot(const CKeldaDirectoryPath &path);
    static HRESULT UndoRemoveOnReboot(const CAtlString &path);
    static HRESULT UndoRemoveOnReboot(const CKeldaFilePath &path);
    static HRESULT UndoRemoveOnReboot(const CKeldaDirectoryPath &path);
    // (Re)writes file + ".gz" as a gzip copy of an existing file, through a temporary file that is
    // renamed; S_FALSE when the file does not exist, E_FAIL (old copy untouched) on failure.
    static HRESULT dogzip(const CKeldaFilePath &file);

    // Background threads whose procedure calls Open (with copies of the arguments) or Run and returns
    // its result. The caller owns the thread and must keep the installation alive until it has ended.
    HRESULT CreateOpenInBackgroundThread(const CKeldaDirectoryPath &destination, const CAtlString &base, bool refresh,
                                         CQtGalleryThreadBase **out);
    HRESULT CreateRunInBackgroundThread(CQtGalleryThreadBase **out);

    // Test hook: called at every step of Run that changes the destination or the download folder, with
    // a short name of the step, after the step.
    static void SetStepHook(std::function<void(const char *step)> hook);

  private:
    CGalleryInstallation();
    ~CGalleryInstallation();
    CGalleryInstallation(const CGalleryInstallation &) = delete;
    CGalleryInstallation &operator=(const CGalleryInstallation &) = delete;

    HRESULT Initialize();
    void Finalize();
    void DeleteItems();

    // Run's steps (GalleryInstallationRun.cpp).
    struct RunState;
    int PlanUnits(const RunState &state) const;
    void RemoveMandatory(RunState &state);
    void DownloadFirst(RunState &state);
    void InstallItem(RunState &state, CGalleryInstallationItem *item);
    void RemoveItem(RunState &state, CGalleryInstallationItem *item);
    void ImportLanguages(RunState &state);
    void ApplyLanguages(RunState &state);
    HRESULT ObtainFile(RunState &state, const CAtlString &fileName, CGalleryInstallationItem *item, int overall,
                       CAtlString &localPath, bool &downloaded);
    HRESULT KeepDownload(const CAtlString &fileName, const CAtlString &localPath, bool downloaded);
    HRESULT InstallPackage(const CAtlString &localPath);
    void DeleteDownload(const CAtlString &localPath);
    HRESULT SaveDestination();
    HRESULT CancelEnding();
    static void Step(const char *name);

    CAtlString m_base;
    std::atomic<bool> m_cancel{false};
    bool m_downloadOnly = false;
    CGalleryManifest *m_manifest = nullptr;
    std::vector<CGalleryInstallationItem *> m_items;
    std::vector<CAtlString> m_mandatoryRemovals;
    CKeldaDirectoryPath m_tempDir;
    bool m_ownsTempDir = false;
    CKeldaFilePath m_categoriesPath;
    CGalleryInstallationMetaObserver m_metaObserver;
    eGalleryInstallationSequencing m_sequencing = eGalleryInstallationSequencingInterleaved;
    bool m_repair = false;
};
