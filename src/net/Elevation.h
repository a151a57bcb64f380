// Running a program with administrator rights through an elevation front end. Used for the elevated
// relaunch of interactive runs started by a non-administrator.
//
// The front ends are tried in this order: kdesu, gksudo, sudo, then pkexec. kdesu and gksudo hand the
// command to a shell on the privileged side, so every word of it is quoted for a POSIX shell; sudo and
// pkexec start the program themselves and get it as plain words. The only password this code handles
// is sudo's, which goes to sudo's standard input and nowhere else. Nothing is started through a local
// shell.
//
// The layer has no widgets: the user-interface side registers the password question and the busy
// indication with SetHooks. Without a password question, sudo's prompt ends the attempt.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class CAuthentication
{
  public:
    // The exit code of a run that found no front end.
    static constexpr int NoFrontEndExitCode = 1;

    struct Hooks {
        // Asks for the password of user (read-only); retry is set after a wrong one. False: cancelled.
        std::function<bool(const QString &user, bool retry, QString &password)> askPassword;
        // Called with true when an elevated run starts and with false when it ends (wait cursor).
        std::function<void(bool busy)> busy;
    };
    static void SetHooks(Hooks hooks);

    explicit CAuthentication(QObject *parent = nullptr) : m_parent(parent) {}

    // Runs program with arguments (as user, when one is given) through the first installed front end
    // and returns the exit code of the elevated run; NoFrontEndExitCode when no front end is installed.
    int runElevated(const QString &program, const QStringList &arguments, const QString &user, bool verbose);
    int runElevated(const QString &program, const QString &user, bool verbose);

    // The word quoted for a POSIX shell: in single quotes, each "'" written as "'\''".
    static QString escapeArgument(const QString &word);
    // The program and its arguments as one shell command text, every word quoted.
    static QString commandText(const QString &program, const QStringList &arguments);
    // A file of that name exists in a directory of PATH (split at ":", empty entries skipped).
    static bool isFoundInPath(const QString &name);
    static bool iskdesuInstalled();
    static bool isgksudoInstalled();
    static bool issudoInstalled();
    static bool ispkexecInstalled();
    // One of the four front ends is installed.
    static bool isAnyFrontEndInstalled();

    // The argument vectors of the front ends.
    static QStringList kdesuArguments(const QString &program, const QStringList &arguments, const QString &user);
    static QStringList gksudoArguments(const QString &program, const QStringList &arguments, const QString &user);
    static QStringList sudoArguments(const QString &program, const QStringList &arguments, const QString &user);
    static QStringList pkexecArguments(const QString &program, const QStringList &arguments);

    int kdesu(const QString &program, const QStringList &arguments, const QString &user, bool verbose);
    int gksudo(const QString &program, const QStringList &arguments, const QString &user, bool verbose);
    int sudo(const QString &program, const QStringList &arguments, const QString &user, bool verbose);
    int pkexec(const QString &program, const QStringList &arguments, bool verbose);

  private:
    // Starts the front end and waits for its end; 1 when it does not start.
    int RunFrontEnd(const QString &frontEnd, const QStringList &arguments, bool verbose, int startTimeout);

    QObject *m_parent;
};

// runElevated(program, arguments, no user, verbose) of an authentication object without a parent.
int RunElevated(const QString &program, const QStringList &arguments);
