// The facade's process-wide state and the content steps shared by the initialisation and refresh
// threads. Everything here is used under the gallery lock.
#pragma once

#include "gallery/records/GalleryExtensionInfo.h"
#include "gallery/manifest/GalleryManifest.h"

#include <vector>

class CGalleryMultiproc;

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
};
State &TheState();

// Creates the collections; S_OK when they exist afterwards.
[[nodiscard]] HRESULT CreateContent();
// Destroys every loaded record and collection.
void ReleaseContent();
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

} // namespace GalleryFacade
