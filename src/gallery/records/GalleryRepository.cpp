// Gallery repositories (directories of galleries) and their registration in the preferences.
#include "gallery/records/GalleryRepository.h"

#include "settings/Preferences.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryManifestCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

#include <algorithm>

namespace
{

// The registered directories are kept as one value, one directory per line.
const wchar_t *const kRepositoriesValue = L"Repositories";

std::vector<CAtlString> ReadRegistered()
{
    const CAtlString stored = GetPreferenceString(1, CGallery::PreferencesPath, kRepositoriesValue, CAtlString(),
                                                  nullptr, CGallery::PreferenceFile);
    std::vector<CAtlString> directories;
    CGallery::Split(stored.c_str(), directories, L"\n", CGallery::eSplitFlagsRemoveEmpty);
    return directories;
}

HRESULT WriteRegistered(const std::vector<CAtlString> &directories)
{
    CAtlString joined;
    for (const CAtlString &directory : directories)
        joined += directory + L"\n";
    return WritePreferenceString(1, CGallery::PreferencesPath, kRepositoriesValue, joined, CGallery::PreferenceFile) ==
                   0
               ? S_OK
               : E_FAIL;
}

} // namespace

HRESULT CGalleryRepository::CreateInstance(CGalleryRepository **out)
{
    return CreateGalleryRecord(out);
}
void CGalleryRepository::DeleteInstance(CGalleryRepository **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryRepository::Initialize()
{
    m_object.m_type = eGalleryObjectTypeRepository;
    m_directory = CGallery::EmptyString;
    HRESULT hr = CGalleryMetadata::CreateInstance(&m_object.m_metadata);
    if (SUCCEEDED(hr)) hr = CGalleryManifestCollection::CreateInstance(&m_manifests);
    if (SUCCEEDED(hr)) hr = CGalleryRepositoryCollection::CreateInstance(&m_repositories);
    return hr;
}

void CGalleryRepository::Finalize()
{
    Dispose();
    CGalleryManifestCollection::DeleteInstance(&m_manifests);
    CGalleryRepositoryCollection::DeleteInstance(&m_repositories);
    CGalleryMetadata::DeleteInstance(&m_object.m_metadata);
    CGallery::FreeString(&m_directory);
}

void CGalleryRepository::Dispose()
{
    if (m_manifests) m_manifests->Dispose();
    if (m_repositories) m_repositories->Dispose();
}

HRESULT CGalleryRepository::PerformSanityChecks(bool deep) const
{
    if (m_object.m_type != eGalleryObjectTypeRepository || !m_object.m_metadata || !m_manifests || !m_repositories)
        return E_FAIL;
    if (!deep) return S_OK;
    HRESULT hr = CGallery::CheckStringSanity(m_directory);
    if (SUCCEEDED(hr)) hr = m_manifests->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_repositories->PerformSanityChecks(true);
    return hr;
}

HRESULT CGalleryRepository::SetDirectoryPath(const wchar_t *directory)
{
    const CKeldaDirectoryPath path(directory ? directory : L"");
    return CGallery::AllocateString(CGallery::StandardizePath(path.GetDirectoryPathString()).c_str(), &m_directory);
}

HRESULT CGalleryRepository::RegisterRepository(const wchar_t *directory)
{
    if (CGallery::IsEmptyString(directory)) return E_INVALIDARG;
    const CAtlString path = CKeldaDirectoryPath(directory).GetDirectoryPathString();
    std::vector<CAtlString> directories = ReadRegistered();
    for (const CAtlString &known : directories)
        if (CKeldaDirectoryPath(known).IsEqualPath(CKeldaDirectoryPath(path))) return S_FALSE;
    directories.push_back(path);
    return WriteRegistered(directories);
}

HRESULT CGalleryRepository::UnregisterRepository(const wchar_t *directory)
{
    if (CGallery::IsEmptyString(directory)) return E_INVALIDARG;
    const CKeldaDirectoryPath path(directory);
    std::vector<CAtlString> directories = ReadRegistered();
    const size_t before = directories.size();
    directories.erase(
        std::remove_if(directories.begin(), directories.end(),
                       [&](const CAtlString &known) { return CKeldaDirectoryPath(known).IsEqualPath(path); }),
        directories.end());
    if (directories.size() == before) return S_FALSE;
    return WriteRegistered(directories);
}

HRESULT CGalleryRepository::GetRegisteredRepositories(std::vector<CAtlString> &directories)
{
    const std::vector<CAtlString> known = ReadRegistered();
    directories.insert(directories.end(), known.begin(), known.end());
    return known.empty() ? S_FALSE : S_OK;
}

uint32_t CGalleryRepositoryCollection::IndexOfDirectory(const wchar_t *directory) const
{
    if (!directory) return CGallery::MaxIndex;
    const CKeldaDirectoryPath path(directory);
    for (uint32_t i = 0; i < m_count; ++i)
        if (CKeldaDirectoryPath(m_items[i]->GetDirectoryPath()).IsEqualPath(path)) return i;
    return CGallery::MaxIndex;
}

uint32_t CGalleryManifestCollection::IndexOfXmlPath(const wchar_t *xmlPath) const
{
    if (!xmlPath) return CGallery::MaxIndex;
    const CKeldaFilePath path(xmlPath);
    for (uint32_t i = 0; i < m_count; ++i)
        if (CKeldaFilePath(m_items[i]->GetXmlPath()).IsEqualPath(path)) return i;
    return CGallery::MaxIndex;
}
