// Size limits of the file and archive layer, in one place.
#pragma once

#include <cstddef>

namespace Limits
{

// Entries are indexed with 16 bits; an archive with more is refused as a whole.
constexpr size_t kMaxZipEntries = 65535;
// Largest entry that UnzipToMemory hands out (manifests, metadata, item files); larger ones fail.
constexpr size_t kMaxZipMemoryEntry = size_t(256) << 20;
// Longest entry name (the ZIP format stores its length in 16 bits).
constexpr size_t kMaxZipNameLength = 65535;
// Buffer of one extraction step.
constexpr size_t kZipExtractBuffer = 65536;

} // namespace Limits
