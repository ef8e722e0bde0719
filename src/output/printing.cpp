#include "printing.h"

#include "documentprinter.h"

#include "app/frmmain.h"
#include "app/hostservices.h"
#include "app/module1.h"
#include "app/textbuffer.h"

#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

namespace Output {

namespace {

void reportFailure(frmMain &window)
{
    window.host().messageBox(QStringLiteral("Could not print, make sure that a printer is "
                                            "installed and that it is turned on."),
                             HostServices::Buttons::Ok, HostServices::Icon::Error);
}

} // namespace

bool printDocument(frmMain &window)
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        reportFailure(window);
        return false;
    }
    QPrinter printer(defaultPrinter, QPrinter::HighResolution);
    return printDocument(window, printer);
}

bool printDocument(frmMain &window, QPrinter &printer)
{
    // Only the plain text goes to paper: the editor's formatting stays behind.
    TextBuffer &convBox = window.ConvBox();
    convBox.setText(window.documentText());

    // The job's name in the printer queue.
    const QString fileName = QFileInfo(window.program().CurrentFileName).fileName();
    printer.setDocName(fileName.isEmpty() ? HostServices::applicationTitle() : fileName);

    if (!printer.isValid() || !printText(printer, convBox.text())) {
        reportFailure(window);
        return false;
    }
    return true;
}

} // namespace Output
