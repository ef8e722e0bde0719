#pragma once

class HostServices;
class ProjectDocument;

namespace Output {
// Writes a copy of the document to a chosen file; the project's file name stays.
void exportText(HostServices &host, ProjectDocument &document);
} // namespace Output
