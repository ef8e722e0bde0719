#include "programstate.h"

#include "output/palmdocconverter.h"
#include "platform/twips.h"
#include "windowplacement.h"

#include <QMainWindow>

ProgramState::ProgramState(HostServices &host, QString commandLine)
    : m_host(host), m_commandLine(std::move(commandLine)),
      m_converter(std::make_unique<PalmDocConverter>(nullptr))
{}

ProgramState::~ProgramState()
{
    // Top-level windows have no Qt parent; whatever is still open goes now,
    // newest first. The list is asked afresh each time because deleting one
    // window can take others with it (a dialog owned by the main window).
    for (auto windows = loadedWindows(); !windows.isEmpty(); windows = loadedWindows())
        delete windows.last();
}

void ProgramState::openMainWindowBesideOthers()
{
    QMainWindow *window = createMainWindow();
    m_mainWindow = window;
    registerWindow(window);
    WindowPlacement::keepOnScreen(window);
    window->show();
    window->activateWindow();
}

QMainWindow *ProgramState::currentMainWindow() const
{
    return m_mainWindow;
}

void ProgramState::registerWindow(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_windows.removeIf([](const QPointer<QWidget> &w) { return w.isNull(); });
    m_windows.append(window);
}

QList<QWidget *> ProgramState::loadedWindows() const
{
    QList<QWidget *> windows;
    for (const auto &w : m_windows) {
        if (w)
            windows.append(w);
    }
    return windows;
}

void ProgramState::placeNew(QWidget *window)
{
    // The main window's client area was laid out at 45, 1080 twips.
    const QWidget *anchor = m_mainWindow ? m_mainWindow->centralWidget() : nullptr;
    WindowPlacement::place(window, anchor, QPoint(Twips::px(45), Twips::px(1080)), loadedWindows());
}

void ProgramState::present(QWidget *window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
