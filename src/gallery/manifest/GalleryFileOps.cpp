// Local file operations of the gallery layer, on the support layer's directory operations.
#include "gallery/manifest/GalleryFileOps_p.h"

#include "support/DirectoryManipulator.h"
#include "support/FileManipulator.h"

namespace GalleryFileOps
{

bool MakeDirectories(const CKeldaDirectoryPath &directory)
{
    return !directory.IsEmptyPath() && CDirectoryManipulator::CreateDirectory(directory);
}

CKeldaDirectoryPath MakeUniqueTempDirectory(const wchar_t *prefix)
{
    return CKeldaDirectoryPath::CreateTempDirectory(CKeldaDirectoryPath::GetTempFileDirectoryPath(),
                                                    prefix ? prefix : L"gallery");
}

bool RemoveTree(const CKeldaDirectoryPath &directory)
{
    return !directory.IsEmptyPath() && CDirectoryManipulator::RemoveDirectoryAndContents(directory);
}

bool CopyFileOver(const CKeldaFilePath &source, const CKeldaFilePath &target)
{
    return CFileManipulator::CopyFileTo(source, target, false);
}

} // namespace GalleryFileOps
