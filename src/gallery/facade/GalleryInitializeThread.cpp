#include "gallery/facade/GalleryInitializeThread.h"

#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryFacade_p.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/facade/GalleryMultiproc.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/online/GalleryWebSiteCollection.h"
#include "gallery/records/GalleryRepository.h"
#include "support/KeldaPath.h"

namespace
{

int GalleryPreferenceInt(const wchar_t *name)
{
    for (int scope : {PreferenceScopeUser, PreferenceScopeMachine}) {
        unsigned int error = 0;
        const int value = GetPreferenceInt(scope, CGallery::PreferencesPath, name, 0, &error, CGallery::PreferenceFile);
        if (error == 0) return value;
    }
    return 0;
}

} // namespace

CGalleryInitializeThread::~CGalleryInitializeThread()
{
    // The base joins a running thread; this part must still be alive while the procedure runs.
    Cancel();
    Join();
}

HRESULT CGalleryInitializeThread::NotifyOpenProgress(float)
{
    return IsCancelled() ? E_ABORT : S_OK;
}

HRESULT CGalleryInitializeThread::ThreadProc()
{
    HRESULT hr = S_OK;
    {
        CGalleryLock lock;
        if (!lock.IsLocked()) return E_FAIL;
        hr = Load();
        if (SUCCEEDED(hr)) {
            m_finished = true;
            CGallery::NotifyObservers(eGalleryNotificationInitialized, std::vector<CGalleryObject *>());
        }
    }
    if (SUCCEEDED(hr) && m_fullMode && !IsCancelled()) {
        CGalleryLock lock;
        GalleryFacade::State &state = GalleryFacade::TheState();
        if (!state.refreshThread) {
            state.refreshThread = new CGalleryMultiproc();
            if (FAILED(state.refreshThread->Start(false))) {
                delete state.refreshThread;
                state.refreshThread = nullptr;
            }
        }
    }
    return hr;
}

HRESULT CGalleryInitializeThread::Load()
{
    GalleryFacade::State &state = GalleryFacade::TheState();
    CGallery::SetCurrentLanguage(CGallery::GetBoardLanguage().c_str(), false);
    CGallery::EnableContentCreatorTools = GalleryPreferenceInt(L"EnableContentCreatorTools");
    CGallery::BrowseChunking = GalleryPreferenceInt(L"BrowseChunking");
    if (IsCancelled()) return E_ABORT;

    HRESULT hr = GalleryFacade::CreateContent();
    if (SUCCEEDED(hr)) hr = GalleryFacade::CreateOnlineContent();
    if (FAILED(hr)) return hr;
    if (IsCancelled()) return E_ABORT;

    if (!state.myContent) {
        // The personal manifest is new only once: that is when an old-style folder is taken over.
        const bool fresh = !CKeldaFilePath(CGallery::GetMyContentManifestXmlPath()).FileExists();
        hr = GalleryFacade::PrepareMyContent(this, &state.myContent, &state.myContentOrganization,
                                             &state.myContentActivity, true);
        if (FAILED(hr)) return hr;
        // An old folder that cannot be read leaves the new personal gallery empty, not the start failed.
        if (fresh) (void)GalleryFacade::ImportOldStyleMyContent(state.myContent, state.myContentActivity);
    }
    if (IsCancelled()) return E_ABORT;

    // A stock or team-content gallery that cannot be read is left out rather than stopping the program
    // that could repair it.
    if (!state.stock) {
        const HRESULT opened = GalleryFacade::OpenManifest(CGallery::GetStockManifestXmlPath(), this, &state.stock);
        if (opened == E_ABORT) return opened;
    }
    for (const CGalleryExtensionInfo &extension : GalleryFacade::TeamContentExtensions()) {
        if (IsCancelled()) return E_ABORT;
        if (GalleryFacade::AddTeamContent(extension, this) == E_ABORT) return E_ABORT;
    }
    if (IsCancelled()) return E_ABORT;

    // Leftover cache images only cost disk space: a failure here does not stop the start.
    (void)GalleryFacade::RemoveStaleCacheFiles();
    if (IsCancelled()) return E_ABORT;

    hr = GalleryFacade::LoadRepositories(this);
    if (FAILED(hr)) return hr;
    if (IsCancelled()) return E_ABORT;

    if (FAILED(state.myContent->PerformSanityChecks(false)) ||
        (state.stock && FAILED(state.stock->PerformSanityChecks(false))) ||
        FAILED(state.teamContent->PerformSanityChecks(false)) || FAILED(state.repositories->PerformSanityChecks(false)))
        return E_FAIL;
    if (IsCancelled()) return E_ABORT;

    GalleryFacade::CollectThemes();
    return CGalleryWebSiteCollection::instance().LoadSites();
}
