// The shared configuration handle.
#include "configuration/ConfigurationWrapper.h"

#include <mutex>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include "configuration/Defaults.h"
#include "configuration/UpdateXml.h"
#include "settings/Preferences.h"
#include "gallery/facade/Gallery.h"
#include "support/HtmlTranslator.h"

namespace
{
constexpr const wchar_t *kOldRegistrationPath = L"Software\\Kelda Labs Inc.\\Gallery\\TeamContent";
constexpr const wchar_t *kRegistryDomain = L"com.keldalabs.Registry";

CAtlString TypeKey()
{
    return CAtlString(CGallery::PreferencesPath) + L"\\" + CGalleryExtensionInfo::TeamContentExtensionType;
}
} // namespace

ConfigurationWrapper::ConfigurationWrapper() : m_configuration(std::make_unique<CConfiguration>()) {}

namespace
{
std::mutex g_failureMutex;
CAtlString g_lastLoadFailure; // guarded by g_failureMutex
} // namespace

CAtlString ConfigurationWrapper::GetLastLoadFailure()
{
    const std::lock_guard<std::mutex> lock(g_failureMutex);
    return g_lastLoadFailure;
}

void ConfigurationWrapper::SetLastLoadFailure(const CAtlString &failure)
{
    const std::lock_guard<std::mutex> lock(g_failureMutex);
    g_lastLoadFailure = failure;
}

void ConfigurationWrapper::Loaded(bool ok)
{
    SetLastLoadFailure(ok ? CAtlString() : m_configuration->loadFailure);
    if (ok && m_callback) m_callback(this);
}

bool ConfigurationWrapper::ReadFromFile(const CKeldaFilePath &file)
{
    const bool ok = m_configuration->ReadFromFile(file);
    Loaded(ok);
    return ok;
}

bool ConfigurationWrapper::ReadFromDir(const CKeldaDirectoryPath &directory)
{
    const bool ok = m_configuration->ReadFromDir(directory);
    Loaded(ok);
    return ok;
}

bool ConfigurationWrapper::ReadFromPreferences(const CAtlString &guid)
{
    const bool ok = m_configuration->ReadFromPreferences(guid);
    Loaded(ok);
    return ok;
}

bool ConfigurationWrapper::IsLoaded() const
{
    return Loaded();
}
bool ConfigurationWrapper::IsRemote() const
{
    return Loaded() && m_configuration->remote;
}
bool ConfigurationWrapper::IsForcedUser() const
{
    return Loaded() && m_configuration->forcedUser;
}
bool ConfigurationWrapper::IsLocalCopy() const
{
    return Loaded() && m_configuration->isLocalCopy;
}
CAtlString ConfigurationWrapper::GetTitle() const
{
    return Loaded() ? m_configuration->application->title : CAtlString();
}
CAtlString ConfigurationWrapper::GetGalleryName() const
{
    return Loaded() ? m_configuration->gallery->name : CAtlString();
}
CAtlString ConfigurationWrapper::GetGuid() const
{
    return Loaded() ? m_configuration->gallery->guid : CAtlString();
}

CAtlString ConfigurationWrapper::GetOrganizationName() const
{
    return Loaded() ? m_configuration->organization->name : CAtlString();
}

CAtlString ConfigurationWrapper::GetMetadataTitle(const CAtlString &language) const
{
    return Loaded() ? m_configuration->metadata.GetTitle(language) : CAtlString();
}

CKeldaDirectoryPath ConfigurationWrapper::GetDirectory() const
{
    return Loaded() ? m_configuration->directory : CKeldaDirectoryPath();
}

CKeldaDirectoryPath ConfigurationWrapper::GetLocalCopyDirectory() const
{
    return Loaded() ? m_configuration->localCopyDirectory : CKeldaDirectoryPath();
}

CKeldaDirectoryPath ConfigurationWrapper::GetSource() const
{
    return Loaded() ? m_configuration->source : CKeldaDirectoryPath();
}

CAtlString ConfigurationWrapper::GetDefaultSource() const
{
    if (!Loaded() || !CUpdateXmlReader::ShouldAccessInternet(1)) return CAtlString();
    return m_configuration->gallery->defaultSource;
}

CKeldaDirectoryPath ConfigurationWrapper::GetDestination() const
{
    return Loaded() ? m_configuration->destination : CKeldaDirectoryPath();
}

void ConfigurationWrapper::SetDestination(const CKeldaDirectoryPath &path)
{
    if (Loaded()) m_configuration->destination = path;
}

CKeldaDirectoryPath ConfigurationWrapper::GetDefaultDestination() const
{
    return Loaded() ? m_configuration->GetDefaultDestination() : CKeldaDirectoryPath();
}

void ConfigurationWrapper::SetInstalledPath(const CAtlString &path)
{
    m_configuration->installedPath = path;
}

int ConfigurationWrapper::GetRevision() const
{
    return Loaded() ? m_configuration->revision : 0;
}

QString ConfigurationWrapper::ReadConfigurationFile(const CAtlString &name) const
{
    if (!Loaded() || !ConfigurationFiles::IsContainedName(name)) return QString();
    QFile file(Text::ToQt(m_configuration->directory.CreateFilePath(name).GetFilePathString()));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

CAtlStringA ConfigurationWrapper::GetStyleSheet() const
{
    if (!Loaded() || m_configuration->application->styleSheetFile.empty()) return CAtlStringA();
    return ReadConfigurationFile(m_configuration->application->styleSheetFile).toStdString();
}

CAtlString ConfigurationWrapper::GetLogoPath() const
{
    if (!Loaded()) return CAtlString();
    const CAtlString &logo = m_configuration->organization->logoFile;
    if (!ConfigurationFiles::IsContainedName(logo)) return CAtlString();
    const CKeldaFilePath path = m_configuration->directory.CreateFilePath(logo);
    return path.FileExists() && !path.IsDirectory() ? path.GetFilePathString() : CAtlString();
}

QString ConfigurationWrapper::GetAboutText() const
{
    if (!Loaded() || m_configuration->application->aboutFile.empty()) return QString();
    const QString text = ReadConfigurationFile(m_configuration->application->aboutFile);
    return text.isEmpty() ? text : HtmlTranslator::Translate(text);
}

QString ConfigurationWrapper::GetDescription() const
{
    if (!Loaded() || m_configuration->application->splashScreenTextFile.empty()) return QString();
    const QString text = ReadConfigurationFile(m_configuration->application->splashScreenTextFile);
    return text.isEmpty() ? text : HtmlTranslator::Translate(text);
}

QString ConfigurationWrapper::GetLicense() const
{
    if (!Loaded() || m_configuration->organization->licenseFile.empty()) return QString();
    return ReadConfigurationFile(m_configuration->organization->licenseFile);
}

bool ConfigurationWrapper::GetShowAboutText() const
{
    return !GetAboutText().isEmpty();
}

bool ConfigurationWrapper::GetShowDescriptionText() const
{
    return Loaded() && m_configuration->application->showSplashScreenText && !GetDescription().isEmpty();
}

QPoint ConfigurationWrapper::GetSplashScreenTextOffset() const
{
    if (!Loaded()) return QPoint();
    return QPoint(m_configuration->application->splashScreenTextOffsetX,
                  m_configuration->application->splashScreenTextOffsetY);
}

int ConfigurationWrapper::GetAboutTextOffset() const
{
    return Loaded() ? m_configuration->application->splashScreenTextOffsetX : 0;
}

std::map<CAtlString, CCategory> ConfigurationWrapper::GetCategories() const
{
    return Loaded() ? m_configuration->gallery->categories : std::map<CAtlString, CCategory>();
}

std::vector<CAtlString> ConfigurationWrapper::GetLocaleList() const
{
    std::vector<CAtlString> codes;
    if (!Loaded()) return codes;
    for (const CAtlString &code : Text::Split(m_configuration->registration.locale, L','))
        if (!code.empty()) codes.push_back(code);
    return codes;
}

void ConfigurationWrapper::SetLocaleList(const std::vector<CAtlString> &codes)
{
    if (!Loaded()) return;
    CAtlString joined;
    for (const CAtlString &code : codes) {
        if (code.empty()) continue;
        if (!joined.empty()) joined += L',';
        joined += code;
    }
    m_configuration->registration.locale = joined;
}

CAtlString ConfigurationWrapper::GetLanguageListPath()
{
    QDir directory(QCoreApplication::applicationDirPath());
    directory.cdUp();
    return Text::FromQt(QDir::cleanPath(directory.absoluteFilePath(QStringLiteral("Languages/languages.xml"))));
}

bool ConfigurationWrapper::Install(bool remote, bool forcedUser)
{
    if (!Loaded()) return false;
    if (!m_configuration->MakeLocalCopy()) return false;
    return m_configuration->SaveGalleryPreferences(remote || m_configuration->remote,
                                                   forcedUser || m_configuration->forcedUser);
}

bool ConfigurationWrapper::Uninstall()
{
    if (!Loaded()) return false;
    const CKeldaDirectoryPath localCopy = m_configuration->localCopyDirectory;
    const CAtlString guid = m_configuration->gallery->guid;
    bool ok = m_configuration->RemoveLocalCopy();
    if (!guid.empty())
        ok = SUCCEEDED(
                 CGalleryExtensionInfo(CGalleryExtensionInfo::TeamContentExtensionType, guid).DeletePreferences()) &&
             ok;
    auto callback = std::move(m_configuration->loadedCallback);
    m_configuration = std::make_unique<CConfiguration>();
    m_configuration->loadedCallback = std::move(callback);
    // The emptied chain of the local copy, up to the first folder that still holds something. The
    // chain ends below CONFIGURATION_PATH: the shared folders above it are never removed.
    const CAtlString below = Defaults::GetConfigurationPath().GetDirectoryPathString() + L"/";
    for (CKeldaDirectoryPath level = localCopy; level.GetDirectoryPathString().size() > below.size() &&
                                                Text::StartsWith(level.GetDirectoryPathString(), below);) {
        if (!QDir().rmdir(Text::ToQt(level.GetDirectoryPathString()))) break;
        if (!level.RemoveLastSubdirectoryFromPath()) break;
    }
    return ok;
}

bool ConfigurationWrapper::SaveGalleryPreferences(bool remote, bool forcedUser)
{
    return Loaded() && m_configuration->SaveGalleryPreferences(remote, forcedUser);
}

bool ConfigurationWrapper::InitializeDefaultGalleryPreferences()
{
    if (!Loaded()) return false;
    WritePreferenceInt(PreferenceScopeMachine, TypeKey(), L"deinclified", 1, kRegistryDomain);
    return m_configuration->InitializeDefaultGalleryPreferences();
}

bool ConfigurationWrapper::ReadGalleryPreferences()
{
    if (!Loaded()) return false;
    ToIncOrNotToInc();
    return m_configuration->ReadGalleryPreferences();
}

void ConfigurationWrapper::ToIncOrNotToInc()
{
    if (GetPreferenceInt(PreferenceScopeMachine, TypeKey(), L"deinclified", 0, nullptr, kRegistryDomain) == 1) return;
    {
        const auto settings = CreateQSettings(PreferenceScopeMachine);
        const QString oldGroup = Text::ToQt(ConvertSeparators(kOldRegistrationPath));
        const QString newGroup = Text::ToQt(ConvertSeparators(TypeKey()));
        settings->beginGroup(oldGroup);
        const QStringList keys = settings->allKeys();
        std::vector<std::pair<QString, QVariant>> values;
        for (const QString &key : keys)
            values.emplace_back(key, settings->value(key));
        settings->endGroup();
        for (const auto &value : values)
            settings->setValue(newGroup + QLatin1Char('/') + value.first, value.second);
    }
    WritePreferenceInt(PreferenceScopeMachine, TypeKey(), L"deinclified", 1, kRegistryDomain);
}
