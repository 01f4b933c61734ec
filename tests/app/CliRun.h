#pragma once
// petalwright-cli run as a user runs it: a real process, its exit code and both output streams.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

struct Run {
    int exitCode = -1;
    QString out, err;
};

// The program under test: the one built beside this test, or another copy (an installed one) named
// by PETALWRIGHT_CLI_UNDER_TEST.
inline QString cliUnderTest()
{
    const QString other = qEnvironmentVariable("PETALWRIGHT_CLI_UNDER_TEST");
    return other.isEmpty() ? QStringLiteral(PETALWRIGHT_CLI) : other;
}

inline Run runCli(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(env);
    process.start(cliUnderTest(), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
