// Application identity: the one KDAppInfo object gives the Qt application its organisation and
// application names (and with them the location of the settings files) and answers build and path
// questions.
#pragma once

#include <QString>

// The build identifier "[:Kelda Labs 1.4.32.0:]" and its version number "1.4.32.0".
const char *buildVersion();
const char *buildVersionNumber();

class KDAppInfo
{
  public:
    static constexpr const char *OrganizationName = "Kelda Labs";
    static constexpr const char *OrganizationDomain = "keldalabs.com";
    static constexpr const char *ApplicationName = "Kelda Vellum";

    // The singleton, created on first use (which sets the Qt names) and never destroyed.
    static KDAppInfo *applicationInfo();

    QString applicationName() const;
    QString applicationVersion() const;
    // The date of the build, as the compiler gives it ("Mmm dd yyyy").
    QString buildDate() const;
    // The build identifier without its "[:" and ":]" markers: "Kelda Labs 1.4.32.0".
    QString buildVersion() const;
    // The full path of the running executable ("" before a Qt application object exists).
    QString applicationPath() const;
    // The user's home folder (HOME).
    QString homePath() const;
    // The current locale name, e.g. "en_US".
    QString currentLocale() const;
    // True when the effective user is root.
    bool userHasRootPrivileges() const;

    KDAppInfo(const KDAppInfo &) = delete;
    KDAppInfo &operator=(const KDAppInfo &) = delete;

  private:
    KDAppInfo();
    ~KDAppInfo() = default;
};
