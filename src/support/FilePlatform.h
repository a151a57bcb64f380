// The primitive file layer under CFileManipulator and CDirectoryManipulator, named after the classic
// desktop file calls and implemented on POSIX. Wide paths are converted to UTF-8 first; a wide path that
// holds a value that is no Unicode scalar value (a lone surrogate, > U+10FFFF) or a NUL cannot name a
// file here, so every call refuses it (failure, errno EINVAL) instead of touching a look-alike name.
#pragma once

#include "support/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace FilePlatform
{

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 1;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 16;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 128;
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Wide path -> UTF-8 for a system call. False (out cleared) for text that cannot be a path.
[[nodiscard]] bool ToSystemPath(std::wstring_view path, std::string &out);

// The folder part of a UTF-8 path: the text before the last "/", "/" for a name right under the root,
// "." for a bare name.
std::string DirectoryOf(const std::string &path);
// Writes every byte to the descriptor, retrying after interruptions. False (errno set) on the first
// failure; how much went out is then unknown.
[[nodiscard]] bool WriteAll(int fd, const void *data, size_t size);

// Copies the content with the source's permission bits. Fails when both texts are equal, or when
// failIfExists is set and the target exists. The data goes to a temporary file beside the target that
// is renamed over it only when every byte arrived, so a failed copy leaves the old target (or none)
// and never a partial one.
[[nodiscard]] bool CopyFile(std::wstring_view source, std::wstring_view target, bool failIfExists);
// Renames; across file systems copies (as above) and then unlinks the source. Equal texts succeed.
// When the source cannot be removed after a cross-device copy, the copy is taken back and the move fails.
[[nodiscard]] bool MoveFile(std::wstring_view source, std::wstring_view target);
[[nodiscard]] bool DeleteFile(std::wstring_view path);
// One level, mode 0777 reduced by the umask.
[[nodiscard]] bool CreateDirectory(std::wstring_view path);
// One level, mode 0700, failing when the name exists (atomic reservation of a private directory).
[[nodiscard]] bool CreatePrivateDirectory(std::wstring_view path);
[[nodiscard]] bool RemoveDirectory(std::wstring_view path);
// 16 / 17 (read-only) for a directory, 128 / 1 (read-only) for anything else, INVALID when the path
// cannot be examined. Read-only means no write bit (owner, group, other) is set.
uint32_t GetFileAttributes(std::wstring_view path);
// 128: adds owner and group write when no write bit is set; 1: removes every write bit when any is set;
// other values change nothing. False only when the path cannot be examined or changed.
[[nodiscard]] bool SetFileAttributes(std::wstring_view path, uint32_t attributes);
// "/tmp/<login name of the real user>/" (under TROVE_SYSROOT). The directory is created 0700 when
// missing; when it exists but is a symbolic link, no directory, or owned by someone else, a private
// directory "/tmp/<login>-XXXXXX" is made for this process instead (and reused while it lives).
// Empty when not even that can be made.
CAtlString GetTempPath();
bool PathFileExists(std::wstring_view path);
bool PathIsDirectory(std::wstring_view path);
// Without following a final symbolic link: whether the name exists at all, and whether it is a link.
bool PathExistsNoFollow(std::wstring_view path);
bool PathIsSymbolicLink(std::wstring_view path);
// The text after the last "/" (the whole text when there is none).
std::wstring_view PathFindFileName(std::wstring_view path);

} // namespace FilePlatform
