// The real trove executable installing and downloading the generated source served by a real nginx on
// 127.0.0.1: through the configuration's download source ("-allowdownload") and through "-source"
// with the address, a download for offline use and the offline install from it, and a damaged package.
#include "e2e/CommandsE2E.h"

namespace
{

using namespace E2E;
using NginxCommandsE2E = ServedCommandsE2E;

const std::vector<std::string> AllItems{"cell.galleryitem", "moon.galleryitem", "planets.galleryitem"};

TEST_F(NginxCommandsE2E, InstallAllThroughTheDownloadSource)
{
    const QStringList args = {"--installall",   "-configuration", QString::fromStdString(m_configuration),
                              "-allowdownload", "-destination",   QString::fromStdString(m_destination)};
    const std::string check = "Checking connection to: " + m_url + "\nCheck succeeded.\n";
    const Result quiet = Run(args);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, check + "Done.\n");
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(Items(m_destination), AllItems);
    EXPECT_TRUE(TreeOf(m_destination).count("Uninstall/updateinfo.xml"));
    EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{});

    // Verbose, with nothing left to do: the categories file is fetched and read, nothing else.
    const Tree before = TreeOf(m_destination);
    const Result again = Run(QStringList(args) << "-verbose");
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.out, check + "Downloading:  \t[0%] gallery_categories.xml\n"
                                 "Reading:  \t[0%] gallery_categories.xml\n"
                                 "Done.\n");
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(Changed(before, TreeOf(m_destination)), std::vector<std::string>{});
}

TEST_F(NginxCommandsE2E, InstallSomeFromTheSourceAddressThenUpdate)
{
    const QStringList args = {"--installsome",
                              "-configuration",
                              QString::fromStdString(m_configuration),
                              "-source",
                              QString::fromStdString(m_url),
                              "-destination",
                              QString::fromStdString(m_destination),
                              "-c",
                              "astronomy"};
    const Result some = Run(QStringList(args) << "-verbose");
    EXPECT_EQ(some.err, "");
    EXPECT_EQ(some.out, "Checking connection to: " + m_url +
                            "\nCheck succeeded.\n"
                            "Downloading:  \t[0%] gallery_categories.xml\n"
                            "Reading:  \t[0%] gallery_categories.xml\n"
                            "Downloading:  \t[0%] (Astronomy) astronomy.gallery\n"
                            "Installing:  \t[50%] (Astronomy) astronomy.gallery\n"
                            "Retrieving languages:  \t[75%] (Astronomy) \n"
                            "Done.\n");
    EXPECT_EQ(some.code, 0);
    EXPECT_EQ(Items(m_destination), (std::vector<std::string>{"moon.galleryitem", "planets.galleryitem"}));

    // The served source gains a newer astronomy with one more item.
    Source newer = SampleSource(L"2.0");
    newer.categories[0].galleries[0].items.push_back(newer.categories[0].galleries[0].items[0]);
    newer.categories[0].galleries[0].items.back().fileName = L"comet.galleryitem";
    Publish(newer);
    const Result update = Run(args);
    EXPECT_EQ(update.err, "");
    EXPECT_EQ(update.out, "Checking connection to: " + m_url + "\nCheck succeeded.\nDone.\n");
    EXPECT_EQ(update.code, 0);
    EXPECT_EQ(Items(m_destination),
              (std::vector<std::string>{"comet.galleryitem", "moon.galleryitem", "planets.galleryitem"}));
    EXPECT_TRUE(Holds(TestEnv::ReadFile(m_destination + "/Uninstall/updateinfo.xml"), "\"2.0\""));
}

TEST_F(NginxCommandsE2E, DownloadAllThenInstallOfflineFromTheCopy)
{
    const std::string download = m_root.file("download");
    const QStringList args = {"--downloadall", "-configuration", QString::fromStdString(m_configuration),
                              "-destination", QString::fromStdString(download)};
    const Result fetched = Run(args);
    EXPECT_EQ(fetched.err, "");
    EXPECT_EQ(fetched.out, "Checking connection to: " + m_url + "\nCheck succeeded.\nDone.\n");
    EXPECT_EQ(fetched.code, 0);
    // The packages and the categories file side by side; the downloader keeps the state file of each
    // finished package download beside it, so that a later download can ask whether the file changed.
    const Tree copy = TreeOf(download);
    EXPECT_EQ(Names(copy), (std::vector<std::string>{"astronomy.gallery", "astronomy.gallery.st", "biology.gallery",
                                                     "biology.gallery.st", "gallery_categories.xml"}));
    EXPECT_EQ(copy.at("astronomy.gallery"), TestEnv::ReadFile(m_source + "/astronomy.gallery"));
    EXPECT_EQ(copy.at("gallery_categories.xml"), TestEnv::ReadFile(m_source + "/gallery_categories.xml"));

    // Downloading again into the earlier copy, with the address given, changes nothing.
    const Result again = Run(QStringList(args) << "-source" << QString::fromStdString(m_url));
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(Changed(copy, TreeOf(download)), std::vector<std::string>{});

    // Offline: the server is gone and the copy is the source.
    m_nginx.Stop();
    const Result offline = Run(InstallArgs("--installall", download));
    EXPECT_EQ(offline.err, "");
    EXPECT_EQ(offline.out, "Done.\n");
    EXPECT_EQ(offline.code, 0);
    EXPECT_EQ(Items(m_destination), AllItems);
    EXPECT_EQ(TreeOf(m_destination).at("moon.galleryitem"), "moon bytes");
}

TEST_F(NginxCommandsE2E, ADamagedPackageFailsItsGalleryAndLeavesItAsItWas)
{
    ASSERT_EQ(Run(InstallArgs("--installall", m_url)).code, 0);
    const Tree before = TreeOf(m_destination);

    // A newer astronomy whose package arrives cut short.
    Publish(SampleSource(L"2.0"));
    const std::string package = m_source + "/astronomy.gallery";
    ASSERT_TRUE(TestEnv::WriteFile(package, TestEnv::ReadFile(package).substr(0, 300)));

    const std::string check = "Checking connection to: " + m_url + "\nCheck succeeded.\n";
    const struct {
        bool verbose;
        std::string out;
    } cases[] = {
        {false, check + "Done.\n"},
        {true, check + "Downloading:  \t[0%] gallery_categories.xml\n"
                       "Reading:  \t[0%] gallery_categories.xml\n"
                       "Downloading:  \t[0%] (Astronomy) astronomy.gallery\n"
                       "Failed\n \t[50%] (Astronomy) astronomy.gallery\n"
                       "Retrieving languages:  \t[75%] (Astronomy) \n"
                       "Done.\n"},
    };
    for (const auto &c : cases) {
        QStringList args = InstallArgs("--installall", m_url);
        if (c.verbose) args << "-verbose";
        const Result r = Run(args);
        EXPECT_EQ(r.out, c.out) << c.verbose;
        EXPECT_EQ(r.err, "astronomy.gallery\n") << c.verbose;
        EXPECT_EQ(r.code, 1) << c.verbose;
        // Only the cached copy of the source's categories is new.
        EXPECT_EQ(Changed(before, TreeOf(m_destination)), std::vector<std::string>{"Uninstall/gallery_categories.xml"})
            << c.verbose;
    }
    EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{});
}

} // namespace
