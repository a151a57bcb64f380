// FileList: a relocatable set of files and folders that is copied, moved (with verification and
// roll-back) or deleted as one unit. The configuration keeps its own files in one.
//
// Entries are keyed by their path relative to the root. The value is the absolute source path when the
// entry lives elsewhere, and empty when it lives under the root; the absolute path of an entry is its
// value when set, otherwise root + "/" + key.
#pragma once

#include "support/KeldaPath.h"

#include <map>

class FileList
{
  public:
    using FileMap = std::map<CKeldaFilePath, CKeldaFilePath>;
    using DirectoryMap = std::map<CKeldaDirectoryPath, CKeldaDirectoryPath>;

    void SetRoot(const CKeldaDirectoryPath &root) { m_root = root; }
    const CKeldaDirectoryPath &GetRoot() const { return m_root; }
    const FileMap &Files() const { return m_files; }
    const DirectoryMap &Directories() const { return m_directories; }

    // A file under the root; false for an empty path (a caller's slip, hence no [[nodiscard]]).
    bool AddRelativeFilePath(const CKeldaFilePath &relative);
    // An existing file from anywhere, listed as relativeDirectory/<its name>; false when it is missing.
    [[nodiscard]] bool AddAbsoluteFilePath(const CKeldaFilePath &file, const CKeldaDirectoryPath &relativeDirectory);
    // A directory under the root; false for an empty path.
    bool AddRelativeDirectoryPath(const CKeldaDirectoryPath &relative);
    // An existing directory from anywhere, listed as relativeParent/<its last name>.
    [[nodiscard]] bool AddAbsoluteDirectoryPath(const CKeldaDirectoryPath &directory,
                                                const CKeldaDirectoryPath &relativeParent);
    // Adds every file of source matching pattern under relativeDirectory, recursively. False when the
    // root or the source is missing or the source lies inside the root; otherwise the AND of all additions.
    [[nodiscard]] bool RecursivelyAddDirectoryContent(const CKeldaDirectoryPath &source,
                                                      const CKeldaDirectoryPath &relativeDirectory,
                                                      std::wstring_view pattern);

    // The absolute path of the entry (root + "/" + relative for a path that is not listed).
    CKeldaFilePath GetAbsoluteFilePath(const CKeldaFilePath &relative) const;
    CKeldaDirectoryPath GetAbsoluteDirectoryPath(const CKeldaDirectoryPath &relative) const;

    // Every entry's absolute path exists.
    [[nodiscard]] bool Verify() const;
    // Copies every entry to target/key (overwriting); the AND of all copies.
    [[nodiscard]] bool CopyToLocation(const CKeldaDirectoryPath &target) const;
    // Copies to target, then makes target the root with every entry under it and verifies. On failure
    // the list is exactly as before and false comes back. With removeOld the old files are deleted
    // after success (never one that is the same file as its new copy).
    [[nodiscard]] bool MoveToLocation(const CKeldaDirectoryPath &target, bool removeOld);
    // Deletes every file entry and every directory entry with its contents; the AND of all.
    [[nodiscard]] bool Uninstall() const;

    // Runs between the copy and the verification of MoveToLocation, with the target; tests use it to
    // change the copy so that verification fails. Null (the default) runs nothing.
    using AfterCopyHook = void (*)(const CKeldaDirectoryPath &target);
    static void SetAfterCopyHookForTesting(AfterCopyHook hook);

  private:
    static CKeldaFilePath Join(const CKeldaDirectoryPath &directory, const CKeldaFilePath &relative);
    static CKeldaDirectoryPath Join(const CKeldaDirectoryPath &directory, const CKeldaDirectoryPath &relative);

    CKeldaDirectoryPath m_root;
    FileMap m_files;
    DirectoryMap m_directories;
};
