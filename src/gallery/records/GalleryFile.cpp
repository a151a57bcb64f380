// Gallery file records and their collection.
#include "gallery/records/GalleryFile.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "gallery/records/GalleryRecordAlloc_p.h"

#include <algorithm>

HRESULT CGalleryFile::CreateInstance(CGalleryFile **out)
{
    return CreateGalleryRecord(out);
}
void CGalleryFile::DeleteInstance(CGalleryFile **inOut)
{
    DeleteGalleryRecord(inOut);
}

HRESULT CGalleryFile::Initialize()
{
    m_object.m_type = eGalleryObjectTypeFile;
    m_href = CGallery::EmptyString;
    return CGalleryMetadata::CreateInstance(&m_object.m_metadata);
}

void CGalleryFile::Finalize()
{
    Dispose();
    CGalleryMetadata::DeleteInstance(&m_object.m_metadata);
}

void CGalleryFile::Dispose()
{
    CGallery::FreeString(&m_href);
}

HRESULT CGalleryFile::PerformSanityChecks(bool deep) const
{
    if (m_object.m_type != eGalleryObjectTypeFile || !m_object.m_metadata) return E_FAIL;
    if (FAILED(CGallery::CheckStringSanity(m_href))) return E_FAIL;
    return deep ? m_object.m_metadata->PerformSanityChecks(true) : S_OK;
}

HRESULT CGalleryFile::SetHref(const wchar_t *href)
{
    return CGallery::AllocateString(href, &m_href);
}

CGalleryOrganization *CGalleryFile::GetOrganization() const
{
    return m_parent ? m_parent->GetOrganization() : nullptr;
}

CGalleryManifest *CGalleryFile::GetManifest() const
{
    return m_parent ? m_parent->GetManifest() : nullptr;
}

bool CGalleryFile::GetOrganizationReadOnly() const
{
    const CGalleryOrganization *organization = GetOrganization();
    return organization && organization->GetReadOnly();
}

CKeldaFilePath CGalleryFile::GetHrefFilePath() const
{
    const CGalleryManifest *manifest = GetManifest();
    if (CGallery::IsEmptyString(m_href) || !manifest || CGallery::IsEmptyString(manifest->GetXmlPath()))
        return CKeldaDirectoryPath::GetTempFileDirectoryPath().CreateFilePath(L"filenotfound.galleryitem");
    return manifest->GetContentDirectoryPath().CreateFilePath(m_href);
}

void CGalleryFileCollection::Sort()
{
    std::stable_sort(m_items, m_items + m_count, [](const CGalleryFile *a, const CGalleryFile *b) {
        return CGallery::CompareStrings(a->GetTitle(), b->GetTitle()) < 0;
    });
}
