// Running the real trove executable from a test: a private copy of it per test program (the
// single-instance lock is keyed by the executable file, so copies never exclude each other when test
// programs run in parallel), a runtime folder for GUI runs, and one run with both streams and the exit
// code.
#pragma once

#include "common/TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>

#include <sys/stat.h>

namespace E2E
{

struct Result {
    std::string out;
    std::string err;
    int code = -1; // -1 when the run did not end by itself
    bool crashed = false;
};

class ProgramCopy
{
  public:
    ProgramCopy() : m_program(m_dir.file("trove")), m_runtime(m_dir.file("runtime"))
    {
        std::filesystem::copy_file(TestEnv::TroveExecutable(), m_program);
        chmod(m_program.c_str(), 0755);
        mkdir(m_runtime.c_str(), 0700);
    }
    const std::string &program() const { return m_program; }
    // An XDG_RUNTIME_DIR of mode 0700, as Qt's GUI platforms want it.
    const std::string &runtime() const { return m_runtime; }

  private:
    TestEnv::TempDir m_dir;
    std::string m_program;
    std::string m_runtime;
};

// The run's streams and exit code; a run that does not end within timeoutMs is killed and keeps code -1,
// one that ends by a signal is marked crashed with code -1.
inline Result RunProgram(const std::string &program, const QStringList &arguments, const QProcessEnvironment &env,
                         int timeoutMs = 60000, const std::string &workingDirectory = std::string())
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.empty()) process.setWorkingDirectory(QString::fromStdString(workingDirectory));
    process.start(QString::fromStdString(program), arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    if (!result.crashed) result.code = process.exitCode();
    return result;
}

// Runs until the error stream holds needle, then kills the program (an interactive run goes on to wait
// for its user), or until it ends by itself or timeoutMs pass. err holds what was written until then;
// code stays -1 for a run that was killed.
inline Result RunUntilError(const std::string &program, const QStringList &arguments, const QProcessEnvironment &env,
                            const std::string &needle, int timeoutMs = 60000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setReadChannel(QProcess::StandardError);
    process.start(QString::fromStdString(program), arguments);
    Result result;
    QElapsedTimer clock;
    clock.start();
    while (result.err.find(needle) == std::string::npos && clock.elapsed() < timeoutMs &&
           process.state() != QProcess::NotRunning) {
        process.waitForReadyRead(100);
        result.err += process.readAllStandardError().toStdString();
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        result.err += process.readAllStandardError().toStdString();
        result.out = process.readAllStandardOutput().toStdString();
        return result;
    }
    process.waitForFinished();
    result.err += process.readAllStandardError().toStdString();
    result.out = process.readAllStandardOutput().toStdString();
    result.crashed = process.exitStatus() != QProcess::NormalExit;
    if (!result.crashed) result.code = process.exitCode();
    return result;
}

// The environment of the test process without any display, so that a run is a console run unless the
// caller names a platform.
inline QProcessEnvironment EnvironmentWithoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

} // namespace E2E
