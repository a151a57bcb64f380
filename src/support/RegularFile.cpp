// POSIX implementation of RegularFile: open with O_NONBLOCK, fstat, then back to blocking reads.
#include "support/RegularFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile
{
namespace
{

// Keeps fd when it names a regular file (clearing O_NONBLOCK again), else closes it; the result is fd
// or -1 with errno set.
int KeepIfRegular(int fd, uint64_t maxBytes, uint64_t *size)
{
    if (fd < 0) return -1;
    struct stat st {
    };
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno ? errno : EIO;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else if (static_cast<uint64_t>(st.st_size) > maxBytes)
        error = EFBIG;
    if (error == 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno ? errno : EIO;
    }
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    if (size) *size = static_cast<uint64_t>(st.st_size);
    return fd;
}

} // namespace

int OpenForReading(const std::string &path, uint64_t maxBytes, uint64_t *size)
{
    if (size) *size = 0;
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    return KeepIfRegular(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC), maxBytes, size);
}

int OpenForUpdate(const std::string &path)
{
    if (path.empty()) {
        errno = ENOENT;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    return KeepIfRegular(fd, UINT64_MAX, nullptr);
}

size_t ReadUpTo(int fd, char *data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool ReadAll(const std::string &path, uint64_t maxBytes, std::vector<char> &out)
{
    out.clear();
    uint64_t size = 0;
    const int fd = OpenForReading(path, maxBytes, &size);
    if (fd < 0) return false;
    bool ok = true;
    try {
        out.resize(static_cast<size_t>(size));
        out.resize(ReadUpTo(fd, out.data(), out.size()));
    } catch (...) {
        out.clear();
        ok = false;
    }
    ::close(fd);
    return ok;
}

bool IsRegular(const std::string &path, bool followLinks)
{
    struct stat st {
    };
    const int rc = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return rc == 0 && S_ISREG(st.st_mode);
}

} // namespace RegularFile
