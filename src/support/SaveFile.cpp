// Transactional document writer: temporary file beside the target, fsync, rename, fsync of the folder.
#include "support/SaveFile.h"

#include "support/FilePlatform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr size_t kBufferSize = 64 * 1024;

// Creates a fresh file beside target, exclusively; the kernel applies the umask to 0666.
int CreateTempBeside(const std::string &target, std::string &temp)
{
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%x%x", seed ^ static_cast<unsigned>(::getpid()), counter++);
        temp = FilePlatform::DirectoryOf(target) + "/.~trove-save." + suffix;
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

void SyncDirectory(const std::string &directory)
{
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd); // best effort: some file systems refuse fsync on folders
    ::close(fd);
}

} // namespace

CSaveFile::CSaveFile(const CKeldaFilePath &target)
{
    if (!FilePlatform::ToSystemPath(target.GetFilePathString(), m_target)) m_error = EINVAL;
}

CSaveFile::CSaveFile(std::string targetUtf8) : m_target(std::move(targetUtf8)) {}

CSaveFile::~CSaveFile()
{
    Discard();
}

bool CSaveFile::Open()
{
    if (m_fd >= 0) return true;
    if (m_error) return false;
    if (m_target.empty()) {
        Fail(EINVAL);
        return false;
    }
    struct stat st {
    };
    if (::lstat(m_target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(m_target.c_str(), resolved)) {
            Fail(errno); // a dangling link: refuse rather than replace the link with a file
            return false;
        }
        m_target = resolved;
    }
    // A FIFO, a device or a folder at the name is never replaced, and no temporary file is made beside it.
    if (::stat(m_target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        Fail(EISDIR);
        return false;
    }
    m_fd = CreateTempBeside(m_target, m_temp);
    if (m_fd < 0) {
        m_temp.clear();
        Fail(errno);
        return false;
    }
    if (::stat(m_target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            Fail(EISDIR);
            Discard();
            return false;
        }
        if (::fchown(m_fd, st.st_uid, st.st_gid) != 0) {
            // Only a privileged process may hand a file to someone else; it stays ours.
        }
        if (::fchmod(m_fd, st.st_mode & 07777) != 0) {
            Fail(errno);
            Discard();
            return false;
        }
    }
    m_buffer.reserve(kBufferSize);
    return true;
}

bool CSaveFile::Write(const void *data, size_t size)
{
    if (m_fd < 0 || m_error) {
        if (!m_error) Fail(EBADF);
        return false;
    }
    if (m_buffer.size() + size > kBufferSize && !Flush()) return false;
    if (size >= kBufferSize) {
        if (!FilePlatform::WriteAll(m_fd, data, size)) {
            Fail(errno);
            return false;
        }
        return true;
    }
    m_buffer.append(static_cast<const char *>(data), size);
    return true;
}

bool CSaveFile::Flush()
{
    if (!FilePlatform::WriteAll(m_fd, m_buffer.data(), m_buffer.size())) {
        Fail(errno);
        return false;
    }
    m_buffer.clear();
    return true;
}

void CSaveFile::Cancel()
{
    if (!m_error) Fail(ECANCELED);
}

bool CSaveFile::Commit()
{
    if (m_fd < 0 || m_error) {
        if (!m_error) Fail(EBADF);
        Discard();
        return false;
    }
    if (!Flush() || ::fsync(m_fd) != 0) {
        if (!m_error) Fail(errno);
        Discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    m_temp.clear();
    SyncDirectory(FilePlatform::DirectoryOf(m_target));
    return true;
}

void CSaveFile::Fail(int error)
{
    m_error = error ? error : EIO;
}

void CSaveFile::Discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
    m_buffer.clear();
}

std::string CSaveFile::ErrorString() const
{
    if (!m_error) return std::string();
    if (m_error == ECANCELED) return "Writing " + m_target + " was cancelled";
    return "Cannot save " + m_target + ": " + std::strerror(m_error);
}

bool CSaveFile::WriteWholeFile(const CKeldaFilePath &target, std::string_view bytes)
{
    CSaveFile file(target);
    return file.Open() && file.Write(bytes) && file.Commit();
}

bool CSaveFile::WriteWholeFile(const std::string &targetUtf8, std::string_view bytes)
{
    CSaveFile file(targetUtf8);
    return file.Open() && file.Write(bytes) && file.Commit();
}
