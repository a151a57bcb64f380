// Locale decisions and translator loading.
#include "settings/KDLocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>
#include <QVariant>

#include <mutex>

#include "settings/LanguageSettingsCache.h"
#include "settings/LanguageTools.h"
#include "settings/QStringsTranslator.h"

namespace
{

std::mutex g_mutex;
QString g_overrideLocale;
QString g_projectName;
Qt::LayoutDirection g_direction = Qt::LeftToRight;

QStringsTranslator &Translator()
{
    static QStringsTranslator *translator = new QStringsTranslator; // lives for the whole process
    return *translator;
}

} // namespace

void KDLocale::OverrideLocale(const QString &locale)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_overrideLocale = locale;
}

QString KDLocale::GetOverrideLocale()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_overrideLocale;
}

void KDLocale::SetProjectName(const QString &project)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_projectName = project;
}

QString KDLocale::GetProjectName()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_projectName;
}

void KDLocale::OverrideLanguagesXMLPath(const QString &directory)
{
    CLanguageTools::OverrideLanguagesXMLPath(Text::FromQt(directory));
}

void KDLocale::ResetOverrideLanguagesXMLPath()
{
    CLanguageTools::ResetOverrideLanguagesXMLPath();
}

QString KDLocale::GetOverridePath()
{
    return Text::ToQt(CLanguageTools::GetOverridePath());
}

QString KDLocale::GetCurrentLocaleDirName(bool useLanguageSetting)
{
    const QString forced = GetOverrideLocale();
    if (!forced.isEmpty()) return forced;
    if (useLanguageSetting) {
        const CAtlString code = CKELDALanguageSettingsCache::GetInstance()->GetCurrentUserLanguageLocaleCode();
        if (!code.empty()) return Text::ToQt(code);
    }
    return GetSystemLocale();
}

QString KDLocale::PlatformLocaleName()
{
    QString name;
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        name = qEnvironmentVariable(variable);
        if (!name.isEmpty()) break;
    }
    name = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (name.isEmpty() || name == QLatin1String("POSIX")) name = QStringLiteral("C");
    return name;
}

QString KDLocale::MatchLocale(const QString &platformName, const std::vector<CAtlString> &codes)
{
    QString name = platformName;
    if (name == QLatin1String("C")) name = QStringLiteral("en_CA");
    if (name == QLatin1String("no_NO")) name = QStringLiteral("nb_NO");
    while (!name.isEmpty()) {
        const CAtlString wanted = Text::FromQt(name);
        const CAtlString *best = nullptr;
        for (const CAtlString &code : codes)
            if (code.find(wanted) != CAtlString::npos && (!best || code.size() < best->size())) best = &code;
        if (best) return Text::ToQt(*best);
        const int underscore = name.lastIndexOf(QLatin1Char('_'));
        if (underscore < 0) break;
        name.truncate(name.size() - underscore - 1); // en_US -> en
    }
    return QStringLiteral("en_US");
}

QString KDLocale::GetSystemLocale()
{
    return MatchLocale(PlatformLocaleName(), CLanguageTools::GetLanguageCodes());
}

bool KDLocale::LoadDefaultTranslator(const QString &project, QCoreApplication &application, bool useLanguageSetting)
{
    const QDir applicationDirectory(QCoreApplication::applicationDirPath());
    if (!applicationDirectory.exists()) return false;
    QDir parent = applicationDirectory;
    if (!parent.cdUp()) return false;
    return LoadExplicitTranslator(project, parent.absoluteFilePath(QStringLiteral("Languages")), application,
                                  useLanguageSetting);
}

bool KDLocale::LoadExplicitTranslator(const QString &project, const QString &directory, QCoreApplication &application,
                                      bool useLanguageSetting)
{
    const QString locale = GetCurrentLocaleDirName(useLanguageSetting);
    if (InstallTranslator(locale, project, directory, application)) {
        SetLayoutDirection(application, IsRightToLeftLocale(locale) ? Qt::RightToLeft : Qt::LeftToRight);
        return true;
    }
    if (locale.startsWith(QLatin1String("en"))) {
        SetLayoutDirection(application, Qt::LeftToRight);
        return true;
    }
    return false;
}

bool KDLocale::InstallTranslator(const QString &locale, const QString &project, const QString &directory,
                                 QCoreApplication &application)
{
    if (project.isEmpty()) return false;
    SetProjectName(project);
    if (!Translator().load(locale, project, directory)) return false;
    QCoreApplication::removeTranslator(&Translator());
    return application.installTranslator(&Translator());
}

bool KDLocale::LoadQmTranslator(QTranslator &translator, const QString &base, const QString &prefix,
                                const QString &locale)
{
    return translator.load(prefix + QLatin1Char('_') + locale, base + QStringLiteral("/Languages/"));
}

bool KDLocale::AdjustString4RTL(QString &text)
{
    if (!text.endsWith(QLatin1Char(')'))) return false;
    text.append(QChar(0x200E));
    return true;
}

void KDLocale::AdjustTitlebarLayoutDirection(QWidget *) {}

bool KDLocale::IsRightToLeftLocale(const QString &locale)
{
    return CLanguageTools::GetAttributeFromLanguagesXML(Text::FromQt(locale), L"Code", L"RightToLeft") == L"1";
}

Qt::LayoutDirection KDLocale::GetLayoutDirection()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_direction;
}

void KDLocale::SetLayoutDirection(QCoreApplication &application, Qt::LayoutDirection direction)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_direction = direction;
    }
    // A GUI application has the "layoutDirection" property; this layer does not link the GUI module.
    if (application.metaObject()->indexOfProperty("layoutDirection") >= 0)
        application.setProperty("layoutDirection", QVariant::fromValue(direction));
}
