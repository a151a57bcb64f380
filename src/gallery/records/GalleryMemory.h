// CGalleryMemory: one block of bytes that owns records loaded from a binary manifest cache. Every live
// block is entered in a process-wide list; records, collections and strings inside a live block are
// "managed" and never freed one by one.
#pragma once

#include "support/Result.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

class CGalleryMemory
{
  public:
    // A zero-filled heap block of size bytes.
    [[nodiscard]] static HRESULT CreateInstance(size_t size, CGalleryMemory **out);
    // The whole file mapped read-only and private; the descriptor stays open while the block lives.
    [[nodiscard]] static HRESULT CreateInstance(const wchar_t *filePath, CGalleryMemory **out);
    static void DeleteInstance(CGalleryMemory **inOut);

    unsigned char *GetBase() const { return m_base; }
    uint64_t GetLength() const { return m_length; }
    bool Contains(const void *address) const;

    // True for null, the shared empty string and any address inside a live block.
    static bool IsManagedMemory(const void *address);

    // A block whose records, once loaded, own nothing outside it is "clean": destroying such a record
    // needs no walk through its members. MarkClean is called when loading has finished; every
    // allocation or transfer of ownership that stores into a block (strings, arrays, sub-records,
    // collection members) calls NoteWrite with the address written, which makes the block dirty for
    // the rest of its life. Blocks beyond the lock-free table are never clean.
    static void MarkClean(const CGalleryMemory *block);
    static void NoteWrite(const void *address);
    static bool IsInCleanBlock(const void *address);

  private:
    unsigned char *m_base;
    uint64_t m_length;
    int32_t m_fd; // mapped file, -1 for a heap block
    uint8_t m_mapped;
};
static_assert(std::is_standard_layout_v<CGalleryMemory>);
static_assert(sizeof(CGalleryMemory) == 24);
