#include "settings/LingoSettings.h"

#include "settings/Preferences.h"

namespace LingoSettings
{

std::unique_ptr<QSettings> Open(QSettings::Scope scope)
{
    ApplySystemSettingsPath();
    return std::make_unique<QSettings>(QSettings::NativeFormat, scope, QString::fromLatin1(Organization),
                                       QString::fromLatin1(Application));
}

QString Value(QSettings::Scope scope, const QString &key)
{
    const auto settings = Open(scope);
    return settings->value(key).toString();
}

} // namespace LingoSettings
