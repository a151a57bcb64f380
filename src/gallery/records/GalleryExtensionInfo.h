// CGalleryExtensionInfo: a registered extension of the gallery (a team-content folder, a menu command,
// a sign-on provider) kept in the machine-wide preference store. The values of one extension live
// under CGallery::PreferencesPath, "\", the extension type, "\", the extension's GUID, one value per
// preference name. The installer registers the galleries it installs as "TeamContent" extensions.
#pragma once

#include <vector>

#include "gallery/records/GalleryTypes.h"
#include "support/Result.h"
#include "support/Text.h"

class CGalleryExtensionInfo
{
  public:
    // Extension types.
    static const wchar_t *const TeamContentExtensionType;              // "TeamContent"
    static const wchar_t *const PersonalTeamContentExtensionType;      // "PersonalTeamContent"
    static const wchar_t *const ToolsMenuExtensionType;                // "ToolsMenu"
    static const wchar_t *const RepositoryShortcutMenuExtensionType;   // "RepositoryShortcutMenu"
    static const wchar_t *const ManifestShortcutMenuExtensionType;     // "ManifestShortcutMenu"
    static const wchar_t *const OrganizationShortcutMenuExtensionType; // "OrganizationShortcutMenu"
    static const wchar_t *const ActivityShortcutMenuExtensionType;     // "ActivityShortcutMenu"
    static const wchar_t *const FileShortcutMenuExtensionType;         // "FileShortcutMenu"
    static const wchar_t *const SignOnProviderExtensionType;           // "SignOnProviders"

    // Preference names.
    static const wchar_t *const ImsManifestXmlPreference;      // "ImsManifestXml"
    static const wchar_t *const MetadataXmlPreference;         // "MetadataXml"
    static const wchar_t *const AppPathPreference;             // "AppPath"
    static const wchar_t *const ArgsPreference;                // "Args"
    static const wchar_t *const EnabledPreference;             // "Enabled"
    static const wchar_t *const LocalePreference;              // "Locale"
    static const wchar_t *const UpdateCheckIntervalPreference; // "UpdateCheckIntervalSeconds"

    // Update-check intervals in seconds, by file system of the folder.
    struct IntervalLimits {
        int defaultWritable;
        int defaultReadOnly;
        int minimum;
        int maximum;
    };
    static constexpr IntervalLimits LocalIntervals = {35, 60, 7, 126000};
    static constexpr IntervalLimits RemoteIntervals = {180, 2100, 60, 126000};

    CAtlString type;
    CAtlString id;             // the extension's GUID
    CAtlString imsManifestXml; // path of its "imsmanifest.xml"
    CAtlString metadataXml;    // path of its metadata file
    CAtlString appPath;
    CAtlString args;
    bool enabled = true;
    CAtlString locale;
    int updateCheckIntervalSeconds = 0; // as read, clamped; 0 means the default

    CGalleryExtensionInfo() = default;
    CGalleryExtensionInfo(const CAtlString &extensionType, const CAtlString &guid) : type(extensionType), id(guid) {}

    // The key path of this extension: PreferencesPath\type\id.
    CAtlString GetPreferencesKey() const;
    static CAtlString GetPreferencesKey(const CAtlString &extensionType, const CAtlString &guid);

    // Reads the values of type/id. S_OK when the extension is registered (its manifest or metadata path
    // is set), S_FALSE when nothing is stored, E_INVALIDARG without type or id.
    [[nodiscard]] HRESULT GetPreferences();
    // Writes every value; S_OK, E_INVALIDARG without type or id, E_FAIL when a write fails.
    [[nodiscard]] HRESULT SetPreferences() const;
    // Removes the extension's key with everything below it.
    [[nodiscard]] HRESULT DeletePreferences() const;

    // Every registered extension of the type, in the store's order of GUIDs.
    [[nodiscard]] static HRESULT GetExtensions(const CAtlString &extensionType,
                                               std::vector<CGalleryExtensionInfo> &out);

    // The host of an "http://" identifier; false (and out cleared) for other identifiers, an empty host
    // and the placeholder host of generated identifiers.
    [[nodiscard]] static bool GetDomainFromIdentifier(const CAtlString &identifier, CAtlString &out);

    // A negative interval becomes 0; a positive one is kept within the limits of the file system.
    static int ClampUpdateInterval(int seconds, bool remoteFilesystem);
    // The interval to use: the stored one when positive, else the default of the file system and the
    // gallery's read-only state.
    int GetEffectiveUpdateInterval(bool readOnlyGallery) const;

    // The arguments with every placeholder expanded from the record and its enclosing records:
    // "%IMSMANIFESTXML%" and "%CONTENTDIR%" (the record's manifest file and content folder), "%FILEID%",
    // "%HREF%" and "%HREFFILEPATH%" (a file record's identifier, href and absolute href path),
    // "%ACTIVITYID%" and "%ORGANIZATIONID%" (the record itself or the nearest enclosing one of that kind),
    // "%MANIFESTID%", "%LANG%" (the gallery's current language), "%METADATAXML%" (this extension's
    // metadata file) and "%VER%" (the version of the record, else of the nearest enclosing record that has
    // one). A placeholder without a value becomes empty; expanded text is not expanded again.
    CAtlString ReplaceArguments(const CGalleryObject *record) const;
    // The shortcut-menu extension type for the record's kind (file, activity, organization, manifest,
    // repository); empty for any other kind or a null record.
    static CAtlString GetExtensionType(const CGalleryObject *record);

    bool IsPersonal() const;
    static bool IsPersonal(const CAtlString &extensionType);
};
