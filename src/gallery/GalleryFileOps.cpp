// Local file operations of the gallery layer.
#include "gallery/GalleryFileOps_p.h"

#include "support/FilePlatform.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace GalleryFileOps {

bool MakeDirectories(const CKeldaDirectoryPath &directory)
{
    if (directory.IsEmptyPath()) return false;
    std::error_code error;
    const std::filesystem::path path(directory.GetDirectoryPathStringA());
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

CKeldaDirectoryPath MakeUniqueTempDirectory(const wchar_t *prefix)
{
    const CKeldaDirectoryPath base = CKeldaDirectoryPath::GetTempFileDirectoryPath();
    if (!MakeDirectories(base)) return CKeldaDirectoryPath();
    CAtlStringA pattern = base.GetDirectoryPathStringA() + "/" + Text::ToUtf8(prefix ? prefix : L"gallery") + "XXXXXX";
    if (!::mkdtemp(pattern.data())) return CKeldaDirectoryPath();
    return CKeldaDirectoryPath::FromUtf8(pattern);
}

bool RemoveTree(const CKeldaDirectoryPath &directory)
{
    if (directory.IsEmptyPath()) return false;
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(directory.GetDirectoryPathStringA()), error);
    return !error;
}

bool CopyFileOver(const CKeldaFilePath &source, const CKeldaFilePath &target)
{
    return FilePlatform::CopyFile(source.GetFilePathString(), target.GetFilePathString(), false);
}

} // namespace GalleryFileOps
