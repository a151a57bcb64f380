// The few file operations the manifest needs beyond the path values, kept local to the gallery layer:
// recursive directory creation, private unique temporary directories and tree removal.
#pragma once

#include "support/KeldaPath.h"

namespace GalleryFileOps
{

// Creates the directory and its missing parents; true when it exists afterwards.
[[nodiscard]] bool MakeDirectories(const CKeldaDirectoryPath &directory);
// A new private (0700) directory named from prefix under the temporary directory, created atomically.
CKeldaDirectoryPath MakeUniqueTempDirectory(const wchar_t *prefix);
// Removes a directory with everything below it; true when nothing is left.
[[nodiscard]] bool RemoveTree(const CKeldaDirectoryPath &directory);
// Copies source over target (replacing it); false when the copy is incomplete.
[[nodiscard]] bool CopyFileOver(const CKeldaFilePath &source, const CKeldaFilePath &target);

} // namespace GalleryFileOps
