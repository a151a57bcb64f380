// The installation's life: creation with its private temporary directory, opening a destination and
// reading the categories file into items, the item list and the download-only mode.
#include "install/GalleryInstallation.h"

#include "gallery/manifest/GalleryManifest.h"
#include "gallery/maintenance/GalleryInstalledManifest.h"
#include "install/GalleryInstallationItem.h"
#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"
#include "support/TiXmlHelper.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cwchar>

const wchar_t *const CGalleryInstallation::CategoriesFileName = L"gallery_categories.xml";
const wchar_t *const CGalleryInstallation::DataDirectoryName = L"Gallery Data Files";

CGalleryInstallation::CGalleryInstallation()
{
    m_metaObserver.SetCancelFlag(&m_cancel);
}

CGalleryInstallation::~CGalleryInstallation() = default;

HRESULT CGalleryInstallation::CreateInstance(CGalleryInstallation **out)
{
    if (!out || *out) return E_INVALIDARG;
    auto *installation = new (std::nothrow) CGalleryInstallation();
    if (!installation) return E_OUTOFMEMORY;
    const HRESULT hr = installation->Initialize();
    if (FAILED(hr)) {
        installation->Finalize();
        delete installation;
        return hr;
    }
    *out = installation;
    return S_OK;
}

void CGalleryInstallation::DeleteInstance(CGalleryInstallation **inOut)
{
    if (!inOut || !*inOut) return;
    (*inOut)->Finalize();
    delete *inOut;
    *inOut = nullptr;
}

HRESULT CGalleryInstallation::Initialize()
{
    const CKeldaDirectoryPath created =
        CKeldaDirectoryPath::CreateTempDirectory(CKeldaDirectoryPath::GetTempFileDirectoryPath(), L"gallery");
    if (created.IsEmptyPath()) return E_FAIL;
    m_tempDir = created;
    m_ownsTempDir = true;
    return S_OK;
}

void CGalleryInstallation::Finalize()
{
    DeleteItems();
    if (!m_downloadOnly && m_ownsTempDir && !m_tempDir.IsEmptyPath())
        (void)CDirectoryManipulator::RemoveDirectoryAndContents(m_tempDir);
    m_ownsTempDir = false;
    if (m_manifest) {
        m_manifest->Dispose();
        CGalleryManifest::DeleteInstance(&m_manifest);
    }
}

void CGalleryInstallation::DeleteItems()
{
    for (CGalleryInstallationItem *&item : m_items)
        CGalleryInstallationItem::DeleteInstance(&item);
    m_items.clear();
}

HRESULT CGalleryInstallation::Open(const CKeldaDirectoryPath &destination, const CAtlString &base, bool refresh)
{
    if (m_manifest) return E_FAIL;
    HRESULT hr = CGalleryManifest::CreateInstance(&m_manifest);
    if (FAILED(hr)) return hr;
    hr = m_manifest->Open(destination.CreateFilePath(L"imsmanifest.xml").GetFilePathString().c_str());
    if (FAILED(hr)) {
        CGalleryManifest::DeleteInstance(&m_manifest);
        return hr;
    }

    m_base = base;
    m_categoriesPath = m_manifest->GetUninstallDirectoryPath().CreateFilePath(CategoriesFileName);
    if (!refresh && m_categoriesPath.FileExists()) return Reopen();

    CAtlString fetched;
    bool downloaded = false;
    hr = Download(CategoriesFileName, fetched, downloaded);
    // A local source without the file is a failed fetch too.
    if (SUCCEEDED(hr) && !CKeldaFilePath(fetched).FileExists()) hr = E_FAIL;
    if (SUCCEEDED(hr)) {
        const CKeldaFilePath source(fetched);
        bool cached = source.IsEqualPath(m_categoriesPath);
        if (!cached && CDirectoryManipulator::CreateDirectory(m_categoriesPath.GetDirectoryPath()))
            cached = CFileManipulator::CopyFileTo(source, m_categoriesPath, false); // replaces in one step
        if (!cached) {
            // The fresh copy is read from where it was fetched rather than a stale cached one.
            m_categoriesPath = source;
        } else if (downloaded) {
            DeleteDownload(fetched);
        }
    }
    if (!m_categoriesPath.FileExists() && FAILED(hr)) return hr;
    return Reopen();
}

HRESULT CGalleryInstallation::Reopen()
{
    if (!m_manifest) return E_FAIL;
    NotifyObserver(eGalleryInstallationProgressReading, nullptr, CategoriesFileName, 0, 0);
    DeleteItems();
    CGalleryInstalledManifestMap installed;
    HRESULT hr = m_manifest->GetInstalledManifests(installed);
    if (FAILED(hr)) return hr;

    tinyxml2::XMLDocument document;
    if (!TiXmlHelper::InitializeTiXmlDocumentFromFile(document, m_categoriesPath.GetFilePathString())) return E_FAIL;
    const tinyxml2::XMLElement *root = document.RootElement();
    const tinyxml2::XMLElement *categories = root ? root->FirstChildElement("categories") : nullptr;
    if (!categories) return E_FAIL;
    for (const tinyxml2::XMLElement *category = categories->FirstChildElement(); category;
         category = category->NextSiblingElement()) {
        CGalleryInstallationItem *item = nullptr;
        hr = CGalleryInstallationItem::CreateInstance(&item);
        if (FAILED(hr)) return hr;
        m_items.push_back(item);
        hr = item->Load(category, installed);
        if (FAILED(hr)) return hr;
    }
    if (const tinyxml2::XMLElement *mandatory = root->FirstChildElement("mandatory")) {
        if (const tinyxml2::XMLElement *removals = mandatory->FirstChildElement("removals")) {
            for (const tinyxml2::XMLElement *removal = removals->FirstChildElement(); removal;
                 removal = removal->NextSiblingElement()) {
                const char *id = removal->Attribute("id");
                if (!id || !*id) continue;
                const CAtlString identifier = Text::FromUtf8(id);
                // A re-read adds nothing twice.
                if (std::find(m_mandatoryRemovals.begin(), m_mandatoryRemovals.end(), identifier) ==
                    m_mandatoryRemovals.end())
                    m_mandatoryRemovals.push_back(identifier);
            }
        }
    }
    NotifyObserver(eGalleryInstallationProgressReading, nullptr, CategoriesFileName, 100, 0);
    return S_OK;
}

CGalleryInstallationItem *CGalleryInstallation::GetAt(size_t index) const
{
    return index < m_items.size() ? m_items[index] : nullptr;
}

CGalleryInstallationItem *CGalleryInstallation::GetByIdentifier(const wchar_t *identifier) const
{
    if (!identifier) return nullptr;
    for (CGalleryInstallationItem *item : m_items)
        if (item->GetIdentifier() == identifier) return item;
    return nullptr;
}

void CGalleryInstallation::NotifyObserver(eGalleryInstallationProgress kind, CGalleryInstallationItem *item,
                                          const wchar_t *text, int percent, int overall)
{
    m_metaObserver.InstallationProgress(kind, item, text ? text : L"", percent, overall);
}

void CGalleryInstallation::SetDownloadOnly(const CKeldaDirectoryPath &directory)
{
    // The private temporary directory is no longer needed once downloads go elsewhere.
    if (m_ownsTempDir && !m_tempDir.IsEmptyPath() && m_tempDir != directory)
        (void)CDirectoryManipulator::RemoveDirectoryAndContents(m_tempDir);
    m_ownsTempDir = false;
    m_downloadOnly = true;
    m_tempDir = directory;
}

void CGalleryInstallation::ClearDownloadOnly(const CAtlString &directory)
{
    m_downloadOnly = false;
    m_tempDir = CKeldaDirectoryPath(directory);
    // It is the temporary directory from now on and goes at destruction.
    m_ownsTempDir = !m_tempDir.IsEmptyPath();
}
