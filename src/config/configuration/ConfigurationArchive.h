// Packing and unpacking of ".gallerycollection" files (ZIP archives). A small stand-in with the two
// operations the configuration needs until the program-wide ZIP helper takes them over.
#pragma once

#include "support/KeldaPath.h"

namespace ConfigurationArchive {

// Extracts every entry below folder. Entries with an absolute name, a ".." level or a link type are
// skipped like damaged ones. False when the archive cannot be opened or an entry cannot be written.
bool UnzipToFolder(const CKeldaFilePath &archive, const CKeldaDirectoryPath &folder);
// Creates (or replaces) archive with every file below folder, names relative to folder.
bool ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archive);

} // namespace ConfigurationArchive
