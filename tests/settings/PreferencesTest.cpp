// The preference store: key-path normalisation, both scopes, and the fallback of an unwritable
// machine-wide scope to the user's settings.
#include "settings/KDAppInfo.h"
#include "settings/Preferences.h"

#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSettings>

#include <cstdlib>
#include <string>

#include <pwd.h>
#include <unistd.h>

namespace
{

class PreferencesTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        KDAppInfo::applicationInfo();
        RecursivePreferenceDelete(PreferenceScopeUser, L"Software");
        RecursivePreferenceDelete(PreferenceScopeMachine, L"Software");
    }
};

TEST(KDAppInfoTest, SetsQtNamesAndBuildInformation)
{
    KDAppInfo *info = KDAppInfo::applicationInfo();
    EXPECT_EQ(info, KDAppInfo::applicationInfo());
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Kelda Labs"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Kelda Vellum"));
    EXPECT_EQ(info->applicationName(), QStringLiteral("Kelda Vellum"));
    EXPECT_STREQ(buildVersion(), "[:Kelda Labs 1.4.32.0:]");
    EXPECT_STREQ(buildVersionNumber(), "1.4.32.0");
    EXPECT_EQ(info->buildVersion(), QStringLiteral("Kelda Labs 1.4.32.0"));
    EXPECT_EQ(info->homePath().toStdString(), TestEnv::Home());
}

TEST(ConvertSeparatorsTest, NormalisesKeyPaths)
{
    const struct {
        const wchar_t *in;
        const wchar_t *out;
    } cases[] = {
        {L"Software\\Kelda Labs\\Gallery", L"Software/Kelda Labs/Gallery"},
        {L"/Software/Kelda Labs/Gallery/", L"Software/Kelda Labs/Gallery"},
        {L"\\\\Software\\Gallery\\\\", L"Software/Gallery"},
        {L"Gallery", L"Gallery"},
        {L"", L""},
        {L"\\/\\", L""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ConvertSeparators(c.in), c.out) << Text::ToUtf8(c.in);
}

TEST_F(PreferencesTest, SpellingsOfOneKeyPathAddressTheSameValue)
{
    ASSERT_EQ(WritePreferenceString(PreferenceScopeUser, L"Software\\Kelda Labs\\Gallery", L"Name", L"Fünf"), 0);
    unsigned int error = 99;
    EXPECT_EQ(GetPreferenceString(PreferenceScopeUser, L"/Software/Kelda Labs/Gallery/", L"Name", L"x", &error),
              L"Fünf");
    EXPECT_EQ(error, 0u);
    // The domain is accepted and ignored.
    EXPECT_EQ(GetPreferenceString(PreferenceScopeUser, L"Software/Kelda Labs/Gallery", L"Name", L"", nullptr,
                                  L"com.keldalabs.Registry"),
              L"Fünf");

    // The value lives in the user's settings file under the normalised key.
    QSettings file(QString::fromStdString(TestEnv::ConfigHome() + "/Kelda Labs/Kelda Vellum.conf"),
                   QSettings::IniFormat);
    EXPECT_EQ(file.value(QStringLiteral("Software/Kelda Labs/Gallery/Name")).toString(), QStringLiteral("Fünf"));
}

TEST_F(PreferencesTest, MissingValuesGiveTheDefaultAndAnError)
{
    unsigned int error = 0;
    EXPECT_EQ(GetPreferenceString(PreferenceScopeUser, L"Software\\None", L"Name", L"dflt", &error), L"dflt");
    EXPECT_NE(error, 0u);
    error = 0;
    EXPECT_EQ(GetPreferenceInt(PreferenceScopeMachine, L"Software\\None", L"Port", 42, &error), 42);
    EXPECT_NE(error, 0u);

    // A text that is not a number reads as the integer default, with an error.
    ASSERT_EQ(WritePreferenceString(PreferenceScopeUser, L"Software\\T", L"Port", L"eighty"), 0);
    error = 0;
    EXPECT_EQ(GetPreferenceInt(PreferenceScopeUser, L"Software\\T", L"Port", 7, &error), 7);
    EXPECT_NE(error, 0u);
}

TEST_F(PreferencesTest, ScopesAreSeparateFiles)
{
    ASSERT_EQ(WritePreferenceInt(PreferenceScopeMachine, L"Software\\Proxy", L"Port", 8080), 0);
    ASSERT_EQ(WritePreferenceInt(PreferenceScopeUser, L"Software\\Proxy", L"Port", 3128), 0);
    EXPECT_EQ(GetPreferenceInt(PreferenceScopeMachine, L"Software\\Proxy", L"Port", 0), 8080);
    EXPECT_EQ(GetPreferenceInt(PreferenceScopeUser, L"Software\\Proxy", L"Port", 0), 3128);
    EXPECT_TRUE(TestEnv::Exists(TestEnv::SysRoot() + "/etc/xdg/Kelda Labs/Kelda Vellum.conf"));
}

TEST_F(PreferencesTest, DeletingValuesAndSubtrees)
{
    const wchar_t *key = L"Software\\Kelda Labs\\Gallery\\TeamContent\\{1}";
    ASSERT_EQ(WritePreferenceString(PreferenceScopeMachine, key, L"ImsManifestXml", L"/g/imsmanifest.xml"), 0);
    ASSERT_EQ(WritePreferenceInt(PreferenceScopeMachine, key, L"Enabled", 1), 0);
    ASSERT_EQ(WritePreferenceInt(PreferenceScopeMachine, L"Software\\Kelda Labs\\Gallery", L"Keep", 5), 0);

    EXPECT_EQ(DeletePreference(PreferenceScopeMachine, key, L"Enabled"), 0);
    unsigned int error = 0;
    GetPreferenceInt(PreferenceScopeMachine, key, L"Enabled", 0, &error);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(GetPreferenceString(PreferenceScopeMachine, key, L"ImsManifestXml"), L"/g/imsmanifest.xml");

    EXPECT_EQ(RecursivePreferenceDelete(PreferenceScopeMachine, L"/Software/Kelda Labs/Gallery/TeamContent/"), 0);
    GetPreferenceString(PreferenceScopeMachine, key, L"ImsManifestXml", L"", &error);
    EXPECT_NE(error, 0u);
    EXPECT_EQ(GetPreferenceInt(PreferenceScopeMachine, L"Software\\Kelda Labs\\Gallery", L"Keep", 0), 5);

    // An empty key path or value name never removes more than was named.
    EXPECT_NE(RecursivePreferenceDelete(PreferenceScopeMachine, L"\\"), 0);
    EXPECT_NE(DeletePreference(PreferenceScopeMachine, L"Software\\Kelda Labs\\Gallery", L""), 0);
    EXPECT_EQ(GetPreferenceInt(PreferenceScopeMachine, L"Software\\Kelda Labs\\Gallery", L"Keep", 0), 5);
}

// A run from cron has no HOME: user settings go to the password database's home, never to "/.config".
TEST_F(PreferencesTest, WithoutHomeUserSettingsLiveInThePasswordDatabaseHome)
{
    const passwd *entry = getpwuid(geteuid());
    ASSERT_TRUE(entry && entry->pw_dir && entry->pw_dir[0] == '/');
    const std::string database = std::string(entry->pw_dir) == "/" ? "" : entry->pw_dir;
    const std::string home = TestEnv::Home(), config = TestEnv::ConfigHome();
    unsetenv("XDG_CONFIG_HOME");
    std::string withoutHome, emptyHome;
    unsetenv("HOME");
    withoutHome = CreateQSettings(PreferenceScopeUser)->fileName().toStdString();
    setenv("HOME", "", 1);
    emptyHome = CreateQSettings(PreferenceScopeUser)->fileName().toStdString();
    setenv("HOME", home.c_str(), 1);
    // Back to the test's own settings folder before anything writes.
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(config));

    EXPECT_EQ(withoutHome, database + "/.config/Kelda Labs/Kelda Vellum.conf");
    EXPECT_EQ(emptyHome, withoutHome);
    EXPECT_EQ(CreateQSettings(PreferenceScopeUser)->fileName().toStdString(), config + "/Kelda Labs/Kelda Vellum.conf");
}

// Without write access to the machine-wide settings, scope 0 reads and writes the user's settings.
TEST_F(PreferencesTest, UnwritableMachineScopeFallsBackToTheUser)
{
    TestEnv::TempDir root;
    // "etc" is a plain file, so the system settings folder cannot be created, not even by root.
    ASSERT_TRUE(TestEnv::WriteFile(root.file("etc"), "not a folder"));
    const std::string saved = TestEnv::SysRoot();
    setenv("TROVE_SYSROOT", root.path().c_str(), 1);

    const int written = WritePreferenceString(PreferenceScopeMachine, L"Software\\Kelda Labs", L"DefaultManifest",
                                              L"/home/u/imsmanifest.xml");
    const CAtlString machine = GetPreferenceString(PreferenceScopeMachine, L"Software\\Kelda Labs", L"DefaultManifest");
    const CAtlString user = GetPreferenceString(PreferenceScopeUser, L"Software\\Kelda Labs", L"DefaultManifest");
    setenv("TROVE_SYSROOT", saved.c_str(), 1);

    EXPECT_EQ(written, 0);
    EXPECT_EQ(machine, L"/home/u/imsmanifest.xml");
    EXPECT_EQ(user, L"/home/u/imsmanifest.xml");
}

} // namespace
