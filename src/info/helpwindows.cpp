#include "helpwindows.h"

#include "app/module1.h"

namespace HelpWindows {
void showPluaInfo(Module1 &) {}
void showPluaWhere(Module1 &) {}
void showInstallationInstructions(Module1 &) {}
void showDonations(Module1 &) {}
void showAbout(Module1 &, QWidget *) {}
void openMakerSite(Module1 &program) { program.openAddress(QStringLiteral("https://www.example.org/")); }
void openPluaHome(Module1 &) {}
void openLuaHome(Module1 &program) { program.openAddress(QStringLiteral("https://www.lua.org/")); }
} // namespace HelpWindows
