// CGalleryOrganization (kind 3): a top-level part of a manifest with its activities, languages and
// read-only flag; and CGalleryOrganizationCollection.
#pragma once

#include "gallery/records/GalleryObject.h"
#include "gallery/records/GalleryRecordArray.h"

#include <cstddef>

class CGalleryOrganization : public CGalleryRecord<CGalleryOrganization>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryOrganization **out);
    static void DeleteInstance(CGalleryOrganization **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize();
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    CGalleryStringCollection *GetLanguages() const { return m_languages; }
    bool GetReadOnly() const { return m_readOnly != 0; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly ? 1 : 0; }
    CGalleryManifest *GetManifest() const { return m_manifest; }
    void SetManifest(CGalleryManifest *manifest) { m_manifest = manifest; }
    CGalleryActivityCollection *GetActivities() const { return m_activities; }
    uint32_t GetTotalFilesCount() const;
    CGalleryActivity *FindActivity(const wchar_t *identifier) const;

    CGalleryObject m_object;
    CGalleryStringCollection *m_languages;
    uint8_t m_readOnly;
    CGalleryManifest *m_manifest;
    CGalleryActivityCollection *m_activities;
};
static_assert(std::is_standard_layout_v<CGalleryOrganization>);
static_assert(offsetof(CGalleryOrganization, m_object) == 0);
static_assert(sizeof(CGalleryOrganization) == 48);

class CGalleryOrganizationCollection : public CGalleryRecordArray<CGalleryOrganization>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryOrganizationCollection **out)
    {
        return CreateGalleryCollection(out);
    }
    static void DeleteInstance(CGalleryOrganizationCollection **inOut) { DeleteGalleryCollection(inOut); }
};
static_assert(std::is_standard_layout_v<CGalleryOrganizationCollection>);
using CGalleryOrganizationEnumerator = CGalleryOrganizationCollection::Enumerator;
