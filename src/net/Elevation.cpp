// Elevated runs. No elevation front end is supported in this build yet, so a run finds none and
// returns 0, as it does on a machine without any front end installed.
#include "net/Elevation.h"

int CAuthentication::runElevated(const QString &, const QStringList &, const QString &, bool)
{
    return 0;
}

int CAuthentication::runElevated(const QString &program, const QString &user, bool verbose)
{
    return runElevated(program, QStringList(), user, verbose);
}

int RunElevated(const QString &program, const QStringList &arguments)
{
    CAuthentication authentication;
    return authentication.runElevated(program, arguments, QString(), true);
}
