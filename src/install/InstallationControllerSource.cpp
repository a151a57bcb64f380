// CInstallationController: where the source is, whether it belongs to the gallery, and the probes of
// the installation medium, the cached categories file and a remote provider.
#include "configuration/ConfigurationWrapper.h"
#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "install/GalleryInstallation.h"
#include "install/GalleryInstallationMetaObserver.h"
#include "install/InstallationController.h"
#include "support/FileManipulator.h"
#include "support/TiXmlHelper.h"

#include <tinyxml2.h>

namespace
{

bool HoldsCategoriesFile(const CKeldaDirectoryPath &directory)
{
    const CKeldaFilePath file = directory.CreateFilePath(CGalleryInstallation::CategoriesFileName);
    return file.FileExists() && !file.IsDirectory();
}

CKeldaDirectoryPath SubDirectory(CKeldaDirectoryPath directory, const wchar_t *name)
{
    directory.AddDirectoryToPath(name);
    return directory;
}

} // namespace

CKeldaDirectoryPath CInstallationController::GetDestination() const
{
    if (m_installation && m_installation->GetManifest()) {
        const CKeldaDirectoryPath content = m_installation->GetManifest()->GetContentDirectoryPath();
        if (!content.IsEmptyPath()) return content;
    }
    return ConfiguredDestination();
}

CAtlString CInstallationController::GetGuid() const
{
    return m_configuration ? m_configuration->GetGuid() : CAtlString();
}

CAtlString CInstallationController::GetGalleryName() const
{
    return m_configuration ? m_configuration->GetGalleryName() : CAtlString();
}

CAtlString CInstallationController::GetDefaultSource() const
{
    return m_configuration ? m_configuration->GetDefaultSource() : CAtlString();
}

bool CInstallationController::SetSource(const CAtlString &path)
{
    const CKeldaDirectoryPath found = FindSourcePath(CKeldaDirectoryPath(path), GetGalleryName());
    if (!found.IsEmptyPath() &&
        CheckSource(found.CreateFilePath(CGalleryInstallation::CategoriesFileName), GetGuid())) {
        m_source = found.GetDirectoryPathString();
        return true;
    }
    m_source = GetDefaultSource();
    return false;
}

CKeldaDirectoryPath CInstallationController::FindSourcePath(const CKeldaDirectoryPath &directory,
                                                            CAtlString galleryName)
{
    if (directory.IsEmptyPath() || !directory.DirectoryExists()) return CKeldaDirectoryPath();
    if (HoldsCategoriesFile(directory)) return directory;
    const CKeldaDirectoryPath data = SubDirectory(directory, CGalleryInstallation::DataDirectoryName);
    if (HoldsCategoriesFile(data)) return data;
    if (galleryName.empty()) return CKeldaDirectoryPath();

    const CAtlString legalName = CKeldaFilePath::MakeNameLegal(galleryName);
    std::vector<CKeldaDirectoryPath> subDirectories;
    directory.ListSubDirectories(L"*", subDirectories);
    for (const CKeldaDirectoryPath &subDirectory : subDirectories) {
        if (!Text::EqualsNoCase(subDirectory.GetLastDirectoryName(), legalName)) continue;
        const CKeldaDirectoryPath candidate = SubDirectory(subDirectory, CGalleryInstallation::DataDirectoryName);
        if (HoldsCategoriesFile(candidate)) return candidate;
    }
    return CKeldaDirectoryPath();
}

bool CInstallationController::CheckSource(const CKeldaFilePath &categoriesFile, const CAtlString &guid)
{
    tinyxml2::XMLDocument document;
    if (!TiXmlHelper::InitializeTiXmlDocumentFromFile(document, categoriesFile.GetFilePathString())) return false;
    const tinyxml2::XMLElement *root = document.RootElement();
    if (!root) return false;
    const tinyxml2::XMLElement *categories = root->FirstChildElement("categories");
    if (!categories) return false;
    const char *id = categories->Attribute("id");
    if (id && *id) return Text::FromUtf8(id) == guid;
    const tinyxml2::XMLElement *category = categories->FirstChildElement("category");
    if (!category) return false;
    const char *categoryId = category->Attribute("id");
    CAtlString domain;
    if (!CGalleryExtensionInfo::GetDomainFromIdentifier(Text::FromUtf8(categoryId ? categoryId : ""), domain))
        return false;
    return domain == guid;
}

bool CInstallationController::IsOnCD() const
{
    const CKeldaDirectoryPath application(CGallery::GetApplicationDirectoryPath());
    return HoldsCategoriesFile(SubDirectory(application, CGalleryInstallation::DataDirectoryName));
}

bool CInstallationController::CanWorkOffline() const
{
    const CKeldaDirectoryPath destination = ConfiguredDestination();
    if (destination.IsEmptyPath()) return false;
    return HoldsCategoriesFile(SubDirectory(destination, L"Uninstall"));
}

bool CInstallationController::IsWorkingOffline() const
{
    return !CGalleryInstallation::IsBaseUrl(m_source.c_str());
}

bool CInstallationController::CheckRemoteGalleryProvider()
{
    return CheckRemoteGalleryProvider(m_source);
}

bool CInstallationController::CheckRemoteGalleryProvider(CAtlString url)
{
    if (url.empty() || !CGalleryInstallation::IsBaseUrl(url.c_str())) return false;
    while (!url.empty() && url.back() == L'/')
        url.pop_back();
    url += L"/";
    url += CGalleryInstallation::CategoriesFileName;

    const CKeldaFilePath target = CKeldaFilePath::CreateTempFileName(L".xml");
    if (target.IsEmptyPath()) return false;
    CGalleryInstallationMetaObserver observer; // no progress observer
    observer.SetProxyObserver(m_proxyObserver);
    CAtlString localPath;
    bool downloaded = false;
    const HRESULT hr = CGalleryInstallation::Download(url, target, CGalleryInstallation::CategoriesFileName, &observer,
                                                      nullptr, 0, localPath, downloaded);
    // Only the answer matters: the probe leaves nothing behind, neither its copy nor the downloader's
    // partial and state files beside it.
    const CAtlString probe = target.GetFilePathString();
    for (const wchar_t *suffix : {L"", L".part", L".st"})
        (void)CFileManipulator::DeleteFile(CKeldaFilePath(probe + suffix));
    if (!localPath.empty() && CKeldaFilePath(localPath) != target)
        (void)CFileManipulator::DeleteFile(CKeldaFilePath(localPath));
    return hr == S_OK;
}

void CInstallationController::AllowAuthorizationDialog(bool allow)
{
    CGalleryInstallation::SetPromptForDownloadAuthenticationInformation(allow);
}
