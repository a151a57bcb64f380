// Manifest-driven decoding of non-UTF-8 entry names. While a CVellumZipArchiveOEMCPHelper lives, the
// ZIP layer decodes each such name with the code page under which it matches a file that the archive's
// "imsmanifest.xml" lists (the "href" of every resource and file under /manifest/resources in the IMS
// Content Packaging 1.1 namespace). Without a readable manifest nothing is installed. The previous
// lookup comes back when the object goes. The lookup is process-wide: one archive at a time.
//
// CVellumZipArchiveOEMCPProvider is the same as a provider for CGalleryZipArchiveOEMCPHelper.
#pragma once

#include "support/GalleryZipArchiveOEMCPHelper.h"
#include "support/ZipCodePage.h"

#include <vector>

class CVellumZipArchiveOEMCPHelper
{
  public:
    explicit CVellumZipArchiveOEMCPHelper(const CKeldaFilePath &archive);
    ~CVellumZipArchiveOEMCPHelper();
    CVellumZipArchiveOEMCPHelper(const CVellumZipArchiveOEMCPHelper &) = delete;
    CVellumZipArchiveOEMCPHelper &operator=(const CVellumZipArchiveOEMCPHelper &) = delete;

    // Whether a manifest was read and the lookup installed.
    bool IsInstalled() const { return m_installed; }
    const std::vector<CAtlString> &KnownNames() const { return m_knownNames; }

    // The application's default code page, tried right after the platform's (850).
    static void SetApplicationDefaultOEMCP(unsigned codePage);
    // The hrefs a manifest lists, in document order; false when it is not a readable manifest.
    [[nodiscard]] static bool ReadKnownNames(const char *xml, size_t size, std::vector<CAtlString> &names);

  private:
    static void Lookup(void *context, const char *name, size_t length, unsigned &codePage);

    std::vector<CAtlString> m_knownNames;
    ZipPlatform::OEMCPLookupProc m_previous = nullptr;
    void *m_previousContext = nullptr;
    bool m_installed = false;
};

class CVellumZipArchiveOEMCPProvider : public IGalleryZipArchiveOEMCPHelper
{
  public:
    void *BeginArchive(const CKeldaFilePath &archive) override { return new CVellumZipArchiveOEMCPHelper(archive); }
    void EndArchive(void *token) override { delete static_cast<CVellumZipArchiveOEMCPHelper *>(token); }
};
