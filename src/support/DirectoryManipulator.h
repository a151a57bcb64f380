// Directory operations. All static; bool results are true on success. Removals treat a missing
// directory as already done. Entries whose names begin with "." are never listed, so a directory that
// holds one cannot be emptied and its removal reports false.
#pragma once

#include "support/KeldaPath.h"
#include "support/Result.h"

class CDirectoryManipulator
{
  public:
    // True when it exists already; otherwise creates the missing parents, then this level (mode 0777
    // reduced by the umask). The result is that of the last level.
    [[nodiscard]] static bool CreateDirectory(const CKeldaDirectoryPath &path);
    // Reserves a fresh private directory atomically (mode 0700): parent/name, else parent/name1,
    // parent/name2, ... The one made is returned in created. Use it instead of
    // CKeldaDirectoryPath::CreateUniqueSubDirectoryPath + CreateDirectory wherever others may race.
    [[nodiscard]] static bool CreateUniqueSubDirectory(const CKeldaDirectoryPath &parent, std::wstring_view name,
                                                       CKeldaDirectoryPath &created);
    // True when the directory does not exist, otherwise whether the (empty) directory was removed.
    [[nodiscard]] static bool RemoveDirectory(const CKeldaDirectoryPath &path);
    // Deletes every file matching the pattern; true when every deletion succeeded (or nothing matched).
    [[nodiscard]] static bool RemoveFilesFromDirectory(const CKeldaDirectoryPath &path, std::wstring_view pattern);
    // Removes every subdirectory with its contents, then every file. A symbolic link to a directory is
    // removed as a link; what it points to is left alone.
    [[nodiscard]] static bool RemoveAllFilesAndSubDirectories(const CKeldaDirectoryPath &path);
    // RemoveAllFilesAndSubDirectories, then RemoveDirectory; the result is that of the last step.
    [[nodiscard]] static bool RemoveDirectoryAndContents(const CKeldaDirectoryPath &path);
    // Copies (or moves the files of) source into target, recursively: E_FAIL for a missing source or a
    // target that cannot be created, a
    // failing subdirectory's status stops the copy; failures of single files are ignored. With move
    // the source directories remain, emptied of files.
    [[nodiscard]] static HRESULT RecursivelyCopyDirectory(const CKeldaDirectoryPath &source,
                                                          const CKeldaDirectoryPath &target, bool move);
};
