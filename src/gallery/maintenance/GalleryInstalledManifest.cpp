// The uninstall-record reader (one explicit state machine, see eState) and the registry of a
// destination.
#include "gallery/maintenance/GalleryInstalledManifest.h"

#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryManifest.h"

#include "support/RegularFile.h"

#include <algorithm>
#include <new>
#include <vector>

#include <unistd.h>

namespace
{

// Any non-zero handler status stops the parse; this one means "done, both values known".
constexpr HRESULT kStopReading = S_FALSE;
constexpr size_t kFirstPiece = 4096;

CAtlString Trimmed(const KELDASaxString &text)
{
    CAtlString value;
    if (text) CGallery::Trim(text.value().c_str(), value);
    return value;
}

} // namespace

CGalleryInstalledManifest::CGalleryInstalledManifest(const CGalleryInstalledManifest &other)
    : KELDASaxContentHandler(other)
{
    *this = other;
}

CGalleryInstalledManifest &CGalleryInstalledManifest::operator=(const CGalleryInstalledManifest &other)
{
    if (this == &other) return *this;
    m_state = other.m_state;
    m_result = other.m_result;
    m_filePath = other.m_filePath;
    m_identifier = other.m_identifier;
    m_identifierFound = other.m_identifierFound;
    m_version = other.m_version;
    m_versionFound = other.m_versionFound;
    m_stringVersions = other.m_stringVersions;
    m_bytesRead = other.m_bytesRead;
    // The parse buffer belongs to one Open only.
    m_buffer = nullptr;
    m_length = 0;
    m_truncated = false;
    return *this;
}

CGalleryInstalledManifest::~CGalleryInstalledManifest() = default;

HRESULT CGalleryInstalledManifest::Clone(CGalleryInstalledManifest **out) const
{
    if (!out || *out) return E_INVALIDARG;
    *out = new (std::nothrow) CGalleryInstalledManifest(*this);
    return *out ? S_OK : E_OUTOFMEMORY;
}

void CGalleryInstalledManifest::Reset()
{
    m_state = eStateStart;
    m_result = E_FAIL;
    m_identifier.clear();
    m_identifierFound = false;
    m_version.clear();
    m_versionFound = false;
    m_stringVersions.clear();
    m_truncated = false;
}

HRESULT CGalleryInstalledManifest::Open(const CKeldaFilePath &path)
{
    Reset();
    m_filePath = path;
    m_bytesRead = 0;
    if (Text::EqualsNoCase(path.GetFileExtension(), L".gz")) {
        // A compressed record can only be read whole. The answer is what the handler found, whether the
        // parse ran to the end or was stopped once both values were known.
        (void)KELDASax::ReadXmlFile(path.GetFilePathString(), this);
        return m_result;
    }
    uint64_t size = 0;
    const int fd = RegularFile::OpenForReading(path.GetFilePathStringA(), KELDASax::kMaxDocumentBytes, &size);
    if (fd < 0) return m_result;
    std::vector<char> bytes;
    // Never more than the file holds: the request grows only up to its size.
    size_t want = static_cast<size_t>(std::min<uint64_t>(kFirstPiece, size));
    for (;;) {
        // Read up to `want` bytes in all, then parse the piece from its start.
        const size_t had = bytes.size();
        bytes.resize(want);
        const size_t got = RegularFile::ReadUpTo(fd, bytes.data() + had, want - had);
        bytes.resize(had + got);
        m_bytesRead = bytes.size();
        const bool atEnd = bytes.size() < want || bytes.size() >= size;
        Reset();
        // A record in UTF-16 is parsed whole: positions in its UTF-8 form are not positions in the piece.
        const bool utf16 = bytes.size() >= 2 &&
                           ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
        if (utf16 && !atEnd) {
            want = static_cast<size_t>(size);
            continue;
        }
        m_buffer = utf16 ? nullptr : bytes.data();
        m_length = utf16 ? 0 : bytes.size();
        const HRESULT hr = bytes.empty() ? E_FAIL : KELDASax::ReadXml(bytes.data(), bytes.size(), this);
        m_buffer = nullptr;
        m_length = 0;
        // Done: both values found, the record's LOM block ended, or the whole file was parsed.
        if (hr == kStopReading || atEnd) break;
        if (hr == S_OK && !m_truncated) break;
        want = static_cast<size_t>(std::min<uint64_t>(uint64_t(want) * 2, size));
    }
    ::close(fd);
    return m_result;
}

bool CGalleryInstalledManifest::TextIsComplete(const KELDASaxString &text, size_t position) const
{
    if (!m_buffer) return true; // a whole document
    size_t at = text ? static_cast<size_t>(text.data() + text.length() - m_buffer) : position;
    while (at < m_length &&
           (m_buffer[at] == ' ' || m_buffer[at] == '\t' || m_buffer[at] == '\n' || m_buffer[at] == '\r'))
        ++at;
    return at < m_length && m_buffer[at] == '<';
}

HRESULT CGalleryInstalledManifest::Found()
{
    if (!m_identifierFound || !m_versionFound) return S_OK;
    m_result = S_OK;
    return kStopReading;
}

HRESULT CGalleryInstalledManifest::startElement(const KELDASaxString &name, const KELDASaxString &,
                                                const KELDASaxString &, const KELDASaxAttributes &attributes,
                                                const KELDASaxString &text, size_t position, size_t)
{
    switch (m_state) {
    case eStateStart:
        if (name == "manifest") m_state = eStateManifest;
        break;
    case eStateManifest:
        if (name == "keldagallery:stringversions" || name == "metadata") m_state = eStateMetadataOrVersions;
        break;
    case eStateMetadataOrVersions:
        if (name == "lom:string") {
            // A value cut off at the end of the piece is read again from a longer one.
            if (!TextIsComplete(text, position)) {
                m_truncated = true;
                return kStopReading + 1;
            }
            const CAtlString language = attributes.GetValue("language").value();
            m_stringVersions[language] = Trimmed(text);
        } else if (name == "lom:lom") {
            m_state = eStateLom;
        }
        break;
    case eStateLom:
        if (name == "lom:general")
            m_state = eStateGeneral;
        else if (name == "lom:lifeCycle")
            m_state = eStateLifeCycle;
        break;
    case eStateGeneral:
        if (name == "lom:identifier") m_state = eStateIdentifier;
        break;
    case eStateIdentifier:
        if (name == "lom:entry") {
            if (!TextIsComplete(text, position)) {
                m_truncated = true;
                return kStopReading + 1;
            }
            m_identifier = Trimmed(text);
            m_identifierFound = true;
            return Found();
        }
        break;
    case eStateLifeCycle:
        if (name == "lom:version") m_state = eStateVersion;
        break;
    case eStateVersion:
        if (name == "lom:string") {
            if (!TextIsComplete(text, position)) {
                m_truncated = true;
                return kStopReading + 1;
            }
            m_version = Trimmed(text);
            m_versionFound = true;
            return Found();
        }
        break;
    }
    return S_OK;
}

HRESULT CGalleryInstalledManifest::endElement(const KELDASaxString &name, const KELDASaxString &,
                                              const KELDASaxString &, size_t, size_t)
{
    // The end of the LOM block ends the search whatever was found.
    if (name == "lom:lom" && m_state != eStateStart) return kStopReading;
    switch (m_state) {
    case eStateMetadataOrVersions:
        if (name == "keldagallery:stringversions") m_state = eStateManifest;
        break;
    case eStateGeneral:
        if (name == "lom:general") m_state = eStateLom;
        break;
    case eStateIdentifier:
        if (name == "lom:identifier") m_state = eStateGeneral;
        break;
    case eStateLifeCycle:
        if (name == "lom:lifeCycle") m_state = eStateLom;
        break;
    case eStateVersion:
        if (name == "lom:version") m_state = eStateLifeCycle;
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT CGalleryInstalledManifestMap::Open(const CKeldaDirectoryPath &directory)
{
    m_map.clear();
    m_bytesRead = 0;
    std::vector<CKeldaFilePath> files;
    directory.FindFilesInDirectory(L"imsmanifest*.xml", files);
    CGalleryInstalledManifest record;
    for (const CKeldaFilePath &file : files) {
        const HRESULT hr = record.Open(file);
        m_bytesRead += record.GetBytesRead();
        if (FAILED(hr)) continue;
        m_map[record.GetIdentifier()] = record;
    }
    return S_OK;
}

const CGalleryInstalledManifest *CGalleryInstalledManifestMap::operator[](const CAtlString &identifier) const
{
    const auto found = m_map.find(identifier);
    return found == m_map.end() ? nullptr : &found->second;
}

HRESULT CGalleryManifest::GetInstalledManifests(CGalleryInstalledManifestMap &map) const
{
    return map.Open(GetUninstallDirectoryPath());
}
