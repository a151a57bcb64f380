// Table-driven MSB-first CRC-32 over a mapped file.
#include "support/FileChecksum.h"

#include "support/FilePlatform.h"
#include "support/KeldaPath.h"

#include <array>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileChecksum
{
namespace
{

// Built on first use (thread-safe static initialisation).
const std::array<uint32_t, 256> &Table()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
            t[i] = c;
        }
        return t;
    }();
    return table;
}

} // namespace

uint32_t Update(uint32_t crc, const void *data, size_t size)
{
    const auto &table = Table();
    const auto *p = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ p[i]) & 0xFF];
    return crc;
}

uint32_t OfFile(const CKeldaFilePath &path)
{
    std::string name;
    if (path.IsEmptyPath() || !FilePlatform::ToSystemPath(path.GetFilePathString(), name)) return 0;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        ::close(fd);
        return 0;
    }
    const auto size = static_cast<size_t>(st.st_size);
    void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) return 0;
    const uint32_t crc = Update(0, map, size);
    ::munmap(map, size);
    return crc;
}

} // namespace FileChecksum
