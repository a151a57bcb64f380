// The older directory-tree gallery form: every directory is an activity, and its "galleryindex.xml"
// (content > items > record with attributes name and file) lists its item files. The records are
// read into one new organization of this manifest; hrefs are relative to the top directory.
#include "gallery/manifest/GalleryManifest.h"

#include "gallery/records/GalleryActivity.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryLanguageStringCollection.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryOrganization.h"

#include <tinyxml2.h>

namespace
{

CAtlString RelativeTo(const CKeldaDirectoryPath &root, const CKeldaFilePath &file)
{
    const CAtlString &base = root.GetDirectoryPathString();
    const CAtlString &path = file.GetFilePathString();
    if (path.size() > base.size() && path.compare(0, base.size(), base) == 0 && path[base.size()] == L'/')
        return path.substr(base.size() + 1);
    return path;
}

} // namespace

CGalleryActivity *CGalleryManifest::GetActivity(const CKeldaDirectoryPath &directory,
                                                CGalleryOrganization *organization, CGalleryActivity *parent)
{
    CGalleryActivity *activity = nullptr;
    if (FAILED(CGalleryActivity::CreateInstance(&activity))) return nullptr;
    activity->SetParent(parent);
    activity->SetOrganization(organization);
    const CAtlString name = directory.GetLastDirectoryName();
    CGalleryMetadata *metadata = activity->GetMetadata();
    // An activity without its title or identifier (out of memory) is left out.
    if (FAILED(metadata->GetTitle()->Add(CGallery::DefaultLanguage,
                                         name.empty() ? CGallery::UntitledForFilenames : name.c_str())) ||
        FAILED(metadata->SetIdentifier(CGallery::NewIdentifier(L"activity").c_str()))) {
        CGalleryActivity::DeleteInstance(&activity);
        return nullptr;
    }

    const CKeldaDirectoryPath root = GetContentDirectoryPath();
    tinyxml2::XMLDocument index;
    const CKeldaFilePath indexPath = directory.CreateFilePath(L"galleryindex.xml");
    if (indexPath.FileExists() && index.LoadFile(indexPath.GetFilePathStringA().c_str()) == tinyxml2::XML_SUCCESS) {
        const tinyxml2::XMLElement *items = index.FirstChildElement("content");
        items = items ? items->FirstChildElement("items") : nullptr;
        for (const tinyxml2::XMLElement *record = items ? items->FirstChildElement("record") : nullptr; record;
             record = record->NextSiblingElement("record")) {
            const char *fileName = record->Attribute("file");
            if (!fileName || !*fileName) continue;
            const CKeldaFilePath itemPath = directory.CreateFilePath(Text::FromUtf8(fileName));
            if (!itemPath.FileExists()) continue;
            CGalleryFile *file = nullptr;
            if (FAILED(CGalleryFile::CreateInstance(&file))) continue;
            file->SetParent(activity);
            HRESULT hr = file->SetHref(RelativeTo(root, itemPath).c_str());
            // The item's own metadata, when it carries one (an item without it keeps the defaults), then
            // the index's name as title.
            if (SUCCEEDED(hr)) (void)file->GetMetadata()->Load(itemPath.GetFilePathString().c_str());
            if (SUCCEEDED(hr) && CGallery::IsEmptyString(file->GetIdentifier()))
                hr = file->GetMetadata()->SetIdentifier(CGallery::NewIdentifier(L"file").c_str());
            const char *title = record->Attribute("name");
            if (SUCCEEDED(hr) && file->GetMetadata()->GetTitle()->IsEmpty())
                hr = file->GetMetadata()->GetTitle()->Add(CGallery::DefaultLanguage,
                                                          title ? Text::FromUtf8(title).c_str()
                                                                : itemPath.GetBaseFileName().c_str());
            if (SUCCEEDED(hr)) hr = activity->GetFiles()->Add(file);
            if (FAILED(hr)) CGalleryFile::DeleteInstance(&file);
        }
    }
    std::vector<CKeldaDirectoryPath> subdirectories;
    directory.ListSubDirectories(L"*", subdirectories, false);
    for (const CKeldaDirectoryPath &sub : subdirectories) {
        CGalleryActivity *child = GetActivity(sub, organization, activity);
        if (child && FAILED(activity->GetActivities()->Add(child))) CGalleryActivity::DeleteInstance(&child);
    }
    return activity;
}

HRESULT CGalleryManifest::OpenOldStyleManifest(const wchar_t *directoryPath)
{
    if (!directoryPath) return E_INVALIDARG;
    const CKeldaDirectoryPath directory(directoryPath);
    if (!directory.DirectoryExists()) return E_FAIL;
    HRESULT hr = S_OK;
    if (CGallery::IsEmptyString(m_xmlPath))
        hr = SetXmlPath(directory.CreateFilePath(CGallery::ImsManifestXml).GetFilePathString().c_str());
    if (FAILED(hr)) return hr;
    CGalleryOrganization *organization = nullptr;
    hr = CGalleryOrganization::CreateInstance(&organization);
    if (FAILED(hr)) return hr;
    organization->SetManifest(this);
    const CAtlString name = directory.GetLastDirectoryName();
    hr = organization->GetMetadata()->GetTitle()->Add(CGallery::DefaultLanguage,
                                                      name.empty() ? CGallery::UntitledForFilenames : name.c_str());
    if (SUCCEEDED(hr))
        hr = organization->GetMetadata()->SetIdentifier(CGallery::NewIdentifier(L"organization").c_str());
    CGalleryActivity *top = SUCCEEDED(hr) ? GetActivity(directory, organization, nullptr) : nullptr;
    if (SUCCEEDED(hr) && !top) hr = E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) hr = organization->GetActivities()->Add(top);
    if (FAILED(hr)) CGalleryActivity::DeleteInstance(&top);
    if (SUCCEEDED(hr)) hr = m_organizations->Add(organization);
    if (FAILED(hr)) CGalleryOrganization::DeleteInstance(&organization);
    return hr;
}
