#include "exportfolder.h"

#include "document/projectdocument.h"
#include "platform/hostservices.h"

#include <QDir>
#include <QFileInfo>

namespace Output {

QString proposedExportPath(const HostServices &host, const ProjectDocument &document,
                           const QString &name)
{
    QString folder;
    if (!document.fileName().isEmpty())
        folder = QFileInfo(document.fileName()).absolutePath();
    else if (const QFileInfo last(host.lastFileName());
             !last.filePath().isEmpty() && last.isAbsolute())
        folder = last.absolutePath();
    else
        folder = QDir::homePath();
    return name.isEmpty() ? QDir(folder).absolutePath() + u'/' : QDir(folder).filePath(name);
}

} // namespace Output
