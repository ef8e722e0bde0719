#pragma once

class frmMain;

namespace Output {
// Prints the credit line and the document on the default printer.
bool printDocument(frmMain &window);
} // namespace Output
