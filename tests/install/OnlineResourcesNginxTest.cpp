// The online resources through the installation engine's download against a real nginx on 127.0.0.1:
// every online host points at it (TROVE_ONLINE_BASE). The urlresources document replaces the defaults
// (and only from the right depths), a wrong version is refused, the resources page is filled from the
// feed byte for byte, a failed download shows the error page, and favicons come only for http sites.
#include "gallery/facade/Gallery.h"
#include "gallery/facade/GalleryHooks.h"
#include "gallery/online/GalleryOnlineResources.h"
#include "gallery/online/GalleryWebSite.h"
#include "gallery/online/KDEXIntegration.h"
#include "gallery/online/UrlResources.h"
#include "install/GalleryInstallation.h"
#include "settings/KDAppInfo.h"
#include "settings/Preferences.h"

#include "common/NginxServer.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

class OnlineResourcesNginxTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (NginxServer::Binary().isEmpty()) GTEST_SKIP() << "nginx is not installed";
        QString why;
        ASSERT_TRUE(TestEnv::WriteFile(m_dir.file("served/.keep"), ""));
        ASSERT_TRUE(m_nginx.Start(QString::fromStdString(m_dir.file("served")),
                                  QString::fromStdString(m_dir.file("nginx")), &why))
            << why.toStdString();
        m_base = Text::FromQt(m_nginx.url(QString()).toString());
        while (!m_base.empty() && m_base.back() == L'/')
            m_base.pop_back();
        setenv("TROVE_ONLINE_BASE", Text::ToUtf8(m_base).c_str(), 1);
        // What the program registers at start-up.
        CGalleryHooks::SetDownloadHook(&CGalleryInstallation::DownloadForGallery);
        CUrlResources::instance().reset();
    }
    void TearDown() override
    {
        CGalleryHooks::SetDownloadHook(nullptr);
        unsetenv("TROVE_ONLINE_BASE");
        CUrlResources::instance().reset();
        RecursivePreferenceDelete(PreferenceScopeUser, CGallery::PreferencesPath);
        TestEnv::RemoveAll(Text::ToUtf8(CGallery::GetCacheFolderPath()));
    }
    void Serve(const std::string &path, const std::string &body)
    {
        ASSERT_TRUE(TestEnv::WriteFile(m_dir.file("served") + path, body));
    }
    size_t Requests() const { return static_cast<size_t>(m_nginx.AccessLogLines().size()); }

    TestEnv::TempDir m_dir;
    NginxServer m_nginx;
    CAtlString m_base;
};

const char kFullDocument[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<urlresources version=\"0.1\">\n"
    "  <corporate>http://wrong.test/depth2</corporate>\n"
    "  <teamextensions>\n"
    "    <corporate>http://c.test/corp.htm</corporate><corporate-title>Business</corporate-title>\n"
    "    <education>http://e.test/edu.htm?l=%LANG%</education><education-title>Schools</education-title>\n"
    "    <more><education>http://wrong.test/depth4</education></more>\n"
    "  </teamextensions>\n"
    "  <onlinemarketplace>http://m.test/market.html</onlinemarketplace>\n"
    "  <kdexsearch>http://x.test/find?s=%SEARCH%&amp;v=%VER%</kdexsearch>\n"
    "  <flashnumerichandwriting><checksum>AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA</checksum></flashnumerichandwriting>\n"
    "  <fsokdex><upp>p1</upp><mdp>p2</mdp><lup method=\"POST\">p3</lup><lst method=\"GET\">p4</lst><dup>p5</dup>"
    "<dlr>p6</dlr><ulr>p7</ulr><mup>p8</mup><ufp>p9</ufp><fbs>p10</fbs><srl>p11</srl>"
    "<timeouts><reqnettimeout>42</reqnettimeout></timeouts></fsokdex>\n"
    "</urlresources>\n";

} // namespace

TEST_F(OnlineResourcesNginxTest, TheDocumentReplacesTheDefaultsAndAWrongVersionIsRefused)
{
    CUrlResources &urls = CUrlResources::instance();
    EXPECT_EQ(urls.getUrlResourcesUrl(), m_base + L"/onlinemarketplace.xml");
    const CAtlString defaultCorporate = urls.getTeamExtensionsUrlCorporate();
    EXPECT_EQ(defaultCorporate, m_base + L"/NOSSL/products/onlineresources/vellum/corporate/index.htm");

    std::string wrongVersion = kFullDocument;
    wrongVersion.replace(wrongVersion.find("version=\"0.1\""), 13, "version=\"1.0\"");
    Serve("/onlinemarketplace.xml", wrongVersion);
    EXPECT_EQ(urls.loadUrls(true), E_INVALIDARG);
    EXPECT_EQ(urls.getTeamExtensionsUrlCorporate(), defaultCorporate);
    EXPECT_EQ(urls.getOnlineMarketplaceUrl(), m_base + L"/onlinemarketplace.xml");
    EXPECT_EQ(CKDEXIntegration::instance().GetUrls(), CKDEXIntegration::Urls());

    Serve("/onlinemarketplace.xml", kFullDocument);
    ASSERT_EQ(urls.loadUrls(true), S_OK);
    EXPECT_EQ(urls.getTeamExtensionsUrlCorporate(), L"http://c.test/corp.htm");
    EXPECT_EQ(urls.getTeamExtensionsTitleCorporate(), L"Business");
    EXPECT_EQ(urls.getTeamExtensionsUrlEducation(), L"http://e.test/edu.htm?l=%LANG%");
    EXPECT_EQ(urls.getTeamExtensionsTitleEducation(), L"Schools");
    EXPECT_EQ(urls.getOnlineMarketplaceUrl(), L"http://m.test/market.html");
    EXPECT_EQ(urls.getKDEXSearchUrl(L"a+b"), L"http://x.test/find?s=a%2Bb&v=" + Text::FromUtf8(buildVersionNumber()));
    EXPECT_TRUE(urls.isTrustedChecksum(L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"));
    EXPECT_TRUE(urls.isTrustedChecksum(CUrlResources::BuiltInChecksum));
    const CKDEXIntegration::Urls kdex = CKDEXIntegration::instance().GetUrls();
    EXPECT_EQ(kdex.upp + kdex.mdp + kdex.lup + kdex.lst + kdex.dup + kdex.dlr + kdex.ulr + kdex.mup + kdex.ufp +
                  kdex.fbs + kdex.srl,
              L"p1p2p3p4p5p6p7p8p9p10p11");
    EXPECT_EQ(kdex.lupMethod + L"/" + kdex.lstMethod, L"POST/GET");
    EXPECT_EQ(CKDEXIntegration::instance().GetTimeOuts().requestNetworkTimeOut, 42);

    // A later refused document keeps what is in force.
    Serve("/onlinemarketplace.xml", "<urlresources version=\"0.2\"/>");
    EXPECT_EQ(urls.loadUrls(true), E_INVALIDARG);
    EXPECT_EQ(urls.getTeamExtensionsUrlCorporate(), L"http://c.test/corp.htm");
    // So does a download that fails.
    std::remove((m_dir.file("served") + "/onlinemarketplace.xml").c_str());
    EXPECT_EQ(urls.loadUrls(true), E_ABORT);
    EXPECT_EQ(urls.getOnlineMarketplaceUrl(), L"http://m.test/market.html");
}

TEST_F(OnlineResourcesNginxTest, TheFeedFillsThePageAndAFailedDownloadShowsTheErrorPage)
{
    // The document moves the education page; its title becomes the subtitle.
    Serve("/onlinemarketplace.xml", "<urlresources version=\"0.1\"><teamextensions><education>" + Text::ToUtf8(m_base) +
                                        "/edu/%LANG%/index.htm</education><education-title>Schools &amp; Co"
                                        "</education-title></teamextensions></urlresources>");
    const std::string folder = "/edu/en/";
    Serve(folder + "index.htm",
          "<html><title><!--INSERT_SUBTITLE_HERE--></title>\r\n"
          "<!-- MYRESOURCES_START -->INSERT_MYRESOURCES_COUNT_HERE items<!-- MYRESOURCES_END -->\r\n"
          "<div><!-- INSERT_MYRESOURCES_HERE --></div></html>");
    Serve(folder + "myresources.rss", "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><ttl>100000</ttl>"
                                      "<item><title>Maps &amp; more</title><link>http://maps.test/</link></item>"
                                      "<item><title><![CDATA[<script>x()</script>]]></title>"
                                      "<link>javascript:x()</link></item></channel></rss>");
    CGalleryOnlineResources resources;
    ASSERT_EQ(resources.Initialize(), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(Text::ToUtf8(CGalleryOnlineResources::GetPagePath())),
              "<html><title>Schools &amp; Co</title>\r\n"
              "<!-- MYRESOURCES_START -->2 items<!-- MYRESOURCES_END -->\r\n"
              "<div><ul><li><a href=\"http://maps.test/\" target=\"_blank\">Maps &amp; more</a></li>\r\n"
              "<li>&lt;script&gt;x()&lt;/script&gt;</li>\r\n</ul></div></html>");
    EXPECT_EQ(resources.GetUrl(), CGallery::EncodeFileURI(CGalleryOnlineResources::GetPagePath().c_str()));
    EXPECT_TRUE(Text::StartsWith(resources.GetUrl(), L"file://"));
    EXPECT_EQ(resources.GetRefreshInterval(), 86400);

    std::remove((m_dir.file("served") + folder + "index.htm").c_str());
    EXPECT_EQ(resources.Initialize(), E_ABORT);
    EXPECT_EQ(resources.GetUrl(), CGalleryOnlinePortal::ErrorUrl());
}

TEST_F(OnlineResourcesNginxTest, FaviconsComeOnlyForHttpSites)
{
    Serve("/favicon.ico", "ICO");
    CGalleryWebSite secure(L"S1", L"Secure", L"https" + m_base.substr(4) + L"/page", PreferenceScopeUser);
    const size_t before = Requests();
    EXPECT_EQ(secure.DownloadFavicon(), S_FALSE);
    EXPECT_EQ(Requests(), before);
    EXPECT_FALSE(secure.HasFavicon());

    CGalleryWebSite plain(L"S2", L"Plain", m_base + L"/some/page.html", PreferenceScopeUser);
    ASSERT_EQ(plain.DownloadFavicon(), S_OK);
    EXPECT_EQ(TestEnv::ReadFile(Text::ToUtf8(plain.GetFavicon())), "ICO");
    EXPECT_EQ(Requests(), before + 1);
}
