#pragma once

#include "session/programstate.h"

#include <QPointer>

class frmMain;

// The start-up procedure on top of the program-wide state: the first-run
// check, and the main window it ends in.
class Program : public ProgramState
{
public:
    using ProgramState::ProgramState;

    // The main window, once it has been created.
    frmMain *mainWindow() const;

    // The first-run check: opens the editor when the marker says the first
    // run is over, otherwise shows the first-run wizard.
    void start();

    // Closes the wizard, creates the main window and shows it.
    void startMainWindow();

protected:
    QMainWindow *createMainWindow() override;
};
