// The real window: the trove program started for its default command on an X server of its own
// (Xvfb), against a generated local source. The window script (TROVE_WINDOW_SCRIPT) ticks
// categories, presses "Next >>" and "Finish" or closes the window; the destination then holds what
// the run did. Biology is installed by the console first, so the window opens on a gallery.
#include "e2e/CommandsE2E.h"

#include <QStandardPaths>

namespace E2E
{
namespace
{

// The window on a private X server, and a configuration without the first-run licence.
class WindowE2EBase : public CommandsE2E
{
  protected:
    void SetUp() override
    {
        CommandsE2E::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            GTEST_SKIP() << "xvfb-run and Xvfb are needed (scripts/setup --test installs them)";
        // No licence: the first-run licence question comes before the window and its script.
        std::string xml = TestEnv::ReadFile(m_configuration + "/configuration.xml");
        const size_t license = xml.find("<License");
        ASSERT_NE(license, std::string::npos);
        xml.erase(license, xml.find("/>", license) + 2 - license);
        ASSERT_TRUE(TestEnv::WriteFile(m_configuration + "/configuration.xml", xml));
    }

    // The default command in a window on a private X server, driven by the script.
    Result RunWindow(const QString &script)
    {
        QProcessEnvironment env = EnvironmentWithoutDisplay();
        env.insert(QStringLiteral("HOME"), QString::fromStdString(m_root.file("home")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(m_root.file("home/.config")));
        env.insert(QStringLiteral("TROVE_SYSROOT"), QString::fromStdString(m_root.file("sys")));
        env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(m_root.file("tmp")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(s_copy->runtime()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // The X11 platform's start fails AddressSanitizer's strict string checks inside the system
        // libraries, so the program's display check would find no display.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=1:abort_on_error=0"));
        env.insert(QStringLiteral("TROVE_WINDOW_SCRIPT"), script);
        const QStringList arguments = {
            QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-screen 0 1024x768x24 -nolisten tcp"),
            // A window that hangs ends here, and the X server with it.
            QStringLiteral("timeout"), QStringLiteral("90"), QString::fromStdString(s_program),
            QStringLiteral("-configuration"), QString::fromStdString(m_configuration), QStringLiteral("-source"),
            QString::fromStdString(m_source), QStringLiteral("-destination"), QString::fromStdString(m_destination)};
        return RunProgram("xvfb-run", arguments, env, 120000, m_root.path());
    }
};

// The window opens on a gallery: Biology is installed by the console first.
class WindowE2ETest : public WindowE2EBase
{
  protected:
    void SetUp() override
    {
        WindowE2EBase::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const Result installed = Run(InstallArgs("--installsome", m_source) << "-c"
                                                                            << "biology");
        ASSERT_EQ(installed.code, 0) << installed.err;
        ASSERT_EQ(Items(m_destination), (std::vector<std::string>{"cell.galleryitem"}));
    }
};

// The window on a destination where nothing was installed yet.
using FreshWindowE2ETest = WindowE2EBase;

TEST_F(WindowE2ETest, TickingACategoryAndPressingNextInstallsIt)
{
    const std::string picture = m_root.file("window.png");
    const Result r = RunWindow(QString::fromStdString("tick:Astronomy;grab:" + picture + ";next;finish"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(Items(m_destination),
              (std::vector<std::string>{"cell.galleryitem", "moon.galleryitem", "planets.galleryitem"}));
    EXPECT_TRUE(fs::exists(m_destination + "/imsmanifest.xml"));
    // The picture the script took is of the real window.
    EXPECT_GT(fs::exists(picture) ? fs::file_size(picture) : 0u, 1000u);
}

TEST_F(FreshWindowE2ETest, AFreshDestinationTakesItsFirstGallery)
{
    // A destination that does not exist yet: the read before the window prepares it, and it must still
    // count as a folder that can take the gallery.
    m_destination = m_root.file("fresh/Gallery");
    const Result r = RunWindow(QStringLiteral("tick:Astronomy;next;finish"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(Items(m_destination), (std::vector<std::string>{"moon.galleryitem", "planets.galleryitem"}));
    EXPECT_TRUE(fs::exists(m_destination + "/imsmanifest.xml"));
}

TEST_F(WindowE2ETest, ClosingTheWindowChangesNothing)
{
    const Tree before = TreeOf(m_destination);
    // Astronomy added and Biology removed, then the window closed instead of "Next >>".
    const Result r = RunWindow(QStringLiteral("tick:Astronomy;tick:Biology;close"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(TreeOf(m_destination), before);
}

TEST_F(WindowE2ETest, RemovingTheInstalledCategory)
{
    const Result r = RunWindow(QStringLiteral("tick:Biology;next;finish"));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_TRUE(Items(m_destination).empty());
    EXPECT_TRUE(fs::exists(m_destination + "/imsmanifest.xml"));
}

} // namespace
} // namespace E2E
