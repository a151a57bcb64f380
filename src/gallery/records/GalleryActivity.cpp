// Gallery activity records.
#include "gallery/records/GalleryActivity.h"

#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

HRESULT CGalleryActivity::CreateInstance(CGalleryActivity **out)
{
    return CreateGalleryRecord(out);
}
void CGalleryActivity::DeleteInstance(CGalleryActivity **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryActivity::Initialize()
{
    m_object.m_type = eGalleryObjectTypeActivity;
    HRESULT hr = CGalleryMetadata::CreateInstance(&m_object.m_metadata);
    if (SUCCEEDED(hr)) hr = CGalleryFileCollection::CreateInstance(&m_files);
    if (SUCCEEDED(hr)) hr = CGalleryActivityCollection::CreateInstance(&m_activities);
    return hr;
}

void CGalleryActivity::Finalize()
{
    Dispose();
    CGalleryFileCollection::DeleteInstance(&m_files);
    CGalleryActivityCollection::DeleteInstance(&m_activities);
    CGalleryMetadata::DeleteInstance(&m_object.m_metadata);
}

void CGalleryActivity::Dispose()
{
    if (m_files) m_files->Dispose();
    if (m_activities) m_activities->Dispose();
}

HRESULT CGalleryActivity::PerformSanityChecks(bool deep) const
{
    if ((m_object.m_type != eGalleryObjectTypeActivity && m_object.m_type != eGalleryObjectTypeFolderActivity) ||
        !m_object.m_metadata || !m_files || !m_activities)
        return E_FAIL;
    if (!deep) return S_OK;
    HRESULT hr = m_object.m_metadata->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_files->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_activities->PerformSanityChecks(true);
    return hr;
}

CGalleryManifest *CGalleryActivity::GetManifest() const
{
    return m_organization ? m_organization->GetManifest() : nullptr;
}

uint32_t CGalleryActivity::GetTotalFilesCount() const
{
    uint32_t total = m_files->GetCount();
    for (uint32_t i = 0; i < m_activities->GetCount(); ++i)
        total += m_activities->GetAt(i)->GetTotalFilesCount();
    return total;
}

uint32_t CGalleryActivity::GetTotalActivitiesCount() const
{
    uint32_t total = m_activities->GetCount();
    for (uint32_t i = 0; i < m_activities->GetCount(); ++i)
        total += m_activities->GetAt(i)->GetTotalActivitiesCount();
    return total;
}

bool CGalleryActivity::IsEmpty() const
{
    if (m_files->GetCount()) return false;
    for (uint32_t i = 0; i < m_activities->GetCount(); ++i)
        if (!m_activities->GetAt(i)->IsEmpty()) return false;
    return true;
}

CGalleryActivity *CGalleryActivity::FindActivity(const wchar_t *identifier)
{
    if (!identifier) return nullptr;
    if (CGallery::CompareStrings(GetIdentifier(), identifier) == 0) return this;
    for (uint32_t i = 0; i < m_activities->GetCount(); ++i)
        if (CGalleryActivity *found = m_activities->GetAt(i)->FindActivity(identifier)) return found;
    return nullptr;
}

void CGalleryActivity::RecursiveSetOrganization(CGalleryActivity *activity, CGalleryOrganization *organization)
{
    if (!activity) return;
    activity->m_organization = organization;
    for (uint32_t i = 0; i < activity->m_activities->GetCount(); ++i)
        RecursiveSetOrganization(activity->m_activities->GetAt(i), organization);
}
