#include "frmdonations.h"

#include "addresses.h"
#include "session/programstate.h"
#include "formgeometry.h"
#include "helpwindows.h"

#include <QPushButton>

using namespace FormGeometry;

frmDonations::frmDonations(ProgramState &program, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDonations"));
    setWindowTitle(QStringLiteral("Donations"));
    // No close box: the window closes through its OK button.
    makeFixedDialog(this, 4680, 3765, false);

    addLabel(
        this, "Label2", twips(360, 120, 4095, 975),
        QStringLiteral("If you like to support the Scrivlet IDE,  please donate a small amount "
                       "of money by buying one of the commercial products available,  that way "
                       "you'll get something in return aswell,  the prices only range from $5 "
                       "to $8."));
    addLabel(this, "Label1", twips(360, 1080, 4095, 615),
             QStringLiteral("By supporting the Scrivlet IDE,  you can make sure that this product "
                            "will NOT be discontinued."));
    addLabel(this, "Label3", twips(360, 1560, 4095, 615),
             QStringLiteral("Also,  if you donate,  your name will be included on this page "
                            "(starting from the next version),  make sure to enter the comment: "
                            "\"donation for the Scrivlet IDE\""));
    QPushButton *storeButton = addButton(this, "Command2", twips(1200, 2400, 2055, 375),
                                         QStringLiteral("Go to the online store"));
    addLabel(this, "Label4", twips(1440, 2880, 4095, 615), QStringLiteral("Thanks in advance."));
    QPushButton *okButton =
        addButton(this, "Command1", twips(1680, 3240, 1095, 375), QStringLiteral("OK"));
    setTabOrder(okButton, storeButton);
    okButton->setFocus();
    fitLabels(this);

    connect(storeButton, &QPushButton::clicked, this,
            [&program] { HelpWindows::openAddress(program, QLatin1String(DonationStoreAddress)); });
    connect(okButton, &QPushButton::clicked, this, &QWidget::close);
}
