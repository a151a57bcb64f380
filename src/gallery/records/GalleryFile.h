// CGalleryFile (kind 1): one gallery item under an activity, with its href relative to the manifest's
// content directory; and CGalleryFileCollection, which grows in the steps 16, 64, 256, 4096, 16384 and
// then by 4096.
#pragma once

#include "gallery/records/GalleryObject.h"
#include "gallery/records/GalleryRecordArray.h"
#include "support/KeldaPath.h"

#include <cstddef>

class CGalleryFile : public CGalleryRecord<CGalleryFile>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryFile **out);
    static void DeleteInstance(CGalleryFile **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize();
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    CGalleryActivity *GetParent() const { return m_parent; }
    void SetParent(CGalleryActivity *parent) { m_parent = parent; }
    const wchar_t *GetHref() const { return m_href; }
    [[nodiscard]] HRESULT SetHref(const wchar_t *href);
    CGalleryOrganization *GetOrganization() const;
    CGalleryManifest *GetManifest() const;
    // The organization's read-only flag; false without organization.
    bool GetOrganizationReadOnly() const;
    // Content directory + href; "filenotfound.galleryitem" in the temporary directory when the href is
    // empty or the file belongs to no manifest.
    CKeldaFilePath GetHrefFilePath() const;

    CGalleryObject m_object;
    CGalleryActivity *m_parent;
    const wchar_t *m_href;
};
static_assert(std::is_standard_layout_v<CGalleryFile>);
static_assert(offsetof(CGalleryFile, m_object) == 0);
static_assert(sizeof(CGalleryFile) == 32);

class CGalleryFileCollection : public CGalleryRecordArray<CGalleryFile, CGalleryGrowFileSteps>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryFileCollection **out) { return CreateGalleryCollection(out); }
    static void DeleteInstance(CGalleryFileCollection **inOut) { DeleteGalleryCollection(inOut); }
    // Orders the files by title in the current language (CGallery::CompareStrings), stable.
    void Sort();
};
static_assert(std::is_standard_layout_v<CGalleryFileCollection>);
static_assert(sizeof(CGalleryFileCollection) == 16);
using CGalleryFileEnumerator = CGalleryFileCollection::Enumerator;
