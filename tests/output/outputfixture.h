#pragma once

#include "scriptedhost.h"

#include "document/editortextedit.h"
#include "app/frmmain.h"
#include "document/projectdocument.h"
#include "app/program.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The real main window on the offscreen platform, with scripted dialogs and
// a program directory of its own.
struct OutputFixture
{
    ScriptedHostServices host;
    Program program{host, QString()};
    frmMain *window = nullptr;

    explicit OutputFixture(const QString &programDirectory) : host(programDirectory)
    {
        program.startMainWindow();
        window = program.mainWindow();
    }

    void setText(const QString &text) { window->editor()->setPlainTextAnyBreaks(text); }

    bool trigger(const char *actionName) const
    {
        auto *action = window->findChild<QAction *>(QLatin1String(actionName));
        if (!action)
            return false;
        action->trigger();
        return true;
    }
};

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Runs a command-line tool to its end; its standard output, or a null array
// when it could not run or failed.
inline QByteArray runTool(const QString &program, const QStringList &arguments,
                          QByteArray *errors = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (errors)
            *errors = process.readAllStandardError();
        return QByteArray();
    }
    if (errors)
        *errors = process.readAllStandardError();
    const QByteArray out = process.readAllStandardOutput();
    return out.isNull() ? QByteArray("") : out;
}
