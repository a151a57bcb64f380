// Elevated runs through kdesu, gksudo, sudo or pkexec, each started with an argument vector.
#include "net/Elevation.h"

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>

namespace
{
CAuthentication::Hooks &TheHooks()
{
    static CAuthentication::Hooks hooks;
    return hooks;
}

// The busy indication for the length of one elevated run.
class BusyScope
{
  public:
    BusyScope()
    {
        if (TheHooks().busy) TheHooks().busy(true);
    }
    ~BusyScope()
    {
        if (TheHooks().busy) TheHooks().busy(false);
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;
};

QStringList UserArguments(const QString &user)
{
    return user.isEmpty() ? QStringList() : QStringList{QStringLiteral("-u"), user};
}

int ExitCodeOf(QProcess &process)
{
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 1;
}
} // namespace

void CAuthentication::SetHooks(Hooks hooks)
{
    TheHooks() = std::move(hooks);
}

QString CAuthentication::escapeArgument(const QString &word)
{
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString CAuthentication::commandText(const QString &program, const QStringList &arguments)
{
    QStringList words{escapeArgument(program)};
    for (const QString &argument : arguments)
        words << escapeArgument(argument);
    return words.join(QLatin1Char(' '));
}

bool CAuthentication::isFoundInPath(const QString &name)
{
    const QString path = QString::fromLocal8Bit(qgetenv("PATH"));
    for (const QString &directory : path.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QFileInfo candidate(directory + QLatin1Char('/') + name);
        if (candidate.exists() && candidate.isFile()) return true;
    }
    return false;
}

bool CAuthentication::iskdesuInstalled()
{
    // kdesu lives outside the usual PATH on some systems; the addition stays for the process.
    static bool extended = [] {
        QByteArray path = qgetenv("PATH");
        path.append(":/usr/libexec/kde4");
        qputenv("PATH", path);
        return true;
    }();
    (void)extended;
    return isFoundInPath(QStringLiteral("kdesu"));
}

bool CAuthentication::isgksudoInstalled()
{
    return isFoundInPath(QStringLiteral("gksudo"));
}

bool CAuthentication::issudoInstalled()
{
    return isFoundInPath(QStringLiteral("sudo"));
}

bool CAuthentication::ispkexecInstalled()
{
    return isFoundInPath(QStringLiteral("pkexec"));
}

bool CAuthentication::isAnyFrontEndInstalled()
{
    return iskdesuInstalled() || isgksudoInstalled() || issudoInstalled() || ispkexecInstalled();
}

QStringList CAuthentication::kdesuArguments(const QString &program, const QStringList &arguments, const QString &user)
{
    // kdesu joins the words after "--" with blanks and gives the text to a shell.
    QStringList result = UserArguments(user);
    result << QStringLiteral("--") << escapeArgument(program);
    for (const QString &argument : arguments)
        result << escapeArgument(argument);
    return result;
}

QStringList CAuthentication::gksudoArguments(const QString &program, const QStringList &arguments, const QString &user)
{
    return UserArguments(user) << commandText(program, arguments);
}

QStringList CAuthentication::sudoArguments(const QString &program, const QStringList &arguments, const QString &user)
{
    QStringList result{QStringLiteral("-p"), QStringLiteral("PASSWORD:"), QStringLiteral("-S")};
    result << UserArguments(user);
    // sudo starts the program itself, so the words go as they are; "--" ends sudo's own options.
    result << QStringLiteral("--") << program << arguments;
    return result;
}

QStringList CAuthentication::pkexecArguments(const QString &program, const QStringList &arguments)
{
    // pkexec clears the environment; a window needs its display back. env would read a program path
    // holding "=" as a variable, so such a path goes without.
    QStringList result;
    if (!program.contains(QLatin1Char('='))) {
        result << QStringLiteral("env");
        for (const char *name : {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
            const QByteArray value = qgetenv(name);
            if (!value.isEmpty())
                result << QString::fromLatin1(name) + QLatin1Char('=') + QString::fromLocal8Bit(value);
        }
    }
    result << program << arguments;
    return result;
}

int CAuthentication::RunFrontEnd(const QString &frontEnd, const QStringList &arguments, bool verbose, int startTimeout)
{
    QProcess process;
    if (verbose) {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
    } else {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    }
    process.start(frontEnd, arguments);
    if (!process.waitForStarted(startTimeout)) return 1;
    process.waitForFinished(-1);
    return ExitCodeOf(process);
}

int CAuthentication::kdesu(const QString &program, const QStringList &arguments, const QString &user, bool verbose)
{
    return RunFrontEnd(QStringLiteral("kdesu"), kdesuArguments(program, arguments, user), verbose, 30000);
}

int CAuthentication::gksudo(const QString &program, const QStringList &arguments, const QString &user, bool verbose)
{
    return RunFrontEnd(QStringLiteral("gksudo"), gksudoArguments(program, arguments, user), verbose, 30000);
}

int CAuthentication::pkexec(const QString &program, const QStringList &arguments, bool verbose)
{
    return RunFrontEnd(QStringLiteral("pkexec"), pkexecArguments(program, arguments), verbose, 30000);
}

int CAuthentication::sudo(const QString &program, const QStringList &arguments, const QString &user, bool verbose)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("sudo"), sudoArguments(program, arguments, user));
    if (!process.waitForStarted(10000)) {
        process.terminate();
        return 1;
    }
    bool passwordSent = false;
    while (process.state() == QProcess::Running) {
        if (!process.waitForReadyRead(-1) && process.state() != QProcess::Running) break;
        const QByteArray output = process.readAll();
        if (verbose && !output.isEmpty()) {
            std::fwrite(output.constData(), 1, static_cast<size_t>(output.size()), stdout);
            std::fflush(stdout);
        }
        if (!output.trimmed().endsWith("PASSWORD:")) continue;
        QString password;
        const QString account = QString::fromLocal8Bit(qgetenv("USER"));
        if (!TheHooks().askPassword || !TheHooks().askPassword(account, passwordSent, password)) {
            process.terminate();
            if (!process.waitForFinished(5000)) process.kill();
            break;
        }
        QByteArray line = password.toUtf8();
        line.append('\n');
        process.write(line);
        line.fill('\0');
        password.fill(QLatin1Char('\0'));
        passwordSent = true;
    }
    process.waitForFinished(-1);
    if (verbose) {
        const QByteArray rest = process.readAll();
        std::fwrite(rest.constData(), 1, static_cast<size_t>(rest.size()), stdout);
        std::fflush(stdout);
    }
    return ExitCodeOf(process);
}

int CAuthentication::runElevated(const QString &program, const QStringList &arguments, const QString &user,
                                 bool verbose)
{
    const bool kdesuInstalled = iskdesuInstalled();
    if (!kdesuInstalled && !isgksudoInstalled() && !issudoInstalled() && !ispkexecInstalled())
        return NoFrontEndExitCode;
    BusyScope busy;
    if (kdesuInstalled) return kdesu(program, arguments, user, verbose);
    if (isgksudoInstalled()) return gksudo(program, arguments, user, verbose);
    if (issudoInstalled()) return sudo(program, arguments, user, verbose);
    return pkexec(program, arguments, verbose);
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
