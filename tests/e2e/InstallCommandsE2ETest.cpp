// The real trove executable installing, updating, downloading and uninstalling galleries from a
// generated source, read from a local folder and from a real nginx on 127.0.0.1.
#include "e2e/CommandsE2E.h"

namespace
{

using namespace E2E;
using InstallCommandsE2E = CommandsE2E;

TEST_F(InstallCommandsE2E, InstallAllFromAFolderThenNothingToDo)
{
    const Result quiet = Run(InstallArgs("--installall", m_source));
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(quiet.out, "Done.\n");
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(Items(m_destination),
              (std::vector<std::string>{"cell.galleryitem", "moon.galleryitem", "planets.galleryitem"}));
    const Tree tree = TreeOf(m_destination);
    EXPECT_TRUE(tree.count("imsmanifest.xml"));
    EXPECT_TRUE(tree.count("imsmanifest.xml.gz"));
    EXPECT_TRUE(tree.count("Uninstall/gallery_categories.xml"));
    EXPECT_TRUE(tree.count("Uninstall/updateinfo.xml"));

    // A second run finds everything current and leaves the tree as it is.
    const Result again = Run(InstallArgs("--installall", m_source) << "-verbose");
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(again.out, "Reading:  \t[0%] gallery_categories.xml\nDone.\n");
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(Names(TreeOf(m_destination)), Names(tree));
    EXPECT_EQ(TreeOf(m_destination)["imsmanifest.xml"], tree.at("imsmanifest.xml"));
}

} // namespace

namespace
{

using namespace E2E;
using InstallCommandsE2E = CommandsE2E;

TEST_F(InstallCommandsE2E, InstallSomeByAliasThenUpdateAndUninstall)
{
    const Result some = Run(InstallArgs("--installsome", m_source) << "-c"
                                                                   << "biology"
                                                                   << "-c"
                                                                   << "nosuch");
    EXPECT_EQ(some.err, "Alias not found: nosuch\n");
    EXPECT_EQ(some.out, "Done.\n");
    EXPECT_EQ(some.code, 0);
    EXPECT_EQ(Items(m_destination), (std::vector<std::string>{"cell.galleryitem"}));

    // The source gains a newer astronomy with one more item; installing it brings the new version.
    Source newer = SampleSource(L"2.0");
    newer.categories[0].galleries[0].items.push_back(newer.categories[0].galleries[0].items[0]);
    newer.categories[0].galleries[0].items.back().fileName = L"comet.galleryitem";
    Publish(newer);
    const Result update = Run(InstallArgs("--installsome", m_source) << "-c"
                                                                     << "astronomy"
                                                                     << "-verbose");
    EXPECT_EQ(update.err, "");
    EXPECT_EQ(update.out, "Reading:  \t[0%] gallery_categories.xml\n"
                          "Downloading:  \t[0%] (Astronomy) astronomy.gallery\n"
                          "Installing:  \t[33%] (Astronomy) astronomy.gallery\n"
                          "Retrieving languages:  \t[66%] (Astronomy) \n"
                          "Done.\n");
    EXPECT_EQ(update.code, 0);
    EXPECT_EQ(Items(m_destination), (std::vector<std::string>{"cell.galleryitem", "comet.galleryitem",
                                                              "moon.galleryitem", "planets.galleryitem"}));

    const Result gone = Run({"--uninstall", "-configuration", QString::fromStdString(m_configuration)});
    EXPECT_EQ(gone.err, "");
    EXPECT_EQ(gone.out, "Uninstall complete.\n");
    EXPECT_EQ(gone.code, 0);
    EXPECT_EQ(Names(TreeOf(m_destination)), std::vector<std::string>{});
}

TEST_F(InstallCommandsE2E, BadInputGetsOneMessageAndLeavesTheDestinationAlone)
{
    ASSERT_EQ(Run(InstallArgs("--installall", m_source)).code, 0);
    ASSERT_TRUE(TestEnv::WriteFile(m_root.file("plain-file"), "x"));
    fs::create_directories(m_root.file("occupied"));
    ASSERT_TRUE(TestEnv::WriteFile(m_root.file("occupied/notes.txt"), "mine"));
    fs::create_directories(m_root.file("empty-source"));
    const std::string damaged = m_root.file("damaged");
    fs::create_directories(damaged);
    ASSERT_TRUE(TestEnv::WriteFile(damaged + "/configuration.xml", "<CCSettings><Gallery"));
    const QString config = QString::fromStdString(m_configuration);
    const QString dest = QString::fromStdString(m_destination);
    const std::string noWrite = "You must have write permissions for the destination directory:\n";
    const struct {
        QStringList args;
        std::string out;
        std::string err;
        int code;
    } cases[] = {
        {{"--installall", "-configuration", "no-such", "-source", QString::fromStdString(m_source), "-destination",
          dest},
         "",
         "Could not load the configuration.\n" + m_root.file("no-such") + ": no such file or folder\n",
         1},
        {{"--installall", "-configuration", QString::fromStdString(damaged), "-source",
          QString::fromStdString(m_source), "-destination", dest},
         "",
         "Could not load the configuration.\n" + damaged + "/configuration.xml: not well-formed at line 1\n",
         1},
        {{"--installall", "-configuration", config, "-source", QString::fromStdString(m_root.file("empty-source")),
          "-destination", dest},
         "",
         "Cannot find the source for this Gallery.\n",
         1},
        {{"--installall", "-configuration", config, "-source", "http://127.0.0.1:9/none", "-destination", dest},
         "Checking connection to: http://127.0.0.1:9/none\n",
         "Could not download the file:\nhttp://127.0.0.1:9/none\nMake sure the computer has an active Internet "
         "connection.\n",
         1},
        {{"--installall", "-configuration", config, "-source", QString::fromStdString(m_source), "-destination",
          "plain-file"},
         "",
         noWrite + m_root.file("plain-file") + "\n",
         1},
        {{"--installall", "-configuration", config, "-source", QString::fromStdString(m_source), "-destination",
          "occupied"},
         "",
         noWrite + m_root.file("occupied") + "\n",
         1},
        {{"--installsome", "-configuration", config, "-source", QString::fromStdString(m_source), "-destination", dest,
          "-c", "nosuch"},
         "Nothing to install\n",
         "Alias not found: nosuch\n",
         1},
        {{"--downloadall", "-configuration", config, "-source", QString::fromStdString(m_source), "-destination",
          "download"},
         "",
         "-source is local path\n",
         1},
        {{"--downloadsome", "-configuration", config, "-source", "http://127.0.0.1:9/none", "-destination", "download"},
         "nothing to download\n",
         "",
         1},
        {{"--downloadall", "-configuration", config}, "", "-destination not specified\n", 1},
    };
    for (const auto &c : cases) {
        const Tree before = Snapshot();
        const Result r = Run(c.args);
        const std::string name = c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, c.out) << name;
        EXPECT_EQ(r.err, c.err) << name;
        EXPECT_EQ(r.code, c.code) << name;
        EXPECT_EQ(Changed(before, Snapshot()), std::vector<std::string>{}) << name;
    }
}

} // namespace
