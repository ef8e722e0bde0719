#include "pluainfo.h"

#include "formgeometry.h"

#include <QPushButton>

using namespace FormGeometry;

PluaInfo::PluaInfo(ProgramState &, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pluainfo"));
    setWindowTitle(QStringLiteral("What is (P)Lua?"));
    makeFixedDialog(this, 3420, 2280);
    placeClientArea(this, 2760, 3750);

    addLabel(this, "Label1", twips(120, 120, 3135, 1095),
             QStringLiteral("PLua is a compiler for the Palm Pda platform wich is capable of "
                            "processing the Lua language,  PLua comes with an IDE for the palm but "
                            "not for Windows or other platforms, that's why this program exists."));
    addLabel(this, "Label2", twips(120, 1200, 3255, 735),
             QStringLiteral("For a reference of all Lua functions, visit the Lua web site at "
                            "www.lua.org."));
    QPushButton *ok =
        addButton(this, "OKButton", twips(1080, 1800, 1215, 375), QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    ok->setFocus();
    fitLabels(this);
}
