#pragma once

class Module1;
class QWidget;

// The Help menu's windows, each shown as a single instance.
namespace HelpWindows {
void showPluaInfo(Module1 &program);
void showPluaWhere(Module1 &program);
void showInstallationInstructions(Module1 &program);
void showDonations(Module1 &program);
void showAbout(Module1 &program, QWidget *owner);
void openMakerSite(Module1 &program);
void openPluaHome(Module1 &program);
void openLuaHome(Module1 &program);
} // namespace HelpWindows
