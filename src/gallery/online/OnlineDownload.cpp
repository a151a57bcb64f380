#include "gallery/online/OnlineDownload.h"

#include "gallery/facade/GalleryHooks.h"
#include "support/DirectoryManipulator.h"
#include "support/KeldaPath.h"

#include <fstream>

namespace
{

// A private folder for one fetch (the downloader leaves its state files beside the file), removed
// with everything in it when the object goes.
class CFetchFolder
{
  public:
    CFetchFolder()
        : m_path(CKeldaDirectoryPath::CreateTempDirectory(CKeldaDirectoryPath::GetTempFileDirectoryPath(), L"online"))
    {
    }
    ~CFetchFolder()
    {
        // A folder left behind is only litter in the temporary directory.
        if (!m_path.IsEmptyPath()) (void)CDirectoryManipulator::RemoveDirectoryAndContents(m_path);
    }
    const CKeldaDirectoryPath &path() const { return m_path; }

  private:
    CKeldaDirectoryPath m_path;
};

} // namespace

HRESULT OnlineDownload::FetchTo(const CAtlString &url, const CAtlString &target, bool &askedForAuthentication)
{
    askedForAuthentication = false;
    if (url.empty() || target.empty()) return E_INVALIDARG;
    return SUCCEEDED(CGalleryHooks::Download(url, target, askedForAuthentication)) ? S_OK : E_ABORT;
}

HRESULT OnlineDownload::Fetch(const CAtlString &url, const wchar_t *suffix, size_t limit, std::string &bytes,
                              bool &askedForAuthentication)
{
    bytes.clear();
    askedForAuthentication = false;
    const CFetchFolder folder;
    if (folder.path().IsEmptyPath()) return E_FAIL;
    const CKeldaFilePath file = folder.path().CreateFilePath(CAtlString(L"document") + suffix);
    const HRESULT hr = FetchTo(url, file.GetFilePathString(), askedForAuthentication);
    if (FAILED(hr)) return hr;

    std::ifstream in(file.GetFilePathStringA_UTF8(), std::ios::binary);
    if (!in) return E_FAIL;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > limit) return E_FAIL;
    in.seekg(0);
    bytes.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(bytes.data(), size)) {
        bytes.clear();
        return E_FAIL;
    }
    return S_OK;
}
