// What the real trove executable does with its temporary folder: a system root without "tmp" still
// installs (the folder is made), and neither a failed nor a successful connection check leaves a file.
#include "e2e/CommandsE2E.h"

namespace
{

using namespace E2E;
using TemporaryFilesE2E = ServedCommandsE2E;

TEST_F(TemporaryFilesE2E, ASystemRootWithoutTmpStillInstalls)
{
    const struct {
        const char *name;
        QStringList args;
        std::string out;
    } cases[] = {
        {"from a folder", InstallArgs("--installall", m_source), "Done.\n"},
        {"through the download source",
         {"--installall", "-configuration", QString::fromStdString(m_configuration), "-allowdownload", "-destination",
          QString::fromStdString(m_root.file("gallery2"))},
         "Checking connection to: " + m_url + "\nCheck succeeded.\nDone.\n"},
    };
    for (const auto &c : cases) {
        fs::remove_all(m_root.file("sys/tmp"));
        const Result r = Run(c.args);
        EXPECT_EQ(r.err, "") << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
        EXPECT_EQ(r.code, 0) << c.name;
        EXPECT_TRUE(fs::is_directory(m_root.file("sys/tmp"))) << c.name;
        EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{}) << c.name;
    }
    EXPECT_EQ(Items(m_destination), Items(m_root.file("gallery2")));
    EXPECT_EQ(Items(m_destination).size(), 3u);
}

TEST_F(TemporaryFilesE2E, AConnectionCheckLeavesNothingBehind)
{
    // A check that succeeds leaves neither the probe's copy nor the downloader's state file.
    ASSERT_EQ(Run(InstallArgs("--installall", m_url)).code, 0);
    EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{});

    // One that fails leaves no partial file, and the destination as it was.
    const Tree before = TreeOf(m_destination);
    m_nginx.Stop();
    const Result failed = Run(InstallArgs("--installall", m_url));
    EXPECT_EQ(failed.out, "Checking connection to: " + m_url + "\n");
    EXPECT_EQ(failed.err, "Could not download the file:\n" + m_url +
                              "\nMake sure the computer has an active Internet connection.\n");
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(TemporaryFiles(), std::vector<std::string>{});
    EXPECT_EQ(Changed(before, TreeOf(m_destination)), std::vector<std::string>{});
}

} // namespace
