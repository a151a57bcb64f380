// The cache stream: an in-memory image published through CSaveFile when writing, a plain file
// descriptor when reading.
#include "gallery/manifest/GallerySerializationStream.h"

#include "gallery/manifest/GalleryFileOps_p.h"
#include "support/KeldaPath.h"
#include "support/Limits.h"
#include "support/RegularFile.h"
#include "support/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cwchar>
#include <new>

HRESULT CGallerySerializationStream::CreateInstance(CGallerySerializationStream **out)
{
    if (!out || *out) return E_INVALIDARG;
    *out = new (std::nothrow) CGallerySerializationStream;
    return *out ? S_OK : E_OUTOFMEMORY;
}

void CGallerySerializationStream::DeleteInstance(CGallerySerializationStream **inOut)
{
    if (!inOut || !*inOut) return;
    delete *inOut;
    *inOut = nullptr;
}

CGallerySerializationStream::~CGallerySerializationStream()
{
    // An image that was never closed is not published.
    m_failed = true;
    (void)Close();
}

HRESULT CGallerySerializationStream::Open(const CAtlString &path, bool write)
{
    (void)Close(); // a stream reopened before its Close gives up the earlier image
    m_path = path;
    m_position = m_length = 0;
    m_failed = false;
    m_write = write;
    const CKeldaFilePath file(path);
    if (write) {
        if (!GalleryFileOps::MakeDirectories(file.GetDirectoryPath())) return E_FAIL;
        return CStreamFactory::CreateWritableBufferStream(&m_buffer) == S_OK && m_buffer ? S_OK : E_FAIL;
    }
    if (!file.FileExists()) return S_FALSE;
    // A FIFO or a device in place of the image neither blocks nor feeds the reader.
    m_fd = RegularFile::OpenForReading(Text::ToUtf8(path), Limits::kMaxCacheImageBytes, &m_length);
    return m_fd < 0 ? E_FAIL : S_OK;
}

HRESULT CGallerySerializationStream::Close()
{
    HRESULT hr = S_OK;
    if (m_buffer) {
        if (m_failed) {
            hr = E_FAIL;
        } else {
            const std::string_view bytes = m_buffer->Peek();
            if (!CSaveFile::WriteWholeFile(CKeldaFilePath(m_path), bytes)) hr = E_FAIL;
        }
        m_buffer->Release();
        m_buffer = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    return hr;
}

void CGallerySerializationStream::Cancel()
{
    m_failed = true;
}

HRESULT CGallerySerializationStream::Seek(uint64_t position)
{
    if (position > kMaxLength) return E_FAIL;
    if (m_fd >= 0) {
        if (::lseek(m_fd, static_cast<off_t>(position), SEEK_SET) < 0) return E_FAIL;
        m_position = position;
        return S_OK;
    }
    if (!m_buffer) return E_FAIL;
    uint64_t now = 0;
    if (FAILED(m_buffer->Seek(static_cast<int64_t>(position), eKeldaStreamSeekSet, &now))) return E_FAIL;
    m_position = now;
    return S_OK;
}

HRESULT CGallerySerializationStream::Write(const void *bytes, uint64_t count)
{
    if (count == 0) return S_OK;
    if (!bytes) return E_INVALIDARG;
    if (!m_buffer || m_failed) return E_FAIL;
    if (count > kMaxLength || m_position > kMaxLength - count) {
        m_failed = true;
        return E_FAIL;
    }
    size_t written = 0;
    if (FAILED(m_buffer->Write(bytes, static_cast<size_t>(count), &written)) || written != count) {
        m_failed = true;
        return E_FAIL;
    }
    m_position += count;
    if (m_position > m_length) m_length = m_position;
    return S_OK;
}

HRESULT CGallerySerializationStream::Write(uint64_t value)
{
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    return Write(bytes, sizeof bytes);
}

HRESULT CGallerySerializationStream::PadTo(uint64_t base, uint64_t alignment)
{
    static const unsigned char zeros[16] = {};
    if (alignment == 0 || alignment > sizeof zeros) return E_INVALIDARG;
    const uint64_t used = (m_length - base) % alignment;
    if (!used) return S_OK;
    HRESULT hr = m_position == m_length ? S_OK : Seek(m_length);
    if (SUCCEEDED(hr)) hr = Write(zeros, alignment - used);
    return hr;
}

HRESULT CGallerySerializationStream::Read(void *buffer, uint64_t count, uint64_t *got, bool exact)
{
    if (!got) return E_INVALIDARG;
    *got = 0;
    if (!buffer && count) return E_FAIL;
    size_t n = 0;
    HRESULT hr = S_OK;
    if (m_fd >= 0) {
        auto *p = static_cast<unsigned char *>(buffer);
        while (n < count) {
            const ssize_t got =
                ::read(m_fd, p + n, static_cast<size_t>(std::min<uint64_t>(count - n, Limits::kMaxStreamReadBytes)));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                hr = E_FAIL;
                break;
            }
            if (got == 0) break;
            n += static_cast<size_t>(got);
        }
    } else if (m_buffer) {
        hr = m_buffer->Read(buffer, static_cast<size_t>(count), &n);
    } else {
        return E_FAIL;
    }
    m_position += n;
    *got = n;
    if (FAILED(hr)) return hr;
    return exact && n != count ? E_FAIL : S_OK;
}

HRESULT CGallerySerializationStream::Serialize(uint64_t recordPosition, uint64_t fieldOffset, uint64_t value)
{
    const uint64_t here = m_position;
    HRESULT hr = Seek(recordPosition + fieldOffset);
    if (SUCCEEDED(hr)) hr = Write(value);
    if (SUCCEEDED(hr)) hr = Seek(here);
    if (FAILED(hr)) m_failed = true;
    return hr;
}

HRESULT CGallerySerializationStream::Serialize(uint64_t recordPosition, uint64_t fieldOffset, const void *bytes,
                                               uint64_t count)
{
    if (!bytes && count) return E_INVALIDARG;
    HRESULT hr = m_position == m_length ? S_OK : Seek(m_length);
    if (SUCCEEDED(hr)) hr = Serialize(recordPosition, fieldOffset, m_length);
    if (SUCCEEDED(hr)) hr = Write(bytes, count);
    return hr;
}

HRESULT CGallerySerializationStream::Serialize(uint64_t recordPosition, uint64_t fieldOffset, const wchar_t *text)
{
    static const wchar_t empty[1] = {0};
    if (!text) text = empty;
    static_assert(sizeof(wchar_t) == 4, "cache strings are 4 bytes per character");
    return Serialize(recordPosition, fieldOffset, text, (std::wcslen(text) + 1) * sizeof(wchar_t));
}

const unsigned char *CGallerySerializationStream::GetWrittenBytes() const
{
    return m_buffer ? reinterpret_cast<const unsigned char *>(m_buffer->Peek().data()) : nullptr;
}
