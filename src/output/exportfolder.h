#pragma once

#include <QString>

class HostServices;
class ProjectDocument;

namespace Output {

// Where an export's save dialog starts: `name` in the folder of the
// project's own file; with no project file yet, beside the file chosen last,
// or else in the user's home folder. Never the folder the program happened
// to be started from. An empty name proposes the folder alone (ending in /).
QString proposedExportPath(const HostServices &host, const ProjectDocument &document,
                           const QString &name);

} // namespace Output
