// Where the controller finds a source: the search order of FindSourcePath on real folder trees, the
// gallery check of a categories file, SetSource's fallback, the cached copy for offline work, and the
// probe of a remote provider against a real HTTP server.
#include "ControllerTestSupport.h"

#include "common/NginxServer.h"

#include <QString>

#include <filesystem>

using namespace ControllerTest;

namespace
{

const char kCategories[] = "<gallery><categories id=\"GUID-TEST\"/></gallery>";

class ControllerSourceTest : public Fixture
{
  protected:
    // A file below the tree root (folders created).
    void Put(const std::string &relative, const std::string &content = kCategories)
    {
        ASSERT_TRUE(TestEnv::WriteFile(m_tree.file(relative), content));
    }
    std::string Found(const std::string &relative, const wchar_t *galleryName) const
    {
        const CKeldaDirectoryPath found =
            CInstallationController::FindSourcePath(CKeldaDirectoryPath::FromUtf8(m_tree.file(relative)), galleryName);
        if (found.IsEmptyPath()) return "<none>";
        const std::string path = Text::ToUtf8(found.GetDirectoryPathString());
        return path.rfind(m_tree.path(), 0) == 0 ? path.substr(m_tree.path().size()) : path;
    }

    TestEnv::TempDir m_tree;
};

TEST_F(ControllerSourceTest, FindSourcePathSearchesInItsOrder)
{
    // The folder itself wins over its data folder and over a named sub-folder.
    Put("a/gallery_categories.xml");
    Put("a/Gallery Data Files/gallery_categories.xml");
    Put("a/Test Gallery/Gallery Data Files/gallery_categories.xml");
    // The data folder wins over a named sub-folder.
    Put("b/Gallery Data Files/gallery_categories.xml");
    Put("b/Test Gallery/Gallery Data Files/gallery_categories.xml");
    // Sub-folders named after the gallery, any case, in listing order; one without a data folder, or
    // with the file outside it, does not count.
    Put("c/TEST GALLERY/gallery_categories.xml");
    Put("c/test gallery/Gallery Data Files/gallery_categories.xml");
    Put("c/other/Gallery Data Files/gallery_categories.xml");
    // Only a sub-folder of another name.
    Put("d/Other Gallery/Gallery Data Files/gallery_categories.xml");
    // A folder named like the file is no categories file.
    std::filesystem::create_directories(m_tree.file("e/gallery_categories.xml"));
    // The name is made legal as a file name before comparing.
    Put("f/Test Gallery/Gallery Data Files/gallery_categories.xml");

    const struct {
        const char *folder;
        const wchar_t *galleryName;
        const char *expected;
    } cases[] = {
        {"a", L"Test Gallery", "/a"},
        {"b", L"Test Gallery", "/b/Gallery Data Files"},
        {"c", L"Test Gallery", "/c/test gallery/Gallery Data Files"},
        {"c", L"", "<none>"},
        {"d", L"Test Gallery", "<none>"},
        {"e", L"Test Gallery", "<none>"},
        {"f", L"Test: Gallery?", "/f/Test Gallery/Gallery Data Files"},
        {"missing", L"Test Gallery", "<none>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Found(c.folder, c.galleryName), c.expected) << c.folder << " " << Text::ToUtf8(c.galleryName);
}

TEST_F(ControllerSourceTest, CheckSourceByIdThenByDomain)
{
    const struct {
        const char *name;
        const char *content; // nullptr: no file
        bool accepted;
    } cases[] = {
        {"matching id", "<g><categories id=\"GUID-TEST\"><category id=\"http://other/x\"/></categories></g>", true},
        {"other id, own domain",
         "<g><categories id=\"GUID-OTHER\"><category id=\"http://GUID-TEST/x\"/></categories></g>", false},
        {"id compared exactly", "<g><categories id=\"guid-test\"/></g>", false},
        {"no id, own domain", "<g><categories><category id=\"http://GUID-TEST/space\"/></categories></g>", true},
        {"empty id, own domain", "<g><categories id=\"\"><category id=\"http://GUID-TEST\"/></categories></g>", true},
        {"no id, other domain", "<g><categories><category id=\"http://other.invalid/x\"/></categories></g>", false},
        {"only the first category counts",
         "<g><categories><category id=\"http://other/x\"/><category id=\"http://GUID-TEST/y\"/></categories></g>",
         false},
        {"no domain in the id", "<g><categories><category id=\"cat-space\"/></categories></g>", false},
        {"other element names", "<g><categories><item id=\"http://GUID-TEST/x\"/></categories></g>", false},
        {"no categories", "<g><category id=\"http://GUID-TEST/x\"/></g>", false},
        {"not XML", "<g><categories id=\"GUID-TEST\">", false},
        {"missing", nullptr, false},
    };
    for (const auto &c : cases) {
        const std::string path = m_tree.file(std::string(c.name) + ".xml");
        if (c.content) {
            ASSERT_TRUE(TestEnv::WriteFile(path, c.content));
        }
        EXPECT_EQ(CInstallationController::CheckSource(CKeldaFilePath::FromUtf8(path), L"GUID-TEST"), c.accepted)
            << c.name;
    }
}

TEST_F(ControllerSourceTest, SetSourceTakesAnAcceptedFolderOrFallsBack)
{
    Put("medium/Test Gallery/Gallery Data Files/gallery_categories.xml");
    Put("foreign/gallery_categories.xml", "<g><categories id=\"GUID-OTHER\"/></g>");

    EXPECT_TRUE(m_controller->SetSource(Text::FromUtf8(m_tree.file("medium"))));
    EXPECT_EQ(m_controller->GetSource(), Text::FromUtf8(m_tree.file("medium/Test Gallery/Gallery Data Files")));
    EXPECT_TRUE(m_controller->IsWorkingOffline());

    // Refused or not found: the configured default source (empty while internet access is off).
    for (const std::string &path :
         {m_tree.file("foreign"), m_tree.file("nowhere"), std::string("http://127.0.0.1/x"), std::string()}) {
        EXPECT_FALSE(m_controller->SetSource(Text::FromUtf8(path))) << path;
        EXPECT_EQ(m_controller->GetSource(), m_configuration->GetDefaultSource()) << path;
    }
}

TEST_F(ControllerSourceTest, OfflineWorkNeedsTheCachedCategoriesFile)
{
    UseSmallSource();
    EXPECT_FALSE(m_controller->CanWorkOffline());
    ASSERT_TRUE(m_controller->ReadGalleryState(&m_progress));
    EXPECT_TRUE(m_controller->CanWorkOffline());
    EXPECT_TRUE(TestEnv::Exists(DestinationPath() + "/Uninstall/gallery_categories.xml"));
    // The program's folder holds no installation medium here.
    EXPECT_FALSE(m_controller->IsOnCD());
}

TEST_F(ControllerSourceTest, RemoteProviderIsProbedForItsCategoriesFile)
{
    if (NginxServer::Binary().isEmpty()) GTEST_SKIP() << "nginx is not installed";
    Put("www/gallery/gallery_categories.xml");
    NginxServer server;
    QString error;
    ASSERT_TRUE(
        server.Start(QString::fromStdString(m_tree.file("www")), QString::fromStdString(m_tree.file("nginx")), &error))
        << error.toStdString();
    const CAtlString base = Text::FromQt(server.url(QStringLiteral("/gallery")).toString());

    EXPECT_TRUE(m_controller->CheckRemoteGalleryProvider(base));
    EXPECT_TRUE(m_controller->CheckRemoteGalleryProvider(base + L"///"));
    EXPECT_FALSE(m_controller->CheckRemoteGalleryProvider(base + L"/missing"));
    EXPECT_FALSE(m_controller->CheckRemoteGalleryProvider(Text::FromUtf8(m_tree.file("www/gallery"))))
        << "a folder is no remote provider";
    EXPECT_FALSE(m_controller->CheckRemoteGalleryProvider(L""));

    // Without an argument the current source is probed.
    EXPECT_FALSE(m_controller->CheckRemoteGalleryProvider());
    // Nothing is left behind in the temporary file folder.
    std::vector<CKeldaFilePath> left;
    CKeldaDirectoryPath::GetTempFileDirectoryPath().FindFilesInDirectory(L"*.xml", left);
    EXPECT_TRUE(left.empty()) << Text::ToUtf8(left.front().GetFilePathString());
}

} // namespace
