// Application identity and build information.
#include "settings/KDAppInfo.h"

#include "settings/Preferences.h"
#include "support/HomeDirectory.h"

#include <QCoreApplication>
#include <QLocale>

#include <unistd.h>

namespace
{
const char BuildIdentifier[] = "[:Kelda Labs 1.4.32.0:]";
const char BuildNumber[] = "1.4.32.0";
} // namespace

const char *buildVersion()
{
    return BuildIdentifier;
}

const char *buildVersionNumber()
{
    return BuildNumber;
}

KDAppInfo::KDAppInfo()
{
    QCoreApplication::setOrganizationName(QString::fromLatin1(OrganizationName));
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(OrganizationDomain));
    QCoreApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(BuildNumber));
    ApplySystemSettingsPath();
}

KDAppInfo *KDAppInfo::applicationInfo()
{
    // Deliberately never destroyed: settings and translators may ask for it during static teardown.
    static KDAppInfo *const instance = new KDAppInfo();
    return instance;
}

QString KDAppInfo::applicationName() const
{
    return QCoreApplication::applicationName();
}

QString KDAppInfo::applicationVersion() const
{
    return QString::fromLatin1(BuildNumber);
}

QString KDAppInfo::buildDate() const
{
    return QString::fromLatin1(__DATE__);
}

QString KDAppInfo::buildVersion() const
{
    QString id = QString::fromLatin1(BuildIdentifier);
    if (id.startsWith(QLatin1String("[:"))) id.remove(0, 2);
    if (id.endsWith(QLatin1String(":]"))) id.chop(2);
    return id;
}

QString KDAppInfo::applicationPath() const
{
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

QString KDAppInfo::homePath() const
{
    return QString::fromStdString(HomeDirectory::Path());
}

QString KDAppInfo::currentLocale() const
{
    return QLocale().name();
}

bool KDAppInfo::userHasRootPrivileges() const
{
    return geteuid() == 0;
}
