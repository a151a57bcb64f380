// File operations. All static; bool results are true on success. Deleting a missing file counts as
// done; copying or moving a missing one fails. Copies never leave a partial target behind.
#pragma once

#include "support/KeldaPath.h"

#include <cstdio>
#include <vector>

class CFileManipulator
{
  public:
    // A missing file counts as deleted. Otherwise the file is made writable first, then unlinked.
    [[nodiscard]] static bool DeleteFile(const CKeldaFilePath &path);
    // As above for a missing file; false without deleting when either flag is set.
    [[nodiscard]] static bool DeleteFile(const CKeldaFilePath &path, bool flag1, bool flag2);
    [[nodiscard]] static bool CopyFileTo(const CKeldaFilePath &source, const CKeldaFilePath &target, bool failIfExists);
    // Copies to directory + "/" + the source's file name.
    [[nodiscard]] static bool CopyFileTo(const CKeldaFilePath &source, const CKeldaDirectoryPath &target,
                                         bool failIfExists);
    [[nodiscard]] static bool MoveFileTo(const CKeldaFilePath &source, const CKeldaFilePath &target);
    // fopen with the path as UTF-8; nullptr on failure.
    static FILE *OpenFile(const CKeldaFilePath &path, const char *mode);
    // Reads the whole file into buffer (sized to the file); the number of bytes read, 0 on failure.
    static size_t ReadFileIntoBuffer(const CKeldaFilePath &path, std::vector<char> &buffer);
    [[nodiscard]] static bool ReadAsciiFileIntoAsciiString(const CKeldaFilePath &path, CAtlStringA &text);
    // Replaces the file with the text, crash-safely (CSaveFile).
    [[nodiscard]] static bool WriteAsciiStringToFile(const CKeldaFilePath &path, const CAtlStringA &text);
};

// File associations are a desktop-registry matter elsewhere; on this platform there is nothing to do.
namespace FileAssociation
{
[[nodiscard]] inline bool Register(const CAtlString & /*extension*/)
{
    return true;
}
[[nodiscard]] inline bool Remove()
{
    return true;
}
} // namespace FileAssociation
