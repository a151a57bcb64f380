// What the configuration and guid options do: a path read as a file, a packed file or a folder, a
// registration read by its guid, and after a load the configuration's translator and style sheet.
#include "app/ConfigurationLoading.h"

#include "common/TestEnv.h"
#include "configuration/ConfigurationWrapper.h"
#include "settings/Preferences.h"
#include "support/SysRoot.h"
#include "support/ZipHelper.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTranslator>
#include <QVariant>

#include <filesystem>

namespace fs = std::filesystem;

namespace
{

const wchar_t *const kGuid = L"7D3F0C6A-52B1-4E0B-9C1E-2A6F3B1D8E41";

class ConfigurationLoadingTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fs::copy(std::string(TROVE_SOURCE_DIR) + "/samples/configuration", m_dir.path() + "/conf",
                 fs::copy_options::recursive);
        m_conf = m_dir.path() + "/conf";
    }
    void TearDown() override
    {
        CreateQSettings(PreferenceScopeMachine)->clear();
        fs::remove_all(SysRoot::Path(std::string("/opt")));
    }
    CKeldaDirectoryPath Dir() const { return CKeldaDirectoryPath::FromUtf8(m_conf); }

    TestEnv::TempDir m_dir;
    std::string m_conf;
};

TEST_F(ConfigurationLoadingTest, LoadingFromTheCommandLine)
{
    ConfigurationWrapper w;
    CAtlString absolute;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(m_dir.path()));
    EXPECT_TRUE(ConfigurationLoading::LoadConfigurationPath(w, L"conf/../conf", &absolute));
    QDir::setCurrent(previous);
    EXPECT_EQ(Text::ToUtf8(absolute), m_conf);
    ConfigurationWrapper none;
    EXPECT_FALSE(ConfigurationLoading::LoadConfigurationPath(none, Text::FromUtf8(m_dir.file("missing")), &absolute));
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_FALSE(ConfigurationLoading::LoadConfigurationPath(none, L"", &absolute));
    const std::string packed = m_dir.file("Sample.gallerycollection");
    ASSERT_TRUE(CZipHelper::ZipFolderToFile(Dir(), CKeldaFilePath::FromUtf8(packed)));
    EXPECT_TRUE(ConfigurationLoading::LoadConfigurationPath(w, Text::FromUtf8(packed), nullptr));
    EXPECT_FALSE(ConfigurationLoading::LoadConfigurationGuid(w, kGuid));
    ASSERT_TRUE(ConfigurationLoading::LoadConfigurationPath(w, Text::FromUtf8(packed), nullptr));

    // This test program runs a GUI application: the style sheet is applied only when asked to.
    QCoreApplication *application = QCoreApplication::instance();
    QTranslator translator;
    QString styleSheet;
    ConfigurationLoading::OnConfigurationLoaded(w, QStringLiteral("de_DE"), translator, QStringLiteral("#base {}"),
                                                styleSheet, false, application);
    EXPECT_TRUE(styleSheet.startsWith(QStringLiteral("#base {}#labelGalleryName"))) << styleSheet.toStdString();
    EXPECT_TRUE(translator.isEmpty());                                     // no catalogue in the sample: not an error
    EXPECT_TRUE(application->property("styleSheet").toString().isEmpty()); // not asked: not applied
    ConfigurationLoading::OnConfigurationLoaded(w, QStringLiteral("de_DE"), translator, QStringLiteral("#base {}"),
                                                styleSheet, true, application);
    EXPECT_EQ(application->property("styleSheet").toString(), styleSheet);
    application->setProperty("styleSheet", QString());
}

} // namespace
