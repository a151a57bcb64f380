// CZipHelper: the five ZIP operations the installer needs, on libzip. All static, all bool; no engine
// error escapes. New entries are deflated at level 6 under NFC UTF-8 names, without folder entries.
// Entry names are read by the rules of ZipCodePage.h.
//
// Extraction never writes outside the target folder: an entry whose name is absolute, has an empty,
// "." or ".." component, or holds a NUL, and every symbolic-link entry, is skipped like a damaged entry,
// and the rest of the archive still unpacks. An archive in which two file entries carry the same name
// (backslashes read as "/") cannot be opened, like a damaged one, by every operation but creating one.
#pragma once

#include "support/KeldaPath.h"

#include <vector>

struct zip;

class CZipHelper
{
  public:
    // A new archive (an existing file is replaced only when the new one is complete) holding every file
    // below folder, named by its path relative to folder; names beginning with "." are left out.
    [[nodiscard]] static bool ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archive);
    // The recursive step: the files of folder, then its subfolders in name order, named relative to root.
    [[nodiscard]] static bool AddFolderToZip(zip *archive, const CKeldaDirectoryPath &root,
                                             const CKeldaDirectoryPath &folder);
    // Every entry below folder (folders made as needed). A damaged or refused entry is skipped and its
    // partial output removed. False when the archive cannot be opened, and for a bomb: entries that
    // declare, or actually inflate to, more than Limits::kMaxZipTotalBytes in all or more than
    // Limits::kMaxZipRatio times the archive's size (past Limits::kZipRatioFloorBytes), or an entry that
    // inflates to more than it declared. A bomb found by its declared sizes writes nothing; one found
    // while inflating has the files and folders this call made removed again.
    [[nodiscard]] static bool UnzipToFolder(const CKeldaFilePath &archive, const CKeldaDirectoryPath &folder);
    // Puts the file's content under entryName (exact, case-sensitive), replacing an entry of that name.
    // On failure the archive is left as it was.
    [[nodiscard]] static bool ReplaceFileInArchive(const CKeldaFilePath &archive, std::wstring_view entryName,
                                                   const CKeldaFilePath &file);
    // The first entry (index order) whose full name equals entryName without regard to case.
    [[nodiscard]] static bool UnzipToMemory(const CKeldaFilePath &archive, std::wstring_view entryName,
                                            std::vector<char> &data);
    // The same as a new[] block that the caller releases with delete[]; data is null and size 0 on failure.
    [[nodiscard]] static bool UnzipToMemory(const CKeldaFilePath &archive, std::wstring_view entryName, char *&data,
                                            size_t &size);

    // The folder-relative path an entry name would be written to, or empty when the name is refused
    // (absolute, empty / "." / ".." component, NUL). Backslashes count as separators.
    static CAtlString SafeRelativePath(std::wstring_view entryName);
};
