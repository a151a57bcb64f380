// Archive steps of the manifest on the support layer's ZIP helper. Unpacking runs inside the code-page
// scope of the archive, so a registered provider can prepare the decoding of non-UTF-8 names.
#include "gallery/manifest/GalleryArchive_p.h"

#include "support/GalleryZipArchiveOEMCPHelper.h"
#include "support/ZipHelper.h"

#include <vector>

namespace GalleryArchive
{

bool UnzipToFolder(const CKeldaFilePath &archive, const CKeldaDirectoryPath &folder)
{
    CGalleryZipArchiveOEMCPHelper scope(archive);
    return CZipHelper::UnzipToFolder(archive, folder);
}

bool ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archive)
{
    return CZipHelper::ZipFolderToFile(folder, archive);
}

bool UnzipToMemory(const CKeldaFilePath &archive, const CAtlString &entryName, std::string &data)
{
    CGalleryZipArchiveOEMCPHelper scope(archive);
    std::vector<char> bytes;
    if (!CZipHelper::UnzipToMemory(archive, entryName, bytes)) return false;
    data.assign(bytes.begin(), bytes.end());
    return true;
}

bool ReplaceFileInArchive(const CKeldaFilePath &archive, const CAtlString &entryName, const CKeldaFilePath &file)
{
    return CZipHelper::ReplaceFileInArchive(archive, entryName, file);
}

} // namespace GalleryArchive
