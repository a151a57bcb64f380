// Registered gallery extensions in the preference store.
#include "gallery/records/GalleryExtensionInfo.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>

#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "gallery/manifest/GalleryManifest.h"
#include "gallery/records/GalleryFile.h"
#include "gallery/records/GalleryMetadata.h"
#include "gallery/records/GalleryObject.h"

const wchar_t *const CGalleryExtensionInfo::TeamContentExtensionType = L"TeamContent";
const wchar_t *const CGalleryExtensionInfo::PersonalTeamContentExtensionType = L"PersonalTeamContent";
const wchar_t *const CGalleryExtensionInfo::ToolsMenuExtensionType = L"ToolsMenu";
const wchar_t *const CGalleryExtensionInfo::RepositoryShortcutMenuExtensionType = L"RepositoryShortcutMenu";
const wchar_t *const CGalleryExtensionInfo::ManifestShortcutMenuExtensionType = L"ManifestShortcutMenu";
const wchar_t *const CGalleryExtensionInfo::OrganizationShortcutMenuExtensionType = L"OrganizationShortcutMenu";
const wchar_t *const CGalleryExtensionInfo::ActivityShortcutMenuExtensionType = L"ActivityShortcutMenu";
const wchar_t *const CGalleryExtensionInfo::FileShortcutMenuExtensionType = L"FileShortcutMenu";
const wchar_t *const CGalleryExtensionInfo::SignOnProviderExtensionType = L"SignOnProviders";

const wchar_t *const CGalleryExtensionInfo::ImsManifestXmlPreference = L"ImsManifestXml";
const wchar_t *const CGalleryExtensionInfo::MetadataXmlPreference = L"MetadataXml";
const wchar_t *const CGalleryExtensionInfo::AppPathPreference = L"AppPath";
const wchar_t *const CGalleryExtensionInfo::ArgsPreference = L"Args";
const wchar_t *const CGalleryExtensionInfo::EnabledPreference = L"Enabled";
const wchar_t *const CGalleryExtensionInfo::LocalePreference = L"Locale";
const wchar_t *const CGalleryExtensionInfo::UpdateCheckIntervalPreference = L"UpdateCheckIntervalSeconds";

namespace
{
constexpr int kScope = PreferenceScopeMachine;
}

CAtlString CGalleryExtensionInfo::GetPreferencesKey(const CAtlString &extensionType, const CAtlString &guid)
{
    return CAtlString(CGallery::PreferencesPath) + L"\\" + extensionType + L"\\" + guid;
}

CAtlString CGalleryExtensionInfo::GetPreferencesKey() const
{
    return GetPreferencesKey(type, id);
}

HRESULT CGalleryExtensionInfo::GetPreferences()
{
    if (type.empty() || id.empty()) return E_INVALIDARG;
    const CAtlString key = GetPreferencesKey();
    const wchar_t *domain = CGallery::PreferenceFile;
    unsigned int manifestMissing = 0, metadataMissing = 0;
    imsManifestXml = GetPreferenceString(kScope, key, ImsManifestXmlPreference, CAtlString(), &manifestMissing, domain);
    metadataXml = GetPreferenceString(kScope, key, MetadataXmlPreference, CAtlString(), &metadataMissing, domain);
    appPath = GetPreferenceString(kScope, key, AppPathPreference, CAtlString(), nullptr, domain);
    args = GetPreferenceString(kScope, key, ArgsPreference, CAtlString(), nullptr, domain);
    enabled = GetPreferenceInt(kScope, key, EnabledPreference, 1, nullptr, domain) != 0;
    locale = GetPreferenceString(kScope, key, LocalePreference, CAtlString(), nullptr, domain);
    const int interval = GetPreferenceInt(kScope, key, UpdateCheckIntervalPreference, 0, nullptr, domain);
    updateCheckIntervalSeconds = ClampUpdateInterval(interval, CGallery::IsRemoteFilesystem(imsManifestXml.c_str()));
    return manifestMissing && metadataMissing ? S_FALSE : S_OK;
}

HRESULT CGalleryExtensionInfo::SetPreferences() const
{
    if (type.empty() || id.empty()) return E_INVALIDARG;
    const CAtlString key = GetPreferencesKey();
    const wchar_t *domain = CGallery::PreferenceFile;
    int failures = 0;
    failures += WritePreferenceString(kScope, key, ImsManifestXmlPreference, imsManifestXml, domain) != 0;
    failures += WritePreferenceString(kScope, key, MetadataXmlPreference, metadataXml, domain) != 0;
    failures += WritePreferenceString(kScope, key, AppPathPreference, appPath, domain) != 0;
    failures += WritePreferenceString(kScope, key, ArgsPreference, args, domain) != 0;
    failures += WritePreferenceInt(kScope, key, EnabledPreference, enabled ? 1 : 0, domain) != 0;
    failures += WritePreferenceString(kScope, key, LocalePreference, locale, domain) != 0;
    failures += WritePreferenceInt(kScope, key, UpdateCheckIntervalPreference, updateCheckIntervalSeconds, domain) != 0;
    return failures ? E_FAIL : S_OK;
}

HRESULT CGalleryExtensionInfo::DeletePreferences() const
{
    if (type.empty() || id.empty()) return E_INVALIDARG;
    return RecursivePreferenceDelete(kScope, GetPreferencesKey(), CGallery::PreferenceFile) == 0 ? S_OK : E_FAIL;
}

HRESULT CGalleryExtensionInfo::GetExtensions(const CAtlString &extensionType, std::vector<CGalleryExtensionInfo> &out)
{
    out.clear();
    if (extensionType.empty()) return E_INVALIDARG;
    QStringList guids;
    {
        const auto settings = CreateQSettings(kScope);
        settings->beginGroup(
            Text::ToQt(ConvertSeparators(CAtlString(CGallery::PreferencesPath) + L"\\" + extensionType)));
        guids = settings->childGroups();
    }
    for (const QString &guid : guids) {
        CGalleryExtensionInfo info(extensionType, Text::FromQt(guid));
        if (info.GetPreferences() == S_OK) out.push_back(std::move(info));
    }
    return S_OK;
}

bool CGalleryExtensionInfo::GetDomainFromIdentifier(const CAtlString &identifier, CAtlString &out)
{
    out.clear();
    static const CAtlString scheme = L"http://";
    if (!Text::StartsWith(identifier, scheme, true)) return false;
    const size_t end = identifier.find_first_of(L"/?#", scheme.size());
    CAtlString host =
        identifier.substr(scheme.size(), end == CAtlString::npos ? CAtlString::npos : end - scheme.size());
    if (host.empty()) return false;
    // Generated identifiers carry a placeholder host: they belong to no domain.
    const CAtlString prefix = CGallery::IdentifierPrefix;
    const size_t prefixEnd = prefix.find(L'/', scheme.size());
    if (Text::EqualsNoCase(host, prefix.substr(scheme.size(), prefixEnd - scheme.size()))) return false;
    out = std::move(host);
    return true;
}

int CGalleryExtensionInfo::ClampUpdateInterval(int seconds, bool remoteFilesystem)
{
    if (seconds <= 0) return 0;
    const IntervalLimits &limits = remoteFilesystem ? RemoteIntervals : LocalIntervals;
    return std::clamp(seconds, limits.minimum, limits.maximum);
}

int CGalleryExtensionInfo::GetEffectiveUpdateInterval(bool readOnlyGallery) const
{
    const bool remote = CGallery::IsRemoteFilesystem(imsManifestXml.c_str());
    const int stored = ClampUpdateInterval(updateCheckIntervalSeconds, remote);
    if (stored > 0) return stored;
    const IntervalLimits &limits = remote ? RemoteIntervals : LocalIntervals;
    return readOnlyGallery ? limits.defaultReadOnly : limits.defaultWritable;
}

bool CGalleryExtensionInfo::IsPersonal(const CAtlString &extensionType)
{
    return extensionType == PersonalTeamContentExtensionType;
}

bool CGalleryExtensionInfo::IsPersonal() const
{
    return IsPersonal(type);
}

namespace
{

CAtlString OrEmpty(const wchar_t *text)
{
    return text ? CAtlString(text) : CAtlString();
}

// The record itself when it is of the kind, else the innermost enclosing record of the kind.
const CGalleryObject *Nearest(const CGalleryObject *record, const std::vector<const CGalleryObject *> &ancestry,
                              eGalleryObjectType kind, eGalleryObjectType alternate)
{
    if (record->GetObjectType() == kind || record->GetObjectType() == alternate) return record;
    for (auto it = ancestry.rbegin(); it != ancestry.rend(); ++it)
        if ((*it)->GetObjectType() == kind || (*it)->GetObjectType() == alternate) return *it;
    return nullptr;
}

CAtlString IdentifierOf(const CGalleryObject *record)
{
    return record ? OrEmpty(record->GetIdentifier()) : CAtlString();
}

} // namespace

CAtlString CGalleryExtensionInfo::ReplaceArguments(const CGalleryObject *record) const
{
    std::vector<std::pair<const wchar_t *, CAtlString>> values = {
        {L"%IMSMANIFESTXML%", {}},
        {L"%CONTENTDIR%", {}},
        {L"%FILEID%", {}},
        {L"%HREF%", {}},
        {L"%HREFFILEPATH%", {}},
        {L"%ACTIVITYID%", {}},
        {L"%ORGANIZATIONID%", {}},
        {L"%MANIFESTID%", {}},
        {L"%LANG%", CGallery::GetCurrentLanguage()},
        {L"%METADATAXML%", metadataXml},
        {L"%VER%", {}},
    };
    if (record) {
        std::vector<const CGalleryObject *> ancestry;
        record->GetAncestry(ancestry);
        const CGalleryManifest *manifest = record->GetManifest();
        if (manifest && !CGallery::IsEmptyString(manifest->GetXmlPath())) {
            values[0].second = manifest->GetXmlPath();
            values[1].second = manifest->GetContentDirectoryPath().GetDirectoryPathString();
        }
        if (const CGalleryFile *file =
                CGalleryFile::FromObject(const_cast<CGalleryObject *>(record), eGalleryObjectTypeFile)) {
            values[2].second = IdentifierOf(record);
            values[3].second = OrEmpty(file->GetHref());
            if (!CGallery::IsEmptyString(file->GetHref()))
                values[4].second = file->GetHrefFilePath().GetFilePathString();
        }
        values[5].second =
            IdentifierOf(Nearest(record, ancestry, eGalleryObjectTypeActivity, eGalleryObjectTypeFolderActivity));
        values[6].second =
            IdentifierOf(Nearest(record, ancestry, eGalleryObjectTypeOrganization, eGalleryObjectTypeOrganization));
        values[7].second = manifest ? IdentifierOf(manifest->AsObject()) : CAtlString();
        for (const CGalleryObject *object = record; object && values[10].second.empty();) {
            if (object->GetMetadata()) values[10].second = OrEmpty(object->GetMetadata()->GetVersion());
            if (ancestry.empty()) break;
            object = ancestry.back();
            ancestry.pop_back();
        }
    }

    // One pass from left to right, so that a value holding a placeholder stays as it is.
    CAtlString result;
    for (size_t i = 0; i < args.size();) {
        bool replaced = false;
        if (args[i] == L'%') {
            for (const auto &value : values) {
                const std::wstring_view name(value.first);
                if (args.compare(i, name.size(), name) == 0) {
                    result += value.second;
                    i += name.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) result += args[i++];
    }
    return result;
}

CAtlString CGalleryExtensionInfo::GetExtensionType(const CGalleryObject *record)
{
    if (!record) return CAtlString();
    switch (record->GetObjectType()) {
    case eGalleryObjectTypeFile:
        return FileShortcutMenuExtensionType;
    case eGalleryObjectTypeActivity:
    case eGalleryObjectTypeFolderActivity:
        return ActivityShortcutMenuExtensionType;
    case eGalleryObjectTypeOrganization:
        return OrganizationShortcutMenuExtensionType;
    case eGalleryObjectTypeManifest:
    case eGalleryObjectTypeDisconnectedManifest:
        return ManifestShortcutMenuExtensionType;
    case eGalleryObjectTypeRepository:
        return RepositoryShortcutMenuExtensionType;
    default:
        return CAtlString();
    }
}
