// The binary manifest cache image: header, checksum, record encoding and the validating relocation.
//
// File layout: the header text (kHeaderLength bytes, no terminating zero), the 8-byte little-endian
// CRC-32 of every later byte, then the image starting with the manifest record at kImageStart. Every
// record, collection, array and string is a block of its own; blocks start at offsets that are a
// multiple of 8 from kImageStart, in the order the writer appended them (each record before the
// blocks it points to, depth first). A pointer field holds the absolute file offset of its block.
// One empty string right after the manifest record stands for every unset string.
//
// A loaded image is trusted only after every offset, every block's full extent and every string's
// terminator were found inside the file, every block starts at or after the end of the block before it
// (so blocks neither overlap nor form cycles), record kinds and collection counts are consistent, and
// nothing but padding follows the last block. Anything else rejects the cache like a bad checksum.
#pragma once

#include "support/Limits.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <cstdint>

class CGalleryManifest;
class CGalleryMemory;

namespace GalleryCache
{

// "Kelda Vellum Binary Manifest\r\nFormat: 2010-06-03(a)\r\n", form feed, "abcd1234".
extern const char kHeader[];
constexpr uint64_t kHeaderLength = 62;
constexpr uint64_t kImageStart = kHeaderLength + 8;
// The image is read into a block at this distance from the block's base so that blocks are 8-aligned
// in memory.
constexpr uint64_t kLoadBias = (8 - kImageStart % 8) % 8;
// Deepest activity nesting written or accepted: the one depth limit of the gallery model.
constexpr int kMaxDepth = static_cast<int>(Limits::kMaxActivityDepth);

// Writes the cache image of the manifest to path (crash-safe replacement).
[[nodiscard]] HRESULT Write(const CGalleryManifest *manifest, const CAtlString &path);
// Reads and validates a cache file. On success *block holds the relocated image and *image points at
// its manifest record inside it. E_FAIL for a wrong header, short read or checksum mismatch,
// E_POINTER for an offset, extent or structure that does not fit the image.
[[nodiscard]] HRESULT Read(const CAtlString &path, CGalleryMemory **block, CGalleryManifest **image);

} // namespace GalleryCache
