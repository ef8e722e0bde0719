#include "mainwindowclosing.h"

#include "document/projectdocument.h"
#include "output/palmdocconverter.h"
#include "platform/hostservices.h"
#include "session/programstate.h"

#include <QMainWindow>

namespace MainWindowClosing {

namespace {

void saveWindowPlacement(HostServices &host, const QRect &frame)
{
    const QString section = QStringLiteral("Settings");
    host.saveSetting(section, QStringLiteral("MainLeft"), QString::number(frame.x() * 15));
    host.saveSetting(section, QStringLiteral("MainTop"), QString::number(frame.y() * 15));
    host.saveSetting(section, QStringLiteral("MainWidth"), QString::number(frame.width() * 15));
    host.saveSetting(section, QStringLiteral("MainHeight"), QString::number(frame.height() * 15));
}

} // namespace

bool askToSave(HostServices &host, ProjectDocument &document)
{
    const auto answer =
        host.messageBox(QStringLiteral("Do you wish to save the current PLua project?"),
                        HostServices::Buttons::YesNo);
    const bool keep = answer == HostServices::Answer::Cancel ||
                      (answer == HostServices::Answer::Yes &&
                       document.save() == ProjectDocument::SaveResult::Failed);
    return !keep;
}

void closeProgram(ProgramState &program, QMainWindow &window)
{
    program.converter().waitForAll(&window);

    const auto windows = program.loadedWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *other = *it;
        if (other != &window && !other->close()) {
            other->hide();
            other->deleteLater();
        }
    }
    if (!window.isMinimized())
        saveWindowPlacement(program.host(), window.frameGeometry());
}

} // namespace MainWindowClosing
