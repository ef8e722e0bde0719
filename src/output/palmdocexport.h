#pragma once

#include <QString>

class HostServices;
class PalmDocConverter;
class ProjectDocument;

namespace Output {

// Writes the document to a Palm DOC database through the txt2doc converter:
// asks for the output file, writes the text to a temporary file of its own
// (removed when the conversion ends), takes the DOC name
// from a title comment on the first line or asks for it, and starts the
// converter without waiting for it; `converter` reports how it ended.
void exportPalmDoc(HostServices &host, ProjectDocument &document, PalmDocConverter &converter);

} // namespace Output
