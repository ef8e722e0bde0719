#pragma once

#include <QString>

// The runner's side of a run started by the editor: reads the program and
// then the user's input from standard input, runs it on the simulated
// handheld with its files in `storage`, and writes frames, the menu, sounds,
// dialogs and the end of the run to standard output (see runnerprotocol.h).
// Needs a QGuiApplication; returns the process's exit status. The process
// ends when standard input closes, whatever the program is doing.
int serveRunner(const QString &storage);
