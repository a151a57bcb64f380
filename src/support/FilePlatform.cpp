// POSIX implementation of the primitive file layer.
#include "support/FilePlatform.h"

#include "support/SysRoot.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FilePlatform
{
namespace
{

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// Copies size bytes from in to out: one kernel-side transfer when the file systems allow it, else a
// loop of 1024-byte reads and writes. Returns the number of bytes copied.
off_t CopyContent(int in, int out, off_t size)
{
    off_t copied = 0;
    bool useSendfile = true;
    while (useSendfile && copied < size) {
        const ssize_t n = ::sendfile(out, in, nullptr, static_cast<size_t>(size - copied));
        if (n < 0) {
            if (errno == EINTR) continue;
            if ((errno == EINVAL || errno == ENOSYS) && copied == 0) {
                useSendfile = false;
                break;
            }
            return copied;
        }
        if (n == 0) return copied; // the source shrank
        copied += n;
    }
    if (useSendfile) return copied;
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return copied;
        }
        if (n == 0) return copied;
        if (!WriteAll(out, buffer, static_cast<size_t>(n))) return copied;
        copied += n;
    }
}

// Last resort when no temporary file can be made beside the target (a directory we may not write to,
// holding a target we may write): write in place, and remove the target again when the copy fails.
bool CopyInPlace(int in, const std::string &target, off_t size, mode_t mode)
{
    const int out = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) return false;
    const bool ok = CopyContent(in, out, size) == size && ::fchmod(out, mode) == 0;
    const bool closed = ::close(out) == 0;
    if (ok && closed) return true;
    const int saved = errno;
    ::unlink(target.c_str());
    errno = saved ? saved : EIO;
    return false;
}

bool CopyRegularFile(const std::string &source, const std::string &target, bool failIfExists)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {
    };
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int saved = S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL);
        ::close(in);
        errno = saved;
        return false;
    }
    const mode_t mode = st.st_mode & 07777;

    std::string temp = DirectoryOf(target) + "/.~trove-copy.XXXXXX";
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        const int saved = errno;
        bool ok = false;
        struct stat existing {
        };
        if ((saved == EACCES || saved == EPERM || saved == EROFS) && !failIfExists &&
            ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) && ::access(target.c_str(), W_OK) == 0)
            ok = CopyInPlace(in, target, st.st_size, mode);
        else
            errno = saved;
        ::close(in);
        return ok;
    }

    bool ok = CopyContent(in, out, st.st_size) == st.st_size;
    int saved = ok ? 0 : (errno ? errno : EIO);
    ::close(in);
    if (ok && ::fchmod(out, mode) != 0) {
        ok = false;
        saved = errno;
    }
    if (::close(out) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok) {
        if (failIfExists) {
            // Publish without replacing: a target that appeared meanwhile is kept.
            ok = ::link(temp.c_str(), target.c_str()) == 0;
            saved = errno;
            ::unlink(temp.c_str());
            errno = saved;
            return ok;
        }
        if (::rename(temp.c_str(), target.c_str()) == 0) return true;
        saved = errno;
    }
    ::unlink(temp.c_str());
    errno = saved;
    return false;
}

std::string LoginName()
{
    if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_name && *pw->pw_name) return pw->pw_name;
    return std::to_string(::getuid());
}

// True when path is a real directory (no link) owned by this process's user; tightens its mode to 0700.
bool IsPrivateDirectory(const std::string &path)
{
    struct stat st {
    };
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
    return true;
}

} // namespace

std::string DirectoryOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ToSystemPath(std::wstring_view path, std::string &out)
{
    out.clear();
    for (const wchar_t c : path) {
        const auto v = static_cast<uint32_t>(c);
        if (v == 0 || (v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF) {
            errno = EINVAL;
            return false;
        }
    }
    out = Text::ToUtf8(path);
    return true;
}

bool CopyFile(std::wstring_view source, std::wstring_view target, bool failIfExists)
{
    if (source == target) {
        errno = EINVAL;
        return false;
    }
    std::string from, to;
    if (!ToSystemPath(source, from) || !ToSystemPath(target, to) || from.empty() || to.empty()) return false;
    struct stat st {
    };
    if (failIfExists && ::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return CopyRegularFile(from, to, failIfExists);
}

bool MoveFile(std::wstring_view source, std::wstring_view target)
{
    if (source == target) return true;
    std::string from, to;
    if (!ToSystemPath(source, from) || !ToSystemPath(target, to) || from.empty() || to.empty()) return false;
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    if (errno != EXDEV) return false;
    if (!CopyRegularFile(from, to, false)) return false;
    if (::unlink(from.c_str()) == 0) return true;
    const int saved = errno;
    ::unlink(to.c_str());
    errno = saved;
    return false;
}

bool DeleteFile(std::wstring_view path)
{
    std::string p;
    return ToSystemPath(path, p) && ::unlink(p.c_str()) == 0;
}

bool CreateDirectory(std::wstring_view path)
{
    std::string p;
    return ToSystemPath(path, p) && ::mkdir(p.c_str(), 0777) == 0;
}

bool CreatePrivateDirectory(std::wstring_view path)
{
    std::string p;
    return ToSystemPath(path, p) && ::mkdir(p.c_str(), 0700) == 0;
}

bool RemoveDirectory(std::wstring_view path)
{
    std::string p;
    return ToSystemPath(path, p) && ::rmdir(p.c_str()) == 0;
}

uint32_t GetFileAttributes(std::wstring_view path)
{
    std::string p;
    struct stat st {
    };
    if (!ToSystemPath(path, p) || ::stat(p.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    const bool readOnly = (st.st_mode & kWriteBits) == 0;
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY | (readOnly ? FILE_ATTRIBUTE_READONLY : 0);
    return readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

bool SetFileAttributes(std::wstring_view path, uint32_t attributes)
{
    std::string p;
    struct stat st {
    };
    if (!ToSystemPath(path, p) || ::stat(p.c_str(), &st) != 0) return false;
    const mode_t mode = st.st_mode & 07777;
    if (attributes == FILE_ATTRIBUTE_NORMAL && (mode & kWriteBits) == 0)
        return ::chmod(p.c_str(), mode | S_IWUSR | S_IWGRP) == 0;
    if (attributes == FILE_ATTRIBUTE_READONLY && (mode & kWriteBits) != 0)
        return ::chmod(p.c_str(), mode & ~kWriteBits) == 0;
    return true;
}

CAtlString GetTempPath()
{
    static std::mutex mutex;
    static std::string fallback; // private directory of this process, once the shared name was refused
    const std::lock_guard<std::mutex> lock(mutex);

    const std::string login = LoginName();
    const std::string path = SysRoot::Path("/tmp/") + login;
    int made = ::mkdir(path.c_str(), 0700);
    // Below a system root its "tmp" may not exist yet: it is made as a system's /tmp is (01777).
    if (made != 0 && errno == ENOENT) {
        const std::string root = SysRoot::Path("/tmp");
        if (::mkdir(root.c_str(), 0777) == 0) (void)::chmod(root.c_str(), 01777);
        made = ::mkdir(path.c_str(), 0700);
    }
    if ((made == 0 || errno == EEXIST) && IsPrivateDirectory(path)) return Text::FromUtf8(path + "/");
    if (fallback.empty() || !IsPrivateDirectory(fallback)) {
        std::string pattern = SysRoot::Path("/tmp/") + login + "-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return CAtlString(); // no private place to offer
        fallback = pattern;
    }
    return Text::FromUtf8(fallback + "/");
}

namespace
{

// The status of a path (of a final symbolic link itself unless follow); false when the text cannot be
// a path or the name cannot be examined.
bool StatPath(std::wstring_view path, bool follow, struct stat &st)
{
    std::string p;
    if (!ToSystemPath(path, p) || p.empty()) return false;
    return (follow ? ::stat(p.c_str(), &st) : ::lstat(p.c_str(), &st)) == 0;
}

} // namespace

bool PathFileExists(std::wstring_view path)
{
    struct stat st {
    };
    return StatPath(path, true, st);
}

bool PathIsDirectory(std::wstring_view path)
{
    struct stat st {
    };
    return StatPath(path, true, st) && S_ISDIR(st.st_mode);
}

bool PathExistsNoFollow(std::wstring_view path)
{
    struct stat st {
    };
    return StatPath(path, false, st);
}

bool PathIsSymbolicLink(std::wstring_view path)
{
    struct stat st {
    };
    return StatPath(path, false, st) && S_ISLNK(st.st_mode);
}

std::wstring_view PathFindFileName(std::wstring_view path)
{
    const size_t slash = path.rfind(L'/');
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

} // namespace FilePlatform
