#include "helpwindows.h"

#include "addresses.h"
#include "app/module1.h"
#include "frmabout.h"
#include "frmdonations.h"
#include "frminstallationinstructions.h"
#include "pluainfo.h"
#include "pluawhere.h"

namespace HelpWindows {

void showPluaInfo(Module1 &program)
{
    program.showWindow<pluainfo>();
}

void showPluaWhere(Module1 &program)
{
    program.showWindow<Pluawhere>();
}

void showInstallationInstructions(Module1 &program)
{
    program.showWindow<frmInstallationInstructions>();
}

void showDonations(Module1 &program)
{
    program.showWindow<frmDonations>();
}

void showAbout(Module1 &program, QWidget *owner)
{
    frmAbout::showModal(program, owner);
}

void openMakerSite(Module1 &program)
{
    program.openAddress(QLatin1String(MakerSiteAddress));
}

void openPluaHome(Module1 &program)
{
    program.openAddress(QLatin1String(PluaHomeAddress));
}

void openLuaHome(Module1 &program)
{
    program.openAddress(QLatin1String(LuaHomeAddress));
}

} // namespace HelpWindows
