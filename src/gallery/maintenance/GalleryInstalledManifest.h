// The installed-manifest registry: for every gallery installed into a destination, its identifier,
// version and translation versions, read from its uninstall record ("Uninstall/imsmanifest%x%x.xml")
// without loading the whole manifest.
//
// CGalleryInstalledManifest reads one record as a stream and stops as soon as identifier and version
// are known. The file is read in growing pieces from its start (4 KiB, then doubling), so a record
// whose head holds both values costs one small read however large the record is.
// CGalleryInstalledManifestMap collects the records of a directory by identifier.
#pragma once

#include "support/KELDASax.h"
#include "support/KeldaPath.h"
#include "support/Result.h"
#include "support/Text.h"

#include <cstdint>
#include <map>
#include <unordered_map>

class CGalleryInstalledManifest : public KELDASaxContentHandler
{
  public:
    // Where the reader stands in the record.
    enum eState {
        eStateStart = 0,              // before "manifest"
        eStateManifest = 1,           // inside "manifest"
        eStateMetadataOrVersions = 2, // inside "metadata" or "keldagallery:stringversions"
        eStateLom = 3,                // inside "lom:lom"
        eStateGeneral = 4,            // inside "lom:general"
        eStateIdentifier = 5,         // inside "lom:identifier"
        eStateLifeCycle = 6,          // inside "lom:lifeCycle"
        eStateVersion = 7,            // inside "lom:version"
    };

    CGalleryInstalledManifest() = default;
    CGalleryInstalledManifest(const CGalleryInstalledManifest &other);
    CGalleryInstalledManifest &operator=(const CGalleryInstalledManifest &other);
    ~CGalleryInstalledManifest() override;
    [[nodiscard]] HRESULT Clone(CGalleryInstalledManifest **out) const;

    // S_OK when identifier and version were found, else E_FAIL (also for an unreadable file).
    [[nodiscard]] HRESULT Open(const CKeldaFilePath &path);

    CKeldaFilePath GetFilePath() const { return m_filePath; }
    CAtlString GetIdentifier() const { return m_identifier; }
    CAtlString GetVersion() const { return m_version; }
    const std::map<CAtlString, CAtlString> &GetStringVersions() const { return m_stringVersions; }
    [[nodiscard]] HRESULT GetResult() const { return m_result; }
    eState GetState() const { return m_state; }
    // Bytes of the file read by the last Open.
    uint64_t GetBytesRead() const { return m_bytesRead; }

    [[nodiscard]] HRESULT startElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                       const KELDASaxString &localName, const KELDASaxAttributes &attributes,
                                       const KELDASaxString &text, size_t position, size_t length) override;
    [[nodiscard]] HRESULT endElement(const KELDASaxString &qualifiedName, const KELDASaxString &nameSpace,
                                     const KELDASaxString &localName, size_t position, size_t length) override;

  private:
    void Reset();
    // Whether the element's text is whole in the piece read so far (a tag follows it).
    bool TextIsComplete(const KELDASaxString &text, size_t position) const;
    [[nodiscard]] HRESULT Found();

    eState m_state = eStateStart;
    HRESULT m_result = E_FAIL;
    CKeldaFilePath m_filePath;
    CAtlString m_identifier;
    bool m_identifierFound = false;
    CAtlString m_version;
    bool m_versionFound = false;
    std::map<CAtlString, CAtlString> m_stringVersions;
    // The piece being parsed.
    const char *m_buffer = nullptr;
    size_t m_length = 0;
    bool m_truncated = false; // the piece ended in the middle of a value
    uint64_t m_bytesRead = 0;
};

class CGalleryInstalledManifestMap
{
  public:
    using Map = std::unordered_map<CAtlString, CGalleryInstalledManifest>;

    // Every "imsmanifest*.xml" of the directory in directory order; unreadable records and records
    // without identifier or version are skipped; a later record replaces an earlier one of the same
    // identifier. Always S_OK (a missing directory gives an empty map).
    [[nodiscard]] HRESULT Open(const CKeldaDirectoryPath &directory);
    // The entry of that identifier (exact comparison), or null.
    const CGalleryInstalledManifest *operator[](const CAtlString &identifier) const;
    size_t GetCount() const { return m_map.size(); }
    const Map &GetMap() const { return m_map; }
    void Clear() { m_map.clear(); }
    // Sum of CGalleryInstalledManifest::GetBytesRead over the last Open.
    uint64_t GetBytesRead() const { return m_bytesRead; }

  private:
    Map m_map;
    uint64_t m_bytesRead = 0;
};
