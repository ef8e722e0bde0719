#include "pluawhere.h"

#include "addresses.h"
#include "session/programstate.h"
#include "formgeometry.h"
#include "helpwindows.h"

#include <QPushButton>

using namespace FormGeometry;

PluaWhere::PluaWhere(ProgramState &program, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Pluawhere"));
    setWindowTitle(QStringLiteral("Where to get PLua?"));
    makeFixedDialog(this, 2895, 3105);
    placeClientArea(this, 2760, 3750);

    addLabel(this, "Label1", twips(120, 120, 2655, 375),
             QStringLiteral("Here are some locations where you can get the PLua compiler:"));
    QPushButton *pluaSiteButton = addButton(this, "Command2", twips(240, 720, 2415, 255),
                                            QStringLiteral("Official PLua Site"));
    QPushButton *pluaStoreButton =
        addButton(this, "Command1", twips(240, 1080, 2415, 255), QStringLiteral("PalmGear"));
    addLabel(this, "Label2", twips(120, 1440, 2655, 495),
             QStringLiteral("Locations where you can get the latest version of the Scrivlet IDE:"));
    QPushButton *makerSiteButton = addButton(this, "Command3", twips(240, 1920, 2415, 255),
                                             QStringLiteral("Official Hollin Site"));
    QPushButton *okButton =
        addButton(this, "OKButton", twips(720, 2520, 1455, 375), QStringLiteral("OK"));

    setTabOrder(okButton, pluaStoreButton);
    setTabOrder(pluaStoreButton, pluaSiteButton);
    setTabOrder(pluaSiteButton, makerSiteButton);
    okButton->setFocus();
    fitLabels(this);

    connect(pluaSiteButton, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(PluaHomeAddress)); });
    connect(pluaStoreButton, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(PluaStoreAddress)); });
    connect(makerSiteButton, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(MakerSiteAddress)); });
    connect(okButton, &QPushButton::clicked, this, &QWidget::close);
}
