// Fetching one file of a source: from a URL base into a directory, or in place from a directory base.
#include "install/GalleryInstallation.h"

#include "gallery/facade/Gallery.h"
#include "net/QtGalleryDownload.h"
#include "support/DirectoryManipulator.h"
#include "support/ZipHelper.h"

namespace
{

// The name as a path below the base, or empty when it is not a plain relative name (absolute, an empty,
// "." or ".." component, NUL, a backslash): a source never makes the engine read or write elsewhere.
CAtlString SafeSourceName(const CAtlString &fileName)
{
    if (fileName.find(L'\\') != CAtlString::npos) return CAtlString();
    return CZipHelper::SafeRelativePath(fileName);
}

// A local observer for the overload that is given a plain installation observer.
class CForwardingMetaObserver : public CGalleryInstallationMetaObserver
{
  public:
    explicit CForwardingMetaObserver(IGalleryInstallationObserver *observer) { SetObserver(observer); }
};

} // namespace

HRESULT CGalleryInstallation::Download(const CAtlString &fileName, CAtlString &localPath, bool &downloaded,
                                       CGalleryInstallationItem *item, int overall)
{
    return Download(m_base, fileName, m_tempDir, &m_metaObserver, item, overall, localPath, downloaded);
}

HRESULT CGalleryInstallation::Download(const CAtlString &base, const CAtlString &fileName,
                                       const CKeldaDirectoryPath &directory, IGalleryInstallationObserver *observer,
                                       CGalleryInstallationItem *item, int overall, CAtlString &localPath,
                                       bool &downloaded)
{
    CForwardingMetaObserver meta(observer);
    return Download(base, fileName, directory, &meta, item, overall, localPath, downloaded);
}

HRESULT CGalleryInstallation::Download(const CAtlString &base, const CAtlString &fileName,
                                       const CKeldaDirectoryPath &directory, CGalleryInstallationMetaObserver *observer,
                                       CGalleryInstallationItem *item, int overall, CAtlString &localPath,
                                       bool &downloaded)
{
    localPath.clear();
    downloaded = false;
    if (fileName.empty() || base.empty() || directory.IsEmptyPath()) return E_INVALIDARG;
    const CAtlString relative = SafeSourceName(fileName);
    if (relative.empty()) return E_FAIL;

    if (!IsBaseUrl(base.c_str())) {
        localPath = CKeldaDirectoryPath(base).CreateFilePath(relative).GetFilePathString();
        return S_OK;
    }
    CAtlString url = base;
    while (!url.empty() && url.back() == L'/')
        url.pop_back();
    url += L"/";
    url += CGallery::EncodeFileURI(relative.c_str(), L"");
    const CKeldaFilePath target = directory.CreateFilePath(relative);
    return Download(url, target, fileName, observer, item, overall, localPath, downloaded);
}

HRESULT CGalleryInstallation::DownloadForGallery(const CAtlString &url, const CAtlString &targetPath,
                                                 bool &askedForAuthentication)
{
    askedForAuthentication = false;
    CAtlString localPath;
    bool downloaded = false;
    return Download(url, CKeldaFilePath(targetPath), url, nullptr, nullptr, 0, localPath, downloaded);
}

HRESULT CGalleryInstallation::Download(const CAtlString &url, const CKeldaFilePath &target, const CAtlString &text,
                                       CGalleryInstallationMetaObserver *observer, CGalleryInstallationItem *item,
                                       int overall, CAtlString &localPath, bool &downloaded)
{
    localPath = target.GetFilePathString();
    downloaded = false;
    if (url.empty() || target.IsEmptyPath()) return E_INVALIDARG;
    if (observer)
        observer->InstallationProgress(eGalleryInstallationProgressDownloading, item, text.c_str(), 0, overall);
    HRESULT hr = CDirectoryManipulator::CreateDirectory(target.GetDirectoryPath()) ? S_OK : E_FAIL;
    if (SUCCEEDED(hr)) hr = QtGalleryDownload(url, target.GetFilePathString(), observer);
    if (observer)
        observer->InstallationProgress(eGalleryInstallationProgressDownloading, item, text.c_str(), 100, overall);
    downloaded = SUCCEEDED(hr);
    return hr;
}
