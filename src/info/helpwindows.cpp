#include "helpwindows.h"

#include "addresses.h"
#include "app/program.h"
#include "frmabout.h"
#include "frmdonations.h"
#include "frminstallationinstructions.h"
#include "pluainfo.h"
#include "pluawhere.h"

namespace HelpWindows {

void showPluaInfo(Program &program)
{
    program.showWindow<PluaInfo>();
}

void showPluaWhere(Program &program)
{
    program.showWindow<PluaWhere>();
}

void showInstallationInstructions(Program &program)
{
    program.showWindow<frmInstallationInstructions>();
}

void showDonations(Program &program)
{
    program.showWindow<frmDonations>();
}

void showAbout(Program &program, QWidget *owner)
{
    frmAbout::showModal(program, owner);
}

void openMakerSite(Program &program)
{
    program.openAddress(QLatin1String(MakerSiteAddress));
}

void openPluaHome(Program &program)
{
    program.openAddress(QLatin1String(PluaHomeAddress));
}

void openLuaHome(Program &program)
{
    program.openAddress(QLatin1String(LuaHomeAddress));
}

} // namespace HelpWindows
