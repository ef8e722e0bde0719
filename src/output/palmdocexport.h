#pragma once

class frmMain;

namespace Output {
// Writes the document to a Palm DOC database through the txt2doc converter.
void exportPalmDoc(frmMain &window);
} // namespace Output
