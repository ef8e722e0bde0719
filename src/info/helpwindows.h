#pragma once

class ProgramState;
class QString;
class QWidget;

// The Help menu's windows, each shown as a single instance.
namespace HelpWindows {
void showPluaInfo(ProgramState &program);
void showPluaWhere(ProgramState &program);
void showInstallationInstructions(ProgramState &program);
void showDonations(ProgramState &program);
void showAbout(ProgramState &program, QWidget *owner);
void openMakerSite(ProgramState &program);
void openPluaHome(ProgramState &program);
void openLuaHome(ProgramState &program);
// Sets the program's browser address and shows the shared browser window,
// which loads it.
void openAddress(ProgramState &program, const QString &address);
} // namespace HelpWindows
