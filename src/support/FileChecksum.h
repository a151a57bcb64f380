// The program's own 32-bit file checksum: CRC-32 with polynomial 0x04C11DB7, most significant bit first,
// initial value 0, no reflection, no final inversion ("abc" gives 0x2C17398C, no bytes give 0). It is
// not the common zlib/ZIP CRC-32 (that one is CGalleryCRC's); the two are never mixed.
#pragma once

#include <cstddef>
#include <cstdint>

class CKeldaFilePath;

namespace FileChecksum
{

// Continues a running checksum over size bytes (start with 0).
uint32_t Update(uint32_t crc, const void *data, size_t size);
// The checksum of the whole file, read through one memory mapping; 0 when it cannot be opened or mapped.
uint32_t OfFile(const CKeldaFilePath &path);

} // namespace FileChecksum
