// Archive steps of the manifest on the support layer's ZIP helper. Unpacking runs inside the code-page
// scope of the archive, so a registered provider can prepare the decoding of non-UTF-8 names.
#include "gallery/manifest/GalleryArchive_p.h"

#include "gallery/manifest/GalleryFileOps_p.h"
#include "support/GalleryZipArchiveOEMCPHelper.h"
#include "support/ZipHelper.h"

#include <map>
#include <mutex>
#include <vector>

namespace
{

// Manifests are plain records (their layout is that of the cache image), so the unpacked copies are
// kept beside them, keyed by the manifest's address.
std::mutex g_unpackedMutex;
std::map<const CGalleryManifest *, CKeldaDirectoryPath> &UnpackedCopies()
{
    static auto *copies = new std::map<const CGalleryManifest *, CKeldaDirectoryPath>();
    return *copies;
}

// Takes the manifest's copy out of the table; an empty path when it has none.
CKeldaDirectoryPath TakeUnpackedCopy(const CGalleryManifest *manifest)
{
    const std::lock_guard<std::mutex> lock(g_unpackedMutex);
    auto &copies = UnpackedCopies();
    const auto found = copies.find(manifest);
    if (found == copies.end()) return CKeldaDirectoryPath();
    CKeldaDirectoryPath folder = found->second;
    copies.erase(found);
    return folder;
}

} // namespace

namespace GalleryArchive
{

void AdoptUnpackedCopy(const CGalleryManifest *manifest, const CKeldaDirectoryPath &folder)
{
    const CKeldaDirectoryPath earlier = TakeUnpackedCopy(manifest);
    if (!earlier.IsEmptyPath() && earlier.GetDirectoryPathString() != folder.GetDirectoryPathString())
        (void)GalleryFileOps::RemoveTree(earlier); // a left-over temporary folder changes nothing
    const std::lock_guard<std::mutex> lock(g_unpackedMutex);
    UnpackedCopies()[manifest] = folder;
}

void RemoveUnpackedCopy(const CGalleryManifest *manifest)
{
    const CKeldaDirectoryPath folder = TakeUnpackedCopy(manifest);
    if (!folder.IsEmptyPath()) (void)GalleryFileOps::RemoveTree(folder); // a left-over temporary folder changes nothing
}

CKeldaDirectoryPath UnpackedCopyOf(const CGalleryManifest *manifest)
{
    const std::lock_guard<std::mutex> lock(g_unpackedMutex);
    const auto &copies = UnpackedCopies();
    const auto found = copies.find(manifest);
    return found == copies.end() ? CKeldaDirectoryPath() : found->second;
}

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
