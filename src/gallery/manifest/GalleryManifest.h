// CGalleryManifest (kind 4, or 10 for a disconnected directory): the model of one gallery manifest
// ("imsmanifest.xml"): its metadata, string versions and organizations. Opens a manifest from a
// directory, a ".gallery"/".zip" archive, a plain or gzip-compressed XML file, and writes it back to a
// directory, a ".gallery" archive or an ".xml" file in the exact element order.
#pragma once

#include "gallery/records/GalleryObject.h"
#include "support/KeldaPath.h"

#include <cstddef>

class IKELDAXMLWriter;
class CGalleryInstalledManifestMap;

// Receives the fraction of a manifest read so far (0 ... 1); a negative status cancels the open.
class IGalleryManifestOpenObserver
{
  public:
    virtual ~IGalleryManifestOpenObserver() = default;
    [[nodiscard]] virtual HRESULT NotifyOpenProgress(float fraction) = 0;
};

class CGalleryManifest : public CGalleryRecord<CGalleryManifest>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryManifest **out);
    static void DeleteInstance(CGalleryManifest **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize();
    // Empties the manifest: organizations, string versions and metadata contents.
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    // S_OK, S_FALSE (no manifest there: the manifest stays empty, with its XML path set for a missing
    // ".xml"), or a failure. Callers open into a fresh instance.
    [[nodiscard]] HRESULT Open(const wchar_t *path, IGalleryManifestOpenObserver *observer = nullptr,
                               bool useCache = false);
    // Presents a plain directory as a gallery (kind 10) with one folder activity (kind 11).
    [[nodiscard]] HRESULT OpenDisconnected(const wchar_t *path, IGalleryManifestOpenObserver *observer = nullptr,
                                           bool unused = false);
    // The binary cache of an XML manifest when it is current.
    [[nodiscard]] HRESULT OpenCachedXml(const wchar_t *xmlPath, CAtlString &cachePath);
    // Writes to a directory (with the files), a ".gallery" archive or an ".xml" file.
    [[nodiscard]] HRESULT SaveAs(const wchar_t *path, bool writeCache = false);
    // Saves to the XML path under the gallery lock.
    [[nodiscard]] HRESULT SaveChanges();
    // Copies every file (content directory + href) into the directory under its file name.
    [[nodiscard]] HRESULT CopyFiles(const wchar_t *directory) const;
    // Whether the XML file is not newer than at the last load or save.
    bool IsUpToDate() const;
    // Writes the document to an XML writer (exact element order, "id%d" numbering).
    [[nodiscard]] HRESULT WriteXml(IKELDAXMLWriter *writer) const;
    // Reads the older directory-tree gallery form below a directory into one new organization.
    [[nodiscard]] HRESULT OpenOldStyleManifest(const wchar_t *directory);
    // One directory of the old form as an activity (with its sub-directories); null on failure.
    CGalleryActivity *GetActivity(const CKeldaDirectoryPath &directory, CGalleryOrganization *organization,
                                  CGalleryActivity *parent);

    CGalleryOrganizationCollection *GetOrganizations() const { return m_organizations; }
    CGalleryLanguageStringCollection *GetStringVersions() const { return m_stringVersions; }
    CGalleryMemory *GetMemory() const { return m_memory; }
    CGalleryFileStamp *GetFileStamp() const { return m_fileStamp; }
    const wchar_t *GetXmlPath() const { return m_xmlPath; }
    [[nodiscard]] HRESULT SetXmlPath(const wchar_t *path);
    const wchar_t *GetCachePath() const { return m_cachePath; }
    [[nodiscard]] HRESULT SetCachePath(const wchar_t *path);
    bool GetUpdated() const { return m_updated != 0; }
    void SetUpdated(bool updated) { m_updated = updated ? 1 : 0; }
    bool GetTemporary() const { return m_temporary != 0; }
    void SetTemporary(bool temporary) { m_temporary = temporary ? 1 : 0; }
    CKeldaDirectoryPath GetContentDirectoryPath() const;
    CKeldaDirectoryPath GetUninstallDirectoryPath() const;
    // directory (default: the content directory) + "Uninstall" (created) + "imsmanifest%x%x.xml".
    CKeldaFilePath GetUninstallFilePath(const wchar_t *identifier, const wchar_t *directory = nullptr) const;
    uint32_t GetActions() const { return AsObject()->GetActions(); }

    // The binary manifest cache (GalleryCache.cpp). OpenCache replaces the contents by the image of a
    // cache file; SaveCache writes one; RefreshCache writes the cache of an XML file at
    // CGallery::GetCachePath and stamps it 7 seconds past the XML file.
    [[nodiscard]] HRESULT OpenCache(const CKeldaFilePath &cachePath);
    [[nodiscard]] HRESULT SaveCache(const CKeldaFilePath &cachePath) const;
    [[nodiscard]] HRESULT RefreshCache(const CKeldaFilePath &xmlPath) const;
    // Every readable uninstall record of the uninstall directory (GalleryInstalledManifest.cpp).
    [[nodiscard]] HRESULT GetInstalledManifests(CGalleryInstalledManifestMap &map) const;

    // Installing and removing galleries (GalleryMerge.cpp): S_OK, S_REINSTALLED over an existing
    // uninstall record, E_INVALIDARG without a source, E_FAIL.
    [[nodiscard]] HRESULT Install(CGalleryManifest **source, CGalleryActivity **firstActivity = nullptr,
                                  CGalleryActivity *target = nullptr);
    [[nodiscard]] HRESULT Merge(CGalleryManifest *source, CGalleryActivity **firstActivity = nullptr,
                                CGalleryActivity *target = nullptr);
    [[nodiscard]] HRESULT Uninstall(CGalleryManifest **source);
    [[nodiscard]] HRESULT UnMerge(CGalleryManifest *source);
    // Drops the records still in this manifest, deletes the files of the others (and destroys them).
    [[nodiscard]] HRESULT DeleteUnreferencedFiles(std::vector<CGalleryFile *> &files, bool destroy);
    // Maintenance (GalleryMaintenance.cpp).
    [[nodiscard]] HRESULT Repair();
    [[nodiscard]] HRESULT SetupNewManifest(const wchar_t *directory, bool unused, CGalleryRepository *repository,
                                           bool personal);
    CGalleryActivity *GetMatchingActivity(const CGalleryActivity *activity) const;
    static CAtlString GenerateNewFileName(const wchar_t *title, const wchar_t *fileName, const wchar_t *sourceDirectory,
                                          const wchar_t *destinationDirectory);

    CGalleryObject m_object;
    const wchar_t *m_xmlPath;
    const wchar_t *m_cachePath;
    uint8_t m_updated;
    uint8_t m_temporary;
    CGalleryMemory *m_memory;
    CGalleryLanguageStringCollection *m_stringVersions;
    CGalleryOrganizationCollection *m_organizations;
    CGalleryFileStamp *m_fileStamp;

  private:
    [[nodiscard]] HRESULT OpenXml(const CKeldaFilePath &path, IGalleryManifestOpenObserver *observer, bool useCache);
    [[nodiscard]] HRESULT ParseXmlFile(const CKeldaFilePath &path, IGalleryManifestOpenObserver *observer);
    [[nodiscard]] HRESULT SaveToDirectory(const CKeldaDirectoryPath &directory, bool writeCache);
    [[nodiscard]] HRESULT SaveXml(const CKeldaFilePath &target, bool writeCache);
};
static_assert(std::is_standard_layout_v<CGalleryManifest>);
static_assert(offsetof(CGalleryManifest, m_object) == 0);
static_assert(sizeof(CGalleryManifest) == 72);
