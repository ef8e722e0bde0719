#pragma once

class HostServices;
class ProgramState;
class ProjectDocument;
class QMainWindow;

// What closing the main window does, apart from the window itself.
namespace MainWindowClosing {

// Asks whether to save the project and saves it on Yes. False keeps the
// window open: the question dismissed without an answer, or a save that
// failed, never throws the work away.
bool askToSave(HostServices &host, ProjectDocument &document);

// Ends the program once the close is decided: waits for running exports
// while the window can still report them, closes every other window (the
// most recently opened first) and remembers where the window stood.
void closeProgram(ProgramState &program, QMainWindow &window);

} // namespace MainWindowClosing
