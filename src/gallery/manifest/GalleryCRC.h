// CGalleryCRC: the checksum of the binary manifest cache. The common reflected CRC-32 (polynomial
// 0xEDB88320, initial value 0xFFFFFFFF, final complement), the same value zlib and ZIP compute.
#pragma once

#include "support/Result.h"

#include <cstddef>
#include <cstdint>

class CGallerySerializationStream;

class CGalleryCRC
{
  public:
    CGalleryCRC() = default;

    // Feeds count bytes.
    void Add(const void *bytes, size_t count);
    // Feeds everything from the stream's current position to its end (4096-byte blocks), then seeks
    // back to where it started. A read or seek failure is returned and the sum is then unusable.
    [[nodiscard]] HRESULT Add(CGallerySerializationStream *stream);
    // The complemented state; the upper 32 bits are zero.
    uint64_t GetChecksum() const { return static_cast<uint64_t>(~m_state); }
    void Reset() { m_state = 0xFFFFFFFFu; }

    // The 256-entry table of the byte-wise update.
    static const uint32_t *GetTable();
    // Continues a running (uncomplemented) state over count bytes.
    static uint32_t Update(uint32_t state, const void *bytes, size_t count);

  private:
    uint32_t m_state = 0xFFFFFFFFu;
};
