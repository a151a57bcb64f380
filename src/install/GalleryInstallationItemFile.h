// CGalleryInstallationItemFile: one gallery package of an installation item, as the categories file
// offers it and as the destination has it installed. A plain copyable value.
#pragma once

#include "support/Text.h"

#include <map>

class CGalleryInstallationItemFile
{
  public:
    // Language -> version of that language's strings.
    using StringVersions = std::map<CAtlString, CAtlString>;

    // The element text of the categories file: the name under which the package is found at the source.
    const CAtlString &GetFileName() const { return m_fileName; }
    void SetFileName(const CAtlString &fileName) { m_fileName = fileName; }
    // The identifier of the gallery inside the package; the key into the installed-manifest registry.
    const CAtlString &GetIdentifier() const { return m_identifier; }
    void SetIdentifier(const CAtlString &identifier) { m_identifier = identifier; }
    // The installed gallery's uninstall record (empty when not installed).
    const CAtlString &GetFilePath() const { return m_filePath; }
    void SetFilePath(const CAtlString &filePath) { m_filePath = filePath; }
    bool GetIsInstalled() const { return m_isInstalled; }
    void SetIsInstalled(bool isInstalled) { m_isInstalled = isInstalled; }
    bool GetIsUpdateAvailable() const { return m_isUpdateAvailable; }
    void SetIsUpdateAvailable(bool isUpdateAvailable) { m_isUpdateAvailable = isUpdateAvailable; }
    const CAtlString &GetInstalledVersion() const { return m_installedVersion; }
    void SetInstalledVersion(const CAtlString &version) { m_installedVersion = version; }
    const CAtlString &GetUpdateVersion() const { return m_updateVersion; }
    void SetUpdateVersion(const CAtlString &version) { m_updateVersion = version; }
    const StringVersions &GetInstalledStringVersions() const { return m_installedStringVersions; }
    void SetInstalledStringVersions(const StringVersions &versions) { m_installedStringVersions = versions; }
    const StringVersions &GetUpdateStringVersions() const { return m_updateStringVersions; }
    void SetUpdateStringVersions(const StringVersions &versions) { m_updateStringVersions = versions; }

  private:
    CAtlString m_fileName;
    CAtlString m_identifier;
    CAtlString m_filePath;
    bool m_isInstalled = false;
    bool m_isUpdateAvailable = false;
    CAtlString m_installedVersion;
    CAtlString m_updateVersion;
    StringVersions m_installedStringVersions;
    StringVersions m_updateStringVersions;
};
