#pragma once

class HostServices;
class ProjectDocument;
class QPrinter;
class QWidget;

namespace Output {

// Prints the credit line and the document's plain text on the default
// printer, without a dialog, with a window over `parent` while the job is
// being handed on. Shows the one failure message when there is no default
// printer or printing fails; true when the job was handed on.
bool printDocument(HostServices &host, ProjectDocument &document, QWidget &parent);

// The same on a given printer (a PDF file, for one).
bool printDocument(HostServices &host, ProjectDocument &document, QWidget &parent,
                   QPrinter &printer);

} // namespace Output
