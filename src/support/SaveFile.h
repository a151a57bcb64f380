// CSaveFile: crash-safe replacement of one document (manifest, uninstall record, cache image,
// configuration copy, state files).
//
//     CSaveFile out(path);
//     if (!out.Open()) ...;            // temporary file created exclusively beside the target
//     out.Write(bytes); ...            // buffered; a failed write makes the object fail for good
//     if (!out.Commit()) ...;          // flush, fsync, rename over the target, fsync the directory
//
// Until Commit() succeeds the target is untouched: a crash, an error or destroying the object without
// Commit() leaves the old file (or none) and removes the temporary one; after it the new file is whole.
// The target keeps its permission bits (a new file gets 0666 reduced by the umask) and, where allowed,
// its owner.
//
// Symbolic links, the one policy of every document replacement (CStreamFactory::ReplaceFileContents
// and the downloader's state file go through here too): a target that is a symbolic link keeps the
// link, and the file it finally names is replaced, with the temporary file in that file's folder. A
// dangling link (or one that cannot be resolved) fails the write: it is never turned into a file.
// Cancel() is sticky: Commit() then fails and discards. Not thread-safe; one writer per object.
#pragma once

#include "support/KeldaPath.h"

#include <string>
#include <string_view>

class CSaveFile
{
  public:
    explicit CSaveFile(const CKeldaFilePath &target);
    explicit CSaveFile(std::string targetUtf8);
    ~CSaveFile();
    CSaveFile(const CSaveFile &) = delete;
    CSaveFile &operator=(const CSaveFile &) = delete;

    // Creates the temporary file. False (with Error()) when the folder cannot take it.
    [[nodiscard]] bool Open();
    bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] bool Write(const void *data, size_t size);
    [[nodiscard]] bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Abandons the write; Commit() will fail.
    void Cancel();
    // Publishes the new content. False when anything failed since Open(); the target is then unchanged.
    [[nodiscard]] bool Commit();

    // errno of the first failure (ECANCELED after Cancel), 0 when none.
    int Error() const { return m_error; }
    // A message naming the file and the failure.
    std::string ErrorString() const;
    // The path that will be replaced (symbolic links resolved once Open() succeeded).
    const std::string &TargetPath() const { return m_target; }

    // Open + Write + Commit in one call; the target given as a path or as UTF-8 text.
    [[nodiscard]] static bool WriteWholeFile(const CKeldaFilePath &target, std::string_view bytes);
    [[nodiscard]] static bool WriteWholeFile(const std::string &targetUtf8, std::string_view bytes);

  private:
    bool Flush();
    void Fail(int error);
    void Discard();

    std::string m_target;
    std::string m_temp;
    std::string m_buffer;
    int m_fd = -1;
    int m_error = 0;
};
