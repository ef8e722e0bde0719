#include "textexport.h"

#include "document/projectdocument.h"
#include "document/textbuffer.h"
#include "platform/hostservices.h"

namespace Output {

void exportText(HostServices &host, ProjectDocument &document)
{
    // No preset name: the dialog offers the file chosen last by any command.
    const QString path =
        host.showSave(QStringLiteral("Save"), QStringLiteral("Text Files (*.txt)"));
    if (path.isEmpty())
        return;
    document.stageText();
    document.SaveText(document.stagingBuffer(), path);
}

} // namespace Output
