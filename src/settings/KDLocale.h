// KDLocale: which language the program speaks and the loading of its translations. The locale is the
// forced one (OverrideLocale), the user's choice in the shared language settings, or the desktop's
// locale matched against the language list; translations come from the ".strings" table of that
// locale through one process-wide QStringsTranslator.
#pragma once

#include <QString>
#include <Qt>

#include <vector>

#include "support/Text.h"

class QCoreApplication;
class QTranslator;
class QWidget;

class KDLocale
{
  public:
    static void OverrideLocale(const QString &locale);
    static QString GetOverrideLocale();
    static void SetProjectName(const QString &project);
    static QString GetProjectName();
    static void OverrideLanguagesXMLPath(const QString &directory);
    static void ResetOverrideLanguagesXMLPath();
    static QString GetOverridePath();

    // The forced locale when set; otherwise, with the flag, the code of the user-interface language
    // of the settings cache, without it (or when that code is unknown) the system locale.
    static QString GetCurrentLocaleDirName(bool useLanguageSetting);

    // The platform locale ("C" gives en_CA, no_NO reads as nb_NO) matched against the language list.
    static QString GetSystemLocale();
    // The locale name of the process environment (LC_ALL, LC_MESSAGES, LANG; encoding and modifier
    // removed); "C" when none is set or it is "POSIX".
    static QString PlatformLocaleName();
    // The matching rule: the supported codes containing the name; one gives it, of several the
    // shortest (the first of equally short ones); none: a name with '_' is cut to as many characters
    // as follow its last '_' and matched again; without '_' the answer is "en_US".
    static QString MatchLocale(const QString &name, const std::vector<CAtlString> &codes);

    // The language-files folder is "Languages" in the parent of the application's folder.
    static bool LoadDefaultTranslator(const QString &project, QCoreApplication &application, bool useLanguageSetting);
    // Loads and installs the table of the current locale from directory. When it loads, the layout
    // direction follows the locale's "RightToLeft" and the result is true; when it does not, an "en"
    // locale is left to right and true, any other false with the direction untouched.
    static bool LoadExplicitTranslator(const QString &project, const QString &directory, QCoreApplication &application,
                                       bool useLanguageSetting);
    // Loads the compiled Qt catalogue prefix + "_" + locale from base + "/Languages/".
    static bool LoadQmTranslator(QTranslator &translator, const QString &base, const QString &prefix,
                                 const QString &locale);

    // Appends a left-to-right mark to a text that ends with ')'.
    static bool AdjustString4RTL(QString &text);
    // Nothing to do on this platform.
    static void AdjustTitlebarLayoutDirection(QWidget *widget);

    // The direction chosen by the last translator load. It is applied to a GUI application object
    // directly; a console application only records it here.
    static Qt::LayoutDirection GetLayoutDirection();
    static bool IsRightToLeftLocale(const QString &locale);

  private:
    static bool InstallTranslator(const QString &locale, const QString &project, const QString &directory,
                                  QCoreApplication &application);
    static void SetLayoutDirection(QCoreApplication &application, Qt::LayoutDirection direction);
};
