// Byte streams for the XML writer and readers: a writable file, a readable file, a compressing file
// writer and a growing memory buffer. Streams count references (AddRef/Release; the last Release closes
// and, for the compressing writer, produces the target file). CKeldaPtr holds a reference the RAII way.
#pragma once

#include "support/Result.h"
#include "support/Text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

enum eKeldaStreamSeek {
    eKeldaStreamSeekSet = 0,     // from the start of the stream
    eKeldaStreamSeekCurrent = 1, // from the current position
    eKeldaStreamSeekEnd = 2,     // from the end
};

struct KeldaStreamStat {
    uint64_t size = 0; // bytes in the stream (for a file stream: after its start offset)
};

class IKELDAStream
{
  public:
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
    // Reads up to count bytes; *read (optional) receives how many. S_OK when all arrived, S_FALSE at the
    // end of the stream, E_FAIL on an error or when the stream cannot be read.
    [[nodiscard]] virtual HRESULT Read(void *buffer, size_t count, size_t *read) = 0;
    // Succeeds only when every byte was written; otherwise E_FAIL (*written tells how many went out).
    [[nodiscard]] virtual HRESULT Write(const void *buffer, size_t count, size_t *written) = 0;
    // Moves the position; *newPosition (optional) receives it. A position before the start fails.
    [[nodiscard]] virtual HRESULT Seek(int64_t move, eKeldaStreamSeek origin, uint64_t *newPosition) = 0;
    [[nodiscard]] virtual HRESULT Stat(KeldaStreamStat *stat) = 0;
    // A second stream on the same bytes with its own position; E_NOTIMPL where that makes no sense.
    [[nodiscard]] virtual HRESULT Clone(IKELDAStream **out) = 0;
    // Finishes the stream and tells whether every byte reached its file: file streams flush and sync,
    // the compressing stream writes its target now. Later writes fail. The last Release commits an
    // uncommitted stream itself, but can no longer report a failure.
    [[nodiscard]] virtual HRESULT Commit() = 0;

  protected:
    virtual ~IKELDAStream() = default;
};

// A memory stream that can hand its bytes over.
class IKELDABufferStream : public IKELDAStream
{
  public:
    // Moves the bytes out; the stream is empty afterwards.
    [[nodiscard]] virtual HRESULT DetachBufferPointer(std::vector<uint8_t> *bytes) = 0;
    [[nodiscard]] virtual HRESULT DetachBufferAsString(CAtlStringA *text) = 0;
    // The bytes written so far, without copying; valid until the next write.
    virtual std::string_view Peek() const = 0;
};

// Holds one reference to a counted object.
template <class T> class CKeldaPtr
{
  public:
    CKeldaPtr() = default;
    // Takes over a reference the caller already owns (what the factories hand out).
    explicit CKeldaPtr(T *owned) : m_p(owned) {}
    CKeldaPtr(const CKeldaPtr &other) : m_p(other.m_p)
    {
        if (m_p) m_p->AddRef();
    }
    CKeldaPtr(CKeldaPtr &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CKeldaPtr &operator=(CKeldaPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~CKeldaPtr() { reset(); }

    void reset()
    {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For factory out-parameters: releases what is held and returns the slot.
    T **put()
    {
        reset();
        return &m_p;
    }

  private:
    T *m_p = nullptr;
};

class CStreamFactory
{
  public:
    // Opens the file for reading and writing, truncating it ("w+b"). Stream position 0 is file offset
    // `offset`. E_FAIL and no stream when the file cannot be opened.
    [[nodiscard]] static HRESULT CreateWritableFileStream(IKELDAStream **out, const CAtlString &path,
                                                          uint64_t offset = 0);
    // Reads the file from `offset` on (position 0 is that offset); writing fails.
    [[nodiscard]] static HRESULT CreateReadableStreamOnFile(IKELDAStream **out, const CAtlString &path,
                                                            uint64_t offset = 0);
    // Bytes go to an exclusive temporary file "<target>.XXXXXX.rawstream" beside the target. The last
    // Release compresses them as one zlib stream (compress(), default level) into the target, which is
    // replaced atomically; the first `offset` bytes of an existing target are kept in front. When
    // nothing was written, the target's existing contents (after `offset`) are compressed again. A target
    // that cannot be written is left alone. E_FAIL and no stream when the temporary file cannot be made.
    [[nodiscard]] static HRESULT CreateWritableCompressedFileStream(IKELDAStream **out, const CAtlString &path,
                                                                    uint64_t offset = 0);
    // A growing memory buffer.
    [[nodiscard]] static HRESULT CreateWritableBufferStream(IKELDABufferStream **out);

    // Replaces target with bytes through CSaveFile: a temporary file in the target's directory, flushed
    // and synced, then renamed over it; an existing target's permission bits are kept, and a symbolic
    // link is followed as CSaveFile describes. False leaves the target as it was.
    [[nodiscard]] static bool ReplaceFileContents(const CAtlStringA &target, std::string_view bytes);
};
