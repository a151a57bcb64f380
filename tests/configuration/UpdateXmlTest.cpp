// Update descriptions: offer selection by version range, the switches, and fetching through a fake
// downloader.
#include <gtest/gtest.h>

#include <map>

#include "common/TestEnv.h"
#include "configuration/SelfUpdate.h"
#include "net/IDownloader.h"
#include "support/SysRoot.h"

namespace
{

const char *const kLocal = "<Update Location=\"Client\"><Product CurrentVersion=\"%s\" RemoteVersionFile=\"Trove.xml\" "
                           "RemoteVersionFileURL=\"http://updates.test/trove\" NoUpdates=\"%s\"/></Update>";

const char *const kRemote =
    "<Update Location=\"%s\">"
    " <Product UpdateVersion=\"2.0.0.0\" UpdateInstallFile=\"full.run\" UpdateInstallURL=\"http://updates.test/full//\""
    "          UpdateArgument=\"--full\" UpdateInstallSize=\"100\" UpdateWebPage=\"http://updates.test/\">"
    "  <Compatibility>"
    "   <Range VersionFrom=\"1.5.0.0\" VersionTo=\"1.9.9.9\">"
    "    <Product UpdateVersion=\"2.0.0.0\" UpdateInstallFile=\"patch.run\" "
    "UpdateInstallURL=\"http://updates.test/patch\\\""
    "             UpdateArgument=\"--patch\"/></Range>"
    "   <Range VersionFrom=\"1.0.0.0\" VersionTo=\"1.4.0.0\">"
    "    <Product UpdateVersion=\"1.4.5.0\" UpdateInstallFile=\"old.run\" UpdateArgument=\"--old\"/></Range>"
    "  </Compatibility>"
    " </Product>"
    "</Update>";

std::string Fill(const char *format, const char *a, const char *b = "")
{
    return Text::FormatA(format, a, b);
}

// Serves fixed texts for known URLs; unknown URLs fail like a missing file.
class FakeDownloader : public IDownloader
{
  public:
    void SetProxyHandler(std::shared_ptr<ProxyHandlerBase>) override {}
    CAtlString DownloadFile(const CAtlString &url, unsigned long, unsigned long) override
    {
        requests.push_back(Text::ToUtf8(url));
        const auto it = files.find(Text::ToUtf8(url));
        if (it == files.end()) return CAtlString();
        const std::string path = dir.file("download" + std::to_string(requests.size()));
        TestEnv::WriteFile(path, it->second);
        return Text::FromUtf8(path);
    }
    TestEnv::TempDir dir;
    std::map<std::string, std::string> files;
    std::vector<std::string> requests;
};

TEST(UpdateXml, OfferForTheInstalledVersion)
{
    const struct {
        const char *current;
        const char *file;
        const char *arguments;
        bool available;
    } cases[] = {
        {"1.5.0.0", "patch.run", "--patch", true}, // low end of a range
        {"1.9.9.9", "patch.run", "--patch", true}, // high end
        {"1.4.0.0", "old.run", "--old", true},
        {"1.4.5.0", "full.run", "--full", true},  // between the ranges: the default offer
        {"2.0.0.0", "full.run", "--full", false}, // already current
        {"1.2", "full.run", "--full", true},      // unparsed: below every range, the default offer
    };
    for (const auto &c : cases) {
        CUpdateXmlReader reader;
        ASSERT_TRUE(reader.ParseLocalXml(Fill(kLocal, c.current, "false")));
        ASSERT_TRUE(reader.ParseRemoteXml(Fill(kRemote, "Server")));
        const CompatibilityElement &offer = reader.GetCompatibility();
        EXPECT_EQ(Text::ToUtf8(offer.GetNewFileName()), c.file) << c.current;
        EXPECT_EQ(Text::ToUtf8(offer.GetArguments()), c.arguments) << c.current;
        EXPECT_EQ(reader.IsUpdateAvailable(), c.available) << c.current;
    }
}

TEST(UpdateXml, SwitchesAndRefusals)
{
    CUpdateXmlReader reader;
    ASSERT_TRUE(reader.ParseLocalXml(Fill(kLocal, "1.0.0.0", "true")));
    EXPECT_TRUE(reader.IsNoUpdates());
    EXPECT_EQ(reader.GetRemoteBaseUrl(), L"http://updates.test/trove/");
    EXPECT_EQ(reader.GetRemoteFileName(), L"Trove.xml");
    EXPECT_EQ(reader.GetLocation(), L"Client");
    ASSERT_TRUE(reader.ParseRemoteXml(Fill(kRemote, "Server")));
    // The switch is only recorded; the interactive run asks IsNoUpdates before it checks.
    EXPECT_TRUE(reader.IsUpdateAvailable());

    CUpdateXmlReader other;
    ASSERT_TRUE(other.ParseLocalXml(Fill(kLocal, "1.0.0.0", "false")));
    EXPECT_FALSE(other.IsUpdateAvailable()); // remote not read
    EXPECT_FALSE(other.ParseRemoteXml(Fill(kRemote, "Mirror")));
    EXPECT_FALSE(other.IsUpdateAvailable());
    EXPECT_FALSE(other.ParseRemoteXml("<Update Location=\"Server\"><Other/></Update>"));
    EXPECT_FALSE(other.ParseLocalXml("<Update/>"));
    EXPECT_FALSE(other.ParseLocalXml("not xml"));

    // A test machine reads "TestProduct" instead of "Product".
    const std::string mark = SysRoot::Path(std::string("/tmp/testmark.dat"));
    ASSERT_TRUE(TestEnv::WriteFile(mark, ""));
    EXPECT_TRUE(CUpdateXmlReader::IsTestMachine());
    EXPECT_FALSE(other.ParseRemoteXml(Fill(kRemote, "Server")));
    EXPECT_TRUE(other.ParseRemoteXml(
        "<U Location=\"Server\"><TestProduct UpdateVersion=\"3.0.0.0\" UpdateInstallFile=\"t.run\"/></U>"));
    EXPECT_TRUE(other.IsUpdateAvailable());
    std::remove(mark.c_str());
}

TEST(SelfUpdate, FetchesThroughTheDownloader)
{
    auto downloader = std::make_shared<FakeDownloader>();
    downloader->files["http://updates.test/trove/Trove.xml"] = Fill(kRemote, "Server");
    downloader->files["http://updates.test/patch/patch.run"] = "#!/bin/sh\n";

    CSelfUpdate update(L"Trove.xml", downloader);
    EXPECT_TRUE(Text::EndsWith(update.GetLocalXmlPath(), L"/share/Trove.xml"));
    ASSERT_TRUE(update.ParseLocalXml(Fill(kLocal, "1.6.0.0", "false")));
    ASSERT_TRUE(update.ReadRemoteXml());
    EXPECT_FALSE(TestEnv::Exists(downloader->dir.file("download1"))); // the fetched description is deleted
    ASSERT_TRUE(update.IsUpdateAvailable());
    EXPECT_EQ(update.GetCompatibility().GetArguments(), L"--patch");
    ASSERT_TRUE(update.DownloadUpdate());
    EXPECT_EQ(downloader->requests.back(), "http://updates.test/patch/patch.run"); // trailing '\' removed
    EXPECT_EQ(TestEnv::ReadFile(Text::ToUtf8(update.GetDownloadedFile())), "#!/bin/sh\n");

    downloader->files.clear();
    EXPECT_FALSE(update.DownloadUpdate());
    EXPECT_FALSE(update.ReadRemoteXml());

    CSelfUpdate offline(L"Trove.xml");
    ASSERT_TRUE(offline.ParseLocalXml(Fill(kLocal, "1.6.0.0", "false")));
    EXPECT_TRUE(offline.GetRemoteXmlPath().empty());
    EXPECT_FALSE(offline.ReadRemoteXml());
    EXPECT_FALSE(offline.DownloadUpdate());
    EXPECT_FALSE(offline.IsUpdateAvailable());
}

TEST(SelfUpdate, JoinUrl)
{
    EXPECT_EQ(CSelfUpdate::JoinUrl(L"http://a/b//\\", L"f"), L"http://a/b/f");
    EXPECT_EQ(CSelfUpdate::JoinUrl(L"http://a/b", L"f"), L"http://a/b/f");
}

} // namespace
