// Gallery organization records.
#include "gallery/records/GalleryOrganization.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryRecordAlloc_p.h"
#include "gallery/records/GalleryStringCollection.h"

HRESULT CGalleryOrganization::CreateInstance(CGalleryOrganization **out)
{
    return CreateGalleryRecord(out);
}
void CGalleryOrganization::DeleteInstance(CGalleryOrganization **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryOrganization::Initialize()
{
    m_object.m_type = eGalleryObjectTypeOrganization;
    HRESULT hr = CGalleryMetadata::CreateInstance(&m_object.m_metadata);
    if (SUCCEEDED(hr)) hr = CGalleryStringCollection::CreateInstance(&m_languages);
    if (SUCCEEDED(hr)) hr = CGalleryActivityCollection::CreateInstance(&m_activities);
    return hr;
}

void CGalleryOrganization::Finalize()
{
    Dispose();
    CGalleryActivityCollection::DeleteInstance(&m_activities);
    CGalleryStringCollection::DeleteInstance(&m_languages);
    CGalleryMetadata::DeleteInstance(&m_object.m_metadata);
}

void CGalleryOrganization::Dispose()
{
    if (m_activities) m_activities->Dispose();
    if (m_languages) m_languages->Clear();
}

HRESULT CGalleryOrganization::PerformSanityChecks(bool deep) const
{
    if (m_object.m_type != eGalleryObjectTypeOrganization || !m_object.m_metadata || !m_languages || !m_activities)
        return E_FAIL;
    if (!deep) return S_OK;
    HRESULT hr = m_object.m_metadata->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_languages->PerformSanityChecks(true);
    if (SUCCEEDED(hr)) hr = m_activities->PerformSanityChecks(true);
    return hr;
}

uint32_t CGalleryOrganization::GetTotalFilesCount() const
{
    uint32_t total = 0;
    for (uint32_t i = 0; i < m_activities->GetCount(); ++i)
        total += m_activities->GetAt(i)->GetTotalFilesCount();
    return total;
}

CGalleryActivity *CGalleryOrganization::FindActivity(const wchar_t *identifier) const
{
    for (uint32_t i = 0; i < m_activities->GetCount(); ++i)
        if (CGalleryActivity *found = m_activities->GetAt(i)->FindActivity(identifier)) return found;
    return nullptr;
}
