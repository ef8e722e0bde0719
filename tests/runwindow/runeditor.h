#pragma once

#include "scriptedhost.h"
#include "runwindow/runcommand.h"
#include "runwindow/runwindow.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTemporaryDir>

// A main window with an editor and the Run command, as the editor gives
// them, whose dialogs and settings a test answers. Its program is called
// /p/game.lua.
struct RunEditor
{
    QTemporaryDir folder;
    ScriptedHostServices host{folder.path()};
    QMainWindow window;
    QPlainTextEdit *edit = new QPlainTextEdit(&window);
    RunCommand *command =
        attachRunCommand(&window, edit, host, [] { return QStringLiteral("/p/game.lua"); });

    RunEditor()
    {
        window.setCentralWidget(edit);
        window.show();
    }

    // Runs `program` as Run does and gives the run window.
    RunWindow *run(const QString &program)
    {
        edit->setPlainText(program);
        command->run();
        return command->runWindow();
    }
};
