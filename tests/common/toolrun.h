#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// One run of a command-line program, as a shell or a Makefile runs it.
struct ToolRun
{
    int exitCode = -1; // -2 when the program crashed
    QByteArray out;
    QByteArray err;
};

struct ToolRunOptions
{
    QString workDir;    // empty: the test's own folder
    QString stdoutFile; // empty: standard output is read into `out`
    int timeoutMs = 60000;
};

// Runs `program` to its end; a program that does not start or finish in time
// is killed and reported in `err`.
inline ToolRun runCommand(const QString &program, const QStringList &args,
                          const ToolRunOptions &options = {})
{
    QProcess process;
    if (!options.workDir.isEmpty())
        process.setWorkingDirectory(options.workDir);
    if (!options.stdoutFile.isEmpty())
        process.setStandardOutputFile(options.stdoutFile);
    process.start(program, args);
    ToolRun result;
    if (!process.waitForStarted(10000) || !process.waitForFinished(options.timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "did not run to the end";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}
