// Locale decisions, the language list lookups and the loading of the program's translations.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include <cstdlib>

#include "common/TestEnv.h"
#include "settings/KDLocale.h"
#include "settings/LanguageSettingsCache.h"
#include "settings/LanguageTools.h"
#include "settings/LingoSettings.h"

namespace
{

const char *const kLanguageList =
    "<?xml version=\"1.0\"?>\n<LanguagePacks>\n"
    "  <Language Code=\"en_US\" ID=\"0409\" EnglishName=\"English (US)\" NativeName=\"English\"/>\n"
    "  <Language Code=\"en_CA\" ID=\"1009\" EnglishName=\"English (Canada)\" NativeName=\"English\"/>\n"
    "  <Language Code=\"de_DE\" ID=\"0407\" EnglishName=\"German\" NativeName=\"Deutsch\"/>\n"
    "  <Language Code=\"he_IL\" ID=\"040D\" EnglishName=\"Hebrew\" NativeName=\"Ivrit\" RightToLeft=\"1\"/>\n"
    "  <Language Code=\"xx_YY\" ID=\"7777\" EnglishName=\"Test\" NativeName=\"Test\"/>\n"
    "</LanguagePacks>\n";

class Locale : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(TestEnv::WriteFile(m_dir.file("languages.xml"), kLanguageList));
        CLanguageTools::OverrideLanguagesXMLPath(Text::FromUtf8(m_dir.path()));
        KDLocale::OverrideLocale(QString());
    }
    void TearDown() override
    {
        CLanguageTools::ResetOverrideLanguagesXMLPath();
        KDLocale::OverrideLocale(QString());
        LingoSettings::Open(QSettings::SystemScope)->clear();
        LingoSettings::Open(QSettings::UserScope)->clear();
    }
    TestEnv::TempDir m_dir;
};

TEST(LocaleMatch, Table)
{
    const std::vector<CAtlString> codes = {L"en_US", L"en_CA", L"en_GB", L"nb_NO", L"pt_BR", L"pt", L"de_DE"};
    const struct {
        const char *platform;
        const std::vector<CAtlString> *codes;
        const char *expected;
    } cases[] = {
        {"C", &codes, "en_CA"},          {"no_NO", &codes, "nb_NO"},
        {"de_DE", &codes, "de_DE"},      {"de_AT", &codes, "de_DE"}, // de_AT is cut to "de"
        {"pt_PT", &codes, "pt"},                                     // of pt_BR and pt the shortest wins
        {"en", &codes, "en_US"},                                     // equally short: the first
        {"fr_FR", &codes, "en_US"},                                  // fr matches nothing and has no '_' left
        {"zh_Hans_CN", &codes, "en_US"}, {"C", nullptr, "en_US"},    // no list: en_CA -> en -> nothing
    };
    const std::vector<CAtlString> none;
    for (const auto &c : cases)
        EXPECT_EQ(KDLocale::MatchLocale(QString::fromLatin1(c.platform), c.codes ? *c.codes : none).toStdString(),
                  c.expected)
            << c.platform;
}

TEST_F(Locale, PlatformCLocaleSpeaksCanadianEnglish)
{
    const char *saved[] = {getenv("LC_ALL"), getenv("LC_MESSAGES"), getenv("LANG")};
    const std::string copies[] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "", saved[2] ? saved[2] : ""};
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(KDLocale::PlatformLocaleName(), QStringLiteral("C"));
    EXPECT_EQ(KDLocale::GetSystemLocale(), QStringLiteral("en_CA"));
    EXPECT_EQ(KDLocale::GetCurrentLocaleDirName(false), QStringLiteral("en_CA"));
    setenv("LC_ALL", "de_AT.UTF-8@euro", 1);
    EXPECT_EQ(KDLocale::GetSystemLocale(), QStringLiteral("de_DE"));
    KDLocale::OverrideLocale(QStringLiteral("he_IL"));
    EXPECT_EQ(KDLocale::GetCurrentLocaleDirName(true), QStringLiteral("he_IL"));
    const char *names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (int i = 0; i < 3; ++i) {
        if (saved[i])
            setenv(names[i], copies[i].c_str(), 1);
        else
            unsetenv(names[i]);
    }
}

TEST_F(Locale, LanguageListLocatedInOrder)
{
    TestEnv::TempDir shared, vellum, board;
    QDir().mkpath(QString::fromStdString(shared.path() + "/Languages"));
    ASSERT_TRUE(TestEnv::WriteFile(shared.path() + "/Languages/languages.xml", kLanguageList));
    ASSERT_TRUE(TestEnv::WriteFile(vellum.file("languages.xml"), kLanguageList));
    ASSERT_TRUE(TestEnv::WriteFile(board.file("languages.xml"), kLanguageList));
    {
        auto settings = LingoSettings::Open(QSettings::SystemScope);
        settings->setValue("Path", QString::fromStdString(shared.path()));
        settings->setValue("Vellum/LanguagesFolder", QString::fromStdString(vellum.path()));
        settings->setValue("Kelda Board/LanguagesFolder", QString::fromStdString(board.path()));
    }
    const std::string expected[] = {m_dir.file("languages.xml"), shared.path() + "/Languages/languages.xml",
                                    vellum.file("languages.xml"), board.file("languages.xml"), ""};
    for (const std::string &path : expected) {
        EXPECT_EQ(Text::ToUtf8(CLanguageTools::GetMasterLanguagesXMLFile()), path);
        if (!path.empty()) std::remove(path.c_str()); // the next one takes over
    }
    EXPECT_TRUE(CLanguageTools::GetLanguageCodes().empty());
    EXPECT_EQ(CLanguageTools::GetLangId(L"de_DE"), 0u);
}

TEST_F(Locale, Lookups)
{
    EXPECT_EQ(CLanguageTools::GetLocaleName(0x0407), L"de_DE");
    EXPECT_EQ(CLanguageTools::GetLangId(L"he_IL"), 0x040Du);
    EXPECT_EQ(CLanguageTools::GetLangCode(L"1009"), L"en_CA");
    EXPECT_EQ(CLanguageTools::GetLangDescription(0x0407, true), L"Deutsch");
    EXPECT_EQ(CLanguageTools::GetLangDescription(0x0407, false), L"German");
    EXPECT_EQ(CLanguageTools::GetLocaleID4ICU(0x1009), L"en_US"); // the table wins over the list
    EXPECT_EQ(CLanguageTools::GetLocaleID4ICU(0x0804), L"zh_Hans_CN");
    EXPECT_EQ(CLanguageTools::GetLocaleID4ICU(0x003E), L"ms");
    EXPECT_EQ(CLanguageTools::GetLocaleID4ICU(0x7777), L"xx_YY"); // not in the table: the list's code
    EXPECT_EQ(CLanguageTools::GetLocaleID4ICU(0x1234), L"");
    EXPECT_TRUE(KDLocale::IsRightToLeftLocale("he_IL"));
    EXPECT_FALSE(KDLocale::IsRightToLeftLocale("de_DE"));
}

TEST_F(Locale, MalformedListIsReportedAndEmpty)
{
    ASSERT_TRUE(TestEnv::WriteFile(m_dir.file("languages.xml"), "<LanguagePacks><Language Code=\"de_DE\"></Lang>"));
    QString title, text;
    CLanguageTools::SetWarningHandler([&](const QString &t, const QString &x) { title = t, text = x; });
    EXPECT_TRUE(CLanguageTools::GetLanguageCodes().empty());
    CLanguageTools::SetWarningHandler(nullptr);
    EXPECT_EQ(title, QStringLiteral("DOM Parser"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Parser error at line 1, column "))) << text.toStdString();

    ASSERT_TRUE(
        TestEnv::WriteFile(m_dir.file("languages.xml"), "<Other><Language Code=\"de_DE\" ID=\"0407\"/></Other>"));
    EXPECT_TRUE(CLanguageTools::GetLanguageCodes().empty()); // wrong root
}

TEST_F(Locale, SettingsCacheReadsTheUsersChoice)
{
    LingoSettings::Open(QSettings::UserScope)->setValue("Vellum/LanguageID", "407");
    LingoSettings::Open(QSettings::UserScope)->setValue("Vellum/HandwritingId", "40d");
    auto *cache = CKELDALanguageSettingsCache::GetInstance(L"Vellum");
    cache->RefreshCurrentUILanguageCache();
    EXPECT_EQ(cache->GetCurrentUserLanguageID(), 0x0407u);
    EXPECT_EQ(cache->GetCurrentRecoLanguageID(), 0x040Du);
    EXPECT_EQ(cache->GetCurrentUserLanguageLocaleCode(), L"de_DE");
    EXPECT_EQ(cache->GetCurrentUserLanguageLocaleID4ICU(), L"de_DE");
    EXPECT_FALSE(cache->IsUIRightToLeft());
    EXPECT_EQ(KDLocale::GetCurrentLocaleDirName(true), QStringLiteral("de_DE"));

    // Another application gets its own group; without a choice the system language is used.
    LingoSettings::Open(QSettings::SystemScope)->setValue("Vellum/LanguageId", "he_IL");
    cache = CKELDALanguageSettingsCache::GetInstance(L"Kelda Board");
    EXPECT_EQ(cache->Application(), L"Kelda Board");
    EXPECT_EQ(cache->SettingsKey(L"Kelda Board"), L"Software\\Kelda Labs\\Lingo Setup\\Kelda Board");
    QCoreApplication::setApplicationName(QStringLiteral("Kelda Vellum"));
    cache->RefreshCurrentUILanguageCache();
    EXPECT_EQ(cache->GetCurrentUserLanguageID(), 0x040Du);
    EXPECT_TRUE(cache->IsUIRightToLeft());
    CKELDALanguageSettingsCache::GetInstance(L"Vellum");
}

TEST_F(Locale, TranslatorLoadsTheLocalesTable)
{
    QDir().mkpath(QString::fromStdString(m_dir.path() + "/de_DE"));
    std::string strings = "\xFF\xFE"; // UTF-16 LE: "Ok"="Ja"
    for (char c : std::string("\"Ok\"=\"Ja\""))
        strings += std::string{c, '\0'};
    ASSERT_TRUE(TestEnv::WriteFile(m_dir.path() + "/de_DE/Trove.strings", strings));
    QCoreApplication &app = *QCoreApplication::instance();
    const QString folder = QString::fromStdString(m_dir.path());

    KDLocale::OverrideLocale(QStringLiteral("de_DE"));
    EXPECT_FALSE(KDLocale::LoadExplicitTranslator(QString(), folder, app, true)); // no project: nothing loads
    ASSERT_TRUE(KDLocale::LoadExplicitTranslator(QStringLiteral("Trove"), folder, app, true));
    EXPECT_EQ(QCoreApplication::translate("QObject", "Ok"), QStringLiteral("Ja"));
    EXPECT_EQ(QCoreApplication::translate("QObject", "Other"), QStringLiteral("Other"));
    EXPECT_EQ(KDLocale::GetLayoutDirection(), Qt::LeftToRight);

    KDLocale::OverrideLocale(QStringLiteral("he_IL")); // listed, but no table
    EXPECT_FALSE(KDLocale::LoadExplicitTranslator(QStringLiteral("Trove"), folder, app, true));
    KDLocale::OverrideLocale(QStringLiteral("en_CA")); // English runs untranslated
    EXPECT_TRUE(KDLocale::LoadExplicitTranslator(QStringLiteral("Trove"), folder, app, true));

    QDir().mkpath(QString::fromStdString(m_dir.path() + "/he_IL"));
    ASSERT_TRUE(TestEnv::WriteFile(m_dir.path() + "/he_IL/Trove.strings", strings));
    KDLocale::OverrideLocale(QStringLiteral("he_IL"));
    EXPECT_TRUE(KDLocale::LoadExplicitTranslator(QStringLiteral("Trove"), folder, app, true));
    EXPECT_EQ(KDLocale::GetLayoutDirection(), Qt::RightToLeft);
}

TEST(LocaleText, AdjustString4RTL)
{
    QString text = QStringLiteral("Size (MB)");
    EXPECT_TRUE(KDLocale::AdjustString4RTL(text));
    EXPECT_EQ(text, QStringLiteral("Size (MB)") + QChar(0x200E));
    QString plain = QStringLiteral("Size");
    EXPECT_FALSE(KDLocale::AdjustString4RTL(plain));
}

} // namespace
