// The real trove executable where no display can be opened (cron, ssh, a server): the run goes on as a
// console run, and a command that shows a window ends with one line on the error stream and exit code 1.
#include "e2e/ProgramRun.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

const std::string Version = "Trove. Version:  1.4.32.0\n\n";
const std::string NeedsDisplay =
    "This command needs a graphical display; run it on the desktop or use --noui with a console command.\n";

using E2E::Result;

class NoDisplayE2E : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { s_copy = new E2E::ProgramCopy(); }
    static void TearDownTestSuite()
    {
        delete s_copy;
        s_copy = nullptr;
    }

    // Runs with the display settings given (name, value; an empty value removes the variable).
    static Result Run(const QStringList &arguments, const std::string &display, const std::string &platform)
    {
        QProcessEnvironment env = E2E::EnvironmentWithoutDisplay();
        if (!display.empty()) env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
        if (!platform.empty()) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString::fromStdString(platform));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(s_copy->runtime()));
        return E2E::RunProgram(s_copy->program(), arguments, env);
    }

    static inline E2E::ProgramCopy *s_copy = nullptr;
};

TEST_F(NoDisplayE2E, ConsoleCommandsRunAndWindowCommandsSayWhy)
{
    // ":97" names a display that no server answers (the check then really tries Qt's platform plugin).
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X97")) << "display :97 exists on this machine";
    const struct {
        const char *what;
        std::string display;
        std::string platform;
    } settings[] = {
        {"no display setting at all", "", ""},
        {"a display that does not answer", ":97", ""},
        {"the display platform asked for by name", "", "xcb"},
    };
    const struct {
        QStringList args;
        std::string out;
        std::string err;
        int code;
    } runs[] = {
        {{"--version"}, Version, "", 0},
        {{"-version", "--noui"}, Version, "", 0},
        // The default command shows the main window; waitforcd its dialog.
        {{}, "", NeedsDisplay, 1},
        {{"-source", "/media/cd"}, "", NeedsDisplay, 1},
        {{"--waitforcd"}, "", NeedsDisplay, 1},
        // "--noui" first makes the same console run.
        {{"--noui"}, "", NeedsDisplay, 1},
        // Parameter errors come first, as with every command.
        {{"--bogus"}, "", "Errors in parameters:\n   Unknown: \"bogus\"\n\n" + NeedsDisplay, 1},
    };
    for (const auto &setting : settings) {
        for (const auto &run : runs) {
            const std::string name = std::string(setting.what) + ": " + run.args.join(' ').toStdString();
            const Result r = Run(run.args, setting.display, setting.platform);
            EXPECT_FALSE(r.crashed) << name;
            EXPECT_EQ(r.out, run.out) << name;
            EXPECT_EQ(r.err, run.err) << name;
            EXPECT_EQ(r.code, run.code) << name;
        }
    }
}

// A platform that needs no display still makes a GUI run.
TEST_F(NoDisplayE2E, AnOffscreenPlatformStillRunsWindowCommands)
{
    // As any other user the default command would first ask for administrator rights.
    if (geteuid() != 0) GTEST_SKIP() << "needs to run as root";
    // The default command reports the collection that does not load, then waits in its box.
    QProcessEnvironment env = E2E::EnvironmentWithoutDisplay();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(s_copy->runtime()));
    const Result r =
        E2E::RunUntilError(s_copy->program(), {"/no/such.gallerycollection"}, env, "Could not load the configuration.");
    EXPECT_FALSE(r.crashed);
    EXPECT_NE(r.err.find("Could not load the configuration."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("graphical display"), std::string::npos) << r.err;
}

} // namespace
