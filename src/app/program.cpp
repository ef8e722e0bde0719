#include "program.h"

#include "firstrunmarker.h"
#include "frmmain.h"
#include "platform/hostservices.h"
#include "info/frmfirstrun.h"
#include "unsavedtext.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

frmMain *Program::mainWindow() const
{
    return qobject_cast<frmMain *>(currentMainWindow());
}

void Program::start()
{
    // Before anything reads a setting: a FIFO there would block the start.
    if (const QString problem = host().setAsideUnusableSettings(); !problem.isEmpty())
        host().messageBox(problem, HostServices::Buttons::Ok, HostServices::Icon::Error);
    const QString programDirectory = host().programDirectory();
    if (FirstRunMarker::isFirstRunOver(programDirectory, host().userDirectory())) {
        startMainWindow();
        return;
    }
    // The very first start writes the marker at once; a readable marker that
    // says something else is left as it is, and the wizard shows again.
    const QFileInfo marker(
        QDir(programDirectory).filePath(QLatin1String(FirstRunMarker::FileName)));
    if (!marker.exists() || !marker.isReadable())
        FirstRunMarker::write(programDirectory, host().userDirectory());
    showWindow<frmFirstRun>();
}

void Program::startMainWindow()
{
    if (auto *wizard = findWindow<frmFirstRun>())
        wizard->close();
    openMainWindowBesideOthers();
    // Once the window is up: what an editor that did not close properly left.
    if (frmMain *main = mainWindow())
        QTimer::singleShot(0, main, [main] { main->unsavedText().offerToRestore(); });
}

QMainWindow *Program::createMainWindow()
{
    return new frmMain(*this);
}
