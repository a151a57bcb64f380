// RegularFile: the one way the program opens its own documents for reading (download state and partial
// files, uninstall records, manifests, cache images). Whatever sits at the name is not trusted: a FIFO
// cannot block the open (O_NONBLOCK), anything but a regular file is refused before a byte is read (a
// device, or a link to one such as /dev/zero), and no read goes past the size the file had when it was
// opened, nor past the caller's limit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace RegularFile
{

// A read-only, blocking descriptor of the regular file at path (a final link is followed), or -1:
// not there, not a regular file (errno EINVAL), or larger than maxBytes (errno EFBIG). size receives
// the file's size when it is not null. The caller closes the descriptor.
int OpenForReading(const std::string &path, uint64_t maxBytes, uint64_t *size = nullptr);

// A read-write descriptor of the regular file at path, created (mode 0666 less the umask) when the
// name is free. A final link is never followed; a name held by anything but a regular file gives -1
// (errno ELOOP for a link, EINVAL otherwise) and stays as it is.
int OpenForUpdate(const std::string &path);

// Reads up to size bytes from the descriptor's current position, retrying after interruptions; the
// number of bytes read (fewer only at the end of the file or on an error).
size_t ReadUpTo(int fd, char *data, size_t size);

// The whole content of the regular file at path, when it holds at most maxBytes. False (out cleared)
// otherwise. A file that shrinks while it is read gives what was there; one that grows is cut at the
// size it had when it was opened.
[[nodiscard]] bool ReadAll(const std::string &path, uint64_t maxBytes, std::vector<char> &out);

// Whether path names a regular file: following a final link when followLinks, else only a plain file.
bool IsRegular(const std::string &path, bool followLinks);

} // namespace RegularFile
