#pragma once

#include <QObject>
#include <QPointer>

#include "runwindow.h"

#include <functional>

class DebugController;
class HostServices;
class QAction;
class QMainWindow;
class QPlainTextEdit;

// The Run command of an editor window: a Run menu of its own at the end of
// the menu bar, with Run (F5), which checks the editor's program and runs
// it in the run window, and Stop (Shift+F5). A fault's line puts the
// editor's caret there.
class RunCommand : public QObject
{
    Q_OBJECT

public:
    RunCommand(QMainWindow *window, QPlainTextEdit *editor, HostServices &host,
               std::function<QString()> fileName);

    void run();
    void stop();
    RunWindow *runWindow() const { return m_runWindow; }
    // Puts the editor's caret at the start of `line` (from 1) and focuses it.
    void goToLine(int line);
    DebugController *debugger() const { return m_debugger; }

private:
    RunWindow *ensureRunWindow();

    QMainWindow *m_window;
    QPlainTextEdit *m_editor;
    HostServices &m_host;
    std::function<QString()> m_fileName;
    QPointer<RunWindow> m_runWindow;
    DebugController *m_debugger;
};

// Gives `window` the Run command for `editor`; `fileName` tells the
// program's file name (empty while it has none). The run window's dialogs
// and remembered scale go through `host`.
RunCommand *attachRunCommand(QMainWindow *window, QPlainTextEdit *editor, HostServices &host,
                             std::function<QString()> fileName);
