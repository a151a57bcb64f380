// Program entry: the Qt application (a core one for console runs, so that they need no display), the
// application information, the factory, and mainImpl run once from the event loop.
#include "app/ApplicationFactory.h"
#include "app/MainImpl.h"
#include "support/Qtfier.h"
#include "settings/KDAppInfo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

#include <cstring>
#include <memory>

int main(int argc, char **argv)
{
    // Only "--noui" as the very first argument makes a console run.
    const bool console = argc > 1 && std::strcmp(argv[1], "--noui") == 0;

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
