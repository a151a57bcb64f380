// CGalleryActivity (kind 2, or 11 for the folder of a disconnected manifest): a folder of a gallery,
// with ordered child activities and files; and CGalleryActivityCollection.
#pragma once

#include "gallery/records/GalleryObject.h"
#include "gallery/records/GalleryRecordArray.h"

#include <cstddef>

class CGalleryActivity : public CGalleryRecord<CGalleryActivity>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryActivity **out);
    static void DeleteInstance(CGalleryActivity **inOut);
    [[nodiscard]] HRESULT Initialize();
    void Finalize();
    // Destroys files and child activities; keeps the metadata.
    void Dispose();
    [[nodiscard]] HRESULT PerformSanityChecks(bool deep) const;

    CGalleryActivity *GetParent() const { return m_parent; }
    void SetParent(CGalleryActivity *parent) { m_parent = parent; }
    CGalleryOrganization *GetOrganization() const { return m_organization; }
    void SetOrganization(CGalleryOrganization *organization) { m_organization = organization; }
    CGalleryFileCollection *GetFiles() const { return m_files; }
    CGalleryActivityCollection *GetActivities() const { return m_activities; }
    CGalleryManifest *GetManifest() const;

    // Files and activities of the whole subtree (this activity excluded from the activity count).
    uint32_t GetTotalFilesCount() const;
    uint32_t GetTotalActivitiesCount() const;
    // True when neither this activity nor any descendant has files.
    bool IsEmpty() const;
    // This activity or a descendant with that identifier, depth first.
    CGalleryActivity *FindActivity(const wchar_t *identifier);
    static void RecursiveSetOrganization(CGalleryActivity *activity, CGalleryOrganization *organization);

    CGalleryObject m_object;
    CGalleryActivity *m_parent;
    CGalleryOrganization *m_organization;
    CGalleryFileCollection *m_files;
    CGalleryActivityCollection *m_activities;
};
static_assert(std::is_standard_layout_v<CGalleryActivity>);
static_assert(offsetof(CGalleryActivity, m_object) == 0);
static_assert(sizeof(CGalleryActivity) == 48);

class CGalleryActivityCollection : public CGalleryRecordArray<CGalleryActivity>
{
  public:
    [[nodiscard]] static HRESULT CreateInstance(CGalleryActivityCollection **out)
    {
        return CreateGalleryCollection(out);
    }
    static void DeleteInstance(CGalleryActivityCollection **inOut) { DeleteGalleryCollection(inOut); }
};
static_assert(std::is_standard_layout_v<CGalleryActivityCollection>);
using CGalleryActivityEnumerator = CGalleryActivityCollection::Enumerator;
