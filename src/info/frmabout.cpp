#include "frmabout.h"

#include "platform/hostservices.h"
#include "session/programstate.h"
#include "formgeometry.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

using namespace FormGeometry;

frmAbout::frmAbout(ProgramState &, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Scrivlet_Editor"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(Twips::windowFont());
    setFixedSize(px(6225), px(2160));

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setGeometry(twips(240, 120, 1920, 1920));
    logo->setPixmap(QIcon(QStringLiteral(":/about/lua-logo.svg")).pixmap(QSize(128, 128)));
    logo->setToolTip(
        QStringLiteral("Visit www.lua.org for more documentation on the Lua language."));

    addLabel(this, "Label1", twips(2880, 480, 3015, 975), creditText());

    auto *okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("cmdOK"));
    okButton->setGeometry(twips(3480, 1560, 1467, 345));
    // Default button for Enter; Esc and the close box reject the dialog,
    // which closes it just the same.
    okButton->setDefault(true);
    okButton->setFocus();
    fitLabels(this);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Take the keyboard at once, so Enter and Esc reach OK even where the
    // window system leaves a new window inactive.
    activateWindow();
}

QString frmAbout::creditText()
{
    return QStringLiteral("Scrivlet IDE was created by Hollin Development. Visit www.example.org "
                          "for news and updates.");
}

void frmAbout::showModal(ProgramState &program, QWidget *owner)
{
    // Loaded afresh at every opening. While it is open it blocks every other
    // window, so no second one can be asked for.
    auto *dialog = new frmAbout(program, owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    program.registerWindow(dialog);
    // exec() centres the dialog on its owner.
    dialog->exec();
}
