// Program entry: the Qt application (a core one for console runs, so that they need no display), the
// application information, the factory, and mainImpl run once from the event loop. A run without a
// display that Qt can open goes on as a console run; a command that shows a window then refuses to run.
#include "app/ApplicationFactory.h"
#include "app/MainImpl.h"
#include "support/Qtfier.h"
#include "settings/KDAppInfo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// How long the display check may take before the display counts as unusable (a remote display that
// never answers).
constexpr int DisplayCheckMilliseconds = 10000;

bool PlatformArgumentGiven(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
    return false;
}

// Whether a GUI application can be created. Qt ends the process when no platform plugin can be
// initialised (no display, or one that refuses the connection), so a child process makes the attempt
// first and the answer is its exit status. Platforms that need no display are taken as they are, and
// without any display setting the answer is known without trying.
bool CanOpenDisplay(int argc, char **argv)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray name = platform.left(platform.indexOf(':'));
    if (name == "offscreen" || name == "minimal") return true;
    if (platform.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !PlatformArgumentGiven(argc, argv))
        return false;

    const pid_t child = fork();
    if (child < 0) return true; // no way to check: try as usual
    if (child == 0) {
        // Qt's own complaints belong to the check, not to the run.
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        QGuiApplication probe(argc, argv);
        _exit(0);
    }

    int status = 0;
    const timespec pause{0, 2 * 1000 * 1000};
    for (int waited = 0; waited < DisplayCheckMilliseconds; waited += 2) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        nanosleep(&pause, nullptr);
    }
    kill(child, SIGKILL);
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Only "--noui" as the very first argument asks for a console run; a run that cannot open a display
    // becomes one too.
    const bool console = (argc > 1 && std::strcmp(argv[1], "--noui") == 0) || !CanOpenDisplay(argc, argv);

    std::unique_ptr<QCoreApplication> application;
    if (console) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        application = std::make_unique<QApplication>(argc, argv);
        // Closing windows never ends the run; only the command's completion does.
        QApplication::setQuitOnLastWindowClosed(false);
    }
    KDAppInfo::applicationInfo();

    int exitCode = 0;
    {
        CApplicationFactory factory;
        factory.InstallEventFilter(application.get());

        Qtfier start([&] { QCoreApplication::exit(mainImpl(argc, argv, factory)); });
        QTimer::singleShot(0, &start, &Qtfier::Slot);
        exitCode = application->exec();
    }
    return exitCode;
}
