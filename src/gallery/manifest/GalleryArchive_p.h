// The archive steps of opening and saving ".gallery" files and item files, on the support layer's ZIP helper.
#pragma once

#include "support/KeldaPath.h"
#include "support/Result.h"

class CGalleryManifest;

namespace GalleryArchive
{

// The unpacked copy of a ".gallery" or ".zip" archive belongs to the manifest that opened it, which
// reads its files until it is destroyed. Adopting a new copy removes the manifest's earlier one.
void AdoptUnpackedCopy(const CGalleryManifest *manifest, const CKeldaDirectoryPath &folder);
// Removes the manifest's unpacked copy with everything in it, if it has one.
void RemoveUnpackedCopy(const CGalleryManifest *manifest);
// The folder of the manifest's unpacked copy; an empty path when it has none.
CKeldaDirectoryPath UnpackedCopyOf(const CGalleryManifest *manifest);
// Puts the manifest's files into directory for a merge (implemented beside CopyFiles): files of its
// unpacked copy, which nothing reads after the merge, are moved with a rename (atomic, replacing a file
// of the same name); any other file, and one that cannot be renamed (another file system), is copied.
[[nodiscard]] HRESULT MoveOrCopyFiles(const CGalleryManifest *manifest, const wchar_t *directory);

// Unpacks every entry below folder (inside the code-page scope of the archive).
[[nodiscard]] bool UnzipToFolder(const CKeldaFilePath &archive, const CKeldaDirectoryPath &folder);
// A new archive holding every file below folder.
[[nodiscard]] bool ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archive);
// The entry (name compared without regard to case, top level only) into memory.
[[nodiscard]] bool UnzipToMemory(const CKeldaFilePath &archive, const CAtlString &entryName, std::string &data);
// Puts the file's content into the archive under entryName, replacing an entry of that name.
[[nodiscard]] bool ReplaceFileInArchive(const CKeldaFilePath &archive, const CAtlString &entryName,
                                        const CKeldaFilePath &file);

} // namespace GalleryArchive
