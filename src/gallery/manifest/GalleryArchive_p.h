// The archive steps of opening and saving ".gallery" files and item files, on the support layer's ZIP helper.
#pragma once

#include "support/KeldaPath.h"

namespace GalleryArchive
{

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
