#include "textexport.h"

#include "app/frmmain.h"
#include "app/hostservices.h"
#include "app/textbuffer.h"

namespace Output {

void exportText(frmMain &window)
{
    // No preset name: the dialog offers the file chosen last by any command.
    const QString path =
        window.host().showSave(QStringLiteral("Save"), QStringLiteral("Text Files (*.txt)"));
    if (path.isEmpty())
        return;
    window.ConvBox().setText(window.documentText());
    window.SaveText(window.ConvBox(), path);
}

} // namespace Output
