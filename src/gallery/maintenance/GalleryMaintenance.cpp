// Maintenance of destination manifests: rebuilding a damaged manifest from its uninstall records,
// creating a new empty gallery, finding corresponding activities across manifests and naming copied
// files without collisions.
#include "gallery/maintenance/GalleryMerge_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/facade/GalleryFacade_p.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/facade/GalleryObservers.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRepository.h"
#include "support/FileManipulator.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace
{

// Moves the organizations of an uninstall record into the rebuilt manifest: one already there takes
// the newcomer's texts and its activities are merged, a new one moves in whole.
HRESULT MergeRecord(CGalleryManifest *rebuilt, CGalleryManifest *record)
{
    CGalleryOrganizationCollection *sources = record->GetOrganizations();
    for (uint32_t i = 0; i < sources->GetCount();) {
        CGalleryOrganization *organization = sources->GetAt(i);
        CGalleryOrganization *present = rebuilt->GetOrganizations()->GetByIdentifier(organization->GetIdentifier());
        if (!present) {
            HRESULT hr = rebuilt->GetOrganizations()->Add(organization);
            if (FAILED(hr)) return hr;
            sources->RemoveAt(i);
            organization->SetManifest(rebuilt);
            continue;
        }
        HRESULT hr = GalleryMerge::ReplaceTexts(present->GetMetadata(), organization->GetMetadata());
        if (SUCCEEDED(hr))
            hr = GalleryMerge::MergeActivities(present->GetActivities(), organization->GetActivities(), present,
                                               nullptr);
        if (FAILED(hr)) return hr;
        ++i;
    }
    return S_OK;
}

// Depth first, children before files: drops file records whose file is missing and counts the hrefs
// of the others.
void KeepExistingFiles(CGalleryActivity *activity, const CKeldaDirectoryPath &content,
                       std::map<CAtlString, int> &referenced)
{
    for (uint32_t i = 0; i < activity->GetActivities()->GetCount(); ++i)
        KeepExistingFiles(activity->GetActivities()->GetAt(i), content, referenced);
    CGalleryFileCollection *files = activity->GetFiles();
    for (uint32_t i = 0; i < files->GetCount();) {
        CGalleryFile *file = files->GetAt(i);
        const bool present =
            GalleryMerge::IsContainedHref(file->GetHref()) && content.CreateFilePath(file->GetHref()).FileExists();
        if (!present) {
            files->RemoveAt(i);
            CGalleryFile::DeleteInstance(&file);
            continue;
        }
        ++referenced[file->GetHref()];
        ++i;
    }
}

// Collects the hrefs of every file record of the manifest.
void CollectHrefs(const CGalleryActivity *activity, std::set<CAtlString> &hrefs)
{
    for (uint32_t i = 0; i < activity->GetActivities()->GetCount(); ++i)
        CollectHrefs(activity->GetActivities()->GetAt(i), hrefs);
    for (uint32_t i = 0; i < activity->GetFiles()->GetCount(); ++i)
        hrefs.insert(activity->GetFiles()->GetAt(i)->GetHref());
}

void CollectHrefs(const CGalleryManifest *manifest, std::set<CAtlString> &hrefs)
{
    const CGalleryOrganizationCollection *organizations = manifest->GetOrganizations();
    for (uint32_t o = 0; o < organizations->GetCount(); ++o) {
        const CGalleryActivityCollection *activities = organizations->GetAt(o)->GetActivities();
        for (uint32_t a = 0; a < activities->GetCount(); ++a)
            CollectHrefs(activities->GetAt(a), hrefs);
    }
}

} // namespace

HRESULT CGalleryManifest::Repair()
{
    CGalleryLock lock;
    if (!lock.IsLocked()) return E_FAIL;
    CGalleryManifest *rebuilt = nullptr;
    HRESULT hr = CGalleryManifest::CreateInstance(&rebuilt);
    if (FAILED(hr)) return hr;

    // Only what a manifest of this folder named may be deleted: the files a person put beside the
    // gallery stay. The old manifest names its files here, each record below.
    std::set<CAtlString> named;
    CollectHrefs(this, named);

    // 1. Every uninstall record, in directory order.
    std::vector<CKeldaFilePath> records;
    GetUninstallDirectoryPath().FindFilesInDirectory(L"imsmanifest*.xml", records);
    for (const CKeldaFilePath &path : records) {
        CGalleryManifest *record = nullptr;
        if (FAILED(CGalleryManifest::CreateInstance(&record))) continue;
        if (record->Open(path.GetFilePathString().c_str()) == S_OK) {
            CollectHrefs(record, named);
            hr = MergeRecord(rebuilt, record);
        }
        CGalleryManifest::DeleteInstance(&record);
        if (FAILED(hr)) break;
    }
    // 2. This manifest's metadata and place.
    if (SUCCEEDED(hr)) hr = m_object.m_metadata->CopyTo(rebuilt->GetMetadata());
    if (SUCCEEDED(hr)) hr = rebuilt->SetXmlPath(m_xmlPath);
    // 3. Records whose file is gone are dropped; the others protect their files.
    const CKeldaDirectoryPath content = GetContentDirectoryPath();
    std::vector<CKeldaFilePath> listed;
    content.FindFilesInDirectory(L"*.*", listed);
    std::map<CAtlString, int> referenced;
    if (SUCCEEDED(hr)) {
        for (uint32_t o = 0; o < rebuilt->GetOrganizations()->GetCount(); ++o) {
            const CGalleryActivityCollection *activities = rebuilt->GetOrganizations()->GetAt(o)->GetActivities();
            for (uint32_t a = 0; a < activities->GetCount(); ++a)
                KeepExistingFiles(activities->GetAt(a), content, referenced);
        }
    }
    // 4. The rebuilt organizations replace this manifest's, which go with the rebuilt manifest.
    if (SUCCEEDED(hr)) {
        std::swap(m_organizations, rebuilt->m_organizations);
        for (uint32_t o = 0; o < m_organizations->GetCount(); ++o)
            m_organizations->GetAt(o)->SetManifest(this);
        for (uint32_t o = 0; o < rebuilt->m_organizations->GetCount(); ++o)
            rebuilt->m_organizations->GetAt(o)->SetManifest(rebuilt);
        SetUpdated(true);
        hr = SaveChanges();
    }
    // 5. Only once the rebuilt manifest is saved: every other file of the content directory that a
    // manifest of this folder named goes.
    if (SUCCEEDED(hr)) {
        for (const CKeldaFilePath &file : listed) {
            const CAtlString name = file.GetFileName();
            if (name == CGallery::ImsManifestXml) continue;
            const auto found = referenced.find(name);
            if (found != referenced.end() && found->second > 0) {
                --found->second; // one listed file per collected name
                continue;
            }
            if (!named.count(name)) continue;
            if (!CFileManipulator::DeleteFile(file)) hr = E_FAIL;
        }
    }
    CGalleryManifest::DeleteInstance(&rebuilt);
    // 6. Observers hear of the repaired manifest once the lock is released.
    lock.Release();
    if (SUCCEEDED(hr)) CGallery::NotifyObservers(eGalleryNotificationRepaired, AsObject());
    return hr;
}

HRESULT CGalleryManifest::SetupNewManifest(const wchar_t *directory, bool, CGalleryRepository *repository,
                                           bool personal)
{
    if (!directory) return E_INVALIDARG;
    CGalleryLock lock;
    if (!lock.IsLocked()) return E_FAIL;
    const CKeldaDirectoryPath folder(CGallery::StandardizePath(directory));
    if (!GalleryFileOps::MakeDirectories(folder)) return E_FAIL;

    Dispose();
    CGalleryMetadata *metadata = m_object.m_metadata;
    const CAtlString title = folder.GetLastDirectoryName();
    HRESULT hr = metadata->SetIdentifier(CGallery::NewIdentifier(L"manifest").c_str());
    metadata->SetCreationDateTime(CGalleryMetadata::NowDateTime());
    if (SUCCEEDED(hr)) hr = metadata->SetVersion(CGalleryMetadata::NewVersion(false).c_str());
    if (SUCCEEDED(hr)) hr = metadata->GetTitle()->Add(CGallery::DefaultLanguage, title.c_str());
    const CAtlString current = CGallery::GetCurrentLanguage();
    if (SUCCEEDED(hr) && current != CGallery::DefaultLanguage)
        hr = metadata->GetTitle()->Add(current.c_str(), title.c_str());

    CGalleryOrganization *organization = nullptr;
    CGalleryActivity *activity = nullptr;
    if (SUCCEEDED(hr)) hr = CGalleryOrganization::CreateInstance(&organization);
    if (SUCCEEDED(hr)) hr = CGalleryActivity::CreateInstance(&activity);
    if (SUCCEEDED(hr)) hr = metadata->CopyTo(organization->GetMetadata());
    if (SUCCEEDED(hr))
        hr = organization->GetMetadata()->SetIdentifier(CGallery::NewIdentifier(L"organization").c_str());
    if (SUCCEEDED(hr)) hr = metadata->CopyTo(activity->GetMetadata());
    if (SUCCEEDED(hr)) hr = activity->GetMetadata()->SetIdentifier(CGallery::NewIdentifier(L"activity").c_str());
    if (SUCCEEDED(hr)) {
        activity->SetOrganization(organization);
        hr = organization->GetActivities()->Add(activity);
        if (SUCCEEDED(hr)) activity = nullptr;
    }
    if (SUCCEEDED(hr)) {
        organization->SetManifest(this);
        hr = m_organizations->Add(organization);
        if (SUCCEEDED(hr)) organization = nullptr;
    }
    CGalleryActivity::DeleteInstance(&activity);
    CGalleryOrganization::DeleteInstance(&organization);
    const CKeldaFilePath xml = folder.CreateFilePath(CGallery::ImsManifestXml);
    if (SUCCEEDED(hr)) hr = SetXmlPath(xml.GetFilePathString().c_str());
    if (SUCCEEDED(hr)) hr = SaveChanges();
    if (FAILED(hr)) return hr;

    // The saved gallery joins the repository as a manifest of its own.
    if (repository) {
        CGalleryManifest *opened = nullptr;
        hr = CGalleryManifest::CreateInstance(&opened);
        if (SUCCEEDED(hr)) hr = opened->Open(xml.GetFilePathString().c_str());
        if (SUCCEEDED(hr)) hr = repository->GetManifests()->Add(opened);
        if (FAILED(hr)) {
            CGalleryManifest::DeleteInstance(&opened);
            return hr;
        }
        CGallery::NotifyObservers(eGalleryNotificationManifestAdded, opened->AsObject());
    }
    // Registered as team content (and loaded, when the library runs) by the facade.
    return GalleryFacade::RegisterNewTeamContent(xml, personal);
}

CGalleryActivity *CGalleryManifest::GetMatchingActivity(const CGalleryActivity *activity) const
{
    if (!activity || !activity->GetOrganization()) return nullptr;
    std::vector<const wchar_t *> chain;
    for (const CGalleryActivity *a = activity; a; a = a->GetParent())
        chain.push_back(a->GetIdentifier());
    const CGalleryOrganization *organization =
        m_organizations->GetByIdentifier(activity->GetOrganization()->GetIdentifier());
    if (!organization) return nullptr;
    const CGalleryActivityCollection *level = organization->GetActivities();
    CGalleryActivity *found = nullptr;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        found = level->GetByIdentifier(*it);
        if (!found) return nullptr;
        level = found->GetActivities();
    }
    return found;
}

CAtlString CGalleryManifest::GenerateNewFileName(const wchar_t *title, const wchar_t *fileName,
                                                 const wchar_t *sourceDirectory, const wchar_t *destinationDirectory)
{
    const CAtlString base = CGallery::GetFileNameFromTitle(title);
    const CKeldaFilePath name(fileName ? fileName : L"");
    const CAtlString extension = name.GetFileExtension();
    const CKeldaDirectoryPath source(sourceDirectory ? sourceDirectory : L"");
    const CKeldaDirectoryPath destination(destinationDirectory ? destinationDirectory : L"");
    uint32_t checksum = source.CreateFilePath(name.GetFileName()).GetFileChecksum();
    // The checksum is written as eight upper-case hexadecimal digits.
    CAtlString candidate = Text::Format(L"%ls_%08X%ls", base.c_str(), checksum, extension.c_str());
    if (!destination.CreateFilePath(candidate).FileExists()) return candidate;
    for (uint32_t round = 0; round < 2147483647u; ++round, ++checksum) {
        for (int n = 1; n <= 998; ++n) {
            candidate = Text::ToUpper(Text::Format(L"%ls_%08X_%d%d%d%ls", base.c_str(), checksum, n / 100, n / 10 % 10,
                                                   n % 10, extension.c_str()));
            if (!destination.CreateFilePath(candidate).FileExists()) return candidate;
        }
    }
    return CAtlString();
}
