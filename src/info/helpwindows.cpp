#include "helpwindows.h"

#include "addresses.h"
#include "session/programstate.h"
#include "frmabout.h"
#include "frmbrowser.h"
#include "frmdonations.h"
#include "frminstallationinstructions.h"
#include "pluainfo.h"
#include "pluawhere.h"

namespace HelpWindows {

void showPluaInfo(ProgramState &program)
{
    program.showWindow<PluaInfo>();
}

void showPluaWhere(ProgramState &program)
{
    program.showWindow<PluaWhere>();
}

void showInstallationInstructions(ProgramState &program)
{
    program.showWindow<frmInstallationInstructions>();
}

void showDonations(ProgramState &program)
{
    program.showWindow<frmDonations>();
}

void showAbout(ProgramState &program, QWidget *owner)
{
    frmAbout::showModal(program, owner);
}

void openMakerSite(ProgramState &program)
{
    openAddress(program, QLatin1String(MakerSiteAddress));
}

void openPluaHome(ProgramState &program)
{
    openAddress(program, QLatin1String(PluaHomeAddress));
}

void openLuaHome(ProgramState &program)
{
    openAddress(program, QLatin1String(LuaHomeAddress));
}

void openAddress(ProgramState &program, const QString &address)
{
    program.setBrowserAddress(address);
    // The browser enters the address itself: whether and when the window
    // manager activates the window is not for the page to wait on.
    program.showWindow<frmBrowser>()->openBrowserAddress();
}

} // namespace HelpWindows
