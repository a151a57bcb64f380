// Path values. Every path the installer handles is a CKeldaFilePath or a CKeldaDirectoryPath: one wide
// string with "/" separators. Each constructor (and AddDirectoryToPath) turns backslashes into "/" and
// drops one trailing "/" (so "/" itself becomes the empty path); nothing else is changed: no "." or ".."
// folding, no making absolute, no case change. Equality for map keys (==, <) is on the exact text;
// IsEqualPath compares without regard to case. The text goes to the system as UTF-8 (FilePlatform.h).
#pragma once

#include "support/Text.h"

#include <cstdint>
#include <string_view>
#include <vector>

class CKeldaDirectoryPath;

class CKeldaFilePath
{
  public:
    CKeldaFilePath() = default;
    explicit CKeldaFilePath(std::wstring_view path);
    explicit CKeldaFilePath(const wchar_t *path) : CKeldaFilePath(std::wstring_view(path ? path : L"")) {}
    explicit CKeldaFilePath(const CAtlString &path) : CKeldaFilePath(std::wstring_view(path)) {}
    // From UTF-8 text (system calls, Qt, documents).
    static CKeldaFilePath FromUtf8(std::string_view utf8);

    void Empty() { m_path.clear(); }
    bool IsEmptyPath() const { return m_path.empty(); }
    const CAtlString &GetFilePathString() const { return m_path; }
    // 8-bit forms; the system's 8-bit encoding is UTF-8, so both are the same.
    CAtlStringA GetFilePathStringA() const;
    CAtlStringA GetFilePathStringA_UTF8() const;

    // Text after the last "/" (the whole path when there is none).
    CAtlString GetFileName() const;
    // From the last "." of the file name to the end, dot included; empty when the name has no dot.
    CAtlString GetFileExtension() const;
    // The file name up to its last "." (the whole name when it has none).
    CAtlString GetBaseFileName() const;
    // The text before the last "/" (empty when there is none).
    CKeldaDirectoryPath GetDirectoryPath() const;

    bool IsEqualPath(const CKeldaFilePath &other) const;

    // False for the empty path, otherwise whether anything (file or directory) exists there.
    bool FileExists() const;
    bool IsDirectory() const;
    // Size in bytes; -1 when missing, a directory, or too large for 32 bits.
    int32_t GetFileSize() const;
    // True when the file does not exist, otherwise whether any write permission bit is set.
    bool CanFileBeWrittenTo() const;
    // 32-bit checksum of the whole content (FileChecksum.h); 0 when it cannot be opened or mapped.
    uint32_t GetFileChecksum() const;

    // The name with < > : " / \ | ? * removed.
    static CAtlString MakeNameLegal(std::wstring_view name);
    // A fresh file in the temporary file directory, named prefix + "-" + six random characters +
    // extension and created empty and exclusively (mode 0600) so that no one else can take or foresee the
    // name; the caller overwrites or deletes it. An empty prefix becomes "VLM-<pid>-<tick in hex>". Empty
    // path when nothing could be created.
    static CKeldaFilePath CreateTempFileName(std::wstring_view extension, std::wstring_view prefix = {});

    bool operator==(const CKeldaFilePath &other) const { return m_path == other.m_path; }
    bool operator!=(const CKeldaFilePath &other) const { return m_path != other.m_path; }
    bool operator<(const CKeldaFilePath &other) const { return m_path < other.m_path; }

  private:
    CAtlString m_path;
};

class CKeldaDirectoryPath
{
  public:
    CKeldaDirectoryPath() = default;
    explicit CKeldaDirectoryPath(std::wstring_view path);
    explicit CKeldaDirectoryPath(const wchar_t *path) : CKeldaDirectoryPath(std::wstring_view(path ? path : L"")) {}
    explicit CKeldaDirectoryPath(const CAtlString &path) : CKeldaDirectoryPath(std::wstring_view(path)) {}
    static CKeldaDirectoryPath CreateDirectoryPath(std::wstring_view text) { return CKeldaDirectoryPath(text); }
    static CKeldaDirectoryPath FromUtf8(std::string_view utf8);

    void Empty() { m_path.clear(); }
    bool IsEmptyPath() const { return m_path.empty(); }
    const CAtlString &GetDirectoryPathString() const { return m_path; }
    CAtlStringA GetDirectoryPathStringA() const;

    // directory + "/" + name.
    CKeldaFilePath CreateFilePath(std::wstring_view name) const;
    // Appends "/" + name when the name is not empty, then normalises.
    void AddDirectoryToPath(std::wstring_view name);
    // Cuts at the last "/"; false (and nothing changed) when there is none.
    [[nodiscard]] bool RemoveLastSubdirectoryFromPath();
    // Text after the last "/", trailing slashes ignored.
    CAtlString GetLastDirectoryName() const;

    bool DirectoryExists() const;
    bool IsEqualPath(const CKeldaDirectoryPath &other) const;
    // Text-prefix test without regard to case: neither empty, parent not longer, this begins with it.
    // A path is a subdirectory of itself, and "Galleries2" is one of "Galleries".
    bool IsSubdirectoryOf(const CKeldaDirectoryPath &parent) const;
    // The process may write to it (access check).
    bool CanDirectoryBeWrittenTo() const;

    // Listings: a missing or unreadable directory yields nothing, names beginning with "." are skipped,
    // names match the pattern with shell wildcards (* ? [...]), case-sensitively.
    // Appends the matching non-directory entries, in directory order.
    void FindFilesInDirectory(std::wstring_view pattern, std::vector<CKeldaFilePath> &files) const;
    // Appends the matching subdirectories; recursive descends into every subdirectory whether or not its
    // name matched. The whole array is sorted with SortPaths at the end.
    void ListSubDirectories(std::wstring_view pattern, std::vector<CKeldaDirectoryPath> &directories,
                            bool recursive = false) const;
    // Sorts by last directory name, case-sensitive ordinal order (stable).
    static void SortPaths(std::vector<CKeldaDirectoryPath> &directories);

    // First free name of directory/prefix+extension, then directory/prefix(N)+extension with N
    // pseudo-random. Nothing is created (see CKeldaFilePath::CreateTempFileName for a reserved file).
    CKeldaFilePath CreateTempFileNameInDirectory(std::wstring_view prefix, std::wstring_view extension) const;
    // parent/name when no such directory exists, else parent/name1, parent/name2, ... Nothing is created;
    // CDirectoryManipulator::CreateUniqueSubDirectory creates one atomically.
    static CKeldaDirectoryPath CreateUniqueSubDirectoryPath(const CKeldaDirectoryPath &parent, std::wstring_view name);
    // directory/name+extension when free, else directory/name1+extension, ... Nothing is created.
    static CKeldaFilePath CreateUniqueFilePath(const CKeldaDirectoryPath &directory, std::wstring_view name,
                                               std::wstring_view extension);

    // Temporary locations (TempNames.cpp).
    // The per-user temporary directory: "/tmp/<login name>" (under TROVE_SYSROOT), private (0700).
    static CKeldaDirectoryPath GetTempDirectoryPath();
    // The folder set with SetTempFileDirectoryPath, else GetTempDirectoryPath().
    static CKeldaDirectoryPath GetTempFileDirectoryPath();
    static void SetTempFileDirectoryPath(const CKeldaDirectoryPath &path);
    // Temporary file directory + "Kelda Labs".
    static CKeldaDirectoryPath GetKELDADirectoryPath();
    // That + "Kelda Vellum", or "Kelda Vellum SE" in the student edition.
    static CKeldaDirectoryPath GetVellumTempDirectoryPath();
    // Set once at start-up by the application layer.
    static void SetStudentEdition(bool studentEdition);
    // A fresh private directory (0700) in parent (made when missing), named prefix + "-" + six random
    // characters and created in one step, so no one can take or foresee the name. Empty on failure.
    static CKeldaDirectoryPath CreateTempDirectory(const CKeldaDirectoryPath &parent, std::wstring_view prefix);

    bool operator==(const CKeldaDirectoryPath &other) const { return m_path == other.m_path; }
    bool operator!=(const CKeldaDirectoryPath &other) const { return m_path != other.m_path; }
    bool operator<(const CKeldaDirectoryPath &other) const { return m_path < other.m_path; }

  private:
    CAtlString m_path;
};
