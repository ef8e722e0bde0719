#pragma once

#include "run/pluadebug.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class DebugPanel;
class LineNumberMargin;
class QAction;
class QMainWindow;
class QPlainTextEdit;
class RunnerProcess;
class RunWindow;

// The debugger of an editor window: a Debug menu after the others with
// Toggle Breakpoint (F9), Continue (F6: F5 is Run Program), Pause, Step
// Over (F10), Step Into (F11), Step Out (Shift+F11), Run To Cursor
// (Ctrl+F10) and Debug Window (Ctrl+Shift+F9). Breakpoints live in the
// editor's line-number margin; the run window's program stops at them, its
// line is marked in the margin and shown, and the debug window shows its
// stack and variables. The stepping keys work in the debug window too.
class DebugController : public QObject
{
    Q_OBJECT

public:
    DebugController(QMainWindow *window, QPlainTextEdit *editor,
                    std::function<RunWindow *()> runWindow, std::function<QString()> fileName);

    DebugPanel *panel() const { return m_panel; }
    // Breakpoints as the runner takes them: each moved to the first line
    // with code from it on.
    QList<int> effectiveBreakpoints();
    // A new run window was made: its runs are watched from now on.
    void watch(RunWindow *window);

private:
    LineNumberMargin *margin() const;
    const std::vector<int> &codeLines();
    QString breakpointTip(int line);
    void toggleBreakpoint();
    void sendBreakpoints();
    void resume(DebugCommand::Kind kind);
    void runToCursor();
    void showWindow();
    void onSessionStarted(RunnerProcess *session);
    void onPaused(const DebugSnapshot &snapshot);
    void onRunning();
    void onFinished(bool stopped, int line, const QString &message);
    void updateActions();
    void showLine(int line);
    QString programName() const;

    QMainWindow *m_window;
    QPlainTextEdit *m_editor;
    std::function<RunWindow *()> m_runWindow;
    std::function<QString()> m_fileName;
    DebugPanel *m_panel;
    QPointer<RunnerProcess> m_session;
    QList<int> m_sent;
    std::vector<int> m_codeLines;
    int m_codeRevision = -1;
    QAction *m_toggle;
    QAction *m_continue;
    QAction *m_pause;
    QAction *m_stepOver;
    QAction *m_stepInto;
    QAction *m_stepOut;
    QAction *m_runToCursor;
    QAction *m_showWindow;
};
