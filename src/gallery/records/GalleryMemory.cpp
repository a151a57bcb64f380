// The process-wide list of managed blocks and the two kinds of block (heap, mapped file).
#include "gallery/records/GalleryMemory.h"

#include "gallery/facade/Gallery.h"
#include "support/Limits.h"
#include "support/RegularFile.h"
#include "support/Text.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace
{

// Live blocks are published in a fixed table of address ranges so that the question asked on every
// free ("is this inside a cache image?") never takes a lock: destroying a manifest asks it once per
// string and record. Entering and leaving blocks is rare and serialised by a mutex; readers only load
// atomics. Blocks beyond the table fall back to a locked overflow list, which readers consult only
// while it is non-empty.
constexpr size_t kSlots = 64;

struct Slot {
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0}; // 0 while the slot is free or being filled
    std::atomic<bool> clean{false};
};

Slot g_slots[kSlots];
std::atomic<size_t> g_slotsInUse{0}; // high-water mark of the slots ever filled
std::atomic<size_t> g_overflowCount{0};

std::mutex &BlocksMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<const CGalleryMemory *> &Overflow()
{
    static std::vector<const CGalleryMemory *> blocks;
    return blocks;
}

void Enter(const CGalleryMemory *block)
{
    const auto begin = reinterpret_cast<uintptr_t>(block->GetBase());
    const auto end = begin + static_cast<uintptr_t>(block->GetLength());
    std::lock_guard<std::mutex> guard(BlocksMutex());
    for (size_t i = 0; i < kSlots; ++i) {
        Slot &slot = g_slots[i];
        if (slot.begin.load(std::memory_order_relaxed) != 0) continue;
        slot.begin.store(begin, std::memory_order_relaxed);
        slot.end.store(end, std::memory_order_release);
        if (g_slotsInUse.load(std::memory_order_relaxed) <= i) g_slotsInUse.store(i + 1, std::memory_order_release);
        return;
    }
    Overflow().push_back(block);
    g_overflowCount.fetch_add(1, std::memory_order_release);
}

void Leave(const CGalleryMemory *block)
{
    const auto begin = reinterpret_cast<uintptr_t>(block->GetBase());
    std::lock_guard<std::mutex> guard(BlocksMutex());
    for (size_t i = 0; i < kSlots; ++i) {
        Slot &slot = g_slots[i];
        if (slot.begin.load(std::memory_order_relaxed) != begin) continue;
        slot.clean.store(false, std::memory_order_relaxed);
        slot.end.store(0, std::memory_order_release);
        slot.begin.store(0, std::memory_order_relaxed);
        return;
    }
    auto &blocks = Overflow();
    const auto found = std::find(blocks.begin(), blocks.end(), block);
    if (found == blocks.end()) return;
    blocks.erase(found);
    g_overflowCount.fetch_sub(1, std::memory_order_release);
}

// The table slot of the live block holding address, or null (also for blocks in the overflow list).
Slot *SlotOf(uintptr_t address)
{
    const size_t used = g_slotsInUse.load(std::memory_order_acquire);
    for (size_t i = 0; i < used; ++i) {
        const uintptr_t end = g_slots[i].end.load(std::memory_order_acquire);
        if (address < end && address >= g_slots[i].begin.load(std::memory_order_relaxed)) return &g_slots[i];
    }
    return nullptr;
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
    uint64_t size = 0;
    const int fd = RegularFile::OpenForReading(path, Limits::kMaxCacheImageBytes, &size);
    if (fd < 0) return E_FAIL;
    if (size == 0) {
        ::close(fd);
        return E_FAIL;
    }
    void *base = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (base == MAP_FAILED) {
        ::close(fd);
        return E_FAIL;
    }
    auto *block = static_cast<CGalleryMemory *>(std::calloc(1, sizeof(CGalleryMemory)));
    if (!block) {
        ::munmap(base, static_cast<size_t>(size));
        ::close(fd);
        return E_OUTOFMEMORY;
    }
    block->m_base = static_cast<unsigned char *>(base);
    block->m_length = size;
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
    if (SlotOf(reinterpret_cast<uintptr_t>(address))) return true;
    if (g_overflowCount.load(std::memory_order_acquire) == 0) return false;
    std::lock_guard<std::mutex> guard(BlocksMutex());
    for (const CGalleryMemory *block : Overflow())
        if (block->Contains(address)) return true;
    return false;
}

void CGalleryMemory::MarkClean(const CGalleryMemory *block)
{
    if (!block || !block->m_base) return;
    if (Slot *slot = SlotOf(reinterpret_cast<uintptr_t>(block->m_base)))
        slot->clean.store(true, std::memory_order_release);
}

void CGalleryMemory::NoteWrite(const void *address)
{
    if (!address) return;
    Slot *slot = SlotOf(reinterpret_cast<uintptr_t>(address));
    if (slot && slot->clean.load(std::memory_order_relaxed)) slot->clean.store(false, std::memory_order_release);
}

bool CGalleryMemory::IsInCleanBlock(const void *address)
{
    if (!address) return false;
    const Slot *slot = SlotOf(reinterpret_cast<uintptr_t>(address));
    return slot && slot->clean.load(std::memory_order_acquire);
}
