// Manifest lifecycle, accessors, sanity checks, file copying, up-to-date test and the disconnected form.
// Opening is in GalleryManifestOpen.cpp, the reader in GalleryManifestReader.cpp, saving in
// GalleryManifestSave.cpp and the document writer in GalleryManifestWriter.cpp.
#include "gallery/manifest/GalleryManifest.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/maintenance/GalleryMerge_p.h"
#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryFileStamp.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMemory.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRecordAlloc_p.h"
#include "support/FileManipulator.h"
#include "support/FilePlatform.h"

#include <set>

HRESULT CGalleryManifest::CreateInstance(CGalleryManifest **out)
{
    return CreateGalleryRecord(out);
}
void CGalleryManifest::DeleteInstance(CGalleryManifest **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryManifest::Initialize()
{
    m_object.m_type = eGalleryObjectTypeManifest;
    m_xmlPath = m_cachePath = CGallery::EmptyString;
    HRESULT hr = CGalleryFileStamp::CreateInstance(&m_fileStamp);
    if (SUCCEEDED(hr)) hr = CGalleryOrganizationCollection::CreateInstance(&m_organizations);
    if (SUCCEEDED(hr)) hr = CGalleryMetadata::CreateInstance(&m_object.m_metadata);
    if (SUCCEEDED(hr)) hr = CGalleryLanguageStringCollection::CreateInstance(&m_stringVersions);
    return hr;
}

void CGalleryManifest::Finalize()
{
    Dispose();
    // An archive's unpacked copy is read until now.
    GalleryArchive::RemoveUnpackedCopy(this);
    CGalleryOrganizationCollection::DeleteInstance(&m_organizations);
    CGalleryLanguageStringCollection::DeleteInstance(&m_stringVersions);
    CGalleryMetadata::DeleteInstance(&m_object.m_metadata);
    CGalleryFileStamp::DeleteInstance(&m_fileStamp);
    CGallery::FreeString(&m_xmlPath);
    CGallery::FreeString(&m_cachePath);
    CGalleryMemory::DeleteInstance(&m_memory);
}

void CGalleryManifest::Dispose()
{
    if (m_organizations) m_organizations->Dispose();
    if (m_stringVersions) m_stringVersions->RemoveAll();
    if (m_object.m_metadata) m_object.m_metadata->Dispose();
}

HRESULT CGalleryManifest::PerformSanityChecks(bool deep) const
{
    if (m_object.m_type == eGalleryObjectTypeDisconnectedManifest) return S_OK;
    if (m_object.m_type != eGalleryObjectTypeManifest) return E_FAIL;
    if (!deep) return S_OK;
    if (!m_fileStamp || !m_stringVersions || !m_object.m_metadata || !m_organizations) return E_FAIL;
    HRESULT hr = m_stringVersions->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_object.m_metadata->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_organizations->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = CGallery::CheckStringSanity(m_xmlPath);
    if (SUCCEEDED(hr)) hr = CGallery::CheckStringSanity(m_cachePath);
    return FAILED(hr) ? E_FAIL : S_OK;
}

HRESULT CGalleryManifest::SetXmlPath(const wchar_t *path)
{
    const CKeldaFilePath standardized(CGallery::StandardizePath(path ? path : L""));
    return CGallery::AllocateString(standardized.GetFilePathString().c_str(), &m_xmlPath);
}

HRESULT CGalleryManifest::SetCachePath(const wchar_t *path)
{
    return CGallery::AllocateString(path, &m_cachePath);
}

CKeldaDirectoryPath CGalleryManifest::GetContentDirectoryPath() const
{
    return CKeldaFilePath(m_xmlPath).GetDirectoryPath();
}

CKeldaDirectoryPath CGalleryManifest::GetUninstallDirectoryPath() const
{
    CKeldaDirectoryPath directory = GetContentDirectoryPath();
    directory.AddDirectoryToPath(L"Uninstall");
    return directory;
}

CKeldaFilePath CGalleryManifest::GetUninstallFilePath(const wchar_t *identifier, const wchar_t *directory) const
{
    CKeldaDirectoryPath folder = directory ? CKeldaDirectoryPath(directory) : GetContentDirectoryPath();
    folder.AddDirectoryToPath(L"Uninstall");
    // A folder that cannot be made fails the write of the record later.
    (void)GalleryFileOps::MakeDirectories(folder);
    const CAtlString id = identifier ? identifier : L"";
    const CAtlString reversed(id.rbegin(), id.rend());
    const auto a = static_cast<uint32_t>(CGallery::GetHashFromString(id.c_str()));
    const auto b = static_cast<uint32_t>(CGallery::GetHashFromString(reversed.c_str()));
    return folder.CreateFilePath(Text::Format(L"imsmanifest%x%x.xml", a, b));
}

namespace
{

// Puts every file of a manifest into the target folder. With movable set (the content folder is the
// manifest's own unpacked copy) a file is renamed into place; a rename replaces a file of the same name
// at once, so the target name holds either the old or the new file at every moment.
class FileTransfer
{
  public:
    FileTransfer(const CKeldaDirectoryPath &content, const CKeldaDirectoryPath &target, bool movable)
        : m_content(content), m_target(target), m_movable(movable)
    {
    }

    HRESULT Activity(const CGalleryActivity *activity)
    {
        for (uint32_t i = 0; i < activity->GetActivities()->GetCount(); ++i) {
            const HRESULT hr = Activity(activity->GetActivities()->GetAt(i));
            if (FAILED(hr)) return hr;
        }
        for (uint32_t i = 0; i < activity->GetFiles()->GetCount(); ++i) {
            const HRESULT hr = File(activity->GetFiles()->GetAt(i)->GetHref());
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

  private:
    HRESULT File(const wchar_t *href)
    {
        if (CGallery::IsEmptyString(href)) return S_OK;
        const CKeldaFilePath source = m_content.CreateFilePath(href);
        const CKeldaFilePath destination = m_target.CreateFilePath(href);
        if (source.IsEqualPath(destination) && source.GetFilePathString() == destination.GetFilePathString())
            return S_OK;
        const bool movable = m_movable && GalleryMerge::IsContainedHref(href);
        // Several records may name one file: the first one moved it already.
        if (movable && m_moved.count(source.GetFilePathString())) return S_OK;
        const CKeldaDirectoryPath folder = destination.GetDirectoryPath();
        if (folder.GetDirectoryPathString() != m_lastFolder) {
            // A folder that cannot be made fails the move or copy below.
            (void)GalleryFileOps::MakeDirectories(folder);
            m_lastFolder = folder.GetDirectoryPathString();
        }
        if (movable && !FilePlatform::PathIsSymbolicLink(source.GetFilePathString()) &&
            CFileManipulator::MoveFileTo(source, destination)) {
            m_moved.insert(source.GetFilePathString());
            return S_OK;
        }
        // What cannot be removed here fails the copy below.
        if (destination.FileExists()) (void)CFileManipulator::DeleteFile(destination);
        return GalleryFileOps::CopyFileOver(source, destination) ? S_OK : E_FAIL;
    }

    const CKeldaDirectoryPath m_content;
    const CKeldaDirectoryPath m_target;
    const bool m_movable;
    std::set<CAtlString> m_moved;
    CAtlString m_lastFolder;
};

HRESULT TransferFiles(const CGalleryOrganizationCollection *organizations, const CKeldaDirectoryPath &content,
                      const wchar_t *directory, bool movable)
{
    if (!directory) return E_INVALIDARG;
    FileTransfer transfer(content, CKeldaDirectoryPath(directory), movable);
    for (uint32_t o = 0; o < organizations->GetCount(); ++o) {
        const CGalleryActivityCollection *activities = organizations->GetAt(o)->GetActivities();
        for (uint32_t i = 0; i < activities->GetCount(); ++i) {
            const HRESULT hr = transfer.Activity(activities->GetAt(i));
            if (FAILED(hr)) return hr;
        }
    }
    return S_OK;
}

} // namespace

HRESULT CGalleryManifest::CopyFiles(const wchar_t *directory) const
{
    return TransferFiles(m_organizations, GetContentDirectoryPath(), directory, false);
}

HRESULT GalleryArchive::MoveOrCopyFiles(const CGalleryManifest *manifest, const wchar_t *directory)
{
    if (!manifest) return E_INVALIDARG;
    const CKeldaDirectoryPath content = manifest->GetContentDirectoryPath();
    const CKeldaDirectoryPath unpacked = UnpackedCopyOf(manifest);
    const bool movable = !unpacked.IsEmptyPath() && !content.IsEmptyPath() &&
                         content.GetDirectoryPathString() == unpacked.GetDirectoryPathString();
    return TransferFiles(manifest->GetOrganizations(), content, directory, movable);
}

bool CGalleryManifest::IsUpToDate() const
{
    CGalleryLock lock;
    CGalleryFileStamp *now = nullptr;
    if (FAILED(CGalleryFileStamp::CreateInstance(&now))) return true;
    const bool stamped = SUCCEEDED(now->GetStampFromFile(m_xmlPath));
    const bool upToDate = stamped && now->Compare(m_fileStamp) <= 0;
    CGalleryFileStamp::DeleteInstance(&now);
    return upToDate;
}

HRESULT CGalleryManifest::OpenDisconnected(const wchar_t *path, IGalleryManifestOpenObserver *, bool)
{
    if (!path) return E_INVALIDARG;
    const CKeldaDirectoryPath directory(CGallery::StandardizePath(path));
    m_object.m_type = eGalleryObjectTypeDisconnectedManifest;
    CGalleryMetadata *metadata = m_object.m_metadata;
    const CAtlString title = directory.GetLastDirectoryName() + L" ( " + CGallery::GetDisplayText(33) + L" ) ";
    metadata->GetTitle()->RemoveAll();
    HRESULT hr = metadata->GetTitle()->Add(CGallery::DefaultLanguage, title.c_str());
    const CAtlString current = CGallery::GetCurrentLanguage();
    if (SUCCEEDED(hr) && current != CGallery::DefaultLanguage)
        hr = metadata->GetTitle()->Add(current.c_str(), title.c_str());
    if (SUCCEEDED(hr)) hr = metadata->SetIdentifier(directory.GetDirectoryPathString().c_str());
    CGalleryOrganization *organization = nullptr;
    CGalleryActivity *activity = nullptr;
    if (SUCCEEDED(hr)) hr = CGalleryOrganization::CreateInstance(&organization);
    if (SUCCEEDED(hr)) hr = CGalleryActivity::CreateInstance(&activity);
    if (SUCCEEDED(hr)) hr = metadata->CopyTo(organization->GetMetadata());
    if (SUCCEEDED(hr)) hr = metadata->CopyTo(activity->GetMetadata());
    if (SUCCEEDED(hr)) {
        organization->SetManifest(this);
        organization->SetReadOnly(true);
        activity->m_object.m_type = eGalleryObjectTypeFolderActivity;
        activity->SetOrganization(organization);
        hr = organization->GetActivities()->Add(activity);
        if (SUCCEEDED(hr)) activity = nullptr;
    }
    if (SUCCEEDED(hr)) {
        hr = m_organizations->Add(organization);
        if (SUCCEEDED(hr)) organization = nullptr;
    }
    CGalleryActivity::DeleteInstance(&activity);
    CGalleryOrganization::DeleteInstance(&organization);
    if (SUCCEEDED(hr)) hr = SetXmlPath(path);
    return FAILED(hr) ? hr : S_OK;
}
