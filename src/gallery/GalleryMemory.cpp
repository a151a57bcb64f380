// The process-wide list of managed blocks and the two kinds of block (heap, mapped file).
#include "gallery/GalleryMemory.h"

#include "gallery/Gallery.h"
#include "support/Text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

std::mutex &BlocksMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<const CGalleryMemory *> &Blocks()
{
    static std::vector<const CGalleryMemory *> blocks;
    return blocks;
}

void Enter(const CGalleryMemory *block)
{
    std::lock_guard<std::mutex> guard(BlocksMutex());
    Blocks().push_back(block);
}

void Leave(const CGalleryMemory *block)
{
    std::lock_guard<std::mutex> guard(BlocksMutex());
    auto &blocks = Blocks();
    blocks.erase(std::remove(blocks.begin(), blocks.end(), block), blocks.end());
}

} // namespace

HRESULT CGalleryMemory::CreateInstance(size_t size, CGalleryMemory **out)
{
    if (!out || *out) return E_INVALIDARG;
    auto *block = static_cast<CGalleryMemory *>(std::calloc(1, sizeof(CGalleryMemory)));
    if (!block) return E_OUTOFMEMORY;
    block->m_fd = -1;
    block->m_base = static_cast<unsigned char *>(std::calloc(size ? size : 1, 1));
    if (!block->m_base) {
        std::free(block);
        return E_OUTOFMEMORY;
    }
    block->m_length = size;
    Enter(block);
    *out = block;
    return S_OK;
}

HRESULT CGalleryMemory::CreateInstance(const wchar_t *filePath, CGalleryMemory **out)
{
    if (!out || *out || !filePath) return E_INVALIDARG;
    const CAtlStringA path = Text::ToUtf8(filePath);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return E_FAIL;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        ::close(fd);
        return E_FAIL;
    }
    void *base = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (base == MAP_FAILED) {
        ::close(fd);
        return E_FAIL;
    }
    auto *block = static_cast<CGalleryMemory *>(std::calloc(1, sizeof(CGalleryMemory)));
    if (!block) {
        ::munmap(base, static_cast<size_t>(st.st_size));
        ::close(fd);
        return E_OUTOFMEMORY;
    }
    block->m_base = static_cast<unsigned char *>(base);
    block->m_length = static_cast<uint64_t>(st.st_size);
    block->m_fd = fd;
    block->m_mapped = 1;
    Enter(block);
    *out = block;
    return S_OK;
}

void CGalleryMemory::DeleteInstance(CGalleryMemory **inOut)
{
    if (!inOut || !*inOut) return;
    CGalleryMemory *block = *inOut;
    *inOut = nullptr;
    Leave(block);
    if (block->m_mapped) {
        ::munmap(block->m_base, static_cast<size_t>(block->m_length));
        ::close(block->m_fd);
    } else {
        std::free(block->m_base);
    }
    std::free(block);
}

bool CGalleryMemory::Contains(const void *address) const
{
    const auto *p = static_cast<const unsigned char *>(address);
    return m_base && p >= m_base && p < m_base + m_length;
}

bool CGalleryMemory::IsManagedMemory(const void *address)
{
    if (!address || address == CGallery::EmptyString) return true;
    std::lock_guard<std::mutex> guard(BlocksMutex());
    for (const CGalleryMemory *block : Blocks())
        if (block->Contains(address)) return true;
    return false;
}
