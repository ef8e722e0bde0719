#include "program.h"

#include "firstrunmarker.h"
#include "frmmain.h"
#include "platform/hostservices.h"
#include "twips.h"
#include "windowplacement.h"
#include "info/frmbrowser.h"
#include "info/frmfirstrun.h"

#include <QDir>
#include <QFileInfo>

Program::Program(HostServices &host, QString commandLine)
    : m_host(host), m_commandLine(std::move(commandLine))
{}

Program::~Program()
{
    // Top-level windows have no Qt parent; whatever is still open goes now,
    // newest first. The list is asked afresh each time because deleting one
    // window can take others with it (a dialog owned by the main window).
    for (auto windows = m_host.loadedWindows(); !windows.isEmpty();
         windows = m_host.loadedWindows())
        delete windows.last();
}

void Program::start()
{
    const QString programDirectory = m_host.programDirectory();
    if (FirstRunMarker::isFirstRunOver(programDirectory, m_host.userDirectory())) {
        StartMainWindow();
        return;
    }
    // The very first start writes the marker at once; a readable marker that
    // says something else is left as it is, and the wizard shows again.
    const QFileInfo marker(
        QDir(programDirectory).filePath(QLatin1String(FirstRunMarker::FileName)));
    if (!marker.exists() || !marker.isReadable())
        FirstRunMarker::write(programDirectory, m_host.userDirectory());
    showWindow<frmFirstRun>();
}

void Program::StartMainWindow()
{
    if (auto *wizard = findWindow<frmFirstRun>())
        wizard->close();
    openMainWindowBesideOthers();
}

void Program::openMainWindowBesideOthers()
{
    auto *window = new frmMain(*this);
    mainWindow = window;
    adopt(window);
    WindowPlacement::keepOnScreen(window);
    window->show();
    window->activateWindow();
}

void Program::openAddress(const QString &address)
{
    BrowserAddress = address;
    // The browser enters the address itself: whether and when the window
    // manager activates the window is not for the page to wait on.
    showWindow<frmBrowser>()->openBrowserAddress();
}

void Program::adopt(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    m_host.registerWindow(window);
}

void Program::placeNew(QWidget *window)
{
    // The main window's client area was laid out at 45, 1080 twips.
    const QWidget *anchor = mainWindow ? mainWindow->centralWidget() : nullptr;
    WindowPlacement::place(window, anchor, QPoint(Twips::px(45), Twips::px(1080)),
                           m_host.loadedWindows());
}

void Program::present(QWidget *window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
