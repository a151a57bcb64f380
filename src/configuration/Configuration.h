// CConfiguration: the gallery configuration read from a folder ("configuration.xml" and
// "metadata.xml"), from a packed ".gallerycollection" file or from a gallery's registration in the
// preference store; its local copy below CONFIGURATION_PATH and its registration as a "TeamContent"
// extension. ConfigurationWrapper is the handle that the rest of the program holds.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "configuration/ConfigurationSections.h"
#include "configuration/MetaDataXml.h"
#include "settings/VersionString.h"
#include "gallery/records/GalleryExtensionInfo.h"
#include "support/FileList.h"

class CConfiguration
{
  public:
    // The highest format version that is read.
    static const wchar_t *const SupportedVersion; // "1.0.0.0"

    CConfiguration();
    ~CConfiguration(); // deletes the temporary unpack folders
    CConfiguration(const CConfiguration &) = delete;
    CConfiguration &operator=(const CConfiguration &) = delete;

    // Clears every section and value read before (the temporary folders stay until destruction).
    void Reset();
    bool ReadFromDir(const CKeldaDirectoryPath &directory);
    // A ".gallerycollection" file, unpacked into a private folder below "/tmp".
    bool ReadFromFile(const CKeldaFilePath &file);
    bool ReadFromPreferences(const CAtlString &guid);
    bool ReadConfigurationXml(const CKeldaFilePath &file);
    bool ReadMetadataXml(const CKeldaFilePath &file);

    // GALLERY_PATH with the "PathOverride", else the organisation and gallery names.
    CKeldaDirectoryPath GetDefaultDestination() const;
    // The registration key: PreferencesPath\TeamContent\<gallery GUID>.
    CAtlString GetRegistrationKey() const;

    bool InitializeDefaultGalleryPreferences();
    bool SaveGalleryPreferences(bool remoteFlag, bool forcedUserFlag);
    // Re-reads the registration record, the flags and the destination of the loaded gallery.
    bool ReadGalleryPreferences();

    bool MakeLocalCopy();
    bool RemoveLocalCopy();

    CVersionString version;
    bool loaded = false;
    CKeldaDirectoryPath directory;
    CKeldaDirectoryPath localCopyDirectory;
    bool isLocalCopy = false;
    CAtlString installedPath;
    CKeldaDirectoryPath destination;
    CKeldaDirectoryPath source;
    int revision = 0;
    std::shared_ptr<FileList> fileList;
    std::shared_ptr<CApplicationData> application;
    std::shared_ptr<COrganizationData> organization;
    std::shared_ptr<CGalleryData> gallery;
    MetaDataXml metadata;
    CGalleryExtensionInfo registration;
    bool remote = false;
    bool forcedUser = false;
    std::vector<CKeldaDirectoryPath> temporaryDirectories;
    std::function<void()> loadedCallback;
    // Why the last read failed, as "<path>: <reason>"; empty after a successful one.
    CAtlString loadFailure;

  private:
    bool ReadFromDirNoReset(const CKeldaDirectoryPath &directory);
    // Records the reason of a failed read; returns false.
    bool Fail(const CAtlString &path, const CAtlString &reason);
};
