#pragma once

class frmMain;
class QPrinter;

namespace Output {

// Prints the credit line and the document's plain text on the default
// printer, without a dialog. Shows the one failure message when there is no
// default printer or printing fails; true when the job was handed on.
bool printDocument(frmMain &window);

// The same on a given printer (a PDF file, for one).
bool printDocument(frmMain &window, QPrinter &printer);

} // namespace Output
