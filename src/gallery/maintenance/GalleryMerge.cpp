// Installing a gallery into a destination manifest (merge plus uninstall record) and removing it again
// (un-merge plus deleting the files nobody references any more).
#include "gallery/maintenance/GalleryMerge_p.h"

#include "gallery/facade/Gallery.h"
#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/manifest/GalleryArchive_p.h"
#include "gallery/manifest/GalleryFileOps_p.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"
#include "support/FileManipulator.h"
#include "support/Limits.h"
#include "support/SaveFile.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace GalleryMerge
{

HRESULT ReplaceTexts(CGalleryMetadata *destination, const CGalleryMetadata *source)
{
    HRESULT hr = destination->GetKeywords()->CopyFrom(source->GetKeywords());
    if (SUCCEEDED(hr)) hr = destination->GetTitle()->CopyFrom(source->GetTitle());
    return hr;
}

namespace
{

// A file of the destination takes the source file's href, keywords, title, format and sort override.
HRESULT UpdateFile(CGalleryFile *destination, const CGalleryFile *source)
{
    CGalleryMetadata *d = destination->GetMetadata();
    const CGalleryMetadata *s = source->GetMetadata();
    HRESULT hr = destination->SetHref(source->GetHref());
    if (SUCCEEDED(hr)) hr = ReplaceTexts(d, s);
    if (SUCCEEDED(hr)) hr = d->SetFormat(s->GetFormat());
    if (SUCCEEDED(hr)) hr = d->SetSortOverride(s->GetSortOverride());
    return hr;
}

} // namespace

HRESULT MergeActivities(CGalleryActivityCollection *destination, CGalleryActivityCollection *source,
                        CGalleryOrganization *organization, CGalleryActivity *parent)
{
    for (uint32_t i = 0; i < source->GetCount();) {
        CGalleryActivity *activity = source->GetAt(i);
        CGalleryActivity *match = destination->GetByIdentifier(activity->GetIdentifier());
        if (!match) {
            HRESULT hr = destination->Add(activity);
            if (FAILED(hr)) return hr;
            source->RemoveAt(i);
            activity->SetParent(parent);
            CGalleryActivity::RecursiveSetOrganization(activity, organization);
            continue; // the next source activity is now at i
        }
        HRESULT hr = ReplaceTexts(match->GetMetadata(), activity->GetMetadata());
        if (SUCCEEDED(hr)) hr = MergeActivities(match->GetActivities(), activity->GetActivities(), organization, match);
        if (FAILED(hr)) return hr;
        CGalleryFileCollection *files = activity->GetFiles();
        for (uint32_t j = 0; j < files->GetCount();) {
            CGalleryFile *file = files->GetAt(j);
            if (CGalleryFile *existing = match->GetFiles()->GetByIdentifier(file->GetIdentifier())) {
                hr = UpdateFile(existing, file);
                if (FAILED(hr)) return hr;
                ++j;
                continue;
            }
            hr = match->GetFiles()->Add(file);
            if (FAILED(hr)) return hr;
            files->RemoveAt(j);
            file->SetParent(match);
        }
        ++i;
    }
    return S_OK;
}

bool IsContainedHref(const wchar_t *href)
{
    if (CGallery::IsEmptyString(href) || href[0] == L'/' || href[0] == L'\\') return false;
    std::wstring_view rest(href);
    while (!rest.empty()) {
        const size_t cut = rest.find_first_of(L"/\\");
        const std::wstring_view part = rest.substr(0, cut);
        if (part.empty() || part == L"." || part == L"..") return false;
        if (cut == std::wstring_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    return true;
}

} // namespace GalleryMerge

namespace
{

// Levels of activities below a collection, counted no further than cap (so the walk stays bounded).
size_t Depth(const CGalleryActivityCollection *activities, size_t cap)
{
    size_t deepest = 0;
    for (uint32_t i = 0; i < activities->GetCount() && deepest < cap; ++i)
        deepest = std::max(deepest, 1 + Depth(activities->GetAt(i)->GetActivities(), cap - 1));
    return deepest;
}

// Whether the source's activities placed below target keep the model within its depth limit.
bool FitsBelow(const CGalleryActivity *target, const CGalleryManifest *source)
{
    size_t depth = 0;
    for (const CGalleryActivity *a = target; a; a = a->GetParent())
        ++depth;
    if (depth >= Limits::kMaxActivityDepth) return false;
    const CGalleryOrganizationCollection *organizations = source->GetOrganizations();
    for (uint32_t i = 0; i < organizations->GetCount(); ++i)
        if (depth + Depth(organizations->GetAt(i)->GetActivities(), Limits::kMaxActivityDepth - depth + 1) >
            Limits::kMaxActivityDepth)
            return false;
    return true;
}

void CollectFiles(const CGalleryActivity *activity, std::unordered_set<const CGalleryFile *> &records,
                  std::set<CAtlString> &hrefs)
{
    for (uint32_t i = 0; i < activity->GetActivities()->GetCount(); ++i)
        CollectFiles(activity->GetActivities()->GetAt(i), records, hrefs);
    for (uint32_t i = 0; i < activity->GetFiles()->GetCount(); ++i) {
        const CGalleryFile *file = activity->GetFiles()->GetAt(i);
        records.insert(file);
        hrefs.insert(file->GetHref());
    }
}

// Removes from the destination list what the source list names; removed file records go to removed.
void UnMergeActivities(CGalleryActivityCollection *destination, const CGalleryActivityCollection *source,
                       std::vector<CGalleryFile *> &removed)
{
    for (uint32_t i = source->GetCount(); i-- > 0;) {
        const CGalleryActivity *activity = source->GetAt(i);
        CGalleryActivity *match = destination->GetByIdentifier(activity->GetIdentifier());
        if (!match) continue;
        if (activity->GetActivities()->GetCount() && match->GetActivities()->GetCount())
            UnMergeActivities(match->GetActivities(), activity->GetActivities(), removed);
        if (activity->GetFiles()->GetCount() && match->GetFiles()->GetCount()) {
            const CGalleryFileCollection *files = activity->GetFiles();
            for (uint32_t j = files->GetCount(); j-- > 0;) {
                const wchar_t *identifier = files->GetAt(j)->GetIdentifier();
                for (uint32_t k; (k = match->GetFiles()->IndexOf(identifier)) != CGallery::MaxIndex;) {
                    CGalleryFile *file = match->GetFiles()->GetAt(k);
                    match->GetFiles()->RemoveAt(k);
                    file->SetParent(nullptr); // its activity may go below
                    removed.push_back(file);
                }
            }
        }
        if (!match->GetFiles()->GetCount() && !match->GetActivities()->GetCount()) {
            destination->Remove(match);
            CGalleryActivity::DeleteInstance(&match);
        }
    }
}

} // namespace

HRESULT CGalleryManifest::Merge(CGalleryManifest *source, CGalleryActivity **firstActivity, CGalleryActivity *target)
{
    if (!source || source == this) return E_INVALIDARG;
    // Records inside a cache image live as long as that image's manifest: they cannot change owners.
    if (source->GetMemory()) return E_FAIL;
    if (target && !FitsBelow(target, source)) return E_FAIL;
    // The source is consumed by the merge: the files of its unpacked copy move rather than copy.
    HRESULT hr = GalleryArchive::MoveOrCopyFiles(source, GetContentDirectoryPath().GetDirectoryPathString().c_str());
    if (FAILED(hr)) return hr;
    CGalleryOrganization *firstDestination = nullptr;
    CGalleryOrganizationCollection *sources = source->GetOrganizations();
    for (uint32_t i = 0; i < sources->GetCount();) {
        CGalleryOrganization *organization = sources->GetAt(i);
        CGalleryOrganization *destination =
            target ? target->GetOrganization() : m_organizations->GetByIdentifier(organization->GetIdentifier());
        if (!destination) {
            hr = m_organizations->Add(organization);
            if (FAILED(hr)) return hr;
            sources->RemoveAt(i);
            organization->SetManifest(this);
            if (!firstDestination) firstDestination = organization;
            continue;
        }
        if (!firstDestination) firstDestination = destination;
        if (!target) hr = GalleryMerge::ReplaceTexts(destination->GetMetadata(), organization->GetMetadata());
        if (SUCCEEDED(hr))
            hr = GalleryMerge::MergeActivities(target ? target->GetActivities() : destination->GetActivities(),
                                               organization->GetActivities(), destination, target);
        if (FAILED(hr)) return hr;
        ++i;
    }
    if (firstActivity) *firstActivity = firstDestination ? firstDestination->GetActivities()->GetAt(0) : nullptr;
    return S_OK;
}

HRESULT CGalleryManifest::Install(CGalleryManifest **source, CGalleryActivity **firstActivity, CGalleryActivity *target)
{
    if (!source || !*source) return E_INVALIDARG;
    if (!GalleryFileOps::MakeDirectories(GetUninstallDirectoryPath())) return E_FAIL;
    bool reinstalled = false;
    CKeldaFilePath record;
    CAtlStringA earlier;
    if (!target) {
        // The record replaces an earlier one whole (crash-safe), so a failed copy keeps the old one.
        record = GetUninstallFilePath((*source)->GetIdentifier());
        reinstalled = record.FileExists();
        if (reinstalled && !CFileManipulator::ReadAsciiFileIntoAsciiString(record, earlier)) return E_FAIL;
        CAtlStringA document;
        if (!CFileManipulator::ReadAsciiFileIntoAsciiString(CKeldaFilePath((*source)->GetXmlPath()), document) ||
            !CSaveFile::WriteWholeFile(record, document))
            return E_FAIL;
    }
    const HRESULT hr = Merge(*source, firstActivity, target);
    if (FAILED(hr)) {
        // A failed install leaves the gallery's record as it was: the earlier one back, or none.
        if (!target) {
            if (reinstalled)
                (void)CSaveFile::WriteWholeFile(record, earlier);
            else
                (void)CFileManipulator::DeleteFile(record);
        }
        return hr;
    }
    CGalleryManifest::DeleteInstance(source);
    return reinstalled ? S_REINSTALLED : S_OK;
}

HRESULT CGalleryManifest::UnMerge(CGalleryManifest *source)
{
    if (!source || source == this) return E_INVALIDARG;
    std::vector<CGalleryFile *> removed;
    const CGalleryOrganizationCollection *sources = source->GetOrganizations();
    for (uint32_t i = sources->GetCount(); i-- > 0;) {
        const CGalleryOrganization *organization = sources->GetAt(i);
        CGalleryOrganization *destination = m_organizations->GetByIdentifier(organization->GetIdentifier());
        if (!destination) continue;
        UnMergeActivities(destination->GetActivities(), organization->GetActivities(), removed);
        if (!destination->GetActivities()->GetCount()) {
            m_organizations->Remove(destination);
            CGalleryOrganization::DeleteInstance(&destination);
        }
    }
    return DeleteUnreferencedFiles(removed, true);
}

HRESULT CGalleryManifest::Uninstall(CGalleryManifest **source)
{
    if (!source || !*source) return E_INVALIDARG;
    HRESULT hr = UnMerge(*source);
    if (FAILED(hr)) return hr;
    if (!CFileManipulator::DeleteFile(CKeldaFilePath((*source)->GetXmlPath()))) hr = E_FAIL;
    CGalleryManifest::DeleteInstance(source);
    return hr;
}

HRESULT CGalleryManifest::DeleteUnreferencedFiles(std::vector<CGalleryFile *> &files, bool destroy)
{
    std::unordered_set<const CGalleryFile *> records;
    std::set<CAtlString> hrefs;
    for (uint32_t o = 0; o < m_organizations->GetCount(); ++o) {
        const CGalleryActivityCollection *activities = m_organizations->GetAt(o)->GetActivities();
        for (uint32_t a = 0; a < activities->GetCount(); ++a)
            CollectFiles(activities->GetAt(a), records, hrefs);
    }
    std::vector<CGalleryFile *> left;
    for (CGalleryFile *file : files)
        if (file && !records.count(file)) left.push_back(file);
    files = left;
    const CKeldaDirectoryPath content = GetContentDirectoryPath();
    HRESULT hr = S_OK;
    for (CGalleryFile *file : files) {
        const wchar_t *href = file->GetHref();
        // A file another record still uses stays, and nothing outside the content directory is touched.
        // (Thumbnails are display resources of the host application; there are none here to drop.)
        if (GalleryMerge::IsContainedHref(href) && !hrefs.count(href) && !content.IsEmptyPath() &&
            !CFileManipulator::DeleteFile(content.CreateFilePath(href)))
            hr = E_FAIL;
    }
    if (destroy) {
        for (CGalleryFile *&file : files)
            CGalleryFile::DeleteInstance(&file);
        files.clear();
    }
    return hr;
}
