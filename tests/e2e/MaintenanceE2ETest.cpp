// The real trove executable removing and checking installed galleries: uninstall of a gallery
// registered for other machines, uninstallall of every registered gallery, and repair of a damaged
// gallery with and without "--allowcleanup".
#include "e2e/CommandsE2E.h"

namespace
{

using namespace E2E;

const char *const SecondGuid = "7D3F0C6A-52B1-4E0B-9C1E-2A6F3B1D8E42";
const QString TeamContent = QStringLiteral("Software/Kelda Labs/Gallery/TeamContent/");

class MaintenanceE2E : public CommandsE2E
{
  protected:
    void SetUp() override
    {
        CommandsE2E::SetUp();
        m_secondSource = m_root.file("source2");
        m_secondDestination = m_root.file("gallery2");
        m_secondConfiguration = WriteConfiguration("config2", "http://127.0.0.1:9/unused", SecondGuid);
        Publish(SampleSource(L"1.0", SecondGuid), m_secondSource);
    }

    // Installs the first gallery (extra options appended) and the second one.
    void InstallBoth(const QStringList &extra = {})
    {
        ASSERT_EQ(Run(InstallArgs("--installall", m_source) << extra).code, 0);
        ASSERT_EQ(
            Run({"--installall", "-configuration", QString::fromStdString(m_secondConfiguration), "-source",
                 QString::fromStdString(m_secondSource), "-destination", QString::fromStdString(m_secondDestination)})
                .code,
            0);
    }

    QSettings MachineSettings() const
    {
        return QSettings(QString::fromStdString(m_root.file("sys/etc/xdg/Kelda Labs/Kelda Vellum.conf")),
                         QSettings::IniFormat);
    }
    QStringList Registrations() const
    {
        QSettings settings(QString::fromStdString(m_root.file("sys/etc/xdg/Kelda Labs/Kelda Vellum.conf")),
                           QSettings::IniFormat);
        settings.beginGroup(TeamContent);
        return settings.childGroups();
    }
    // The local copy of a gallery's configuration.
    std::string ConfigurationCopy(const std::string &guid) const
    {
        return m_root.file("sys/opt/Kelda Labs/Vellum Galleries/Configurations/Trove Sample Publishers/"
                           "Sample Science Gallery/" +
                           guid);
    }

    std::string m_secondSource;
    std::string m_secondDestination;
    std::string m_secondConfiguration;
};

TEST_F(MaintenanceE2E, UninstallOfARemoteRegistrationKeepsItsFiles)
{
    const QString config = QString::fromStdString(m_configuration);
    ASSERT_EQ(Run(InstallArgs("--installall", m_source) << "-remote").code, 0);
    const Tree installed = TreeOf(m_destination);
    ASSERT_EQ(Items(m_destination).size(), 3u);

    // Kept configuration: files and registration stay.
    const Result kept = Run({"--uninstall", "-configuration", config, "-keepconfigs"});
    EXPECT_EQ(kept.out + kept.err, "Uninstall complete.\n");
    EXPECT_EQ(kept.code, 0);
    EXPECT_EQ(Changed(installed, TreeOf(m_destination)), std::vector<std::string>{});
    EXPECT_EQ(Registrations(), QStringList{QLatin1String(GalleryGuid)});

    // Plain: the registration and the configuration copy go, the files stay.
    const Result plain = Run({"--uninstall", "-configuration", config});
    EXPECT_EQ(plain.out + plain.err, "Uninstall complete.\n");
    EXPECT_EQ(plain.code, 0);
    EXPECT_EQ(Changed(installed, TreeOf(m_destination)), std::vector<std::string>{});
    EXPECT_EQ(Registrations(), QStringList{});
    EXPECT_FALSE(fs::exists(ConfigurationCopy(GalleryGuid)));

    // Asked for with "-remote", the data goes too.
    ASSERT_EQ(Run(InstallArgs("--installall", m_source) << "-remote").code, 0);
    const Result removed = Run({"--uninstall", "-configuration", config, "-remote"});
    EXPECT_EQ(removed.out + removed.err, "Uninstall complete.\n");
    EXPECT_EQ(removed.code, 0);
    EXPECT_FALSE(fs::exists(m_destination));
    EXPECT_EQ(Registrations(), QStringList{});
}

TEST_F(MaintenanceE2E, UninstallAllRemovesEveryRegisteredGallery)
{
    InstallBoth();
    ASSERT_EQ(Registrations().size(), 2);
    const std::string configurations = m_root.file("sys/opt/Kelda Labs/Vellum Galleries/Configurations");
    ASSERT_TRUE(fs::exists(configurations));
    // The two values go whether or not anything was registered.
    for (int run = 0; run < 2; ++run) {
        {
            QSettings settings = MachineSettings();
            settings.setValue(TeamContent + "deinclified", 1);
            settings.setValue(TeamContent + "OnlineMarketplace", "http://127.0.0.1:9/market");
        }
        const Result r = Run({"--uninstallall"});
        EXPECT_EQ(r.err, "") << run;
        EXPECT_EQ(r.out, run == 0 ? "Uninstall complete.\nUninstall complete.\n" : "") << run;
        EXPECT_EQ(r.code, 0) << run;
        EXPECT_FALSE(fs::exists(m_destination)) << run;
        EXPECT_FALSE(fs::exists(m_secondDestination)) << run;
        EXPECT_FALSE(fs::exists(configurations)) << run;
        EXPECT_EQ(Registrations(), QStringList{}) << run;
        QSettings settings = MachineSettings();
        EXPECT_FALSE(settings.contains(TeamContent + "deinclified")) << run;
        EXPECT_FALSE(settings.contains(TeamContent + "OnlineMarketplace")) << run;
    }
}

TEST_F(MaintenanceE2E, RepairCleansADamagedGalleryOnlyWhenAllowed)
{
    InstallBoth();
    // The second gallery's manifest and its compressed copy are damaged; a person keeps files of their
    // own in its folder.
    for (const char *name : {"/imsmanifest.xml", "/imsmanifest.xml.gz"})
        ASSERT_TRUE(TestEnv::WriteFile(m_secondDestination + name, "<manifest identifier="));
    ASSERT_TRUE(TestEnv::WriteFile(m_secondDestination + "/notes.xml", "<mine/>"));
    ASSERT_TRUE(TestEnv::WriteFile(m_secondDestination + "/drawing.galleryitem", "mine"));
    const Tree first = TreeOf(m_destination);
    const Tree damaged = TreeOf(m_secondDestination);

    const std::string &second = m_secondDestination;
    const std::string head = "Detecting corrupted galleries...\n"
                             "Verifying integrity: " +
                             std::string(GalleryGuid) + "\n\tData: " + m_destination +
                             "\n\tConfiguration: " + ConfigurationCopy(GalleryGuid) +
                             "\n\tVerified.\n"
                             "Verifying integrity: " +
                             SecondGuid + "\n\tData: " + second +
                             "\n\tConfiguration: " + ConfigurationCopy(SecondGuid) + "\n\tFailed to read gallery.\n";
    auto listing = [&](const std::string &verb) {
        return "\t" + verb + " \"*.xml\" from \"" + second + "\"\n\t" + verb + " \"*.galleryitem\" from \"" + second +
               "\"\n\t" + verb + " \"*.xml\" from \"" + second + "/Uninstall\"\n\t" + verb +
               " \"*.galleryitem\" from \"" + second + "/Uninstall\"\n";
    };

    const Result dry = Run({"--repair"});
    EXPECT_EQ(dry.err, "");
    EXPECT_EQ(dry.out,
              head + listing("Will remove") + "\tRun with --allowcleanup to fix, or remove data files manually.\n");
    EXPECT_EQ(dry.code, 0);
    EXPECT_EQ(Changed(damaged, TreeOf(second)), std::vector<std::string>{});

    const Result clean = Run({"--repair", "-allowcleanup"});
    EXPECT_EQ(clean.err, "");
    EXPECT_EQ(clean.out, head + listing("Removing") + "\tCleanup complete. Try installing the gallery again.\n");
    EXPECT_EQ(clean.code, 0);
    // The gallery's own documents and items go; the person's files and the healthy gallery stay.
    std::vector<std::string> left;
    for (const std::string &name : Names(TreeOf(second)))
        if (name.find('/') == std::string::npos && name != "Uninstall") left.push_back(name);
    EXPECT_EQ(left, (std::vector<std::string>{"drawing.galleryitem", "imsmanifest.xml.gz", "notes.xml"}));
    EXPECT_EQ(Changed(first, TreeOf(m_destination)), std::vector<std::string>{});

    // As the message says, installing again brings the gallery back.
    const Result again = Run({"--installall", "-configuration", QString::fromStdString(m_secondConfiguration),
                              "-source", QString::fromStdString(m_secondSource)});
    EXPECT_EQ(again.out + again.err, "Done.\n");
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(Items(second), (std::vector<std::string>{"cell.galleryitem", "drawing.galleryitem", "moon.galleryitem",
                                                       "planets.galleryitem"}));
}

} // namespace
