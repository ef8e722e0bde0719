#include "runcommand.h"
#include "document/gotoline.h"
#include "platform/menumerge.h"
#include "textfile.h"

#include "debugcontroller.h"

#include "plua/parser.h"
#include "plua/programtext.h"
#include "runwindow.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>

RunCommand::RunCommand(QMainWindow *window, QPlainTextEdit *editor, HostServices &host,
                       std::function<QString()> fileName)
    : QObject(window), m_window(window), m_editor(editor), m_host(host),
      m_fileName(std::move(fileName))
{
    setObjectName(QStringLiteral("runCommand"));
    QMenu *menu =
        MenuMerge::of(*window).barMenu(QStringLiteral("run"), tr("&Run"), QStringLiteral("mnuRun"));
    QAction *runAction = menu->addAction(tr("&Run Program"));
    runAction->setObjectName(QStringLiteral("mnuRunProgram"));
    runAction->setShortcut(QKeySequence(Qt::Key_F5));
    runAction->setShortcutContext(Qt::WindowShortcut);
    connect(runAction, &QAction::triggered, this, &RunCommand::run);
    QAction *stopAction = menu->addAction(tr("&Stop"));
    stopAction->setObjectName(QStringLiteral("mnuRunStop"));
    stopAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    stopAction->setShortcutContext(Qt::WindowShortcut);
    connect(stopAction, &QAction::triggered, this, &RunCommand::stop);
    // The debugger's menu comes after Run.
    m_debugger = new DebugController(
        window, editor, [this] { return m_runWindow.data(); }, m_fileName);
}

RunWindow *RunCommand::ensureRunWindow()
{
    if (!m_runWindow) {
        m_runWindow = new RunWindow(m_host, m_window);
        connect(m_runWindow, &RunWindow::goToLine, this, &RunCommand::goToLine);
        connect(m_runWindow, &RunWindow::restartRequested, this, &RunCommand::run);
        m_debugger->watch(m_runWindow);
    }
    return m_runWindow;
}

void RunCommand::run()
{
    // Checked first as the handheld would compile it: a syntax error shows
    // where it is and nothing runs.
    const QString source = m_editor->toPlainText();
    const QByteArray bytes = TextFile::toWindows1252(source);
    const std::string text = plua::handheldText(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    const plua::ParseResult check = plua::parse(text, plua::ParseMode::CheckOnly);
    RunWindow *window = ensureRunWindow();
    if (!check.ok()) {
        window->showFault(m_fileName(), check.error->line,
                          QString::fromStdString(check.error->message));
        goToLine(check.error->line);
        return;
    }
    window->run(source, m_fileName());
}

void RunCommand::stop()
{
    if (m_runWindow)
        m_runWindow->stop();
}

void RunCommand::goToLine(int line)
{
    GoToLine::moveTo(*m_editor, line);
    m_window->activateWindow();
    m_editor->setFocus(Qt::OtherFocusReason);
}

RunCommand *attachRunCommand(QMainWindow *window, QPlainTextEdit *editor, HostServices &host,
                             std::function<QString()> fileName)
{
    return new RunCommand(window, editor, host, std::move(fileName));
}
