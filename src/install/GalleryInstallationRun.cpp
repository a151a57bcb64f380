// Run: mandatory removals, the optional download-first pass, the item pass (install, update, remove),
// language-pack import and application, and the ending that saves or repairs the destination.
//
// Every document the run replaces goes through the crash-safe writer, and the ".gz" copy of a
// document is dropped before the document itself is replaced (a copy that is not older than its
// document is read instead of it, and stamps have whole seconds): an interrupted run leaves the old or
// the new state of each document, never a stale copy in front of a new document.
#include "install/GalleryInstallation.h"

#include "gallery/manifest/GalleryI18N.h"
#include "gallery/manifest/GalleryManifest.h"
#include "install/GalleryInstallationItem.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace
{

std::mutex g_stepHookMutex;
std::function<void(const char *)> g_stepHook;

bool HasFileAction(const CGalleryInstallationItem *item)
{
    const eGalleryInstallationAction action = item->GetAction();
    return action == eGalleryInstallationActionInstall || action == eGalleryInstallationActionReinstall ||
           action == eGalleryInstallationActionUpdate;
}

bool UpdateOnly(const CGalleryInstallationItem *item)
{
    return item->GetAction() == eGalleryInstallationActionUpdate;
}

CKeldaFilePath GzipCopyOf(const CKeldaFilePath &path)
{
    return CKeldaFilePath(path.GetFilePathString() + L".gz");
}

} // namespace

// What one Run keeps between its steps.
struct CGalleryInstallation::RunState {
    bool url = false;           // the base is a URL: files are fetched
    bool downloadFirst = false; // every file was fetched in the download-first pass
    int planned = 0;            // units of work
    double done = 0;            // units finished (the language application adds fractions)
    bool success = false;
    bool failure = false;
    std::map<CAtlString, CAtlString> fetched; // download-first pass: file name -> local path
    std::set<CAtlString> fetchFailed;         // download-first pass: names that could not be fetched
    std::vector<std::unique_ptr<CGalleryI18N>> translations;

    // Never past 100 and never backwards (done only grows).
    int Overall() const
    {
        if (planned <= 0) return 100;
        return std::min(100, static_cast<int>(done * 100.0 / planned));
    }
};

void CGalleryInstallation::SetStepHook(std::function<void(const char *)> hook)
{
    std::lock_guard<std::mutex> lock(g_stepHookMutex);
    g_stepHook = std::move(hook);
}

void CGalleryInstallation::Step(const char *name)
{
    std::function<void(const char *)> hook;
    {
        std::lock_guard<std::mutex> lock(g_stepHookMutex);
        hook = g_stepHook;
    }
    if (hook) hook(name);
}

int CGalleryInstallation::PlanUnits(const RunState &state) const
{
    int units = 0;
    bool imports = false;
    for (const CGalleryInstallationItem *item : m_items) {
        if (item->GetAction() == eGalleryInstallationActionRemove) {
            std::vector<CAtlString> paths;
            item->GetFilePaths(paths);
            units += static_cast<int>(paths.size());
        } else if (HasFileAction(item)) {
            std::vector<CAtlString> names;
            item->GetFileNames(names, UpdateOnly(item));
            units += static_cast<int>(names.size()) * (state.url ? 2 : 1);
            if (state.downloadFirst) {
                std::vector<CAtlString> packs;
                item->GetLanguagePacks(packs, UpdateOnly(item));
                units += static_cast<int>(packs.size());
            }
            units += 1; // its language-pack import
            imports = true;
        }
    }
    if (imports && !m_downloadOnly) units += 1; // applying the packs read
    return units;
}

HRESULT CGalleryInstallation::Run()
{
    if (!m_manifest) return E_FAIL;
    RunState state;
    state.url = IsBaseUrl(m_base.c_str());
    state.downloadFirst = state.url && m_sequencing == eGalleryInstallationSequencingDownloadFirst;
    state.planned = PlanUnits(state);

    if (!m_downloadOnly) RemoveMandatory(state);
    if (m_cancel) return CancelEnding();

    if (state.downloadFirst) {
        DownloadFirst(state);
        if (m_cancel) return CancelEnding();
    }

    for (CGalleryInstallationItem *item : m_items) {
        if (m_cancel) break;
        switch (item->GetAction()) {
        case eGalleryInstallationActionNone:
            item->SetStatus(S_FALSE);
            item->SetFinished(true);
            break;
        case eGalleryInstallationActionInstall:
        case eGalleryInstallationActionReinstall:
        case eGalleryInstallationActionUpdate:
            InstallItem(state, item);
            break;
        case eGalleryInstallationActionRemove:
            RemoveItem(state, item);
            break;
        }
    }
    if (m_cancel) return CancelEnding();

    ImportLanguages(state);
    if (m_cancel) return CancelEnding();
    if (!state.translations.empty() && !m_downloadOnly) ApplyLanguages(state);
    if (m_cancel) return CancelEnding();

    if (!m_repair) {
        if (m_manifest->GetUpdated() && FAILED(SaveDestination())) {
            state.failure = true;
            NotifyObserver(eGalleryInstallationProgressFailed, nullptr, m_manifest->GetXmlPath(), 100, state.Overall());
        }
    } else {
        NotifyObserver(eGalleryInstallationProgressProcessing, nullptr, L"", 0, state.Overall());
        HRESULT hr = CFileManipulator::DeleteFile(GzipCopyOf(CKeldaFilePath(m_manifest->GetXmlPath()))) ? S_OK : E_FAIL;
        if (SUCCEEDED(hr)) hr = m_manifest->Repair();
        Step("repair");
        if (SUCCEEDED(hr)) {
            m_manifest->SetUpdated(false);
            (void)dogzip(CKeldaFilePath(m_manifest->GetXmlPath()));
            Step("gzip");
        } else {
            state.failure = true;
            NotifyObserver(eGalleryInstallationProgressFailed, nullptr, m_manifest->GetXmlPath(), 100, state.Overall());
        }
        m_repair = false;
    }

    if (state.failure) return state.success ? S_FALSE : E_FAIL;
    return state.success ? S_OK : S_FALSE;
}

void CGalleryInstallation::RemoveMandatory(RunState &)
{
    for (const CAtlString &identifier : m_mandatoryRemovals) {
        const CKeldaFilePath record = m_manifest->GetUninstallFilePath(identifier.c_str());
        if (!record.FileExists()) continue;
        m_repair = true;
        (void)CFileManipulator::DeleteFile(GzipCopyOf(record));
        (void)CFileManipulator::DeleteFile(record);
        Step("mandatory-removal");
    }
}

void CGalleryInstallation::DownloadFirst(RunState &state)
{
    for (CGalleryInstallationItem *item : m_items) {
        if (!HasFileAction(item)) continue;
        std::vector<CAtlString> names;
        item->GetFileNames(names, UpdateOnly(item));
        item->GetLanguagePacks(names, UpdateOnly(item));
        for (const CAtlString &name : names) {
            if (m_cancel) return;
            CAtlString local;
            bool downloaded = false;
            const HRESULT hr = Download(name, local, downloaded, item, state.Overall());
            state.done += 1;
            if (SUCCEEDED(hr)) {
                state.fetched[name] = local;
                state.fetchFailed.erase(name);
            } else {
                state.fetchFailed.insert(name);
            }
            Step("download");
        }
    }
}

HRESULT CGalleryInstallation::ObtainFile(RunState &state, const CAtlString &fileName, CGalleryInstallationItem *item,
                                         int overall, CAtlString &localPath, bool &downloaded)
{
    localPath.clear();
    downloaded = false;
    HRESULT hr;
    if (state.downloadFirst) {
        const auto found = state.fetched.find(fileName);
        if (found == state.fetched.end()) return E_FAIL;
        localPath = found->second;
        downloaded = true;
        hr = S_OK;
    } else {
        hr = Download(fileName, localPath, downloaded, item, overall);
        if (state.url) Step("download");
    }
    if (SUCCEEDED(hr) && !CKeldaFilePath(localPath).FileExists()) hr = E_FAIL;
    if (FAILED(hr) && m_cancel) hr = E_ABORT; // a fetch stopped by Cancel
    return hr;
}

HRESULT CGalleryInstallation::KeepDownload(const CAtlString &fileName, const CAtlString &localPath, bool downloaded)
{
    if (downloaded) return S_OK; // already fetched into the download folder
    // A local source: the download folder gets its own copy.
    const CKeldaFilePath target = m_tempDir.CreateFilePath(fileName);
    if (CKeldaFilePath(localPath).IsEqualPath(target)) return S_OK;
    if (!CDirectoryManipulator::CreateDirectory(target.GetDirectoryPath())) return E_FAIL;
    const bool copied = CFileManipulator::CopyFileTo(CKeldaFilePath(localPath), target, false);
    Step("download");
    return copied ? S_OK : E_FAIL;
}

void CGalleryInstallation::DeleteDownload(const CAtlString &localPath)
{
    // The downloader's resume state of a finished file goes with it.
    (void)CFileManipulator::DeleteFile(CKeldaFilePath(localPath + L".st"));
    (void)CFileManipulator::DeleteFile(CKeldaFilePath(localPath));
    Step("delete-download");
}

HRESULT CGalleryInstallation::InstallPackage(const CAtlString &localPath)
{
    CGalleryManifest *source = nullptr;
    HRESULT hr = CGalleryManifest::CreateInstance(&source);
    if (FAILED(hr)) return hr;
    hr = source->Open(localPath.c_str());
    // An unpacked archive lives in a folder of its own in the temporary file directory.
    CKeldaDirectoryPath unpacked;
    if (source->GetTemporary() && source->GetXmlPath()) {
        const CKeldaDirectoryPath content = source->GetContentDirectoryPath();
        CKeldaDirectoryPath parent = content;
        if (parent.RemoveLastSubdirectoryFromPath() &&
            parent.IsEqualPath(CKeldaDirectoryPath::GetTempFileDirectoryPath()))
            unpacked = content;
    }
    // Not a readable gallery (no manifest in it, or one that does not parse): the destination stays.
    if (hr != S_OK) {
        hr = E_FAIL;
    } else {
        // The record is replaced; a compressed copy of the old one would be read in its place.
        const CKeldaFilePath record = m_manifest->GetUninstallFilePath(source->GetIdentifier());
        hr = CFileManipulator::DeleteFile(GzipCopyOf(record)) ? S_OK : E_FAIL;
        if (SUCCEEDED(hr)) hr = m_manifest->Install(&source);
        if (SUCCEEDED(hr)) m_manifest->SetUpdated(true);
        Step("install");
    }
    if (source) {
        source->Dispose();
        CGalleryManifest::DeleteInstance(&source);
    }
    if (!unpacked.IsEmptyPath()) (void)CDirectoryManipulator::RemoveDirectoryAndContents(unpacked);
    return hr;
}

void CGalleryInstallation::InstallItem(RunState &state, CGalleryInstallationItem *item)
{
    std::vector<CAtlString> names;
    item->GetFileNames(names, UpdateOnly(item));
    for (const CAtlString &name : names) {
        if (m_cancel) return; // the cancel ending marks the item
        // A URL fetch reports its own start and end, and a file of the download-first pass was reported
        // when it was fetched; a file taken in place is reported here.
        const bool reportsItself = state.url;
        if (!reportsItself)
            NotifyObserver(eGalleryInstallationProgressDownloading, item, name.c_str(), 0, state.Overall());
        CAtlString local;
        bool downloaded = false;
        HRESULT hr = ObtainFile(state, name, item, state.Overall(), local, downloaded);
        if (state.url && !state.downloadFirst) state.done += 1;
        if (SUCCEEDED(hr) && !reportsItself)
            NotifyObserver(eGalleryInstallationProgressDownloading, item, name.c_str(), 100, state.Overall());

        if (SUCCEEDED(hr) && m_downloadOnly) {
            hr = KeepDownload(name, local, downloaded);
            downloaded = false; // kept
            if (SUCCEEDED(hr)) hr = S_OK;
        } else if (SUCCEEDED(hr)) {
            if (m_cancel) {
                hr = E_ABORT;
            } else {
                NotifyObserver(eGalleryInstallationProgressInstalling, item, name.c_str(), 0, state.Overall());
                hr = InstallPackage(local);
                if (hr == S_REINSTALLED) m_repair = true;
            }
        }
        if (downloaded && !m_downloadOnly) DeleteDownload(local);
        state.done += 1;
        item->SetStatus(hr);
        item->SetFinished(true);
        if (hr == E_ABORT) return;
        if (FAILED(hr)) {
            NotifyObserver(eGalleryInstallationProgressFailed, item, name.c_str(), 100, state.Overall());
            state.failure = true;
        } else {
            NotifyObserver(eGalleryInstallationProgressInstalling, item, name.c_str(), 100, state.Overall());
            state.success = true;
        }
    }
}

void CGalleryInstallation::RemoveItem(RunState &state, CGalleryInstallationItem *item)
{
    std::vector<CAtlString> paths;
    item->GetFilePaths(paths);
    HRESULT status = S_FALSE;
    for (const CAtlString &path : paths) {
        if (m_cancel) return; // the cancel ending marks the item
        NotifyObserver(eGalleryInstallationProgressUninstalling, item, path.c_str(), 0, state.Overall());
        CGalleryManifest *record = nullptr;
        CAtlString identifier = path;
        HRESULT hr = CGalleryManifest::CreateInstance(&record);
        if (SUCCEEDED(hr)) hr = record->Open(path.c_str()) == S_OK ? S_OK : E_FAIL;
        if (SUCCEEDED(hr)) {
            identifier = record->GetIdentifier() ? record->GetIdentifier() : L"";
            NotifyObserver(eGalleryInstallationProgressUninstalling, item, identifier.c_str(), 0, state.Overall());
            if (m_cancel) {
                hr = E_ABORT;
            } else {
                hr = m_manifest->Uninstall(&record);
                m_manifest->SetUpdated(true);
                // A compressed copy of the record goes with it.
                (void)CFileManipulator::DeleteFile(GzipCopyOf(CKeldaFilePath(path)));
                Step("uninstall");
            }
        }
        if (record) {
            record->Dispose();
            CGalleryManifest::DeleteInstance(&record);
        }
        state.done += 1;
        status = hr;
        item->SetStatus(hr);
        item->SetFinished(true);
        if (hr == E_ABORT) return;
        if (FAILED(hr)) {
            NotifyObserver(eGalleryInstallationProgressFailed, item, identifier.c_str(), 100, state.Overall());
            state.failure = true;
        } else {
            NotifyObserver(eGalleryInstallationProgressUninstalling, item, identifier.c_str(), 100, state.Overall());
            state.success = true;
        }
    }
    item->SetStatus(status);
    item->SetFinished(true);
}

void CGalleryInstallation::ImportLanguages(RunState &state)
{
    for (CGalleryInstallationItem *item : m_items) {
        if (m_cancel) return;
        if (!HasFileAction(item)) continue;
        state.done += 1;
        NotifyObserver(eGalleryInstallationProgressImportingLanguages, item, L"", 100, state.Overall());
        std::vector<std::pair<CAtlString, CAtlString>> packs;
        item->GetLanguagePackEntries(packs, false);
        if (!packs.empty() && !m_downloadOnly) m_repair = true;
        bool packFailed = false;
        for (const auto &[language, pack] : packs) {
            if (m_cancel) return;
            // The download-first pass fetched the packs the run needs; the others are current.
            if (state.downloadFirst && !state.fetched.count(pack) && !state.fetchFailed.count(pack)) continue;
            CAtlString local;
            bool downloaded = false;
            HRESULT hr = ObtainFile(state, pack, item, state.Overall(), local, downloaded);
            if (hr == E_ABORT) return;
            if (SUCCEEDED(hr) && m_downloadOnly) {
                hr = KeepDownload(pack, local, downloaded);
                downloaded = false; // kept in the download folder
            } else if (SUCCEEDED(hr)) {
                auto translation = std::make_unique<CGalleryI18N>();
                translation->SetLanguage(language);
                hr = translation->Read(CKeldaFilePath(local)) == S_OK ? S_OK : E_FAIL;
                if (SUCCEEDED(hr)) state.translations.push_back(std::move(translation));
            }
            if (downloaded) DeleteDownload(local);
            if (FAILED(hr)) {
                NotifyObserver(eGalleryInstallationProgressFailed, item, pack.c_str(), 100, state.Overall());
                state.failure = true;
                packFailed = true;
            } else {
                state.success = true;
            }
        }
        // An item updated only by its translations is done here.
        if (!item->GetFinished()) {
            item->SetStatus(packFailed ? E_FAIL : S_OK);
            item->SetFinished(true);
        }
    }
}

void CGalleryInstallation::ApplyLanguages(RunState &state)
{
    std::vector<CKeldaFilePath> records;
    m_manifest->GetUninstallDirectoryPath().FindFilesInDirectory(L"imsmanifest*.xml", records);
    // In name order, so that a run reports the same sequence wherever it runs.
    std::sort(records.begin(), records.end());
    const double total = static_cast<double>(records.size() * state.translations.size());
    const double start = state.done;
    double applications = 0;
    for (const CKeldaFilePath &path : records) {
        if (m_cancel) return;
        CGalleryManifest *record = nullptr;
        if (FAILED(CGalleryManifest::CreateInstance(&record))) continue;
        bool changed = false;
        bool abandoned = record->Open(path.GetFilePathString().c_str()) != S_OK;
        const CAtlString identifier = record->GetIdentifier() ? record->GetIdentifier() : L"";
        size_t applied = 0;
        for (const std::unique_ptr<CGalleryI18N> &translation : state.translations) {
            if (abandoned) break;
            const HRESULT hr = translation->Update(record);
            ++applied;
            applications += 1;
            if (FAILED(hr)) {
                abandoned = true;
                break;
            }
            if (hr == S_OK) changed = true;
            state.done = start + applications / total;
            NotifyObserver(eGalleryInstallationProgressInstallingLanguages, nullptr, identifier.c_str(), 100,
                           state.Overall());
        }
        // What this record did not get still counts, so that the percentage reaches the end.
        applications += static_cast<double>(state.translations.size() - applied);
        state.done = start + applications / total;
        if (changed && !abandoned) {
            (void)CFileManipulator::DeleteFile(GzipCopyOf(path));
            if (SUCCEEDED(record->SaveAs(path.GetFilePathString().c_str(), false))) {
                Step("record-save");
                (void)dogzip(path);
                Step("gzip");
            }
        }
        record->Dispose();
        CGalleryManifest::DeleteInstance(&record);
    }
    state.done = start + 1;
}

HRESULT CGalleryInstallation::SaveDestination()
{
    const CKeldaFilePath xml(m_manifest->GetXmlPath());
    if (!CFileManipulator::DeleteFile(GzipCopyOf(xml))) return E_FAIL;
    HRESULT hr = m_manifest->SaveAs(xml.GetFilePathString().c_str(), false);
    Step("save");
    if (FAILED(hr)) return hr;
    m_manifest->SetUpdated(false);
    hr = dogzip(xml);
    Step("gzip");
    return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT CGalleryInstallation::CancelEnding()
{
    if (m_manifest->GetUpdated()) (void)SaveDestination();
    for (CGalleryInstallationItem *item : m_items) {
        if (item->GetAction() != eGalleryInstallationActionNone && !item->GetFinished()) {
            item->SetStatus(E_ABORT);
            item->SetFinished(true);
        }
    }
    return E_ABORT;
}
