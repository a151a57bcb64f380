// Running a program with administrator rights through an elevation front end. Used for the elevated
// relaunch of interactive runs started by a non-administrator.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class CAuthentication
{
  public:
    explicit CAuthentication(QObject *parent = nullptr) : m_parent(parent) {}

    // Runs program with arguments (as user, when one is given) through the first installed front end
    // and returns the exit code of the elevated run; 0 when no front end is installed.
    int runElevated(const QString &program, const QStringList &arguments, const QString &user, bool verbose);
    int runElevated(const QString &program, const QString &user, bool verbose);

  private:
    QObject *m_parent;
};

// runElevated(program, arguments, no user, verbose) of an authentication object without a parent.
int RunElevated(const QString &program, const QStringList &arguments);
