#include "debugcontroller.h"
#include "textfile.h"

#include "debugpanel.h"
#include "document/gotoline.h"
#include "lang/linenumbermargin.h"
#include "platform/menumerge.h"
#include "runnerprocess.h"
#include "runwindow.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTreeWidget>

DebugController::DebugController(QMainWindow *window, QPlainTextEdit *editor,
                                 std::function<RunWindow *()> runWindow,
                                 std::function<QString()> fileName)
    : QObject(window), m_window(window), m_editor(editor), m_runWindow(std::move(runWindow)),
      m_fileName(std::move(fileName)), m_panel(new DebugPanel(window))
{
    setObjectName(QStringLiteral("debugController"));
    QMenu *menu = MenuMerge::of(*window).barMenu(QStringLiteral("debug"), tr("&Debug"),
                                                 QStringLiteral("mnuDebug"));
    const auto add = [this, menu](const char *name, const QString &text, const QKeySequence &key,
                                  auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_toggle = add("mnuDebugToggleBreakpoint", tr("Toggle &Breakpoint"), QKeySequence(Qt::Key_F9),
                   &DebugController::toggleBreakpoint);
    menu->addSeparator();
    m_continue = add("mnuDebugContinue", tr("&Continue"), QKeySequence(Qt::Key_F6),
                     [this] { resume(DebugCommand::Kind::Continue); });
    m_pause = add("mnuDebugPause", tr("&Pause"), QKeySequence(), [this] {
        if (RunWindow *run = m_runWindow())
            run->pause();
    });
    m_stepOver = add("mnuDebugStepOver", tr("Step &Over"), QKeySequence(Qt::Key_F10),
                     [this] { resume(DebugCommand::Kind::StepOver); });
    m_stepInto = add("mnuDebugStepInto", tr("Step &Into"), QKeySequence(Qt::Key_F11),
                     [this] { resume(DebugCommand::Kind::StepInto); });
    m_stepOut = add("mnuDebugStepOut", tr("Step O&ut"), QKeySequence(Qt::SHIFT | Qt::Key_F11),
                    [this] { resume(DebugCommand::Kind::StepOut); });
    m_runToCursor = add("mnuDebugRunToCursor", tr("Run &To Cursor"),
                        QKeySequence(Qt::CTRL | Qt::Key_F10), &DebugController::runToCursor);
    menu->addSeparator();
    m_showWindow =
        add("mnuDebugWindow", tr("Debug &Window"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9),
            &DebugController::showWindow);
    // The stepping keys work where the stack and variables are read too.
    m_panel->addActions({m_continue, m_pause, m_stepOver, m_stepInto, m_stepOut});

    connect(m_panel, &DebugPanel::evaluateRequested, this,
            [this](int frame, const QString &expression) {
                if (m_session)
                    m_session->evaluate(frame, expression);
            });
    connect(m_panel, &DebugPanel::frameChosen, this, &DebugController::showLine);
    if (LineNumberMargin *m = margin()) {
        m->setBreakpointTip([this](int line) { return breakpointTip(line); });
        // A running program hears of breakpoints set or cleared. It runs the
        // text as it was when it started: marks moved by editing since are
        // not sent for the lines they moved to.
        connect(m, &LineNumberMargin::breakpointsChanged, this, &DebugController::sendBreakpoints);
    }
    updateActions();
}

LineNumberMargin *DebugController::margin() const
{
    return m_editor->findChild<LineNumberMargin *>();
}

const std::vector<int> &DebugController::codeLines()
{
    // Worked out again only when the text changed since.
    if (m_codeRevision != m_editor->document()->revision()) {
        m_codeRevision = m_editor->document()->revision();
        const QByteArray bytes = TextFile::toWindows1252(m_editor->toPlainText());
        m_codeLines = pluaCodeLines(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    return m_codeLines;
}

QString DebugController::breakpointTip(int line)
{
    const std::vector<int> &lines = codeLines();
    if (lines.empty())
        return tr("Breakpoint (the program does not compile now)");
    const int at = breakpointLine(lines, line);
    if (at == line)
        return tr("Breakpoint: the program stops at this line");
    if (at == 0)
        return tr("Breakpoint: no line from here on has code, so the program never stops here");
    return tr("Breakpoint: this line has no code, so the program stops at line %1").arg(at);
}

QList<int> DebugController::effectiveBreakpoints()
{
    QList<int> lines;
    LineNumberMargin *m = margin();
    if (!m || m->breakpoints().isEmpty())
        return lines;
    const std::vector<int> &code = codeLines();
    for (const int line : m->breakpoints()) {
        // Without code lines (a fault in the text) the runner moves them.
        const int at = code.empty() ? line : breakpointLine(code, line);
        if (at > 0 && !lines.contains(at))
            lines.append(at);
    }
    return lines;
}

void DebugController::toggleBreakpoint()
{
    if (LineNumberMargin *m = margin())
        m->toggleBreakpoint(m_editor->textCursor().blockNumber() + 1);
}

void DebugController::sendBreakpoints()
{
    if (!m_session || !m_session->isRunning())
        return;
    const QList<int> lines = effectiveBreakpoints();
    if (lines != m_sent) {
        m_sent = lines;
        m_session->setBreakpoints(lines);
    }
}

void DebugController::watch(RunWindow *window)
{
    connect(window, &RunWindow::sessionStarted, this, &DebugController::onSessionStarted);
}

void DebugController::onSessionStarted(RunnerProcess *session)
{
    m_session = session;
    m_sent = effectiveBreakpoints();
    session->setBreakpoints(m_sent);
    connect(session, &RunnerProcess::paused, this, &DebugController::onPaused);
    connect(session, &RunnerProcess::resumed, this, &DebugController::onRunning);
    connect(session, &RunnerProcess::finished, this, &DebugController::onFinished);
    connect(session, &RunnerProcess::evaluated, m_panel, &DebugPanel::showResult);
    onRunning();
}

QString DebugController::programName() const
{
    const QString name = m_fileName();
    return name.isEmpty() ? tr("Untitled") : QFileInfo(name).fileName();
}

void DebugController::onRunning()
{
    if (LineNumberMargin *m = margin())
        m->setPausedLine(0);
    m_panel->showRunning(programName());
    updateActions();
}

void DebugController::onPaused(const DebugSnapshot &snapshot)
{
    if (LineNumberMargin *m = margin())
        m->setPausedLine(snapshot.line);
    showLine(snapshot.line);
    m_panel->showPaused(programName(), snapshot);
    updateActions();
    // The stack and variables come to the keyboard when the window is new;
    // a step keeps the keyboard where it was.
    if (!m_panel->isVisible()) {
        m_panel->show();
        m_panel->raise();
        m_panel->activateWindow();
        m_panel->variables()->setFocus(Qt::OtherFocusReason);
    }
}

void DebugController::onFinished(bool stopped, int line, const QString &message)
{
    if (LineNumberMargin *m = margin())
        m->setPausedLine(0);
    QString how = stopped ? tr("stopped") : message.isEmpty() ? tr("ended") : message;
    if (!stopped && line > 0)
        how = tr("line %1: %2").arg(line).arg(message);
    m_panel->showEnded(programName(), how);
    m_session = nullptr;
    updateActions();
}

void DebugController::showLine(int line)
{
    if (line > 0)
        GoToLine::moveTo(*m_editor, line, GoToLine::Scroll::JustVisible);
}

void DebugController::resume(DebugCommand::Kind kind)
{
    if (RunWindow *run = m_runWindow())
        run->resume({kind, 0});
}

void DebugController::runToCursor()
{
    RunWindow *run = m_runWindow();
    if (!run || !run->isPaused())
        return;
    const int line = m_editor->textCursor().blockNumber() + 1;
    const std::vector<int> &code = codeLines();
    run->resume({DebugCommand::Kind::RunTo, code.empty() ? line : breakpointLine(code, line)});
}

void DebugController::showWindow()
{
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

void DebugController::updateActions()
{
    const bool running = m_session && m_session->isRunning();
    const bool paused = running && m_session->isPaused();
    m_continue->setEnabled(paused);
    m_stepOver->setEnabled(paused);
    m_stepInto->setEnabled(paused);
    m_stepOut->setEnabled(paused);
    m_runToCursor->setEnabled(paused);
    m_pause->setEnabled(running && !paused);
}
