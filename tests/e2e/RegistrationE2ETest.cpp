// The real trove executable registering galleries with the lesson application: register, mycontent
// and teamcontent, their exact output and exit codes, and what they leave in the preference store.
#include "e2e/CommandsE2E.h"

namespace
{

using namespace E2E;
using RegistrationE2E = CommandsE2E;

const QString Gallery = QStringLiteral("Software/Kelda Labs/Gallery/");
const QString Registration = Gallery + QStringLiteral("TeamContent/") + QLatin1String(GalleryGuid) + "/";

TEST_F(RegistrationE2E, DestinationIsRequired)
{
    for (const char *command : {"--mycontent", "--teamcontent"}) {
        const Result r = Run({command});
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(r.err, "--destination is not provided\n") << command;
        EXPECT_EQ(r.code, 1) << command;
    }
}

TEST_F(RegistrationE2E, MyContentStoresTheManifestPath)
{
    const Result r = Run({"--mycontent", "-destination", "mine"});
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(r.code, 0);
    // A relative destination is stored as the absolute folder it names.
    EXPECT_EQ(MachinePreference(m_root.file("sys"), Gallery + "DefaultManifest").toStdString(),
              m_root.file("mine") + "\\imsmanifest.xml");
}

TEST_F(RegistrationE2E, TeamContentRegistersAFolderOnce)
{
    const std::string folder = m_root.file("team");
    for (int run = 0; run < 2; ++run) {
        const Result r = Run({"--teamcontent", "-destination", QString::fromStdString(folder)});
        EXPECT_EQ(r.out + r.err, "");
        EXPECT_EQ(r.code, 0);
    }
    QSettings settings(QString::fromStdString(m_root.file("sys/etc/xdg/Kelda Labs/Kelda Vellum.conf")),
                       QSettings::IniFormat);
    settings.beginGroup(Gallery + "TeamContent");
    const QStringList ids = settings.childGroups();
    ASSERT_EQ(ids.size(), 1);
    EXPECT_EQ(settings.value(ids.front() + "/ImsManifestXml").toString().toStdString(), folder + "/imsmanifest.xml");
}

TEST_F(RegistrationE2E, RegisterRecordsTheGalleryAndCreatesItsFolder)
{
    const std::string destination = m_root.file("lessons/science");
    const Result r = Run({"--register", "-configuration", QString::fromStdString(m_configuration), "-forcedest",
                          "-destination", QString::fromStdString(destination)});
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(fs::is_directory(destination));
    const std::string sys = m_root.file("sys");
    EXPECT_EQ(MachinePreference(sys, Registration + "ImsManifestXml").toStdString(), destination + "/imsmanifest.xml");
    EXPECT_EQ(MachinePreference(sys, Registration + "AppPath").toStdString(), s_program);
    EXPECT_EQ(MachinePreference(sys, Registration + "Remote"), "0");
    const QString metadata = MachinePreference(sys, Registration + "MetadataXml");
    EXPECT_TRUE(metadata.startsWith(QString::fromStdString(sys + "/opt/Kelda Labs/Vellum Galleries/Configurations/")));
    EXPECT_TRUE(QFileInfo::exists(metadata));

    // Registered for other machines: no program is named.
    const Result remote = Run({"--register", "-configuration", QString::fromStdString(m_configuration), "-remote"});
    EXPECT_EQ(remote.out + remote.err, "");
    EXPECT_EQ(remote.code, 0);
    EXPECT_EQ(MachinePreference(sys, Registration + "AppPath"), "");
    EXPECT_EQ(MachinePreference(sys, Registration + "Remote"), "1");
}

TEST_F(RegistrationE2E, RegisterRefusesBadInputAndTouchesNothing)
{
    ASSERT_TRUE(TestEnv::WriteFile(m_root.file("plain-file"), "x"));
    fs::create_directories(m_root.file("occupied"));
    ASSERT_TRUE(TestEnv::WriteFile(m_root.file("occupied/notes.txt"), "mine"));
    const std::string &config = m_configuration;
    const struct {
        QStringList args;
        std::string err;
        int code;
    } cases[] = {
        // Nothing to register is not an error.
        {{"--register"}, "", 0},
        {{"--register", "-configuration", "no-such-folder"},
         "Could not load the configuration.\n" + m_root.file("no-such-folder") + ": no such file or folder\n",
         1},
        {{"--register", "-guid", "{00000000-0000-0000-0000-000000000000}"},
         "Could not load the configuration.\n{00000000-0000-0000-0000-000000000000}: no gallery is registered under "
         "this "
         "id\n",
         1},
        {{"--register", "-configuration", QString::fromStdString(config), "-forcedest", "-destination", "plain-file"},
         "You must have write permissions for the destination directory:\n" + m_root.file("plain-file") + "\n",
         1},
        // A folder that holds other things than a gallery is not taken over.
        {{"--register", "-configuration", QString::fromStdString(config), "-forcedest", "-destination", "occupied"},
         "You must have write permissions for the destination directory:\n" + m_root.file("occupied") + "\n",
         1},
    };
    for (const auto &c : cases) {
        const Tree before = Snapshot();
        const Result r = Run(c.args);
        const std::string name = c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, "") << name;
        EXPECT_EQ(r.err, c.err) << name;
        EXPECT_EQ(r.code, c.code) << name;
        EXPECT_EQ(Changed(before, Snapshot()), std::vector<std::string>{}) << name;
    }
}

} // namespace
