// The online documents without a network: the urlresources reader (each element at its depth), the RSS
// reader and the page it fills (escaping, the region, the count, ttl, hostile feeds), and the URL
// templates.
#include "gallery/online/OnlineText.h"
#include "gallery/online/ResourcesPage.h"
#include "gallery/online/RssFeed.h"
#include "gallery/online/UrlResourcesReader.h"
#include "support/Limits.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{

std::string Doc(const std::string &body, const std::string &version = "0.1")
{
    return "<?xml version=\"1.0\"?>\n<urlresources version=\"" + version + "\">" + body + "</urlresources>";
}

HRESULT Read(const std::string &xml, UrlResourcesDocument &out)
{
    return ReadUrlResources(xml.data(), xml.size(), out);
}

} // namespace

TEST(UrlResourcesReaderTest, EachElementAtItsDepthGivesItsValueAndOthersAreIgnored)
{
    using Field = std::function<CAtlString(const UrlResourcesDocument &)>;
    const Field corporate = [](const auto &d) { return d.corporate; };
    const Field marketplace = [](const auto &d) { return d.onlineMarketplace; };
    const Field search = [](const auto &d) { return d.kdexSearch; };
    const Field upp = [](const auto &d) { return d.kdexUrls.upp; };
    const Field lupMethod = [](const auto &d) { return d.kdexUrls.lupMethod; };
    const struct {
        const char *body;
        Field field;
        const wchar_t *expected;
    } cases[] = {
        {"<teamextensions><corporate> http://c.test/x.htm </corporate></teamextensions>", corporate,
         L"http://c.test/x.htm"},
        {"<teamextensions><education>http://e.test/</education></teamextensions>",
         [](const auto &d) { return d.education; }, L"http://e.test/"},
        {"<teamextensions><corporate-title>Biz &amp; Co</corporate-title></teamextensions>",
         [](const auto &d) { return d.corporateTitle; }, L"Biz & Co"},
        {"<teamextensions><education-title>Schools</education-title></teamextensions>",
         [](const auto &d) { return d.educationTitle; }, L"Schools"},
        {"<onlinemarketplace>https://m.test/m.xml</onlinemarketplace>", marketplace, L"https://m.test/m.xml"},
        {"<kdexsearch>http://x.test/s?q=%SEARCH%</kdexsearch>", search, L"http://x.test/s?q=%SEARCH%"},
        {"<fsokdex><upp>u1</upp></fsokdex>", upp, L"u1"},
        {"<fsokdex><srl>s1</srl></fsokdex>", [](const auto &d) { return d.kdexUrls.srl; }, L"s1"},
        {"<fsokdex><lup method=\"POST\">l1</lup></fsokdex>", lupMethod, L"POST"},
        {"<fsokdex><lst method=\"GET\">l2</lst></fsokdex>", [](const auto &d) { return d.kdexUrls.lstMethod; }, L"GET"},
        // Wrong depth or wrong parent: ignored.
        {"<corporate>http://c.test/</corporate>", corporate, L""},
        {"<teamextensions><x><corporate>http://c.test/</corporate></x></teamextensions>", corporate, L""},
        {"<fsokdex><corporate>http://c.test/</corporate></fsokdex>", corporate, L""},
        {"<teamextensions><onlinemarketplace>http://m.test/</onlinemarketplace></teamextensions>", marketplace, L""},
        {"<x><fsokdex><upp>u1</upp></fsokdex></x>", upp, L""},
        {"<upp>u1</upp>", upp, L""},
        // Addresses that are not http(s) are not taken.
        {"<onlinemarketplace>javascript:alert(1)</onlinemarketplace>", marketplace, L""},
        {"<kdexsearch>file:///etc/passwd</kdexsearch>", search, L""},
    };
    for (const auto &c : cases) {
        UrlResourcesDocument document;
        ASSERT_EQ(Read(Doc(c.body), document), S_OK) << c.body;
        EXPECT_EQ(c.field(document), c.expected) << c.body;
    }
}

TEST(UrlResourcesReaderTest, ChecksumsAndTimeOut)
{
    UrlResourcesDocument document;
    ASSERT_EQ(Read(Doc("<flashnumerichandwriting><checksum>0123456789ABCDEF0123456789abcdef</checksum>"
                       "<checksum>tooshort</checksum></flashnumerichandwriting>"
                       "<checksum>fedcba9876543210fedcba9876543210</checksum>"
                       "<fsokdex><timeouts><reqnettimeout> 1234 </reqnettimeout></timeouts></fsokdex>"),
                   document),
              S_OK);
    EXPECT_EQ(document.checksums, std::set<CAtlString>{L"0123456789abcdef0123456789abcdef"});
    EXPECT_TRUE(document.hasKdex);
    EXPECT_EQ(document.timeOuts.requestNetworkTimeOut, 1234);

    for (const char *bad : {"abc", "99999999999", ""}) {
        ASSERT_EQ(
            Read(Doc(std::string("<fsokdex><timeouts><reqnettimeout>") + bad + "</reqnettimeout></timeouts></fsokdex>"),
                 document),
            S_OK);
        EXPECT_EQ(document.timeOuts.requestNetworkTimeOut, CKDEXIntegration::kDefaultRequestNetworkTimeOut) << bad;
    }
}

TEST(UrlResourcesReaderTest, WrongRootOrVersionIsRefusedAndBrokenDocumentsFail)
{
    UrlResourcesDocument document;
    const std::string good = "<onlinemarketplace>http://m.test/</onlinemarketplace>";
    EXPECT_EQ(Read(Doc(good, "0.2"), document), E_INVALIDARG);
    EXPECT_TRUE(document.onlineMarketplace.empty());
    EXPECT_EQ(Read("<resources version=\"0.1\">" + good + "</resources>", document), E_INVALIDARG);
    EXPECT_EQ(Read("<urlresources>" + good + "</urlresources>", document), E_INVALIDARG);
    EXPECT_EQ(Read(Doc(good).substr(0, 60), document), E_FAIL);
    // No document at all is no success either.
    for (const std::string &none : {std::string(), std::string("plain text"), std::string("<?xml version=\"1.0\"?>")})
        EXPECT_TRUE(FAILED(Read(none, document))) << none;
    const std::string huge = Doc(std::string(Limits::kMaxOnlineDocumentBytes, ' '));
    EXPECT_EQ(Read(huge, document), E_FAIL);
}

namespace
{

std::string Feed(const std::string &channel)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel>" + channel + "</channel></rss>";
}

RssFeed ReadFeed(const std::string &xml, HRESULT expected = S_OK)
{
    RssFeed feed;
    EXPECT_EQ(ReadRssFeed(xml.data(), xml.size(), feed), expected);
    return feed;
}

const char kTemplate[] = "<html><h2><!-- INSERT_SUBTITLE_HERE --></h2>\n"
                         "<!-- MYRESOURCES_START --><p>You have INSERT_MYRESOURCES_COUNT_HERE resources:</p>\n"
                         "<!-- INSERT_MYRESOURCES_HERE --><!-- MYRESOURCES_END -->\n"
                         "<p>(INSERT_MYRESOURCES_COUNT_HERE)</p></html>";

} // namespace

TEST(ResourcesPageTest, SmallFeedFillsTheTemplateExactly)
{
    const RssFeed feed = ReadFeed(Feed("<title>Mine</title><item><title>One</title><link>http://a.test/1</link></item>"
                                       "<item><title>Two</title><link>https://b.test/2?x=1&amp;y=2</link></item>"));
    ASSERT_EQ(feed.entries.size(), 2u);
    EXPECT_EQ(ResourcesPage::Fill(kTemplate, L"For Schools", feed.entries),
              "<html><h2>For Schools</h2>\n"
              "<!-- MYRESOURCES_START --><p>You have 2 resources:</p>\n"
              "<ul><li><a href=\"http://a.test/1\" target=\"_blank\">One</a></li>\r\n"
              "<li><a href=\"https://b.test/2?x=1&amp;y=2\" target=\"_blank\">Two</a></li>\r\n"
              "</ul><!-- MYRESOURCES_END -->\n"
              "<p>(2)</p></html>");
}

TEST(ResourcesPageTest, WithoutEntriesTheRegionGoes)
{
    const RssFeed feed = ReadFeed(Feed("<item><title></title><link></link></item>"));
    EXPECT_TRUE(feed.entries.empty());
    EXPECT_EQ(ResourcesPage::Fill(kTemplate, L"S", feed.entries), "<html><h2>S</h2>\n\n<p>(0)</p></html>");
}

TEST(ResourcesPageTest, TtlIsClampedToOneMinuteAndOneDay)
{
    const struct {
        const char *ttl;
        int seconds;
    } cases[] = {{"30", 1800},
                 {"0", 60},
                 {"-5", 60},
                 {"1441", 86400},
                 {"99999999999999999999", 86400},
                 {"1", 60},
                 {"1440", 86400},
                 {"abc", RssFeed::kDefaultRefreshSeconds}};
    for (const auto &c : cases)
        EXPECT_EQ(ReadFeed(Feed(std::string("<ttl>") + c.ttl + "</ttl>")).refreshSeconds, c.seconds) << c.ttl;
    EXPECT_EQ(ReadFeed(Feed("")).refreshSeconds, RssFeed::kDefaultRefreshSeconds);
}

TEST(ResourcesPageTest, OtherRootsAndVersionsAreRefused)
{
    ReadFeed("<rss version=\"0.91\"><channel/></rss>", E_INVALIDARG);
    ReadFeed("<feed version=\"2.0\"/>", E_INVALIDARG);
    ReadFeed("<rss version=\"2.0\"><channel>", E_FAIL);
    for (const std::string &none : {std::string(), std::string("plain text"), std::string("<?xml version=\"1.0\"?>")}) {
        RssFeed feed;
        EXPECT_TRUE(FAILED(ReadRssFeed(none.data(), none.size(), feed))) << none;
    }
}

TEST(ResourcesPageTest, HostileFeedGivesASafeBoundedPage)
{
    std::string items =
        "<item><title>&lt;script&gt;alert(1)&lt;/script&gt;</title><link>http://a.test/\"onmouseover=\"x"
        "</link></item>"
        "<item><title>Click</title><link>javascript:alert(document.cookie)</link></item>"
        "<item><title><![CDATA[<img src=x onerror=alert(1)>]]></title><link>HTTP://ok.test/</link></item>";
    items += "<item><title>" + std::string(100000, 'L') + "</title></item>";
    for (int i = 0; i < 100000; ++i)
        items += "<item><title>t</title></item>";
    const RssFeed feed = ReadFeed(Feed(items));
    ASSERT_EQ(feed.entries.size(), Limits::kMaxOnlineFeedItems);
    EXPECT_EQ(feed.entries[3].title.size(), Limits::kMaxOnlineFeedText);

    const std::string page = ResourcesPage::Fill("<!-- INSERT_MYRESOURCES_HERE -->", L"<b>", feed.entries);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("javascript:"), std::string::npos) << "a non-web link is no anchor";
    EXPECT_NE(page.find("<li>Click</li>"), std::string::npos);
    EXPECT_NE(page.find("href=\"http://a.test/&quot;onmouseover=&quot;x\""), std::string::npos);
    EXPECT_NE(page.find("<a href=\"HTTP://ok.test/\""), std::string::npos);
    EXPECT_LT(page.size(), Limits::kMaxOnlineFeedItems * (Limits::kMaxOnlineFeedText * 6 + 100));

    // Nesting: deeper than the reader allows fails as a whole; deep but allowed is skipped over.
    std::string deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<x>";
    ReadFeed(Feed("<item>" + deep), E_FAIL);
    std::string nested = "<item><title>kept</title>";
    for (int i = 0; i < 2000; ++i)
        nested += "<title>";
    nested += "inner";
    for (int i = 0; i < 2000; ++i)
        nested += "</title>";
    const RssFeed nestedFeed = ReadFeed(Feed(nested + "</item>"));
    ASSERT_EQ(nestedFeed.entries.size(), 1u);
    EXPECT_EQ(nestedFeed.entries[0].title, L"kept");
}

TEST(OnlineTextTest, TemplatesGetPercentEncodedValuesInOnePass)
{
    EXPECT_EQ(OnlineText::ExpandUrlTemplate(L"http://x.test/s?q=%SEARCH%&lang=%LANG%&v=%VER%", L"a b&c=d/é%LANG%",
                                            L"fr_CA", L"1.4"),
              L"http://x.test/s?q=a%20b%26c%3Dd%2F%C3%A9%25LANG%25&lang=fr_CA&v=1.4");
    EXPECT_EQ(OnlineText::HtmlEscape(L"<a href='x'>&\"\x01"), L"&lt;a href=&#39;x&#39;&gt;&amp;&quot;");
    for (const wchar_t *good : {L"http://a", L"HTTPS://a.test/x?y"})
        EXPECT_TRUE(OnlineText::IsWebUrl(good)) << good;
    for (const wchar_t *bad : {L"javascript:alert(1)", L"http://", L"http:///x", L"http://a b", L"ftp://a", L"data:x"})
        EXPECT_FALSE(OnlineText::IsWebUrl(bad)) << bad;
}
