// Steps of the initialisation thread beyond loading the manifests: the online entries, the import of
// an old-style personal folder, removing stale cache images and collecting the theme folder.
#include "gallery/facade/GalleryFacade_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryFormatInfo.h"
#include "gallery/online/GalleryOnlineMarketplace.h"
#include "gallery/online/GalleryOnlineResources.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRepository.h"
#include "support/KeldaPath.h"

#include <cwctype>
#include <filesystem>
#include <system_error>

namespace GalleryFacade
{

HRESULT CreateOnlineContent()
{
    State &state = TheState();
    try {
        if (!state.onlineResources) state.onlineResources = new CGalleryOnlineResources();
        if (!state.onlineMarketplace) state.onlineMarketplace = new CGalleryOnlineMarketplace();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void TakeOnlineContent(CGalleryOnlineResources **resources, CGalleryOnlineMarketplace **marketplace)
{
    State &state = TheState();
    *resources = state.onlineResources;
    *marketplace = state.onlineMarketplace;
    state.onlineResources = nullptr;
    state.onlineMarketplace = nullptr;
}

namespace
{

void AdoptActivity(CGalleryActivity *activity, CGalleryActivity *parent, CGalleryOrganization *organization)
{
    activity->SetParent(parent);
    CGalleryActivity::RecursiveSetOrganization(activity, organization);
}

} // namespace

HRESULT ImportOldStyleMyContent(CGalleryManifest *manifest, CGalleryActivity *activity)
{
    if (!manifest || !activity) return E_INVALIDARG;
    const CKeldaFilePath xml(manifest->GetXmlPath());
    const CKeldaDirectoryPath folder = xml.GetDirectoryPath();
    if (!folder.CreateFilePath(L"galleryindex.xml").FileExists()) return S_FALSE;

    // Read with the personal manifest's own path, so the hrefs are relative to the same folder.
    CGalleryManifest *old = nullptr;
    HRESULT hr = CGalleryManifest::CreateInstance(&old);
    if (SUCCEEDED(hr)) hr = old->SetXmlPath(xml.GetFilePathString().c_str());
    if (SUCCEEDED(hr)) hr = old->OpenOldStyleManifest(folder.GetDirectoryPathString().c_str());
    CGalleryOrganization *organization = SUCCEEDED(hr) ? old->GetOrganizations()->GetAt(0) : nullptr;
    CGalleryActivity *top = organization ? organization->GetActivities()->GetAt(0) : nullptr;
    if (SUCCEEDED(hr) && top) {
        CGalleryFileCollection *files = top->GetFiles();
        for (uint32_t i = 0; i < files->GetCount(); ++i)
            files->GetAt(i)->SetParent(activity);
        CGalleryActivityCollection *children = top->GetActivities();
        for (uint32_t i = 0; i < children->GetCount(); ++i)
            AdoptActivity(children->GetAt(i), activity, activity->GetOrganization());
        hr = activity->GetFiles()->AddRange(files);
        if (SUCCEEDED(hr)) hr = activity->GetActivities()->AddRange(children);
    }
    CGalleryManifest::DeleteInstance(&old);
    if (SUCCEEDED(hr)) hr = manifest->SaveChanges();
    return hr;
}

namespace
{

// "<name>_<8 lower-case hex digits>.cache", the form CGallery::GetCachePath gives.
bool IsCacheFileName(const std::wstring &name)
{
    static const std::wstring suffix = L".cache";
    if (name.size() < suffix.size() + 9 || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    const size_t digits = name.size() - suffix.size() - 8;
    if (name[digits - 1] != L'_') return false;
    for (size_t i = digits; i < digits + 8; ++i)
        if (!std::iswxdigit(name[i]) || std::iswupper(name[i])) return false;
    return true;
}

} // namespace

HRESULT RemoveStaleCacheFiles(int *removed)
{
    if (removed) *removed = 0;
    namespace fs = std::filesystem;
    const fs::path folder(Text::ToUtf8(CGallery::GetCacheFolderPath()));
    std::error_code error;
    if (!fs::is_directory(folder, error)) return S_FALSE;
    std::vector<fs::path> candidates;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        // Links and anything that is not a plain file are never ours.
        if (!it->is_regular_file(error) || it->is_symlink(error)) continue;
        if (IsCacheFileName(Text::FromUtf8(it->path().filename().string()))) candidates.push_back(it->path());
    }
    for (const fs::path &candidate : candidates) {
        const CAtlString path = Text::FromUtf8(candidate.string());
        CGalleryManifest *image = nullptr;
        if (FAILED(CGalleryManifest::CreateInstance(&image))) return E_OUTOFMEMORY;
        const bool valid = SUCCEEDED(image->OpenCache(CKeldaFilePath(path)));
        const CAtlString xml = valid && image->GetXmlPath() ? CAtlString(image->GetXmlPath()) : CAtlString();
        CGalleryManifest::DeleteInstance(&image);
        // Only an image that names its manifest, whose cache name that manifest gives, and whose
        // manifest is gone.
        if (xml.empty() || CGallery::GetCachePath(xml) != path) continue;
        if (fs::exists(fs::path(Text::ToUtf8(xml)), error) || error) continue;
        if (fs::remove(candidate, error) && removed) ++*removed;
    }
    return S_OK;
}

namespace
{

void CollectFromActivity(const CGalleryActivity *activity, std::vector<CGalleryObject *> &out)
{
    const CGalleryFileCollection *files = activity->GetFiles();
    for (uint32_t i = 0; files && i < files->GetCount(); ++i) {
        CGalleryFile *file = files->GetAt(i);
        const CGalleryMetadata *metadata = file ? file->GetMetadata() : nullptr;
        if (metadata && CGalleryFormatInfo(metadata->GetFormat()).IsTheme()) out.push_back(file->AsObject());
    }
    const CGalleryActivityCollection *children = activity->GetActivities();
    for (uint32_t i = 0; children && i < children->GetCount(); ++i)
        CollectFromActivity(children->GetAt(i), out);
}

void CollectFromManifest(const CGalleryManifest *manifest, std::vector<CGalleryObject *> &out)
{
    if (!manifest || !manifest->GetOrganizations()) return;
    const CGalleryOrganizationCollection *organizations = manifest->GetOrganizations();
    for (uint32_t i = 0; i < organizations->GetCount(); ++i) {
        const CGalleryActivityCollection *activities = organizations->GetAt(i)->GetActivities();
        for (uint32_t j = 0; activities && j < activities->GetCount(); ++j)
            CollectFromActivity(activities->GetAt(j), out);
    }
}

void CollectFromRepositories(const CGalleryRepositoryCollection *repositories, std::vector<CGalleryObject *> &out)
{
    for (uint32_t i = 0; repositories && i < repositories->GetCount(); ++i) {
        const CGalleryRepository *repository = repositories->GetAt(i);
        const CGalleryManifestCollection *manifests = repository->GetManifests();
        for (uint32_t j = 0; manifests && j < manifests->GetCount(); ++j)
            CollectFromManifest(manifests->GetAt(j), out);
        CollectFromRepositories(repository->GetRepositories(), out);
    }
}

} // namespace

void CollectThemes()
{
    State &state = TheState();
    std::vector<CGalleryObject *> themes;
    CollectFromManifest(state.myContent, themes);
    CollectFromManifest(state.stock, themes);
    for (uint32_t i = 0; state.teamContent && i < state.teamContent->GetCount(); ++i)
        CollectFromManifest(state.teamContent->GetAt(i), themes);
    CollectFromRepositories(state.repositories, themes);
    state.themes = std::move(themes);
}

} // namespace GalleryFacade

std::vector<CGalleryObject *> CGallery::GetThemes()
{
    CGalleryLock lock;
    return GalleryFacade::TheState().themes;
}
