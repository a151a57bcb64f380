// CGalleryRepository (kind 8): a directory that holds galleries, with its manifests and child
// repositories; CGalleryRepositoryCollection, also searchable by directory. Repositories the user adds
// are remembered under the preference key "Repositories".
#pragma once

#include "gallery/records/GalleryObject.h"
#include "gallery/records/GalleryRecordArray.h"

#include <cstddef>
#include <vector>

class CGalleryRepository : public CGalleryRecord<CGalleryRepository>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryRepository **out);
    static void DeleteInstance(CGalleryRepository **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize();
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    const wchar_t *GetDirectoryPath() const { return m_directory; }
    // Stores the standardized path.
    [[nodiscard]] HRESULT SetDirectoryPath(const wchar_t *directory);
    CGalleryRepository *GetContainer() const { return m_container; }
    void SetContainer(CGalleryRepository *container) { m_container = container; }
    CGalleryManifestCollection *GetManifests() const { return m_manifests; }
    CGalleryRepositoryCollection *GetRepositories() const { return m_repositories; }

    // The registered repository directories (user scope), in registration order.
    [[nodiscard]] static HRESULT RegisterRepository(const wchar_t *directory);
    [[nodiscard]] static HRESULT UnregisterRepository(const wchar_t *directory);
    [[nodiscard]] static HRESULT GetRegisteredRepositories(std::vector<CAtlString> &directories);

    CGalleryObject m_object;
    const wchar_t *m_directory;
    CGalleryRepository *m_container;
    CGalleryManifestCollection *m_manifests;
    CGalleryRepositoryCollection *m_repositories;
};
static_assert(std::is_standard_layout_v<CGalleryRepository>);
static_assert(offsetof(CGalleryRepository, m_object) == 0);
static_assert(sizeof(CGalleryRepository) == 48);

class CGalleryRepositoryCollection : public CGalleryRecordArray<CGalleryRepository>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryRepositoryCollection **out)
    {
        return CreateGalleryCollection(out);
    }
    static void DeleteInstance(CGalleryRepositoryCollection **inOut) { DeleteGalleryCollection(inOut); }
    using CGalleryRecordArray<CGalleryRepository>::IndexOf;
    // By directory, compared without regard to case like path values.
    uint32_t IndexOfDirectory(const wchar_t *directory) const;
    CGalleryRepository *GetByDirectory(const wchar_t *directory) const { return GetAt(IndexOfDirectory(directory)); }
};
static_assert(std::is_standard_layout_v<CGalleryRepositoryCollection>);
using CGalleryRepositoryEnumerator = CGalleryRepositoryCollection::Enumerator;
