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
    QPushButton *command2 = addButton(this, "Command2", twips(240, 720, 2415, 255),
                                      QStringLiteral("Official PLua Site"));
    QPushButton *command1 =
        addButton(this, "Command1", twips(240, 1080, 2415, 255), QStringLiteral("PalmGear"));
    addLabel(this, "Label2", twips(120, 1440, 2655, 495),
             QStringLiteral("Locations where you can get the latest version of the Scrivlet IDE:"));
    QPushButton *command3 = addButton(this, "Command3", twips(240, 1920, 2415, 255),
                                      QStringLiteral("Official Hollin Site"));
    QPushButton *ok =
        addButton(this, "OKButton", twips(720, 2520, 1455, 375), QStringLiteral("OK"));

    setTabOrder(ok, command1);
    setTabOrder(command1, command2);
    setTabOrder(command2, command3);
    ok->setFocus();
    fitLabels(this);

    connect(command2, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(PluaHomeAddress)); });
    connect(command1, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(PluaStoreAddress)); });
    connect(command3, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(MakerSiteAddress)); });
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
}
