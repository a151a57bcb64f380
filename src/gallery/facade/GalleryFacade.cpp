// CGallery's start-up and shutdown and the accessors of the loaded content.
#include "gallery/facade/Gallery.h"

#include "gallery/facade/GalleryFacade_p.h"
#include "gallery/facade/GalleryHooks.h"
#include "gallery/facade/GalleryInitializeThread.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/facade/GalleryMultiproc.h"
#include "gallery/online/GalleryOnlineMarketplace.h"
#include "gallery/online/GalleryOnlineResources.h"
#include "gallery/records/GalleryRepository.h"

#define KELDA_MY_CONTENT_HOST L"http://gallery.keldalabs.invalid"
const wchar_t *const CGallery::MyContentManifestIdentifier = KELDA_MY_CONTENT_HOST L"/default?manifest=My%20Content";
const wchar_t *const CGallery::MyContentOrganizationIdentifier =
    KELDA_MY_CONTENT_HOST L"/default?organization=My%20Content";
const wchar_t *const CGallery::MyContentActivityIdentifier = KELDA_MY_CONTENT_HOST L"/My%20Content";
#undef KELDA_MY_CONTENT_HOST
const wchar_t *const CGallery::MyContentTitle = L"My Content";

CGalleryInitializeThread *CGallery::InitializeThread = nullptr;
int CGallery::EnableContentCreatorTools = 0;
int CGallery::BrowseChunking = 0;

HRESULT CGallery::Initialize(bool fullMode)
{
    CGalleryLock lock;
    if (!lock.IsLocked()) return E_FAIL;
    GalleryFacade::State &state = GalleryFacade::TheState();
    if (state.initializeCount++ > 0) return S_OK;

    state.fullMode = fullMode;
    GetProgramVersions();
    SetCurrentLanguage(DefaultLanguage, false);
    // The binary cache header is complete as written (GalleryCache.cpp): nothing to finish here.
    CGalleryHooks::CreateCredentialProxy();

    InitializeThread = new CGalleryInitializeThread(fullMode);
    // In full mode the thread waits for the lock that this call still holds until it returns.
    return InitializeThread->Start(!fullMode);
}

void CGallery::Uninitialize()
{
    GalleryFacade::State &state = GalleryFacade::TheState();
    {
        CGalleryLock lock;
        if (state.initializeCount == 0) return;
        if (--state.initializeCount > 0) return;
    }
    CGalleryHooks::DestroyCredentialProxy();

    // The threads need the lock to finish, so they are stopped without holding it. The initialisation
    // thread goes first: it may still start the refresh thread.
    if (CGalleryInitializeThread *thread = InitializeThread) {
        thread->Cancel();
        thread->Join();
    }
    CGalleryMultiproc *refresh = nullptr;
    {
        CGalleryLock lock;
        refresh = state.refreshThread;
        state.refreshThread = nullptr;
    }
    if (refresh) {
        refresh->Cancel();
        refresh->Join();
        delete refresh;
    }
    // The portals' threads take the lock to announce their result: they end without it held.
    CGalleryOnlineResources *resources = nullptr;
    CGalleryOnlineMarketplace *marketplace = nullptr;
    {
        CGalleryLock lock;
        GalleryFacade::TakeOnlineContent(&resources, &marketplace);
    }
    delete resources;
    delete marketplace;

    CGalleryLock lock;
    delete InitializeThread;
    InitializeThread = nullptr;
    GalleryFacade::ReleaseContent();
}

int CGallery::GetInitializeCount()
{
    CGalleryLock lock;
    return GalleryFacade::TheState().initializeCount;
}

CGalleryMultiproc *CGallery::GetRefreshThread()
{
    CGalleryLock lock;
    return GalleryFacade::TheState().refreshThread;
}

CGalleryManifestCollection *CGallery::GetTeamContentManifests()
{
    return GalleryFacade::TheState().teamContent;
}
CGalleryRepositoryCollection *CGallery::GetRepositories()
{
    return GalleryFacade::TheState().repositories;
}
CGalleryManifest *CGallery::GetMyContentManifest()
{
    return GalleryFacade::TheState().myContent;
}
CGalleryOrganization *CGallery::GetMyContentOrganization()
{
    return GalleryFacade::TheState().myContentOrganization;
}
CGalleryActivity *CGallery::GetMyContent()
{
    return GalleryFacade::TheState().myContentActivity;
}
CGalleryManifest *CGallery::GetStockManifest()
{
    return GalleryFacade::TheState().stock;
}
CGalleryObject *CGallery::GetOnlineResources()
{
    CGalleryOnlineResources *resources = GalleryFacade::TheState().onlineResources;
    return resources ? resources->AsObject() : nullptr;
}
CGalleryObject *CGallery::GetOnlineMarketplace()
{
    CGalleryOnlineMarketplace *marketplace = GalleryFacade::TheState().onlineMarketplace;
    return marketplace ? marketplace->AsObject() : nullptr;
}

CGalleryObject *CGallery::GetLastInstalledObject()
{
    CGalleryLock lock;
    return GalleryFacade::TheState().lastInstalled;
}

void CGallery::SetLastInstalledObject(CGalleryObject *record)
{
    CGalleryLock lock;
    GalleryFacade::TheState().lastInstalled = record;
}
