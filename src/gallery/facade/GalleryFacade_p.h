// The facade's process-wide state and the content steps shared by the initialisation and refresh
// threads. Everything here is used under the gallery lock.
#pragma once

#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/manifest/GalleryManifest.h"

#include <vector>

class CGalleryMultiproc;
class CGalleryOnlineMarketplace;
class CGalleryOnlineResources;

namespace GalleryFacade
{

struct State {
    int initializeCount = 0;
    bool fullMode = false;
    CGalleryManifestCollection *teamContent = nullptr;
    CGalleryRepositoryCollection *repositories = nullptr;
    CGalleryManifest *myContent = nullptr;
    CGalleryOrganization *myContentOrganization = nullptr;
    CGalleryActivity *myContentActivity = nullptr;
    CGalleryManifest *stock = nullptr;
    CGalleryObject *lastInstalled = nullptr;
    CGalleryMultiproc *refreshThread = nullptr;
    CGalleryOnlineResources *onlineResources = nullptr;
    CGalleryOnlineMarketplace *onlineMarketplace = nullptr;
    std::vector<CGalleryObject *> themes;
};
State &TheState();

// Creates the collections; S_OK when they exist afterwards.
[[nodiscard]] HRESULT CreateContent();
// Destroys every loaded record and collection.
void ReleaseContent();
// Creates the online portal and marketplace entries (nothing is fetched).
[[nodiscard]] HRESULT CreateOnlineContent();
// Takes the portals out of the state; the caller destroys them without holding the gallery lock (their
// threads take it to notify).
void TakeOnlineContent(CGalleryOnlineResources **resources, CGalleryOnlineMarketplace **marketplace);
// Drops the last installed record when it belongs to a manifest about to be destroyed.
void ForgetManifest(const CGalleryManifest *manifest);

// A fresh manifest opened from an XML path (a missing file gives an empty manifest with that path).
[[nodiscard]] HRESULT OpenManifest(const CAtlString &xmlPath, IGalleryManifestOpenObserver *observer,
                                   CGalleryManifest **out);
// Whether the manifest's file appeared, vanished or is newer than when it was read or saved.
bool ManifestFileChanged(const CGalleryManifest *manifest);

// Opens the personal manifest at CGallery::GetMyContentManifestXmlPath and finds or creates its
// organization and activity. Saves it when something had to be created (a failed save fails the call),
// and with saveExisting also when nothing was (a manifest that cannot be written then still loads).
[[nodiscard]] HRESULT PrepareMyContent(IGalleryManifestOpenObserver *observer, CGalleryManifest **manifest,
                                       CGalleryOrganization **organization, CGalleryActivity **activity,
                                       bool saveExisting = false);

// The enabled team-content registrations of both kinds that name a manifest.
std::vector<CGalleryExtensionInfo> TeamContentExtensions();
// Opens the team-content manifest of an extension into the collection when it is not there yet.
// Failures leave the collection unchanged; S_FALSE when it was there already.
[[nodiscard]] HRESULT AddTeamContent(const CGalleryExtensionInfo &extension, IGalleryManifestOpenObserver *observer,
                                     CGalleryManifest **added = nullptr);

// Registers a newly set-up gallery as team content ("PersonalTeamContent" when personal) unless it is
// registered already: with a running library that means loaded as team content, without one any stored
// registration of either kind. With a running library the new registration is loaded at once and
// announced. S_OK when registered before; otherwise the registration's or the loading's result.
[[nodiscard]] HRESULT RegisterNewTeamContent(const CKeldaFilePath &xml, bool personal);

// Reads a repository's galleries: every sub-directory (except "CVS") holding an "imsmanifest.xml".
// New ones are opened and added, vanished ones removed, changed ones re-read; each change is
// announced. changed tells whether anything happened.
[[nodiscard]] HRESULT ScanRepository(CGalleryRepository *repository, IGalleryManifestOpenObserver *observer,
                                     bool &changed);
// The registered repositories, each scanned, into the collection.
[[nodiscard]] HRESULT LoadRepositories(IGalleryManifestOpenObserver *observer);

// An old-style personal folder (the personal manifest's own folder holding a "galleryindex.xml") read
// into the "My Content" activity, its files staying where they are; saves the manifest. S_FALSE when
// there is no such folder.
[[nodiscard]] HRESULT ImportOldStyleMyContent(CGalleryManifest *manifest, CGalleryActivity *activity);
// Removes binary cache images of the cache folder whose manifest file no longer exists. Only files
// that are ours are touched: a name "<folder>_<8 hex digits>.cache" directly in the cache folder, an
// image that reads as a valid cache, and whose recorded manifest path gives this very cache name.
// removed counts the files deleted.
[[nodiscard]] HRESULT RemoveStaleCacheFiles(int *removed = nullptr);
// Collects the theme virtual folder from every loaded manifest.
void CollectThemes();

} // namespace GalleryFacade
