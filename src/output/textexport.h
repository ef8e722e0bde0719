#pragma once

class frmMain;

namespace Output {
// Writes a copy of the document to a chosen file; the project's file name stays.
void exportText(frmMain &window);
} // namespace Output
