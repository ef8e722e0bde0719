#include "frmfirstrun.h"

#include "addresses.h"
#include "firstrunmarker.h"
#include "platform/hostservices.h"
#include "session/programstate.h"
#include "formgeometry.h"
#include "helpwindows.h"
#include "frmdonations.h"
#include "frminstallationinstructions.h"

#include <QPushButton>

using namespace FormGeometry;

frmFirstRun::frmFirstRun(ProgramState &program, QWidget *parent)
    : QWidget(parent), m_program(program)
{
    setObjectName(QStringLiteral("frmFirstRun"));
    setWindowTitle(QStringLiteral("PLua installation instructions"));
    makeFixedDialog(this, 5520, 3960);
    placeClientArea(this, 2490, 1575);

    addLabel(
        this, "Label1", twips(120, 120, 5415, 615),
        QStringLiteral("Since this is the first run,  you need to download some additional "
                       "files,  this small wizard will guide you through the process,  you can "
                       "always view this window by clicking on help/PLua Installation "
                       "instructions:."));
    addLabel(this, "Label2", twips(720, 960, 4335, 615),
             frmInstallationInstructions::installText());
    QPushButton *storeButton = addButton(this, "Command3", twips(1200, 1680, 3135, 255),
                                         QStringLiteral("Download from Palmgear"));
    addLabel(this, "Label4", twips(720, 2160, 4095, 495),
             frmInstallationInstructions::exportText());
    addLabel(this, "Label6", twips(720, 2760, 4095, 615), frmInstallationInstructions::runText());
    QPushButton *okButton =
        addButton(this, "Command1", twips(2040, 3480, 1215, 375), QStringLiteral("&OK"));
    setTabOrder(okButton, storeButton);
    okButton->setFocus();
    fitLabels(this);

    connect(storeButton, &QPushButton::clicked, this,
            [this] { HelpWindows::openAddress(m_program, QLatin1String(PluaStoreAddress)); });
    connect(okButton, &QPushButton::clicked, this, &frmFirstRun::finish);
}

void frmFirstRun::finish()
{
    // The marker first, so that the next start goes straight to the editor.
    FirstRunMarker::write(m_program.host().programDirectory(), m_program.host().userDirectory());

    // The wizard goes last, once the donations window is up on top of the
    // editor, so the program never runs without a window.
    m_program.openMainWindowBesideOthers();
    m_program.showWindow<frmDonations>();
    close();
}
