// Operations shared by every record kind.
#include "gallery/records/GalleryObject.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"

#include <algorithm>
#include <cwchar>

const wchar_t *CGalleryObject::GetIdentifier() const
{
    return m_metadata ? m_metadata->GetIdentifier() : CGallery::EmptyString;
}

const wchar_t *CGalleryObject::GetTitle() const
{
    return m_metadata && m_metadata->GetTitle() ? m_metadata->GetTitle()->GetString() : CGallery::EmptyString;
}

CAtlString CGalleryObject::GetDisplayTitle() const
{
    const wchar_t *title = GetTitle();
    if (!CGallery::IsEmptyString(title)) return title;
    if (m_type == eGalleryObjectTypeFile) {
        const auto *file = reinterpret_cast<const CGalleryFile *>(this);
        const CAtlString name = CKeldaFilePath(file->GetHref()).GetBaseFileName();
        if (!name.empty()) return name;
    }
    return CGallery::UntitledForFilenames;
}

CGalleryManifest *CGalleryObject::GetManifest() const
{
    switch (m_type) {
    case eGalleryObjectTypeFile:
        return reinterpret_cast<const CGalleryFile *>(this)->GetManifest();
    case eGalleryObjectTypeActivity:
    case eGalleryObjectTypeFolderActivity:
        return reinterpret_cast<const CGalleryActivity *>(this)->GetManifest();
    case eGalleryObjectTypeOrganization:
        return reinterpret_cast<const CGalleryOrganization *>(this)->GetManifest();
    case eGalleryObjectTypeManifest:
    case eGalleryObjectTypeDisconnectedManifest:
        return const_cast<CGalleryManifest *>(reinterpret_cast<const CGalleryManifest *>(this));
    default:
        return nullptr;
    }
}

void CGalleryObject::GetAncestry(std::vector<const CGalleryObject *> &out) const
{
    std::vector<const CGalleryObject *> chain; // innermost first
    const CGalleryActivity *activity = nullptr;
    const CGalleryOrganization *organization = nullptr;
    switch (m_type) {
    case eGalleryObjectTypeFile:
        activity = reinterpret_cast<const CGalleryFile *>(this)->GetParent();
        break;
    case eGalleryObjectTypeActivity:
    case eGalleryObjectTypeFolderActivity: {
        const auto *self = reinterpret_cast<const CGalleryActivity *>(this);
        activity = self->GetParent();
        organization = self->GetOrganization();
        break;
    }
    case eGalleryObjectTypeOrganization:
        organization = reinterpret_cast<const CGalleryOrganization *>(this);
        break;
    default:
        return;
    }
    for (; activity; activity = activity->GetParent()) {
        chain.push_back(activity->AsObject());
        organization = activity->GetOrganization();
    }
    if (organization && m_type != eGalleryObjectTypeOrganization) chain.push_back(organization->AsObject());
    if (organization && organization->GetManifest()) chain.push_back(organization->GetManifest()->AsObject());
    out.insert(out.end(), chain.rbegin(), chain.rend());
}

uint32_t CGalleryObject::GetActions() const
{
    uint32_t actions = eGalleryObjectActionOpen | eGalleryObjectActionCopy;
    bool readOnly = false;
    switch (m_type) {
    case eGalleryObjectTypeFile:
        readOnly = reinterpret_cast<const CGalleryFile *>(this)->GetOrganizationReadOnly();
        break;
    case eGalleryObjectTypeActivity: {
        const CGalleryOrganization *organization = reinterpret_cast<const CGalleryActivity *>(this)->GetOrganization();
        readOnly = organization && organization->GetReadOnly();
        break;
    }
    case eGalleryObjectTypeOrganization:
        readOnly = reinterpret_cast<const CGalleryOrganization *>(this)->GetReadOnly();
        break;
    case eGalleryObjectTypeDisconnectedManifest:
    case eGalleryObjectTypeFolderActivity:
    case eGalleryObjectTypeRepository:
        readOnly = true;
        break;
    default:
        break;
    }
    if (!readOnly) actions |= eGalleryObjectActionRename | eGalleryObjectActionDelete | eGalleryObjectActionAddContent;
    return actions;
}

bool CGalleryObject::IsManifestObjectModelType(eGalleryObjectType type)
{
    switch (type) {
    case eGalleryObjectTypeFile:
    case eGalleryObjectTypeActivity:
    case eGalleryObjectTypeOrganization:
    case eGalleryObjectTypeManifest:
    case eGalleryObjectTypeDisconnectedManifest:
    case eGalleryObjectTypeFolderActivity:
        return true;
    default:
        return false;
    }
}

int CGalleryObject::CompareObjects(const CGalleryObject *a, const CGalleryObject *b)
{
    if (a == b) return 0;
    if (!a || !b) return a ? -1 : 1;
    const int byTitle = CGallery::CompareStrings(a->GetTitle(), b->GetTitle());
    if (byTitle) return byTitle;
    return CGallery::CompareStrings(a->GetIdentifier(), b->GetIdentifier());
}

void CGalleryObject::SortRemoveDuplicates(std::vector<CGalleryObject *> &objects)
{
    std::stable_sort(objects.begin(), objects.end(),
                     [](const CGalleryObject *a, const CGalleryObject *b) { return CompareObjects(a, b) < 0; });
    objects.erase(std::unique(objects.begin(), objects.end(),
                              [](const CGalleryObject *a, const CGalleryObject *b) {
                                  return a == b || (a && b && !CGallery::IsEmptyString(a->GetIdentifier()) &&
                                                    std::wcscmp(a->GetIdentifier(), b->GetIdentifier()) == 0);
                              }),
                  objects.end());
}
