// CGallerySerializationStream: the stream through which the binary manifest cache is written and read,
// with the patching calls that make the image relocatable: a record is written with its pointer fields
// as they are, and each field is then overwritten with the absolute position of the data it points to,
// which is appended at the end.
//
// Writing collects the image in memory and publishes it on Close() crash-safely (temporary file beside
// the target, synced and renamed over it), so a reader never sees a torn cache and a failed write
// leaves no partial file. Reading goes straight to the file descriptor, so that a whole image arrives
// with as few copies as possible. Positions and lengths are 64-bit
// values of which only the low 32 bits are used: an image is limited to 4 GiB.
#pragma once

#include "support/Result.h"
#include "support/StreamFactory.h"
#include "support/Limits.h"
#include "support/Text.h"

#include <cstddef>
#include <cstdint>

class CGallerySerializationStream
{
  public:
    // Largest image written or read.
    static constexpr uint64_t kMaxLength = Limits::kMaxCacheImageBytes;

    [[nodiscard]] static HRESULT CreateInstance(CGallerySerializationStream **out);
    static void DeleteInstance(CGallerySerializationStream **inOut);
    ~CGallerySerializationStream();

    // write: creates the file's directory (E_FAIL when that fails) and starts a new image for the file.
    // Read: S_FALSE when the file does not exist, else a readable stream on it. E_FAIL without a stream.
    [[nodiscard]] HRESULT Open(const CAtlString &path, bool write);
    // Publishes a written image (S_OK only when the whole file is in place) or closes the read stream.
    [[nodiscard]] HRESULT Close();
    // Abandons a written image: Close() then publishes nothing and the target stays as it was.
    void Cancel();

    uint64_t GetPosition() const { return m_position; }
    [[nodiscard]] HRESULT Seek(uint64_t position);
    uint64_t GetLength() const { return m_length; }

    // 0 for count 0; E_INVALIDARG for null bytes.
    [[nodiscard]] HRESULT Write(const void *bytes, uint64_t count);
    // 8 bytes, little-endian.
    [[nodiscard]] HRESULT Write(uint64_t value);
    // Appends zero bytes until the end position is a multiple of alignment relative to base.
    [[nodiscard]] HRESULT PadTo(uint64_t base, uint64_t alignment);
    // E_INVALIDARG without got; E_FAIL when exact and fewer bytes arrived.
    [[nodiscard]] HRESULT Read(void *buffer, uint64_t count, uint64_t *got, bool exact);

    // Writes value into the 8-byte field at recordPosition + fieldOffset and returns to the current
    // position.
    [[nodiscard]] HRESULT Serialize(uint64_t recordPosition, uint64_t fieldOffset, uint64_t value);
    // Puts the end position into that field, then appends the bytes at the end.
    [[nodiscard]] HRESULT Serialize(uint64_t recordPosition, uint64_t fieldOffset, const void *bytes, uint64_t count);
    // The same with the string's characters and its terminating zero, 4 bytes per character.
    [[nodiscard]] HRESULT Serialize(uint64_t recordPosition, uint64_t fieldOffset, const wchar_t *text);

    // The bytes written so far (write mode), e.g. to checksum them.
    const unsigned char *GetWrittenBytes() const;

  private:
    CGallerySerializationStream() = default;

    CAtlString m_path;
    bool m_write = false;
    bool m_failed = false;
    IKELDABufferStream *m_buffer = nullptr; // write mode
    int m_fd = -1;                          // read mode
    uint64_t m_position = 0;
    uint64_t m_length = 0;
};
