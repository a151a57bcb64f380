// The preference store over Qt settings files.
#include "settings/Preferences.h"

#include "support/HomeDirectory.h"
#include "support/SysRoot.h"

#include <QCoreApplication>
#include <QSettings>
#include <QString>
#include <QVariant>

namespace
{

const char DefaultOrganization[] = "Kelda Labs";

QString SettingsKey(const CAtlString &keyPath, const CAtlString &valueName)
{
    const CAtlString path = ConvertSeparators(keyPath);
    if (path.empty()) return Text::ToQt(valueName);
    return Text::ToQt(path + L"/" + valueName);
}

// Saves and reports whether the file was written.
int Save(QSettings &settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError ? 0 : 1;
}

} // namespace

void ApplySystemSettingsPath()
{
    const QString path = QString::fromStdString(SysRoot::Path(std::string("/etc/xdg")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, path);
    // Without XDG_CONFIG_HOME, Qt keeps user settings below HOME, and below "/" when HOME is unset.
    const QByteArray home = qgetenv("HOME");
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") && !home.startsWith('/'))
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(HomeDirectory::Path()) + QStringLiteral("/.config"));
}

QSettings *CreateQSettingsObject(int scope)
{
    ApplySystemSettingsPath();
    QString organization = QCoreApplication::organizationName();
    if (organization.isEmpty() || organization == QLatin1String("keldalabs"))
        organization = QString::fromLatin1(DefaultOrganization);
    const QString application = QCoreApplication::applicationName();

    const QSettings::Scope qtScope = scope == PreferenceScopeUser ? QSettings::UserScope : QSettings::SystemScope;
    auto *settings = new QSettings(QSettings::NativeFormat, qtScope, organization, application);
    if (qtScope == QSettings::SystemScope && !settings->isWritable()) {
        delete settings;
        settings = new QSettings(QSettings::NativeFormat, QSettings::UserScope, organization, application);
    }
    return settings;
}

std::unique_ptr<QSettings> CreateQSettings(int scope)
{
    return std::unique_ptr<QSettings>(CreateQSettingsObject(scope));
}

CAtlString ConvertSeparators(const CAtlString &keyPath)
{
    CAtlString path = keyPath;
    for (wchar_t &c : path)
        if (c == L'\\') c = L'/';
    const size_t first = path.find_first_not_of(L'/');
    if (first == CAtlString::npos) return CAtlString();
    const size_t last = path.find_last_not_of(L'/');
    return path.substr(first, last - first + 1);
}

CAtlString GetPreferenceString(int scope, const CAtlString &keyPath, const CAtlString &valueName,
                               const CAtlString &defaultValue, unsigned int *error, const wchar_t * /*domain*/)
{
    const auto settings = CreateQSettings(scope);
    const QString key = SettingsKey(keyPath, valueName);
    const bool found = !valueName.empty() && settings->contains(key);
    if (error) *error = found ? 0 : 1;
    return found ? Text::FromQt(settings->value(key).toString()) : defaultValue;
}

int GetPreferenceInt(int scope, const CAtlString &keyPath, const CAtlString &valueName, int defaultValue,
                     unsigned int *error, const wchar_t * /*domain*/)
{
    const auto settings = CreateQSettings(scope);
    const QString key = SettingsKey(keyPath, valueName);
    bool ok = !valueName.empty() && settings->contains(key);
    int value = defaultValue;
    if (ok) {
        value = settings->value(key).toInt(&ok);
        if (!ok) value = defaultValue;
    }
    if (error) *error = ok ? 0 : 1;
    return value;
}

int WritePreferenceString(int scope, const CAtlString &keyPath, const CAtlString &valueName, const CAtlString &value,
                          const wchar_t * /*domain*/)
{
    if (valueName.empty()) return 1;
    const auto settings = CreateQSettings(scope);
    settings->setValue(SettingsKey(keyPath, valueName), Text::ToQt(value));
    return Save(*settings);
}

int WritePreferenceInt(int scope, const CAtlString &keyPath, const CAtlString &valueName, int value,
                       const wchar_t * /*domain*/)
{
    if (valueName.empty()) return 1;
    const auto settings = CreateQSettings(scope);
    settings->setValue(SettingsKey(keyPath, valueName), value);
    return Save(*settings);
}

int DeletePreference(int scope, const CAtlString &keyPath, const CAtlString &valueName, const wchar_t * /*domain*/)
{
    if (valueName.empty()) return 1;
    const auto settings = CreateQSettings(scope);
    settings->remove(SettingsKey(keyPath, valueName));
    return Save(*settings);
}

int RecursivePreferenceDelete(int scope, const CAtlString &keyPath, const wchar_t * /*domain*/)
{
    const CAtlString path = ConvertSeparators(keyPath);
    if (path.empty()) return 1;
    const auto settings = CreateQSettings(scope);
    settings->remove(Text::ToQt(path));
    return Save(*settings);
}
