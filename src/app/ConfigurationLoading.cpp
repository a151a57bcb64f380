#include "app/ConfigurationLoading.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>
#include <QVariant>

namespace ConfigurationLoading
{

bool LoadConfigurationPath(ConfigurationWrapper &configuration, const CAtlString &path, CAtlString *absolutePath)
{
    const QFileInfo info(Text::ToQt(path));
    const CAtlString absolute = path.empty() ? CAtlString() : Text::FromQt(QDir::cleanPath(info.absoluteFilePath()));
    if (absolutePath) *absolutePath = absolute;
    if (absolute.empty()) return false;
    if (info.isFile()) return configuration.ReadFromFile(CKeldaFilePath(absolute));
    if (info.isDir()) return configuration.ReadFromDir(CKeldaDirectoryPath(absolute));
    ConfigurationWrapper::SetLastLoadFailure(absolute + L": no such file or folder");
    return false;
}

bool LoadConfigurationGuid(ConfigurationWrapper &configuration, const CAtlString &guid)
{
    return configuration.ReadFromPreferences(guid);
}

void OnConfigurationLoaded(const ConfigurationWrapper &configuration, const QString &locale, QTranslator &translator,
                           const QString &defaultStyleSheet, QString &styleSheet, bool applyStyleSheet,
                           QCoreApplication *application)
{
    const CKeldaDirectoryPath directory = configuration.GetDirectory();
    if (!directory.IsEmptyPath())
        translator.load(QStringLiteral("Trove"),
                        Text::ToQt(directory.GetDirectoryPathString()) + QStringLiteral("/Languages/") + locale);
    styleSheet = defaultStyleSheet + QString::fromStdString(configuration.GetStyleSheet());
    // QApplication's "styleSheet" property; a console application has none and is left alone.
    if (applyStyleSheet && application && application->metaObject()->indexOfProperty("styleSheet") >= 0)
        application->setProperty("styleSheet", styleSheet);
}

} // namespace ConfigurationLoading
