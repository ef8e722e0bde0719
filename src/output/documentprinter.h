#pragma once

#include <QString>

class QPrinter;

namespace Output {

// The line printed above every document: the program, its maker and the
// maker's web site.
extern const QString CreditLine;

// Prints the credit line, an empty line and the lines of `text` (separated
// by CR LF, CR or LF) on `printer`, one item per line, in the printer's
// default font, laid out for its resolution. Lines that do not fit on a page
// continue on the next one; a line wider than the page is cut off at its
// edge, not wrapped. Returns false when the printer failed at any step; a
// job that failed part-way is aborted, not handed on.
bool printText(QPrinter &printer, const QString &text);

} // namespace Output
