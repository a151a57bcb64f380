// The stream implementations behind CStreamFactory: stdio file streams, the compressing file writer and
// the memory buffer.
#include "support/StreamFactory.h"

#include "support/SaveFile.h"

#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Reference counting shared by every stream.
template <class Interface> class CountedStream : public Interface
{
  public:
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override
    {
        const uint32_t left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

  private:
    std::atomic<uint32_t> m_refs{1};
};

bool NewPosition(uint64_t current, uint64_t size, int64_t move, eKeldaStreamSeek origin, uint64_t *result)
{
    uint64_t base = 0;
    switch (origin) {
    case eKeldaStreamSeekSet:
        base = 0;
        break;
    case eKeldaStreamSeekCurrent:
        base = current;
        break;
    case eKeldaStreamSeekEnd:
        base = size;
        break;
    default:
        return false;
    }
    if (move < 0) {
        const uint64_t back = static_cast<uint64_t>(-(move + 1)) + 1;
        if (back > base) return false;
        *result = base - back;
    } else {
        const uint64_t forward = static_cast<uint64_t>(move);
        if (forward > std::numeric_limits<uint64_t>::max() - base) return false;
        *result = base + forward;
    }
    return *result <= static_cast<uint64_t>(std::numeric_limits<off_t>::max());
}

class CFileStream : public CountedStream<IKELDAStream>
{
  public:
    CFileStream(FILE *file, CAtlStringA path, uint64_t offset, bool writable)
        : m_file(file), m_path(std::move(path)), m_offset(offset), m_writable(writable)
    {
    }
    ~CFileStream() override { Commit(); }

    HRESULT Read(void *buffer, size_t count, size_t *read) override
    {
        if (read) *read = 0;
        if (!m_file || (!buffer && count)) return E_FAIL;
        const size_t n = std::fread(buffer, 1, count, m_file);
        if (read) *read = n;
        if (n == count) return S_OK;
        return std::ferror(m_file) ? E_FAIL : S_FALSE;
    }
    HRESULT Write(const void *buffer, size_t count, size_t *written) override
    {
        if (written) *written = 0;
        if (!m_file || !m_writable || (!buffer && count)) return E_FAIL;
        const size_t n = std::fwrite(buffer, 1, count, m_file);
        if (written) *written = n;
        if (n != count) m_failed = true;
        return n == count ? S_OK : E_FAIL;
    }
    HRESULT Seek(int64_t move, eKeldaStreamSeek origin, uint64_t *newPosition) override
    {
        if (!m_file) return E_FAIL;
        const off_t here = ftello(m_file);
        if (here < 0 || std::fseek(m_file, 0, SEEK_END) != 0) return E_FAIL;
        const off_t fileEnd = ftello(m_file);
        const uint64_t current = static_cast<uint64_t>(here) > m_offset ? static_cast<uint64_t>(here) - m_offset : 0;
        const uint64_t size = static_cast<uint64_t>(fileEnd) > m_offset ? static_cast<uint64_t>(fileEnd) - m_offset : 0;
        uint64_t target = 0;
        bool ok = NewPosition(current, size, move, origin, &target) &&
                  target <= static_cast<uint64_t>(std::numeric_limits<off_t>::max()) - m_offset;
        if (!ok) target = current;
        if (fseeko(m_file, static_cast<off_t>(m_offset + target), SEEK_SET) != 0) return E_FAIL;
        if (newPosition) *newPosition = target;
        return ok ? S_OK : E_FAIL;
    }
    HRESULT Stat(KeldaStreamStat *stat) override
    {
        if (!stat || !m_file) return E_FAIL;
        std::fflush(m_file);
        struct stat st {
        };
        if (::fstat(fileno(m_file), &st) != 0) return E_FAIL;
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        stat->size = size > m_offset ? size - m_offset : 0;
        return S_OK;
    }
    HRESULT Clone(IKELDAStream **out) override
    {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (m_writable || !m_file) return E_NOTIMPL; // reopening would truncate
        FILE *again = std::fopen(m_path.c_str(), "rb");
        if (!again) return E_FAIL;
        const off_t here = ftello(m_file);
        if (here < 0 || fseeko(again, here, SEEK_SET) != 0) {
            std::fclose(again);
            return E_FAIL;
        }
        *out = new CFileStream(again, m_path, m_offset, false);
        return S_OK;
    }
    HRESULT Commit() override
    {
        if (!m_file) return m_failed ? E_FAIL : S_OK;
        if (m_writable && (std::fflush(m_file) != 0 || ::fsync(fileno(m_file)) != 0)) m_failed = true;
        if (std::fclose(m_file) != 0 && m_writable) m_failed = true;
        m_file = nullptr;
        return m_failed ? E_FAIL : S_OK;
    }

  private:
    FILE *m_file;
    CAtlStringA m_path;
    uint64_t m_offset;
    bool m_writable;
    bool m_failed = false;
};

FILE *OpenAt(const CAtlStringA &path, const char *mode, uint64_t offset)
{
    FILE *file = std::fopen(path.c_str(), mode);
    if (!file) return nullptr;
    if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
        fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

class CBufferStream : public CountedStream<IKELDABufferStream>
{
  public:
    HRESULT Read(void *buffer, size_t count, size_t *read) override
    {
        if (read) *read = 0;
        if (!buffer && count) return E_FAIL;
        const size_t available = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
        const size_t n = count < available ? count : available;
        if (n) std::memcpy(buffer, m_bytes.data() + m_position, n);
        m_position += n;
        if (read) *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Write(const void *buffer, size_t count, size_t *written) override
    {
        if (written) *written = 0;
        if (!buffer && count) return E_FAIL;
        if (m_position > m_bytes.size()) m_bytes.resize(m_position, '\0');
        const size_t overlap = std::min(count, m_bytes.size() - m_position);
        m_bytes.replace(m_position, overlap, static_cast<const char *>(buffer), count);
        m_position += count;
        if (written) *written = count;
        return S_OK;
    }
    HRESULT Seek(int64_t move, eKeldaStreamSeek origin, uint64_t *newPosition) override
    {
        uint64_t target = 0;
        if (!NewPosition(m_position, m_bytes.size(), move, origin, &target) || target > m_bytes.max_size())
            return E_FAIL;
        m_position = static_cast<size_t>(target);
        if (newPosition) *newPosition = target;
        return S_OK;
    }
    HRESULT Stat(KeldaStreamStat *stat) override
    {
        if (!stat) return E_FAIL;
        stat->size = m_bytes.size();
        return S_OK;
    }
    HRESULT Clone(IKELDAStream **out) override
    {
        if (!out) return E_INVALIDARG;
        auto *copy = new CBufferStream;
        copy->m_bytes = m_bytes;
        copy->m_position = m_position;
        *out = copy;
        return S_OK;
    }
    HRESULT Commit() override { return S_OK; }
    HRESULT DetachBufferPointer(std::vector<uint8_t> *bytes) override
    {
        if (!bytes) return E_INVALIDARG;
        bytes->assign(m_bytes.begin(), m_bytes.end());
        m_bytes.clear();
        m_position = 0;
        return S_OK;
    }
    HRESULT DetachBufferAsString(CAtlStringA *text) override
    {
        if (!text) return E_INVALIDARG;
        *text = std::move(m_bytes);
        m_bytes.clear();
        m_position = 0;
        return S_OK;
    }
    std::string_view Peek() const override { return m_bytes; }

  private:
    std::string m_bytes;
    size_t m_position = 0;
};

bool ReadAll(const CAtlStringA &path, uint64_t offset, std::string *bytes)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    bool ok = true;
    if (offset > 0) {
        ok = offset <= static_cast<uint64_t>(std::numeric_limits<off_t>::max()) &&
             fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
    }
    char block[65536];
    while (ok) {
        const size_t n = std::fread(block, 1, sizeof block, file);
        bytes->append(block, n);
        if (n < sizeof block) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    return ok;
}

// The compressing writer: a raw temporary file, compressed into the target on Commit.
class CCompressedFileStream : public CountedStream<IKELDAStream>
{
  public:
    CCompressedFileStream(IKELDAStream *raw, CAtlStringA rawPath, CAtlStringA target, uint64_t offset)
        : m_raw(raw), m_rawPath(std::move(rawPath)), m_target(std::move(target)), m_offset(offset)
    {
    }
    ~CCompressedFileStream() override { Commit(); }

    HRESULT Read(void *buffer, size_t count, size_t *read) override
    {
        if (!m_raw) return E_FAIL;
        return m_raw->Read(buffer, count, read);
    }
    HRESULT Write(const void *buffer, size_t count, size_t *written) override
    {
        if (!m_raw) {
            if (written) *written = 0;
            return E_FAIL;
        }
        const HRESULT hr = m_raw->Write(buffer, count, written);
        if (FAILED(hr)) m_failed = true;
        return hr;
    }
    HRESULT Seek(int64_t move, eKeldaStreamSeek origin, uint64_t *newPosition) override
    {
        return m_raw ? m_raw->Seek(move, origin, newPosition) : E_FAIL;
    }
    HRESULT Stat(KeldaStreamStat *stat) override { return m_raw ? m_raw->Stat(stat) : E_FAIL; }
    HRESULT Clone(IKELDAStream **out) override
    {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT Commit() override
    {
        if (!m_raw) return m_failed ? E_FAIL : S_OK;
        KeldaStreamStat st;
        const bool wroteSomething = SUCCEEDED(m_raw->Stat(&st)) && st.size > 0;
        if (FAILED(m_raw->Commit())) m_failed = true;
        m_raw->Release();
        m_raw = nullptr;

        std::string plain;
        bool ok = !m_failed;
        const bool targetExists = ::access(m_target.c_str(), F_OK) == 0;
        if (ok && targetExists && ::access(m_target.c_str(), W_OK) != 0) ok = false; // left alone
        if (ok && wroteSomething)
            ok = ReadAll(m_rawPath, 0, &plain);
        else if (ok && targetExists)
            ok = ReadAll(m_target, m_offset, &plain);
        ::unlink(m_rawPath.c_str());

        std::string output;
        if (ok && m_offset > 0) {
            // Keep the head of an existing target in front of the compressed bytes.
            std::string head;
            if (ReadAll(m_target, 0, &head))
                output = head.substr(0, static_cast<size_t>(std::min<uint64_t>(m_offset, head.size())));
        }
        if (ok) {
            uLongf size = compressBound(static_cast<uLong>(plain.size()));
            const size_t headSize = output.size();
            output.resize(headSize + size);
            ok = plain.size() <= std::numeric_limits<uLong>::max() &&
                 compress(reinterpret_cast<Bytef *>(&output[headSize]), &size,
                          reinterpret_cast<const Bytef *>(plain.data()), static_cast<uLong>(plain.size())) == Z_OK;
            output.resize(headSize + size);
        }
        if (ok) ok = CStreamFactory::ReplaceFileContents(m_target, output);
        if (!ok) m_failed = true;
        return m_failed ? E_FAIL : S_OK;
    }

  private:
    IKELDAStream *m_raw;
    CAtlStringA m_rawPath;
    CAtlStringA m_target;
    uint64_t m_offset;
    bool m_failed = false;
};

// A file stream whose position 0 is file offset `offset`: read-write and truncating, or read-only.
HRESULT CreateFileStream(IKELDAStream **out, const CAtlString &path, uint64_t offset, bool writable)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    const CAtlStringA utf8 = Text::ToUtf8(path);
    FILE *file = OpenAt(utf8, writable ? "w+b" : "rb", offset);
    if (!file) return E_FAIL;
    *out = new CFileStream(file, utf8, offset, writable);
    return S_OK;
}

} // namespace

HRESULT CStreamFactory::CreateWritableFileStream(IKELDAStream **out, const CAtlString &path, uint64_t offset)
{
    return CreateFileStream(out, path, offset, true);
}

HRESULT CStreamFactory::CreateReadableStreamOnFile(IKELDAStream **out, const CAtlString &path, uint64_t offset)
{
    return CreateFileStream(out, path, offset, false);
}

HRESULT CStreamFactory::CreateWritableCompressedFileStream(IKELDAStream **out, const CAtlString &path, uint64_t offset)
{
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    const CAtlStringA target = Text::ToUtf8(path);
    if (target.empty()) return E_FAIL;
    std::string name = target + ".XXXXXX.rawstream";
    const int fd = ::mkstemps(name.data(), 10);
    if (fd < 0) return E_FAIL;
    FILE *file = ::fdopen(fd, "w+b");
    if (!file) {
        ::close(fd);
        ::unlink(name.c_str());
        return E_FAIL;
    }
    auto *raw = new CFileStream(file, name, 0, true);
    *out = new CCompressedFileStream(raw, name, target, offset);
    return S_OK;
}

HRESULT CStreamFactory::CreateWritableBufferStream(IKELDABufferStream **out)
{
    if (!out) return E_INVALIDARG;
    *out = new CBufferStream;
    return S_OK;
}

bool CStreamFactory::ReplaceFileContents(const CAtlStringA &target, std::string_view bytes)
{
    return !target.empty() && CSaveFile::WriteWholeFile(target, bytes);
}
