#include "program.h"

#include "firstrunmarker.h"
#include "frmmain.h"
#include "platform/hostservices.h"
#include "info/frmfirstrun.h"

#include <QDir>
#include <QFileInfo>

frmMain *Program::mainWindow() const
{
    return qobject_cast<frmMain *>(currentMainWindow());
}

void Program::start()
{
    const QString programDirectory = host().programDirectory();
    if (FirstRunMarker::isFirstRunOver(programDirectory, host().userDirectory())) {
        StartMainWindow();
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

void Program::StartMainWindow()
{
    if (auto *wizard = findWindow<frmFirstRun>())
        wizard->close();
    openMainWindowBesideOthers();
}

QMainWindow *Program::createMainWindow()
{
    return new frmMain(*this);
}
