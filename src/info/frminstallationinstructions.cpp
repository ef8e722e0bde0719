#include "frminstallationinstructions.h"

#include "addresses.h"
#include "session/programstate.h"
#include "formgeometry.h"
#include "helpwindows.h"

#include <QEvent>
#include <QPushButton>

using namespace FormGeometry;

frmInstallationInstructions::frmInstallationInstructions(ProgramState &program, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmInstallationInstructions"));
    setWindowTitle(QStringLiteral("PLua installation instructions"));
    makeFixedDialog(this, 5490, 3480);

    addLabel(this, "Label2", twips(720, 480, 4335, 615), installText());
    QPushButton *storeButton = addButton(this, "Command3", twips(1200, 1200, 3135, 255),
                                         QStringLiteral("Download from Palmgear"));
    addLabel(this, "Label4", twips(720, 1680, 4095, 495), exportText());
    addLabel(this, "Label6", twips(720, 2280, 4095, 615), runText());
    m_okButton = addButton(this, "Command1", twips(2160, 3000, 1215, 375), QStringLiteral("&OK"));
    m_okButton->setDefault(true);
    setTabOrder(storeButton, m_okButton);
    fitLabels(this);

    connect(storeButton, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(PluaStoreAddress)); });
    connect(m_okButton, &QPushButton::clicked, this, &QWidget::close);
}

QString frmInstallationInstructions::installText()
{
    return QStringLiteral("First of all you should have PLua installed on your palm,  PLua is the "
                          "compiler/interpreter wich can 'understand' the files created with the "
                          "Scrivlet IDE:");
}

QString frmInstallationInstructions::exportText()
{
    return QStringLiteral("Now,  create your code with this IDE, got to the file menu,  select  "
                          "export to .prc and sync this file to your palm.");
}

QString frmInstallationInstructions::runText()
{
    return QStringLiteral("Start the PLua program on your palm, click on the doc button,  select "
                          "your application(\"-- My Application\"), you now have the choice to run "
                          "or compile it.");
}

void frmInstallationInstructions::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The download button comes first in the tab order, yet Enter should
    // close the window: every activation hands the focus to OK.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_okButton->setFocus();
}
