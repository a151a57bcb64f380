// Code-page scope around the opening of an archive. A host may register one process-wide provider
// that prepares the decoding of non-UTF-8 entry names for an archive and undoes it afterwards; with
// none registered (the installer registers none) the scope does nothing and names that are not UTF-8
// decode as code page 850.
#pragma once

#include "support/KeldaPath.h"

class IGalleryZipArchiveOEMCPHelper
{
  public:
    virtual ~IGalleryZipArchiveOEMCPHelper() = default;
    // Called when a scope opens around archive; the token comes back to EndArchive.
    virtual void *BeginArchive(const CKeldaFilePath &archive) = 0;
    virtual void EndArchive(void *token) = 0;
};

class CGalleryZipArchiveOEMCPHelper
{
  public:
    explicit CGalleryZipArchiveOEMCPHelper(const CKeldaFilePath &archive);
    ~CGalleryZipArchiveOEMCPHelper();
    CGalleryZipArchiveOEMCPHelper(const CGalleryZipArchiveOEMCPHelper &) = delete;
    CGalleryZipArchiveOEMCPHelper &operator=(const CGalleryZipArchiveOEMCPHelper &) = delete;

    // Only the first registration takes effect; the result tells whether this one did.
    [[nodiscard]] static bool RegisterHelper(IGalleryZipArchiveOEMCPHelper *helper);
    // True when helper is the registered provider; it is then unregistered. Scopes still open keep
    // using it until they end, so a host unregisters only after its archives are closed.
    [[nodiscard]] static bool UnregisterHelper(IGalleryZipArchiveOEMCPHelper *helper);

  private:
    IGalleryZipArchiveOEMCPHelper *m_helper = nullptr;
    void *m_token = nullptr;
};
