// The real trove executable on the command line: both streams byte for byte and the exit code of
// version, help, every kind of parameter problem, and a second instance.
//
// Each test process runs its own copy of the program: the single-instance lock is keyed by the
// executable file, so copies never exclude each other when tests run in parallel.
#include "e2e/ProgramRun.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

const std::string Version = "Trove. Version:  1.4.32.0\n\n";
const std::string UsageText =
    "\nUsage:\n"
    "Common options:\n"
    "\t[<-overrideproxy> [-proxy proxyhost:port]] [-username name] [-password pass] [-verbose]\n"
    "GUI:\n"
    "\t[-source path] {common options} [-authorized]\n"
    "Install everything:\n"
    "\t--installall [-destination path] <-source path | -allowdownload> <-configuration path | -guid gallery_id> "
    "[-remote] {common options}\n"
    "Install selected:\n"
    "\t--installsome [-destination path] <-source path | -allowdownload> [-remote] <-configuration path | -guid "
    "gallery_id> <-c alias1 [-c alias2 ...]> {common options}\n"
    "Create full local source:\n"
    "\t--downloadall <-destination path> <-configuration path | -guid gallery_id> [-source url] {common options}\n"
    "Create partial local source:\n"
    "\t--downloadsome <-destination path> <-configuration path | -guid gallery_id> [-source url] <-c alias1 [-c "
    "alias2 ...]> {common options}\n"
    "Uninstall:\n"
    "\t--uninstall <-configuration path | -guid gallery_id>]\n"
    "Register with Vellum:\n"
    "\t--register [-destination path] [-configuration path] [-remote]\n"
    "Attempt repairing corrupted gallery:\n"
    "\t--repair\n";
const std::string NeedsDisplay =
    "This command needs a graphical display; run it on the desktop or use --noui with a console command.\n";
// 666 as the system reports it: the low eight bits of the status.
const int UsageExit = 666 & 0xff;

std::string Errors(const std::vector<std::string> &messages)
{
    std::string text = "Errors in parameters:\n";
    for (const std::string &m : messages)
        text += "   " + m + "\n";
    return text + "\n";
}

using E2E::Result;

class CommandLineE2E : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { s_copy = new E2E::ProgramCopy(); }
    static void TearDownTestSuite()
    {
        delete s_copy;
        s_copy = nullptr;
    }

    // Console runs get no display at all; GUI runs the offscreen platform. A home, when given, replaces
    // the test's own for the run, settings folder included.
    static Result Run(const QStringList &arguments, bool gui = false, const std::string &home = std::string())
    {
        QProcessEnvironment env = E2E::EnvironmentWithoutDisplay();
        if (!home.empty()) {
            env.insert(QStringLiteral("HOME"), QString::fromStdString(home));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home + "/.config"));
        }
        if (gui) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(s_copy->runtime()));
        }
        return E2E::RunProgram(s_copy->program(), arguments, env);
    }

    static inline E2E::ProgramCopy *s_copy = nullptr;
};

TEST_F(CommandLineE2E, ConsoleRunsPrintExactlyWhatIsDocumented)
{
    const struct {
        QStringList args;
        std::string out;
        std::string err;
        int code;
    } cases[] = {
        {{"--noui", "--version"}, Version, "", 0},
        {{"--noui", "-version"}, Version, "", 0},
        {{"--noui", "\\version"}, Version, "", 0},
        {{"--noui", "--help"}, Version + UsageText, "", UsageExit},
        {{"--noui", "-h"}, Version + UsageText, "", UsageExit},
        {{"--noui", "\\?"}, Version + UsageText, "", UsageExit},
        // A value option at the end has no value.
        {{"--noui", "--help", "-source"}, Version + UsageText, Errors({"Missing value: \"source\""}), UsageExit},
        {{"--noui", "-source"}, Version + UsageText, Errors({"Missing value: \"source\""}), UsageExit},
        // A later action still replaces the usage command that the missing value chose.
        {{"--noui", "-source", "--installall"},
         "",
         Errors({"Missing value: \"source\""}) + "Could not load the configuration.\n",
         1},
        // The first action wins; a second one is illegal and ends in usage.
        {{"--noui", "--installall", "--uninstall"}, Version + UsageText, Errors({"Illegal: \"uninstall\""}), UsageExit},
        {{"--noui", "--version", "--help", "-h"}, Version + UsageText, Errors({"Illegal: \"h\""}), UsageExit},
        // Only one configuration source.
        {{"--noui", "-configuration", "/no/such/configuration", "-guid", "{42}"},
         Version + UsageText,
         Errors({"Illegal: \"guid\""}),
         UsageExit},
        // Names are case-sensitive; an unknown option only leaves a message.
        // The default command shows a window, which a console run cannot.
        {{"--noui", "--Help"}, "", Errors({"Unknown: \"Help\""}) + NeedsDisplay, 1},
        // The colon form: a registered value option takes the rest, an unknown name is reported.
        {{"--noui", "-source:/media/cd", "--help"}, Version + UsageText, "", UsageExit},
        {{"--noui", "-bogus:value", "--help"}, Version + UsageText, Errors({"Unknown: \"bogus\""}), UsageExit},
        {{"--noui", "-version:1"}, "", Errors({"Unknown: \"version\""}) + NeedsDisplay, 1},
        // Free arguments leave no message.
        {{"--noui", "my.gallerycollection", "--help"}, Version + UsageText, "", UsageExit},
        // version never prints the messages.
        {{"--noui", "--version", "--bogus"}, Version, "", 0},
        {{"--noui", "--noui", "--repair"}, "Detecting corrupted galleries...\n", "", 0},
        // A configuration folder loads during parsing; a missing one is left for the command to report.
        {{"--noui", "--configuration", TROVE_SOURCE_DIR "/samples/configuration", "--version"}, Version, "", 0},
        {{"--noui", "--configuration", "/no/such/configuration", "--version"}, Version, "", 0},
    };
    for (const auto &c : cases) {
        const Result r = Run(c.args);
        const std::string name = c.args.join(' ').toStdString();
        EXPECT_EQ(r.out, c.out) << name;
        EXPECT_EQ(r.err, c.err) << name;
        EXPECT_EQ(r.code, c.code) << name;
    }
}

// Every file under a folder, relative to it.
std::vector<std::string> FilesBelow(const std::string &root)
{
    std::vector<std::string> out;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        out.push_back(std::filesystem::relative(it->path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

// Each command starts the gallery library, which prepares the personal gallery in the run's home and
// nowhere else, and shuts it down again; a second start reuses that gallery unchanged.
TEST_F(CommandLineE2E, CommandsStartTheLibraryInTheirOwnHomeOnly)
{
    const char *own = std::getenv("HOME");
    ASSERT_NE(own, nullptr);
    const std::vector<std::string> before = FilesBelow(own);
    TestEnv::TempDir home;
    const std::string personal = home.file(".Kelda Labs Inc/Kelda Board Software/Gallery/My Content/imsmanifest.xml");
    std::string first;
    const struct {
        QStringList args;
        int code;
    } runs[] = {
        {{"--noui", "--version"}, 0},
        {{"--noui", "--help"}, UsageExit},
        {{"--noui", "--repair"}, 0},
        {{"--noui", "--configuration", TROVE_SOURCE_DIR "/samples/configuration", "--version"}, 0},
    };
    for (const auto &run : runs) {
        const std::string name = run.args.join(' ').toStdString();
        const Result r = Run(run.args, false, home.path());
        EXPECT_EQ(r.code, run.code) << name;
        ASSERT_TRUE(TestEnv::Exists(personal)) << name;
        if (first.empty()) first = TestEnv::ReadFile(personal);
        EXPECT_EQ(TestEnv::ReadFile(personal), first) << name;
    }
    EXPECT_NE(first.find("My Content"), std::string::npos);
    EXPECT_EQ(FilesBelow(own), before) << "a run wrote into the test's own home";
}

TEST_F(CommandLineE2E, GuiRunsShareTheCommandLine)
{
    Result r = Run({"--version"}, true);
    EXPECT_EQ(r.out, Version);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.code, 0);

    // The default command; the test runs as root, so no elevated relaunch is asked for. It reports the
    // collection that does not load and then waits in its box.
    if (geteuid() == 0) {
        QProcessEnvironment env = E2E::EnvironmentWithoutDisplay();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(s_copy->runtime()));
        r = E2E::RunUntilError(s_copy->program(), {"-source", "/media/cd", "/no/such.gallerycollection"}, env,
                               "Could not load the configuration.");
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.crashed);
        EXPECT_NE(r.err.find("Could not load the configuration."), std::string::npos) << r.err;
    }
}

// A second instance of the same executable is refused while the first holds the lock, and a killed
// first instance leaves nothing that blocks. The first instance here is a child process that takes
// the lock exactly as the program does (same key, same operations) and then waits to be killed.
TEST_F(CommandLineE2E, SecondInstanceIsRefusedUntilTheFirstIsGone)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_NE(holder, -1);
    if (holder == 0) {
        const key_t key = ftok(s_copy->program().c_str(), 'q');
        int semid = semget(key, 1, 0);
        if (semid == -1) semid = semget(key, 1, IPC_CREAT | IPC_EXCL | 0666);
        sembuf ops[2] = {{0, 0, IPC_NOWAIT}, {0, 1, SEM_UNDO}};
        const char status = (semid != -1 && semop(semid, ops, 2) == 0) ? '1' : '0';
        (void)!write(ready[1], &status, 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char status = 0;
    ASSERT_EQ(read(ready[0], &status, 1), 1);
    close(ready[0]);
    ASSERT_EQ(status, '1');

    Result r = Run({"--noui", "--version"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Another instance of this application is running. Please use it instead.\n");
    EXPECT_EQ(r.code, 1);
    // A GUI run is refused the same way.
    r = Run({"--version"}, true);
    EXPECT_EQ(r.err, "Another instance of this application is running. Please use it instead.\n");
    EXPECT_EQ(r.code, 1);

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);

    r = Run({"--noui", "--version"});
    EXPECT_EQ(r.out, Version);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.code, 0);
    // The program removed its semaphore set when it ended.
    EXPECT_EQ(semget(ftok(s_copy->program().c_str(), 'q'), 1, 0), -1);
}

} // namespace
