// The content steps of initialisation and refresh: the personal manifest, team content and repositories.
#include "gallery/facade/GalleryFacade_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/online/GalleryWebSiteCollection.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRepository.h"
#include "support/KeldaPath.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace GalleryFacade
{

State &TheState()
{
    static State state;
    return state;
}

HRESULT CreateContent()
{
    State &state = TheState();
    HRESULT hr = S_OK;
    if (!state.teamContent) hr = CGalleryManifestCollection::CreateInstance(&state.teamContent);
    if (SUCCEEDED(hr) && !state.repositories) hr = CGalleryRepositoryCollection::CreateInstance(&state.repositories);
    return hr;
}

void ReleaseContent()
{
    State &state = TheState();
    state.lastInstalled = nullptr;
    state.themes.clear();
    CGalleryWebSiteCollection::instance().clear();
    state.myContentOrganization = nullptr;
    state.myContentActivity = nullptr;
    CGalleryManifest::DeleteInstance(&state.myContent);
    CGalleryManifest::DeleteInstance(&state.stock);
    CGalleryManifestCollection::DeleteInstance(&state.teamContent);
    CGalleryRepositoryCollection::DeleteInstance(&state.repositories);
}

void ForgetManifest(const CGalleryManifest *manifest)
{
    State &state = TheState();
    if (manifest && state.lastInstalled && state.lastInstalled->GetManifest() == manifest)
        state.lastInstalled = nullptr;
    if (manifest)
        state.themes.erase(
            std::remove_if(state.themes.begin(), state.themes.end(),
                           [manifest](const CGalleryObject *theme) { return theme->GetManifest() == manifest; }),
            state.themes.end());
}

HRESULT OpenManifest(const CAtlString &xmlPath, IGalleryManifestOpenObserver *observer, CGalleryManifest **out)
{
    if (!out || *out) return E_INVALIDARG;
    CGalleryManifest *manifest = nullptr;
    HRESULT hr = CGalleryManifest::CreateInstance(&manifest);
    if (SUCCEEDED(hr)) hr = manifest->SetXmlPath(xmlPath.c_str());
    if (SUCCEEDED(hr)) hr = manifest->Open(xmlPath.c_str(), observer, !CGallery::SafeMode);
    if (FAILED(hr)) {
        CGalleryManifest::DeleteInstance(&manifest);
        return hr;
    }
    *out = manifest;
    return hr;
}

bool ManifestFileChanged(const CGalleryManifest *manifest)
{
    if (!manifest || CGallery::IsEmptyString(manifest->GetXmlPath())) return false;
    const int64_t loaded = manifest->GetFileStamp() ? manifest->GetFileStamp()->GetSeconds() : 0;
    CGalleryFileStamp now{};
    now.Initialize();
    if (FAILED(now.GetStampFromFile(manifest->GetXmlPath()))) return loaded != 0;
    return loaded == 0 || now.GetSeconds() > loaded;
}

namespace
{

HRESULT SetTitle(CGalleryMetadata *metadata, const wchar_t *title)
{
    HRESULT hr = metadata->GetTitle()->Add(CGallery::DefaultLanguage, title);
    const CAtlString current = CGallery::GetCurrentLanguage();
    if (SUCCEEDED(hr) && current != CGallery::DefaultLanguage) hr = metadata->GetTitle()->Add(current.c_str(), title);
    return hr;
}

} // namespace

HRESULT PrepareMyContent(IGalleryManifestOpenObserver *observer, CGalleryManifest **outManifest,
                         CGalleryOrganization **outOrganization, CGalleryActivity **outActivity, bool saveExisting)
{
    const CKeldaFilePath xml(CGallery::GetMyContentManifestXmlPath());
    if (!GalleryFileOps::MakeDirectories(xml.GetDirectoryPath())) return E_FAIL;

    CGalleryManifest *manifest = nullptr;
    HRESULT hr = CGalleryManifest::CreateInstance(&manifest);
    if (SUCCEEDED(hr)) hr = manifest->SetXmlPath(xml.GetFilePathString().c_str());
    if (SUCCEEDED(hr)) hr = manifest->GetMetadata()->SetIdentifier(CGallery::MyContentManifestIdentifier);
    if (SUCCEEDED(hr)) hr = manifest->Open(xml.GetFilePathString().c_str(), observer, !CGallery::SafeMode);
    bool created = hr == S_FALSE;
    if (SUCCEEDED(hr) && CGallery::IsEmptyString(manifest->GetIdentifier())) {
        hr = manifest->GetMetadata()->SetIdentifier(CGallery::MyContentManifestIdentifier);
        created = true;
    }
    if (created && SUCCEEDED(hr) && manifest->GetMetadata()->GetTitle()->GetCount() == 0)
        hr = SetTitle(manifest->GetMetadata(), CGallery::MyContentTitle);

    CGalleryOrganization *organization =
        SUCCEEDED(hr) ? manifest->GetOrganizations()->GetByIdentifier(CGallery::MyContentOrganizationIdentifier)
                      : nullptr;
    if (SUCCEEDED(hr) && !organization) {
        hr = CGalleryOrganization::CreateInstance(&organization);
        if (SUCCEEDED(hr)) hr = organization->GetMetadata()->SetIdentifier(CGallery::MyContentOrganizationIdentifier);
        if (SUCCEEDED(hr))
            hr = organization->GetMetadata()->GetTitle()->Add(CGallery::DefaultLanguage, CGallery::MyContentTitle);
        if (SUCCEEDED(hr)) {
            organization->SetManifest(manifest);
            hr = manifest->GetOrganizations()->Add(organization);
        }
        if (FAILED(hr)) CGalleryOrganization::DeleteInstance(&organization);
        created = true;
    }
    CGalleryActivity *activity =
        SUCCEEDED(hr) ? organization->FindActivity(CGallery::MyContentActivityIdentifier) : nullptr;
    if (SUCCEEDED(hr) && !activity) {
        hr = CGalleryActivity::CreateInstance(&activity);
        if (SUCCEEDED(hr)) hr = activity->GetMetadata()->SetIdentifier(CGallery::MyContentActivityIdentifier);
        if (SUCCEEDED(hr)) hr = SetTitle(activity->GetMetadata(), CGallery::MyContentTitle);
        if (SUCCEEDED(hr)) {
            activity->SetOrganization(organization);
            hr = organization->GetActivities()->Add(activity);
        }
        if (FAILED(hr)) CGalleryActivity::DeleteInstance(&activity);
        created = true;
    }
    if (SUCCEEDED(hr) && created) hr = manifest->SaveChanges();
    // A start writes the existing one as well; one that cannot be written now is still shown.
    else if (SUCCEEDED(hr) && saveExisting)
        (void)manifest->SaveChanges();
    if (FAILED(hr)) {
        CGalleryManifest::DeleteInstance(&manifest);
        return hr;
    }
    *outManifest = manifest;
    *outOrganization = organization;
    *outActivity = activity;
    return S_OK;
}

std::vector<CGalleryExtensionInfo> TeamContentExtensions()
{
    std::vector<CGalleryExtensionInfo> out;
    for (const wchar_t *type :
         {CGalleryExtensionInfo::TeamContentExtensionType, CGalleryExtensionInfo::PersonalTeamContentExtensionType}) {
        std::vector<CGalleryExtensionInfo> registered;
        (void)CGalleryExtensionInfo::GetExtensions(type, registered); // none when the store cannot be read
        for (CGalleryExtensionInfo &extension : registered)
            if (extension.enabled && !extension.imsManifestXml.empty()) out.push_back(std::move(extension));
    }
    return out;
}

HRESULT AddTeamContent(const CGalleryExtensionInfo &extension, IGalleryManifestOpenObserver *observer,
                       CGalleryManifest **added)
{
    State &state = TheState();
    if (!state.teamContent) return E_FAIL;
    const CAtlString xml = CKeldaFilePath(CGallery::StandardizePath(extension.imsManifestXml)).GetFilePathString();
    if (state.teamContent->IndexOfXmlPath(xml.c_str()) != CGallery::MaxIndex) return S_FALSE;
    CGalleryManifest *manifest = nullptr;
    HRESULT hr = OpenManifest(xml, observer, &manifest);
    if (SUCCEEDED(hr)) hr = state.teamContent->Add(manifest);
    if (FAILED(hr)) {
        CGalleryManifest::DeleteInstance(&manifest);
        return hr;
    }
    if (added) *added = manifest;
    return S_OK;
}

HRESULT RegisterNewTeamContent(const CKeldaFilePath &xml, bool personal)
{
    const CAtlString xmlPath = xml.GetFilePathString();
    State &state = TheState();
    if (state.teamContent) {
        if (state.teamContent->IndexOfXmlPath(xmlPath.c_str()) != CGallery::MaxIndex) return S_OK;
    } else {
        for (const wchar_t *type : {CGalleryExtensionInfo::TeamContentExtensionType,
                                    CGalleryExtensionInfo::PersonalTeamContentExtensionType}) {
            std::vector<CGalleryExtensionInfo> registered;
            (void)CGalleryExtensionInfo::GetExtensions(type, registered); // none when the store cannot be read
            for (const CGalleryExtensionInfo &extension : registered)
                if (CKeldaFilePath(extension.imsManifestXml).IsEqualPath(xml)) return S_OK;
        }
    }
    CGalleryExtensionInfo extension(personal ? CGalleryExtensionInfo::PersonalTeamContentExtensionType
                                             : CGalleryExtensionInfo::TeamContentExtensionType,
                                    CGallery::NewGuid());
    extension.imsManifestXml = xmlPath;
    HRESULT hr = extension.SetPreferences();
    if (FAILED(hr) || !state.teamContent) return hr;
    CGalleryManifest *added = nullptr;
    hr = AddTeamContent(extension, nullptr, &added);
    if (FAILED(hr)) return hr;
    if (added) CGallery::NotifyObservers(eGalleryNotificationManifestAdded, added->AsObject());
    return S_OK;
}

namespace
{

// The "imsmanifest.xml" paths of the gallery folders directly below a directory, "CVS" skipped.
std::vector<CAtlString> GalleryManifestsBelow(const CAtlString &directory)
{
    std::vector<CAtlString> out;
    std::error_code error;
    const std::filesystem::path root(Text::ToUtf8(directory));
    for (std::filesystem::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        if (!it->is_directory(kindError) || it->path().filename() == "CVS") continue;
        const std::filesystem::path xml = it->path() / Text::ToUtf8(CGallery::ImsManifestXml);
        if (std::filesystem::is_regular_file(xml, kindError)) out.push_back(Text::FromUtf8(xml.string()));
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

HRESULT ScanRepository(CGalleryRepository *repository, IGalleryManifestOpenObserver *observer, bool &changed)
{
    changed = false;
    if (!repository || !repository->GetManifests()) return E_INVALIDARG;
    CGalleryManifestCollection *manifests = repository->GetManifests();
    const std::vector<CAtlString> found = GalleryManifestsBelow(repository->GetDirectoryPath());

    // Vanished galleries go first.
    for (uint32_t i = manifests->GetCount(); i-- > 0;) {
        CGalleryManifest *manifest = manifests->GetAt(i);
        const bool present = std::any_of(found.begin(), found.end(), [&](const CAtlString &xml) {
            return CKeldaFilePath(xml).IsEqualPath(CKeldaFilePath(manifest->GetXmlPath()));
        });
        if (present) continue;
        CGallery::NotifyObservers(eGalleryNotificationManifestRemoved, manifest->AsObject());
        ForgetManifest(manifest);
        manifests->RemoveAt(i);
        CGalleryManifest::DeleteInstance(&manifest);
        changed = true;
    }
    for (const CAtlString &xml : found) {
        if (observer && FAILED(observer->NotifyOpenProgress(0))) return E_ABORT;
        const uint32_t index = manifests->IndexOfXmlPath(xml.c_str());
        if (index != CGallery::MaxIndex && !ManifestFileChanged(manifests->GetAt(index))) continue;
        CGalleryManifest *manifest = nullptr;
        // A gallery that cannot be read is left out (or keeps its last good state) until it changes again.
        if (FAILED(OpenManifest(xml, observer, &manifest))) continue;
        if (index == CGallery::MaxIndex) {
            if (FAILED(manifests->Add(manifest))) {
                CGalleryManifest::DeleteInstance(&manifest);
                continue;
            }
            CGallery::NotifyObservers(eGalleryNotificationManifestAdded, manifest->AsObject());
        } else {
            ForgetManifest(manifests->GetAt(index));
            manifests->SetAt(index, manifest);
            CGallery::NotifyObservers(eGalleryNotificationManifestChanged, manifest->AsObject());
        }
        changed = true;
    }
    if (changed) CGallery::NotifyObservers(eGalleryNotificationRepositoryChanged, repository->AsObject());
    return S_OK;
}

HRESULT LoadRepositories(IGalleryManifestOpenObserver *observer)
{
    State &state = TheState();
    if (!state.repositories) return E_FAIL;
    std::vector<CAtlString> directories;
    (void)CGalleryRepository::GetRegisteredRepositories(directories); // none when the store cannot be read
    for (const CAtlString &directory : directories) {
        if (state.repositories->IndexOfDirectory(directory.c_str()) != CGallery::MaxIndex) continue;
        CGalleryRepository *repository = nullptr;
        HRESULT hr = CGalleryRepository::CreateInstance(&repository);
        if (SUCCEEDED(hr)) hr = repository->SetDirectoryPath(directory.c_str());
        bool changed = false;
        if (SUCCEEDED(hr)) hr = ScanRepository(repository, observer, changed);
        if (SUCCEEDED(hr)) hr = state.repositories->Add(repository);
        if (FAILED(hr)) CGalleryRepository::DeleteInstance(&repository);
        if (hr == E_ABORT) return hr;
    }
    return S_OK;
}

} // namespace GalleryFacade
