#pragma once

class Program;
class QWidget;

// The Help menu's windows, each shown as a single instance.
namespace HelpWindows {
void showPluaInfo(Program &program);
void showPluaWhere(Program &program);
void showInstallationInstructions(Program &program);
void showDonations(Program &program);
void showAbout(Program &program, QWidget *owner);
void openMakerSite(Program &program);
void openPluaHome(Program &program);
void openLuaHome(Program &program);
} // namespace HelpWindows
