#include "textexport.h"

#include "exportfolder.h"

#include "document/projectdocument.h"
#include "platform/hostservices.h"

#include <QFileInfo>

namespace Output {

void exportText(HostServices &host, ProjectDocument &document)
{
    // The name chosen last by any command carries over, in the project's folder.
    const QString path = host.showSave(
        QStringLiteral("Save"), QStringLiteral("Text Files (*.txt)"),
        proposedExportPath(host, document, QFileInfo(host.lastFileName()).fileName()));
    if (path.isEmpty())
        return;
    if (document.writeCopy(path))
        emit document.exported(path);
}

} // namespace Output
