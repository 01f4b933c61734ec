#pragma once
// petalwright-cli run as a user runs it: a real process, its exit code and both output streams.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>

#include "../support/TestFiles.h"

struct Run {
    int exitCode = -1;
    QString out, err;
    QByteArray bytesOut; // standard output as written
    QString codeAndErr() const { return QString::number(exitCode) + '|' + err; } // one comparison for both
};

// The program under test: the one built beside this test, or another copy (an installed one) named
// by PETALWRIGHT_CLI_UNDER_TEST.
inline QString cliUnderTest()
{
    const QString other = qEnvironmentVariable("PETALWRIGHT_CLI_UNDER_TEST");
    return other.isEmpty() ? QStringLiteral(PETALWRIGHT_CLI) : other;
}

// How a run is started: as another user (by name, through setpriv), after shell commands such as
// "ulimit -f 100", in a folder, with standard output into a file (or FIFO) and extra environment.
struct Launch {
    QString user;
    QString shell;
    QString folder;
    QString standardOutput;
    QStringList environment;
};

// Starts the program under test; its process id is the program's own (the shells exec it).
inline void startCli(QProcess& process, const QStringList& arguments, const Launch& how = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    for (const QString& pair : how.environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    process.setProcessEnvironment(env);
    if (!how.folder.isEmpty())
        process.setWorkingDirectory(how.folder);
    if (!how.standardOutput.isEmpty())
        process.setStandardOutputFile(how.standardOutput);
    QStringList command = {"-c", how.shell + "\nexec \"$0\" \"$@\"", cliUnderTest()};
    command += arguments;
    if (how.user.isEmpty())
        process.start("/bin/sh", command);
    else
        process.start("setpriv", QStringList{"--reuid", how.user, "--regid", how.user, "--init-groups", "/bin/sh"} + command);
}

// "status|stderr" of a program that has ended.
inline QString codeAndErr(QProcess& process) { return QString::number(process.exitCode()) + '|' + QString::fromUtf8(process.readAllStandardError()); }

inline Run runCli(const QStringList& arguments, const Launch& how = {})
{
    QProcess process;
    startCli(process, arguments, how);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitCode(), QString::fromUtf8(out), QString::fromUtf8(process.readAllStandardError()), out};
}

// Sends `number` to the running program under test and says whether it was sent. A process that has
// ended has process id 0, and kill(0, …) would hit the test's own process group (CTest and whatever
// started it), so nothing is sent unless the program is still running under a positive id; until the
// event loop reaps it, an ended program keeps its id as a zombie, which the signal cannot harm.
inline bool signalProcess(const QProcess& process, int number)
{
    const qint64 pid = process.processId();
    if (process.state() != QProcess::Running || pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), number) == 0;
}
