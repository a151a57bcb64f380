// ConfigurationWrapper: the shared handle to the loaded gallery configuration. Every query answers
// empty (empty text, false, 0) while nothing is loaded, so commands can ask without checking first.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "configuration/Configuration.h"

class ConfigurationWrapper
{
  public:
    using LoadedCallback = std::function<void(const ConfigurationWrapper *)>;

    ConfigurationWrapper();

    bool ReadFromFile(const CKeldaFilePath &file);
    bool ReadFromDir(const CKeldaDirectoryPath &directory);
    bool ReadFromPreferences(const CAtlString &guid);
    // Why the last read of any wrapper of the process failed, as "<path>: <reason>" (one line); empty
    // when it succeeded or nothing was read. The commands print it after "Could not load the
    // configuration."; SetLastLoadFailure is for readers that fail before a wrapper is asked.
    static CAtlString GetLastLoadFailure();
    static void SetLastLoadFailure(const CAtlString &failure);
    // Called with the wrapper after every successful load.
    void SetLoadedCallback(LoadedCallback callback) { m_callback = std::move(callback); }

    bool IsLoaded() const;
    bool IsRemote() const;
    bool IsForcedUser() const;
    bool IsLocalCopy() const;
    CAtlString GetTitle() const;
    CAtlString GetGalleryName() const;
    CAtlString GetGuid() const;
    CAtlString GetOrganizationName() const;
    // The gallery's title from "metadata.xml" in the language ("en", else empty, as fallback).
    CAtlString GetMetadataTitle(const CAtlString &language) const;
    CKeldaDirectoryPath GetDirectory() const;
    CKeldaDirectoryPath GetLocalCopyDirectory() const;
    // The folder of the ".gallerycollection" file; empty for a folder or a registration.
    CKeldaDirectoryPath GetSource() const;
    // "DefaultSource", only while internet access is allowed.
    CAtlString GetDefaultSource() const;
    CKeldaDirectoryPath GetDestination() const;
    void SetDestination(const CKeldaDirectoryPath &path);
    CKeldaDirectoryPath GetDefaultDestination() const;
    void SetInstalledPath(const CAtlString &path);
    int GetRevision() const;

    // The style sheet's content (8-bit), empty when unset or unreadable.
    CAtlStringA GetStyleSheet() const;
    // The logo file's absolute path, empty when there is none.
    CAtlString GetLogoPath() const;
    // The logo as a picture (a QPixmap in the user interface), or the fallback.
    template <typename Pixmap> Pixmap GetLogo(const Pixmap &fallback) const
    {
        const CAtlString path = GetLogoPath();
        if (path.empty()) return fallback;
        Pixmap logo(Text::ToQt(path));
        return logo.isNull() ? fallback : logo;
    }
    // About and description (splash screen) texts translated with HtmlTranslator; the licence as is.
    QString GetAboutText() const;
    QString GetDescription() const;
    QString GetLicense() const;
    bool GetShowAboutText() const;
    bool GetShowDescriptionText() const;
    QPoint GetSplashScreenTextOffset() const;
    int GetAboutTextOffset() const;
    std::map<CAtlString, CCategory> GetCategories() const;

    // The target languages kept with the registration (codes, in order).
    std::vector<CAtlString> GetLocaleList() const;
    void SetLocaleList(const std::vector<CAtlString> &codes);
    // "Languages/languages.xml" in the parent of the program's folder.
    static CAtlString GetLanguageListPath();

    // Copies the configuration to its local place and registers it.
    bool Install(bool remote, bool forcedUser);
    // Removes the local copy, the registration and the emptied folder chain.
    bool Uninstall();
    bool SaveGalleryPreferences(bool remote, bool forcedUser);
    bool InitializeDefaultGalleryPreferences();
    bool ReadGalleryPreferences();
    // One-time copy of registrations from the older key path; marks "deinclified".
    static void ToIncOrNotToInc();

    // The model, for code that needs more than the queries (never null).
    const CConfiguration &GetConfiguration() const { return *m_configuration; }

  private:
    bool Loaded() const { return m_configuration && m_configuration->loaded; }
    // A file of the configuration folder; empty for names that leave the folder.
    QString ReadConfigurationFile(const CAtlString &name) const;
    void Loaded(bool ok);

    std::unique_ptr<CConfiguration> m_configuration;
    LoadedCallback m_callback;
};
